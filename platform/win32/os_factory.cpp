// The operating system's platform on Windows.
#include <windows.h>

#include "platform/factory.h"
#include "platform/win32/os_services.h"

namespace kv {

std::unique_ptr<OsPlatform> CreateOsPlatform() {
  // A drive without a medium or an unreadable file answers the query with a
  // failure instead of a box that asks the user to insert a disk.
  const UINT flags = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
  SetErrorMode(SetErrorMode(flags) | flags);
  // Libraries loaded by name are not looked for in the current folder.
  SetDllDirectoryW(L"");
  return std::make_unique<win32::OsServicesSet>();
}

bool HasDisplay() { return true; }

// Windows queries run on threads that are abandoned: no helper process.
void RunPlatformHelperIfAsked(int, char**) {}

}  // namespace kv
