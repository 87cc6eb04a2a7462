// Driving the program's windows from another process: starting it, finding
// its windows, reading their controls and pressing keys. Menus belong to the
// process that made them, so the menu is reached through its access keys.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kv::e2e {

struct Child {
  HWND hwnd = nullptr;
  std::wstring className;
  std::wstring text;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect{};  // in the client coordinates of the top-level window
};

// A Windows path for a program path given on the command line: a Unix path
// ("/...") is reached through Wine's drive Z:.
std::wstring WindowsPath(const std::string& path);

// Starts the program without waiting; throws std::runtime_error on failure.
PROCESS_INFORMATION StartProgram(const std::wstring& path);

// Calls until ready answers true or the time is up; answers the last answer.
bool WaitFor(const std::function<bool()>& ready,
             std::chrono::milliseconds limit = std::chrono::seconds(30));

// A visible top-level window of the process with this caption; nullptr when
// there is none.
HWND FindTopWindow(DWORD processId, const std::wstring& caption);
// The visible top-level windows of the process.
std::vector<HWND> TopWindows(DWORD processId);

std::wstring ClassName(HWND window);
// The text of a window of another process (WM_GETTEXT).
std::wstring RemoteText(HWND window);
// Every child window with its class, text, styles and place.
std::vector<Child> Children(HWND topWindow);
RECT ClientRect(HWND window);

// Makes the window the foreground window, so that typed keys reach it.
bool BringToFront(HWND window);
// Types keys as the keyboard would: each entry is a virtual-key code, pressed
// and released; with alt, Alt is held around the whole sequence.
void TypeKeys(const std::vector<WORD>& keys, bool alt = false);

// UTF-8 to UTF-16, and text of the ANSI code page to UTF-16.
std::wstring FromUtf8(const std::string& text);
std::wstring FromAnsi(const std::string& text);

}  // namespace kv::e2e
