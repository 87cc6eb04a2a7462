#include "platform/win32/system_details.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/support_report.h"
#include "platform/win32/win32_text.h"

namespace kv::win32 {
namespace {

// A key of HKEY_LOCAL_MACHINE in the registry's 64-bit view (the 32-bit
// program's own view hides the 64-bit system's values); a system that does
// not know the view (before XP) opens it plainly.
class MachineKey {
 public:
  explicit MachineKey(const wchar_t* path) {
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | KEY_WOW64_64KEY, &key_) !=
        ERROR_SUCCESS) {
      key_ = nullptr;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key_) != ERROR_SUCCESS)
        key_ = nullptr;
    }
  }
  ~MachineKey() {
    if (key_) RegCloseKey(key_);
  }
  MachineKey(const MachineKey&) = delete;
  MachineKey& operator=(const MachineKey&) = delete;

  // A text value (UTF-8); empty when it is missing or not text.
  std::string Text(const wchar_t* name) const {
    if (!key_) return {};
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || bytes > 64 * 1024)
      return {};
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
      return {};
    const std::wstring text(data.data(), wcsnlen(data.data(), data.size()));
    return Narrow(text);
  }
  std::optional<uint32_t> Number(const wchar_t* name) const {
    if (!key_) return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
      return std::nullopt;
    return value;
  }

 private:
  HKEY key_ = nullptr;
};

struct Version {
  uint32_t major = 0, minor = 0, build = 0;
};

// The system's true version: RtlGetVersion answers it whatever the program's
// manifest says; GetVersionExW where ntdll lacks it.
Version TrueVersion(const EntryPointResolver& resolve) {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(resolve("ntdll", "RtlGetVersion"));
  bool known = rtlGetVersion && rtlGetVersion(&info) == 0;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!known) known = GetVersionExW(&info) != FALSE;
#pragma GCC diagnostic pop
  if (!known) return {};
  return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
}

std::string MachineText(USHORT machine) {
  switch (machine) {
    case 0x014c:  // IMAGE_FILE_MACHINE_I386
      return "x86";
    case 0x8664:  // IMAGE_FILE_MACHINE_AMD64
      return "x64";
    case 0xAA64:  // IMAGE_FILE_MACHINE_ARM64
      return "ARM64";
    case 0x01c4:  // IMAGE_FILE_MACHINE_ARMNT
      return "ARM";
    default:
      return {};
  }
}

std::string ProcessorArchitectureText(WORD architecture) {
  switch (architecture) {
    case 0:  // PROCESSOR_ARCHITECTURE_INTEL
      return "x86";
    case 9:  // PROCESSOR_ARCHITECTURE_AMD64
      return "x64";
    case 12:  // PROCESSOR_ARCHITECTURE_ARM64
      return "ARM64";
    case 5:  // PROCESSOR_ARCHITECTURE_ARM
      return "ARM";
    case 6:  // PROCESSOR_ARCHITECTURE_IA64
      return "IA64";
    default:
      return {};
  }
}

// The machine's own architecture: IsWow64Process2 tells it even to an x86
// program emulated on ARM64 (Windows 10 1709 and later); GetNativeSystemInfo
// tells it to a WOW64 program elsewhere (XP and later).
std::string NativeArchitecture(const EntryPointResolver& resolve) {
  using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  if (auto isWow64Process2 =
          reinterpret_cast<IsWow64Process2Fn>(resolve("kernel32", "IsWow64Process2"))) {
    USHORT process = 0, native = 0;
    if (isWow64Process2(GetCurrentProcess(), &process, &native)) {
      if (std::string text = MachineText(native); !text.empty()) return text;
    }
  }
  using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);
  SYSTEM_INFO info{};
  if (auto native =
          reinterpret_cast<GetNativeSystemInfoFn>(resolve("kernel32", "GetNativeSystemInfo")))
    native(&info);
  else
    GetSystemInfo(&info);
  return ProcessorArchitectureText(info.wProcessorArchitecture);
}

}  // namespace

SystemDetails SystemDetailsReader::Details() const {
  SystemDetails d;
  const Version version = TrueVersion(resolve_);
  const MachineKey current(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
  std::string display = current.Text(L"DisplayVersion");
  if (display.empty()) display = current.Text(L"ReleaseId");
  if (display.empty()) display = current.Text(L"CSDVersion");  // a service pack, before 10
  d.osName = WindowsOsName(current.Text(L"ProductName"), display, version.build);
  if (version.major != 0) {
    d.osBuild = std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                std::to_string(version.build);
    if (const auto revision = current.Number(L"UBR")) d.osBuild += "." + std::to_string(*revision);
  }

  const MachineKey processor(L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0");
  d.processorName = processor.Text(L"ProcessorNameString");
  // Names padded with blanks (older Intel processors) lose them.
  while (!d.processorName.empty() && d.processorName.front() == ' ') d.processorName.erase(0, 1);
  while (!d.processorName.empty() && d.processorName.back() == ' ') d.processorName.pop_back();

  d.architecture = NativeArchitecture(resolve_);

  const MachineKey bios(L"HARDWARE\\DESCRIPTION\\System\\BIOS");
  d.machine = MachineName(bios.Text(L"SystemManufacturer"), bios.Text(L"SystemProductName"));
  return d;
}

}  // namespace kv::win32
