#include "remote.h"

#include <stdexcept>
#include <thread>

namespace kv::e2e {

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::wstring FromAnsi(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::wstring WindowsPath(const std::string& path) {
  std::wstring out = FromUtf8(path);
  if (!out.empty() && out.front() == L'/') out = L"Z:" + out;
  for (auto& ch : out)
    if (ch == L'/') ch = L'\\';
  return out;
}

PROCESS_INFORMATION StartProgram(const std::wstring& path) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring commandLine = L"\"" + path + L"\"";
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    throw std::runtime_error("CreateProcessW failed: " + std::to_string(GetLastError()));
  }
  return process;
}

bool WaitFor(const std::function<bool()>& ready, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (ready()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

namespace {

struct Search {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTop(HWND window, LPARAM param) {
  auto& search = *reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search.processId && IsWindowVisible(window)) search.found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopWindows(DWORD processId) {
  Search search{processId, {}};
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindTopWindow(DWORD processId, const std::wstring& caption) {
  for (HWND window : TopWindows(processId))
    if (RemoteText(window) == caption) return window;
  return nullptr;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring RemoteText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
    return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  text.resize(static_cast<size_t>(copied));
  return text;
}

RECT ClientRect(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return r;
}

std::vector<Child> Children(HWND topWindow) {
  std::vector<HWND> windows;
  EnumChildWindows(topWindow, CollectChild, reinterpret_cast<LPARAM>(&windows));
  std::vector<Child> children;
  for (HWND window : windows) {
    Child c;
    c.hwnd = window;
    c.className = ClassName(window);
    c.text = RemoteText(window);
    c.style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    c.exStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
    GetWindowRect(window, &c.rect);
    MapWindowPoints(nullptr, topWindow, reinterpret_cast<POINT*>(&c.rect), 2);
    children.push_back(c);
  }
  return children;
}

bool BringToFront(HWND window) {
  SetForegroundWindow(window);
  return WaitFor([&] { return GetForegroundWindow() == window; }, std::chrono::seconds(5));
}

void TypeKeys(const std::vector<WORD>& keys, bool alt) {
  std::vector<INPUT> inputs;
  auto key = [&](WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(in);
  };
  if (alt) key(VK_MENU, false);
  for (WORD vk : keys) {
    key(vk, false);
    key(vk, true);
  }
  if (alt) key(VK_MENU, true);
  // One key at a time, so that each is taken before the next arrives.
  for (auto& in : inputs) {
    SendInput(1, &in, sizeof in);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
}

}  // namespace kv::e2e
