// Steps of a scripted session with the running program, for the screenshot
// tool: each command waits for what it needs and writes the place of the
// window it is about ("left top width height", screen pixels) to a file.
//   kv_e2e_driver main FILE    waits for the main window
//   kv_e2e_driver about FILE   opens the About dialog through the menu
//   kv_e2e_driver help FILE    opens the help through the menu and waits for
//                              the help engine's window (HTML Help or WinHelp)
//   kv_e2e_driver close        closes the dialog and the program
#include <cstdio>
#include <string>

#include "remote.h"

static int WritePlace(HWND window, const char* file) {
  if (window == nullptr) return 1;
  Sleep(500);  // the first paint
  RECT r{};
  GetWindowRect(window, &r);
  FILE* out = std::fopen(file, "w");
  if (out == nullptr) return 1;
  std::fprintf(out, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return std::fclose(out) == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  using namespace kv::e2e;
  const std::string command = argc > 1 ? argv[1] : "";
  if ((command == "main" || command == "about") && argc == 3) {
    HWND window = Await(kMainCaption);
    if (window != nullptr && command == "about") window = OpenAbout(window);
    return WritePlace(window, argv[2]);
  }
  if (command == "help" && argc == 3) {
    const HWND main = Await(kMainCaption);
    if (main == nullptr || !ChooseFileItem(main, 'H')) return 1;
    HWND help = nullptr;
    WaitFor([&] {
      for (const wchar_t* engine : {L"HH Parent", L"MS_WINHELP"}) {
        const HWND window = FindWindowW(engine, nullptr);
        if (window != nullptr && IsWindowVisible(window)) help = window;
      }
      return help != nullptr;
    });
    if (help != nullptr) Sleep(1500);  // the engine fills its window after it shows
    return WritePlace(help, argv[2]);
  }
  if (command == "close" && argc == 2) {
    // The dialog, when it is open, then the program: each through its close box.
    for (const wchar_t* caption : {kAboutCaption, kMainCaption}) {
      const HWND window = FindWindowW(nullptr, caption);
      if (window != nullptr) PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      if (!WaitFor([&] { return !IsWindow(window); })) return 1;
    }
    return 0;
  }
  std::fprintf(stderr, "usage: kv_e2e_driver main FILE | about FILE | help FILE | close\n");
  return 2;
}
