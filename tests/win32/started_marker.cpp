// Proves that it was started, and how: writes "<its own path>.started" with
// its command line and the show mode it was given (UTF-8, one per line).
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

int main() {
  wchar_t self[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  STARTUPINFOW startup{};
  GetStartupInfoW(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
  const std::wstring report = GetCommandLineW() + (L"\n" + std::to_wstring(show) + L"\n");
  std::string utf8(4 * report.size(), '\0');
  utf8.resize(WideCharToMultiByte(CP_UTF8, 0, report.data(), static_cast<int>(report.size()),
                                  utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr));
  std::ofstream(std::filesystem::path(self) += L".started", std::ios::binary) << utf8;
  return 0;
}
