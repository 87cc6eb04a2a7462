// The help engine as a user meets it, through the real program under Wine:
// File > help opens one help window showing the help file, whatever the
// program's current folder and arguments, without an error box, and closing
// the program closes it. Before Windows 6.0 that is winhlp32's window; from
// 6.0 on (the system has no WinHelp engine) it is an HTML Help window. The
// program asks the engine once per choice, so a window showing the file
// after one choice is that one request taken, also by an engine that was
// not running yet (the runs in a prefix of their own, where none has run).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "remote.h"

namespace kv::e2e {
namespace {

// The help's title, which the engine's window shows once it has the file.
constexpr wchar_t kHelpTitle[] = L"Kavreno ヘルプ";

std::wstring ExpectedVersion() {
  const char* v = std::getenv("KV_EXPECT_WINDOWS_VERSION");
  return v ? std::wstring(v, v + std::char_traits<char>::length(v)) : L"";
}

// The major version the system reports to a program with this manifest.
DWORD MajorVersion() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExW(&info);
#pragma GCC diagnostic pop
  return info.dwMajorVersion;
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
  const bool htmlHelp = MajorVersion() >= 6;
  const wchar_t* helpClass = htmlHelp ? L"HH Parent" : L"MS_WINHELP";
  const auto showsTheFile = [&] {
    for (HWND w : WindowsOfClass(helpClass))
      if (TextOf(w).find(kHelpTitle) != std::wstring::npos) return true;
    return false;
  };

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
  EXPECT_TRUE(WaitFor(showsTheFile))
      << "File > help opens no window of class " << (htmlHelp ? "HH Parent" : "MS_WINHELP")
      << " that shows the help";
  Sleep(1000);  // time for an error box, if the engine were to show one
  EXPECT_TRUE(WindowsOfClass(L"#32770").empty()) << "a message box is open";

  // A second choice leaves one help window.
  ASSERT_TRUE(ChooseFileItem(main, 'H')) << "the File menu does not open";
  Sleep(1500);
  EXPECT_EQ(WindowsOfClass(helpClass).size(), 1u);
  EXPECT_TRUE(showsTheFile());
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
