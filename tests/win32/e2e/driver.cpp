// Steps of a scripted session with the running program, for the screenshot
// tool: each command waits for what it needs and writes the place of the
// window it is about ("left top width height", screen pixels) to a file.
//   kv_e2e_driver main FILE    waits for the main window
//   kv_e2e_driver about FILE   opens the About dialog through the menu
//   kv_e2e_driver close        closes the dialog (Esc) and the program
#include <windows.h>

#include <cstdio>
#include <string>

#include "remote.h"

namespace {

constexpr wchar_t kFormClass[] = L"KavrenoForm";

HWND Await(const wchar_t* caption) {
  HWND found = nullptr;
  kv::e2e::WaitFor([&] {
    found = FindWindowW(kFormClass, caption);
    return found != nullptr && IsWindowVisible(found);
  });
  return found;
}

bool WritePlace(HWND window, const char* file) {
  RECT r{};
  GetWindowRect(window, &r);
  FILE* out = std::fopen(file, "w");
  if (out == nullptr) return false;
  std::fprintf(out, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  const wchar_t* aboutCaption = L"Kavrenoのﾊﾞｰｼﾞｮﾝ情報";
  if (command == "main" && argc == 3) {
    HWND main = Await(L"Kavreno");
    if (main == nullptr) return 1;
    Sleep(500);  // the first paint
    return WritePlace(main, argv[2]) ? 0 : 1;
  }
  if (command == "about" && argc == 3) {
    HWND main = Await(L"Kavreno");
    if (main == nullptr || !kv::e2e::BringToFront(main)) return 1;
    kv::e2e::TypeKeys({'F'}, true);
    kv::e2e::TypeKeys({'A'});
    HWND about = Await(aboutCaption);
    if (about == nullptr) return 1;
    Sleep(500);
    return WritePlace(about, argv[2]) ? 0 : 1;
  }
  if (command == "close" && argc == 2) {
    if (HWND about = FindWindowW(kFormClass, aboutCaption)) {
      kv::e2e::BringToFront(about);
      kv::e2e::TypeKeys({VK_ESCAPE});
      kv::e2e::WaitFor([&] { return !IsWindow(about); });
    }
    HWND main = FindWindowW(kFormClass, L"Kavreno");
    if (main == nullptr) return 0;
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    return kv::e2e::WaitFor([&] { return !IsWindow(main); }) ? 0 : 1;
  }
  std::fprintf(stderr, "usage: kv_e2e_driver main FILE | about FILE | close\n");
  return 2;
}
