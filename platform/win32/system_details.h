// Today's facts of a Windows system for the support report, from the
// registry's 64-bit view and the system itself, whatever the program's own
// bitness: what a 32-bit program is told (the Pentium, "10.0" or "6.2") is
// not what the machine is.
#pragma once

#include "platform/os.h"
#include "platform/win32/system_library.h"

namespace kv::win32 {

class SystemDetailsReader final : public ISystemDetails {
 public:
  explicit SystemDetailsReader(EntryPointResolver resolve = SystemEntryPoint)
      : resolve_(std::move(resolve)) {}
  // OS name: CurrentVersion's ProductName and DisplayVersion (ReleaseId on
  // older builds); build: RtlGetVersion's major.minor.build and UBR; the
  // first processor's ProcessorNameString; the machine's own architecture
  // (IsWow64Process2, else GetNativeSystemInfo); the BIOS key's
  // SystemManufacturer and SystemProductName.
  SystemDetails Details() const override;

 private:
  EntryPointResolver resolve_;
};

}  // namespace kv::win32
