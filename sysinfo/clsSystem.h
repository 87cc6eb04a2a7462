// The system information provider: each public method puts one question to
// the operating system and hands back plain values. It holds no state of its
// own beyond the services it asks; every call reads the platform afresh.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os.h"

namespace kv {

class clsSystem {
 public:
  explicit clsSystem(const OsServices& os) : os_(os) {}

  // Memory load in percent, total and free physical memory in KB (rounded
  // half to even; clamped to the largest 32-bit signed value).
  void FreeMemory(uint8_t& btePercentUsed, int32_t& lngTotalRam, int32_t& lngFreeRam) const;
  // Number of function keys; 0 when the system cannot tell.
  uint8_t FunctionKeys() const;
  // Keyboard type text; empty for an unknown type.
  std::string KeyboardType() const;
  // strProcessor is written only for a processor type it recognises.
  void SystemInfo(std::string& strProcessor, int32_t& lngNumOfProcessors,
                  int32_t& lngActiveProcessor) const;
  // Directories end with the platform's separator; empty on failure.
  std::string TempDir() const;
  std::string SystemDir() const;
  // Names; empty on failure, also when a name needs more than 49 bytes.
  std::string ComputerName() const;
  std::string UserName() const;
  // "XXXX-XXXX" in upper-case hexadecimal; "0000-0000" on failure.
  std::string SerialNumber(std::string strRoot) const;
  // The label, "NoName" for a volume without one, empty for an unreadable root.
  std::string VolumeLabel(std::string strRoot) const;
  std::string WinDir() const;
  // strPlatform is written only for a platform it recognises, or emptied when
  // the query fails.
  void WinVer(int16_t& intMajor, int16_t& intMinor, std::string& strPlatform) const;

 private:
  enum class Directory { Temp, System, Windows };
  std::string DirectoryQuery(Directory which) const;
  template <typename Query>
  std::string NameQuery(Query query) const;

  const OsServices& os_;
};

}  // namespace kv
