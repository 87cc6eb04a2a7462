// Driving the program's windows from another process: waiting for them and
// typing keys as the keyboard would. Menus belong to the process that made
// them, so the menu is reached through its access keys.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>

namespace kv::e2e {

inline constexpr wchar_t kMainCaption[] = L"Kavreno";
inline constexpr wchar_t kAboutCaption[] = L"Kavrenoのﾊﾞｰｼﾞｮﾝ情報";

// Asks ready until it answers true or the time (ms) is up; answers its last answer.
template <typename Ready>
bool WaitFor(Ready ready, DWORD limit = 30000) {
  for (const ULONGLONG end = GetTickCount64() + limit; !ready(); Sleep(50))
    if (GetTickCount64() >= end) return false;
  return true;
}

// The visible top-level window with this caption; nullptr when none shows in time.
inline HWND Await(const wchar_t* caption) {
  HWND found = nullptr;
  return WaitFor([&] { return (found = FindWindowW(nullptr, caption)) && IsWindowVisible(found); })
             ? found
             : nullptr;
}

// Presses a key, or releases it, and leaves the program time to take it.
inline void Key(WORD key, bool up = false) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = key;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
  Sleep(30);
}

// Brings the window to the front, so that typed keys reach it.
inline bool BringToFront(HWND window) {
  SetForegroundWindow(window);
  return WaitFor([&] { return GetForegroundWindow() == window; }, 5000);
}

// The process of a program, ended when the holder goes if it still runs.
using Process = std::unique_ptr<void, void (*)(HANDLE)>;

// Starts kavreno.exe from beside this program (or the one KV_KAVRENO names), with the arguments
// given (a command line after the program's name) in the folder given (empty: this program's own);
// the process is empty when it cannot be started.
inline Process StartKavreno(const std::wstring& arguments = L"", const std::wstring& folder = L"") {
  wchar_t path[MAX_PATH + 1] = {};
  std::wstring program;
  if (GetEnvironmentVariableW(L"KV_KAVRENO", path, MAX_PATH) > 0) {
    program = path;  // an installed copy
  } else {
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    program = std::wstring(path, wcsrchr(path, L'\\') + 1) + L"kavreno.exe";
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring commandLine = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  const auto end = [](HANDLE p) {
    if (p == nullptr) return;
    if (WaitForSingleObject(p, 0) == WAIT_TIMEOUT) TerminateProcess(p, 99);
    CloseHandle(p);
  };
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process))
    return Process(nullptr, end);
  CloseHandle(process.hThread);
  return Process(process.hProcess, end);
}

// True while the window's thread is in a menu: in the menu bar, or in one of
// its pop-up menus.
inline bool InMenu(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
         (info.flags & GUI_INMENUMODE) != 0;
}

// True while one of the window thread's pop-up menus shows.
inline bool PopupMenuShows(HWND window) {
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  for (HWND m = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); m != nullptr;
       m = FindWindowExW(nullptr, m, L"#32768", nullptr))
    if (IsWindowVisible(m) && GetWindowThreadProcessId(m, nullptr) == thread) return true;
  return false;
}

// Types Alt+F and, once the File menu shows, the access key of one of its
// items; false when the menu never opens. Under Wine the first Alt+F typed
// into a window that has just opened is now and then lost although the
// window is the foreground one; then the keys are typed again, as a user
// would, after Esc has left whatever menu state the lone keys made (Esc
// outside a menu would press the form's cancel button).
inline bool ChooseFileItem(HWND main, WORD key) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    BringToFront(main);
    for (const auto& [k, up] :
         {std::pair<WORD, bool>{VK_MENU, false}, {'F', false}, {'F', true}, {VK_MENU, true}})
      Key(k, up);
    if (WaitFor([&] { return PopupMenuShows(main); }, 3000)) {
      Key(key);
      Key(key, true);
      return true;
    }
    for (int i = 0; i < 3 && InMenu(main); ++i) {
      Key(VK_ESCAPE);
      Key(VK_ESCAPE, true);
      Sleep(200);
    }
  }
  return false;
}

// Opens the About dialog through the File menu (Alt+F, A); nullptr when it
// does not show.
inline HWND OpenAbout(HWND main) {
  if (!ChooseFileItem(main, 'A')) return nullptr;
  return Await(kAboutCaption);
}

}  // namespace kv::e2e
