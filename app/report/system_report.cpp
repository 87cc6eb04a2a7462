#include "app/report/system_report.h"

#include "sysinfo/clsSystem.h"

namespace kv {

SystemReport CollectSystemReport(const OsServices& os) {
  const clsSystem provider(os);
  SystemReport r;
  provider.FreeMemory(r.memory.loadPercent, r.memory.totalKb, r.memory.freeKb);

  int32_t activeMask = 0;
  provider.SystemInfo(r.processors.type, r.processors.count, activeMask);
  // The mask's 32 bits, read as the bits they are.
  r.processors.activeMask = static_cast<uint32_t>(activeMask);
  r.processors.typeCode = os.processor.GetSystemInfo().processorType;

  provider.WinVer(r.os.major, r.os.minor, r.os.family);
  r.os.version = std::to_string(r.os.major) + "." + std::to_string(r.os.minor);
  OsVersionInfo version;
  if (os.version.GetVersionExA(version) != 0) r.os.platformId = version.platformId;

  r.userName = provider.UserName();
  r.directories.windows = provider.WinDir();
  r.directories.system = provider.SystemDir();
  r.directories.temporary = provider.TempDir();
  r.keyboard.type = provider.KeyboardType();
  r.keyboard.typeCode = os.keyboard.GetKeyboardType(0);
  r.keyboard.functionKeys = provider.FunctionKeys();
  r.computerName = provider.ComputerName();

  CollectDrives(os, r.drives);
  return r;
}

}  // namespace kv
