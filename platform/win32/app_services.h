// The application services of Windows: the registry, the file test and
// program start (the help engine is in help_engine.h).
#pragma once

#include "platform/ui.h"

namespace kv::win32 {

// The registry view of the program's own bitness (a 32-bit program reads the
// 32-bit view).
class Registry final : public IRegistry {
 public:
  int32_t RegOpenKeyExA(int32_t root, std::string_view subKey, uint32_t options,
                        uint32_t samDesired, RegistryKey& key) override;
  int32_t RegQueryValueExA(RegistryKey key, std::string_view valueName, uint32_t& type,
                           std::span<uint8_t> data, uint32_t& size) override;
  int32_t RegCloseKey(RegistryKey key) override;
};

class Files final : public IFiles {
 public:
  // The entries that match path (wildcards allowed), ordinary files only.
  bool FileExists(std::string_view path) const override;
};

class Programs final : public IPrograms {
 public:
  // Starts exactly the file at path: it is the application name, never a
  // command line for the system to split at its spaces.
  uint32_t Shell(std::string_view path, int showMode) override;
};

}  // namespace kv::win32
