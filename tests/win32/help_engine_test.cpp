// The help engine's choice between WinHelp and HTML Help, and the file it
// names: beside the program, whatever the current folder.
#include "platform/win32/help_engine.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/win32_text.h"

namespace kv::win32 {
namespace {

struct FixedVersion : IVersion {
  int32_t major, minor;
  FixedVersion(int32_t a, int32_t b) : major(a), minor(b) {}
  int32_t GetVersionExA(OsVersionInfo& info) const override {
    info.majorVersion = major;
    info.minorVersion = minor;
    return 1;
  }
};

struct HtmlHelpCall {
  HWND window;
  std::wstring file;
  UINT command;
};
std::vector<HtmlHelpCall> calls;

HWND WINAPI RecordHtmlHelp(HWND window, LPCWSTR file, UINT command, DWORD_PTR) {
  calls.push_back({window, file ? file : L"", command});
  return window;
}

void* Resolve(const std::string& library, const char* function) {
  return library == "hhctrl.ocx" && std::string(function) == "HtmlHelpW"
             ? reinterpret_cast<void*>(&RecordHtmlHelp)
             : nullptr;
}

TEST(HelpEngine, HtmlHelpFromWindows6On) {
  const CodePageText ansi;
  for (const auto& [major, minor, html] :
       {std::tuple{4, 10, false}, {5, 0, false}, {5, 1, false}, {5, 2, false}, {6, 0, true},
        {6, 1, true}, {6, 2, true}, {10, 0, true}}) {
    const FixedVersion version(major, minor);
    EXPECT_EQ(HelpEngine(version, ansi, Resolve).UsesHtmlHelp(), html) << major << "." << minor;
  }
}

TEST(HelpEngine, ContentsAndQuitBecomeHtmlHelpCallsOnTheChmBesideTheProgram) {
  const CodePageText ansi;
  const FixedVersion windows10(10, 0);
  HelpEngine help(windows10, ansi, Resolve);
  SetCurrentDirectoryW(L"C:\\");
  calls.clear();
  const auto window = reinterpret_cast<std::uintptr_t>(GetDesktopWindow());
  help.WinHelpA(window, "Kavreno.hlp", kHelpContents, 0);
  help.WinHelpA(window, "Kavreno.hlp", kHelpQuit, 0);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].window, GetDesktopWindow());
  EXPECT_EQ(calls[0].file, Widen(ProgramFolder()) + L"Kavreno.chm");
  EXPECT_EQ(calls[0].command, 0x0001u);  // HH_DISPLAY_TOC
  EXPECT_EQ(calls[1].command, 0x0012u);  // HH_CLOSE_ALL
}

TEST(HelpEngine, TheFileIsLookedForBesideTheProgram) {
  const CodePageText ansi;
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring folder(self, wcsrchr(self, L'\\') + 1);
  EXPECT_EQ(Widen(ProgramFolder()), folder);
  EXPECT_EQ(Widen(HelpFilePath("Kavreno.hlp", ansi)), folder + L"Kavreno.hlp");
  EXPECT_EQ(HelpFilePath("D:\\help\\Other.hlp", ansi), "D:\\help\\Other.hlp");
}

}  // namespace
}  // namespace kv::win32
