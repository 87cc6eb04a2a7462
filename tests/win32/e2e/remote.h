// Driving the program's windows from another process: waiting for them and
// typing keys as the keyboard would. Menus belong to the process that made
// them, so the menu is reached through its access keys.
#pragma once

#include <windows.h>

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

// Opens the About dialog through the File menu (Alt+F, A); nullptr when it
// does not show.
inline HWND OpenAbout(HWND main) {
  if (!BringToFront(main)) return nullptr;
  for (const auto& [key, up] : {std::pair<WORD, bool>{VK_MENU, false},
                                {'F', false},
                                {'F', true},
                                {VK_MENU, true},
                                {'A', false},
                                {'A', true}})
    Key(key, up);
  return Await(kAboutCaption);
}

}  // namespace kv::e2e
