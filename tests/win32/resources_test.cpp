// The program's resource script: version information as the application
// settings give it, the manifest, the icon. The test program is built with
// the same script.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/app_settings.h"
#include "platform/win32/win32_text.h"

namespace kv::win32 {
namespace {

std::vector<char> VersionInfo() {
  wchar_t self[MAX_PATH + 1];
  GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(self, &handle);
  std::vector<char> info(size);
  if (size == 0 || !GetFileVersionInfoW(self, 0, size, info.data())) info.clear();
  return info;
}

std::string StringValue(std::vector<char>& info, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
  if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || length == 0) return {};
  return Narrow(static_cast<const wchar_t*>(value));
}

struct VersionString {
  const wchar_t* name;
  std::string expected;
};

class VersionStrings : public testing::TestWithParam<VersionString> {};

TEST_P(VersionStrings, FollowTheApplicationSettings) {
  std::vector<char> info = VersionInfo();
  ASSERT_FALSE(info.empty());
  EXPECT_EQ(StringValue(info, GetParam().name), GetParam().expected);
}

std::string VersionText() {
  return std::to_string(kApp.major) + "." + std::to_string(kApp.minor) + "." +
         std::to_string(kApp.revision) + ".0";
}

INSTANTIATE_TEST_SUITE_P(
    Resources, VersionStrings,
    testing::Values(VersionString{L"FileDescription", std::string(kApp.description)},
                    VersionString{L"LegalCopyright", std::string(kApp.copyright)},
                    VersionString{L"ProductName", std::string(kApp.title)},
                    VersionString{L"FileVersion", VersionText()},
                    VersionString{L"ProductVersion", VersionText()}));

TEST(Resources, FixedVersionIsTheApplicationsVersion) {
  std::vector<char> info = VersionInfo();
  ASSERT_FALSE(info.empty());
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), static_cast<WORD>(kApp.major));
  EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), static_cast<WORD>(kApp.minor));
  EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), static_cast<WORD>(kApp.revision));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

std::string Manifest() {
  const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  if (!found) return {};
  const HGLOBAL loaded = LoadResource(nullptr, found);
  return std::string(static_cast<const char*>(LockResource(loaded)),
                     SizeofResource(nullptr, found));
}

class ManifestEntries : public testing::TestWithParam<const char*> {};

TEST_P(ManifestEntries, ArePresent) {
  EXPECT_NE(Manifest().find(GetParam()), std::string::npos) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    Resources, ManifestEntries,
    testing::Values("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                    ">PerMonitorV2, PerMonitor</dpiAwareness>", ">true/pm</dpiAware>",
                    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
                    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
                    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
                    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
                    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
                    "level=\"asInvoker\""));

// The program speaks the system's ANSI code page: no code page of its own.
TEST(Resources, ManifestLeavesTheCodePageToTheSystem) {
  const std::string manifest = Manifest();
  ASSERT_FALSE(manifest.empty());
  EXPECT_EQ(manifest.find("activeCodePage"), std::string::npos);
}

TEST(Resources, CarriesTheProgramsIcon) {
  const HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP bitmap{};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXICON));
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
}

}  // namespace
}  // namespace kv::win32
