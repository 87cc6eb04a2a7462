// Functions bound by name come from the system directory only.
#include "platform/win32/system_library.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/win32_text.h"
#include "win32/wine_test_support.h"

namespace kv::win32 {
namespace {

struct Lookup {
  const char* library;
  const char* function;
  bool found;
};

class SystemEntryPointLookup : public testing::TestWithParam<Lookup> {};

TEST_P(SystemEntryPointLookup, FindsWhatTheSystemHas) {
  const Lookup& l = GetParam();
  EXPECT_EQ(SystemEntryPoint(l.library, l.function) != nullptr, l.found);
}

INSTANTIATE_TEST_SUITE_P(Win32, SystemEntryPointLookup,
                         testing::Values(Lookup{"kernel32", "GetDiskFreeSpaceExA", true},
                                         Lookup{"kernel32", "GlobalMemoryStatusEx", true},
                                         Lookup{"kernel32.dll", "GetDriveTypeA", true},
                                         Lookup{"version", "GetFileVersionInfoSizeW", true},
                                         Lookup{"kernel32", "GetDiskFreeSpaceExQ", false},
                                         Lookup{"kv_no_such_library", "GetDiskFreeSpaceExA",
                                                false}));

TEST(SystemEntryPoint, AnswersTheSystemsOwnFunction) {
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
  EXPECT_EQ(SystemEntryPoint("kernel32", "GetDriveTypeA"),
            reinterpret_cast<void*>(GetProcAddress(kernel32, "GetDriveTypeA")));
#pragma GCC diagnostic pop
}

// A library that is not the system's is never loaded in place of a system
// one, although the ordinary search finds it: beside the program, and in the
// current folder.
class PlantedLibrary : public testing::TestWithParam<bool> {};

TEST_P(PlantedLibrary, IsIgnored) {
  const bool inCurrentFolder = GetParam();
  const test::TempFolder folder;
  std::wstring name = L"kvplanted";
  wchar_t previous[MAX_PATH + 1];
  GetCurrentDirectoryW(MAX_PATH + 1, previous);
  if (inCurrentFolder) {
    name = L"kvcurrent";
    test::CopyInto(test::ProgramFolder() + L"kvplanted.dll", folder.Path() + name + L".dll");
    ASSERT_TRUE(SetCurrentDirectoryW(folder.Path().c_str()));
  }
  void* const found = SystemEntryPoint(Narrow(name), "kv_planted");
  const HMODULE planted = LoadLibraryW((name + L".dll").c_str());
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(found, nullptr);
  EXPECT_NE(planted, nullptr);
  if (planted) FreeLibrary(planted);
}

INSTANTIATE_TEST_SUITE_P(Win32, PlantedLibrary, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "CurrentFolder" : "ProgramFolder");
                         });

}  // namespace
}  // namespace kv::win32
