// Opens the help file in the system's help engine the way the program does
// (WinHelpA with HELP_CONTENTS) and checks what the engine shows: its window
// (class MS_WINHELP) with the help's Japanese title and the contents topic,
// and no error box; HELP_QUIT must close that window. Then the engine opened
// at the topic id "drives" (winhlp32 -i, looked up in the file's context
// table, as every jump is) must show that topic.
//   kv_help_window_check [--keep-open SECONDS] [HELPFILE]
// HELPFILE defaults to Kavreno.hlp beside this program. --keep-open prints
// the window's place ("place: left top width height") and leaves the window
// open that long before quitting the help, for a screenshot.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const wchar_t kTitle[] = L"Kavreno ヘルプ";
// The contents topic: its heading, its list's first and last entries.
const std::vector<const wchar_t*> kContents = {L"Kavreno ヘルプ", L"目次", L"メイン ウィンドウ",
                                              L"端末での表示"};
// The topic "drives": its title, a heading and a line of its sample.
const std::vector<const wchar_t*> kDrives = {L"ドライブ情報", L"ドライブの種類", L"Volume Name: SYSTEM"};

template <class Done>
bool WaitFor(Done done, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 100) {
    if (done()) return true;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(100);
  }
  return done();
}

std::wstring TextOf(HWND window) {
  std::vector<wchar_t> buffer(65536);
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                           SMTO_ABORTIFHUNG, 5000, &length)) {
    return {};
  }
  return std::wstring(buffer.data(), length);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256];
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

BOOL CALLBACK Collect(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

void Print(const char* what, const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? size : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  std::printf("%s%s\n", what, utf8.c_str());
}

// Reports every visible message box of another process and closes it (the
// engine shows its errors in one and waits in it); returns how many there were.
int CloseErrorBoxes() {
  std::vector<HWND> windows;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
  int boxes = 0;
  for (HWND window : windows) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() || !IsWindowVisible(window) ||
        ClassOf(window) != L"#32770") {
      continue;
    }
    ++boxes;
    Print("FAIL: error box: ", TextOf(window));
    std::vector<HWND> children;
    EnumChildWindows(window, Collect, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) Print("  ", TextOf(child));
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return boxes;
}

// WinHelpA waits while the engine handles the command, also while it shows an
// error box, so it is called on a thread of its own.
struct HelpCall {
  HWND owner;
  const char* path;
  UINT command;
};

DWORD WINAPI CallHelp(void* argument) {
  const auto* call = static_cast<HelpCall*>(argument);
  WinHelpA(call->owner, call->path, call->command, 0);
  return 0;
}

int Call(HWND owner, const char* path, UINT command, int& boxes) {
  HelpCall call{owner, path, command};
  HANDLE thread = CreateThread(nullptr, 0, CallHelp, &call, 0, nullptr);
  WaitFor([&] {
    boxes += CloseErrorBoxes();
    return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
  }, 90000);
  const bool returned = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
  CloseHandle(thread);
  return returned ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  int keepOpen = 0;
  if (argc > 2 && std::strcmp(argv[1], "--keep-open") == 0) {
    keepOpen = std::atoi(argv[2]);
    argc -= 2;
    argv += 2;
  }
  char path[MAX_PATH];
  if (argc > 1) {
    GetFullPathNameA(argv[1], MAX_PATH, path, nullptr);
  } else {
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::strcpy(std::strrchr(path, '\\') + 1, "Kavreno.hlp");
  }
  HWND owner = CreateWindowExW(0, L"STATIC", L"help check", WS_OVERLAPPED, 0, 0, 100, 100,
                               nullptr, nullptr, nullptr, nullptr);
  int failures = 0;
  if (Call(owner, path, HELP_CONTENTS, failures) != 0) {
    std::printf("FAIL: the help engine did not answer HELP_CONTENTS\n");
    return failures + 1;
  }

  // The engine's window, and the topic's text in its descendants.
  HWND help = nullptr;
  std::wstring shown;
  auto shows = [&](const std::vector<const wchar_t*>& texts) {
    return WaitFor([&] {
      failures += CloseErrorBoxes();
      help = FindWindowW(L"MS_WINHELP", nullptr);
      if (help == nullptr || !IsWindowVisible(help)) return false;
      std::vector<HWND> children;
      EnumChildWindows(help, Collect, reinterpret_cast<LPARAM>(&children));
      shown.clear();
      for (HWND child : children) shown += TextOf(child) + L"\n";
      for (const wchar_t* text : texts) {
        if (shown.find(text) == std::wstring::npos) return false;
      }
      return true;
    }, 30000);
  };
  const bool contents = shows(kContents);
  if (help == nullptr) {
    std::printf("FAIL: no help window (class MS_WINHELP) for %s\n", path);
    return failures + 1;
  }
  if (!contents) {
    Print("FAIL: the contents topic is not shown; the window shows: ", shown);
    ++failures;
  }
  const std::wstring caption = TextOf(help);
  Print("help window: ", caption);
  if (caption.find(kTitle) == std::wstring::npos) {
    std::printf("FAIL: the help window's caption lacks the help's title\n");
    ++failures;
  }
  failures += CloseErrorBoxes();
  if (keepOpen > 0) {
    RECT r{};
    GetWindowRect(help, &r);
    std::printf("place: %ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fflush(stdout);
    WaitFor([] { return false; }, keepOpen * 1000);
  }

  failures += Call(owner, path, HELP_QUIT, failures);
  if (!WaitFor([&] { return !IsWindow(help); }, 30000)) {
    std::printf("FAIL: HELP_QUIT left the help window open\n");
    ++failures;
  }
  DestroyWindow(owner);

  if (keepOpen == 0) {
    std::string command = std::string("winhlp32.exe -i drives \"") + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      std::printf("FAIL: cannot start %s\n", command.c_str());
      ++failures;
    } else {
      if (!shows(kDrives)) {
        Print("FAIL: the topic id \"drives\" does not open its topic; the window shows: ", shown);
        ++failures;
      }
      if (help != nullptr) PostMessageW(help, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
      }
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }
  std::printf("%s\n", failures == 0 ? "PASS" : "FAILED");
  return failures;
}
