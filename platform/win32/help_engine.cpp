#include "platform/win32/help_engine.h"

#include <windows.h>
// after windows.h
#include <htmlhelp.h>

#include <type_traits>

#include "platform/win32/win32_text.h"

namespace kv::win32 {
namespace {

// HTML Help's commands (htmlhelp.h).
constexpr UINT kHhDisplayToc = 0x0001;
constexpr UINT kHhCloseAll = 0x0012;

using HtmlHelpWFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
static_assert(std::is_same_v<HtmlHelpWFunction, decltype(&::HtmlHelpW)>);  // bound by name

}  // namespace

std::string ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  path.erase(path.find_last_of(L'\\') + 1);
  return Narrow(path);
}

std::string HelpFilePath(std::string_view helpFile, const IAnsiCodePage& ansi) {
  const std::string name = ansi.FromAnsi(helpFile);
  if (name.find_first_of("\\/:") != std::string::npos) return name;
  return ProgramFolder() + name;
}

bool HelpEngine::UsesHtmlHelp() const {
  OsVersionInfo info;
  if (!version_.GetVersionExA(info)) return false;
  return info.majorVersion >= 6;
}

int32_t HelpEngine::WinHelpA(std::uintptr_t window, std::string_view helpFile, uint32_t command,
                             std::uintptr_t data) {
  const std::string path = HelpFilePath(helpFile, ansi_);
  if (!UsesHtmlHelp()) {
    return ::WinHelpA(reinterpret_cast<HWND>(window), ansi_.ToAnsi(path).c_str(), command,
                      static_cast<ULONG_PTR>(data));
  }
  const auto htmlHelp = reinterpret_cast<HtmlHelpWFunction>(resolve_("hhctrl.ocx", "HtmlHelpW"));
  if (htmlHelp == nullptr) return 0;
  switch (command) {
    case kHelpContents: {
      std::string chm = path;
      const std::size_t dot = chm.find_last_of('.');
      const std::size_t slash = chm.find_last_of('\\');
      if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) chm.erase(dot);
      chm += ".chm";
      return htmlHelp(reinterpret_cast<HWND>(window), Widen(chm).c_str(), kHhDisplayToc,
                      static_cast<DWORD_PTR>(data)) != nullptr;
    }
    case kHelpQuit:
      htmlHelp(nullptr, nullptr, kHhCloseAll, 0);
      return 1;
    default:
      return 0;
  }
}

}  // namespace kv::win32
