// The help engine as a user meets it, through the real program under Wine:
// File > help opens one help window, whatever the program's current folder
// and arguments, without an error box, and closing the program closes it.
// Where the system has the WinHelp engine, that is winhlp32's window; where
// it has not (6.2 and later: the run with KV_EXPECT_WINDOWS_VERSION=10.0),
// it is an HTML Help window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "remote.h"

namespace kv::e2e {
namespace {

std::wstring ExpectedVersion() {
  const char* v = std::getenv("KV_EXPECT_WINDOWS_VERSION");
  return v ? std::wstring(v, v + std::char_traits<char>::length(v)) : L"";
}

// The visible top-level windows of a class, of any process.
std::vector<HWND> WindowsOfClass(const wchar_t* className) {
  std::vector<HWND> found;
  for (HWND w = FindWindowExW(nullptr, nullptr, className, nullptr); w != nullptr;
       w = FindWindowExW(nullptr, w, className, nullptr))
    if (IsWindowVisible(w)) found.push_back(w);
  return found;
}

// The text of a child control of another process.
std::wstring TextOf(HWND w) {
  std::wstring text(256, L'\0');
  DWORD_PTR length = 0;
  SendMessageTimeoutW(w, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &length);
  text.resize(length);
  return text;
}

TEST(KavrenoHelp, OpensOneHelpWindowAndClosesItWithTheProgram) {
  const std::wstring version = ExpectedVersion();
  const bool htmlHelp = version == L"10.0";
  const wchar_t* helpClass = htmlHelp ? L"HH Parent" : L"MS_WINHELP";

  // Started from another folder, with arguments the program does not take.
  const Process program = StartKavreno(L"foo --help /x", L"C:\\");
  ASSERT_NE(program.get(), nullptr);
  const HWND main = Await(kMainCaption);
  ASSERT_NE(main, nullptr) << "the arguments keep the window from opening";

  if (!version.empty()) {
    // The version label (the one beside "Version:" in the layout) as the system reports it.
    bool shown = false;
    for (HWND w = GetWindow(main, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
      shown = shown || TextOf(w) == version;
    EXPECT_TRUE(shown) << "no label reads " << std::string(version.begin(), version.end());
  }

  ASSERT_TRUE(WindowsOfClass(helpClass).empty()) << "a help window is open before the test";
  ASSERT_TRUE(ChooseFileItem(main, 'H')) << "the File menu does not open";
  EXPECT_TRUE(WaitFor([&] { return !WindowsOfClass(helpClass).empty(); }))
      << "File > help opens no window of class " << (htmlHelp ? "HH Parent" : "MS_WINHELP");
  Sleep(1000);  // time for an error box, if the engine were to show one
  EXPECT_TRUE(WindowsOfClass(L"#32770").empty()) << "a message box is open";

  // A second choice leaves one help window.
  ASSERT_TRUE(ChooseFileItem(main, 'H')) << "the File menu does not open";
  Sleep(1500);
  EXPECT_EQ(WindowsOfClass(helpClass).size(), 1u);
  EXPECT_TRUE(WindowsOfClass(L"#32770").empty()) << "a message box is open";

  // Closing the program closes the help.
  PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(WaitForSingleObject(program.get(), 30000), WAIT_OBJECT_0) << "it runs on";
  DWORD exitCode = 1;
  GetExitCodeProcess(program.get(), &exitCode);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(WaitFor([&] { return WindowsOfClass(helpClass).empty(); }))
      << "the help window outlives the program";
}

}  // namespace
}  // namespace kv::e2e
