#include "platform/win32/system_library.h"

#include <windows.h>

#include "platform/win32/win32_text.h"

namespace kv::win32 {
namespace {

// The system directory, with a trailing backslash.
std::wstring SystemDirectory() {
  std::wstring dir(MAX_PATH, L'\0');
  for (;;) {
    const UINT n = GetSystemDirectoryW(dir.data(), static_cast<UINT>(dir.size()));
    if (n == 0) return {};
    if (n < dir.size()) {
      dir.resize(n);
      break;
    }
    dir.resize(n);
  }
  if (dir.back() != L'\\') dir += L'\\';
  return dir;
}

HMODULE LoadFromSystemDirectory(const std::wstring& name) {
  // Always by the full path in the system directory, so that a library of the
  // same name loaded from elsewhere is never taken instead. Systems that know
  // the search flags (Windows 8, and 7 with its update) also resolve the
  // library's own dependencies from the system directory only.
  const std::wstring dir = SystemDirectory();
  if (dir.empty()) return nullptr;
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  const DWORD flags = kernel32 && GetProcAddress(kernel32, "SetDefaultDllDirectories")
                          ? LOAD_LIBRARY_SEARCH_SYSTEM32
                          : LOAD_WITH_ALTERED_SEARCH_PATH;
  return LoadLibraryExW((dir + name).c_str(), nullptr, flags);
}

}  // namespace

void* SystemEntryPoint(const std::string& library, const char* function) {
  std::wstring name = Widen(library);
  if (name.find(L'.') == std::wstring::npos) name += L".dll";
  const HMODULE module = LoadFromSystemDirectory(name);
  if (!module) return nullptr;
  // The library stays loaded for the life of the process: the bound
  // function may be called at any time.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
  return reinterpret_cast<void*>(GetProcAddress(module, function));
#pragma GCC diagnostic pop
}

}  // namespace kv::win32
