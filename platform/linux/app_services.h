// The Linux application services: the registry as far as the program reads
// it, the file test and the start of a program.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/blocking_queries.h"
#include "platform/linux/tool_search.h"
#include "platform/ui.h"

namespace kv::linux_os {

// The key and value under HKEY_LOCAL_MACHINE that name the system-information tool.
inline constexpr std::string_view kMsInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr std::string_view kMsInfoValue = "PATH";

// The system-information tools looked for, in order of preference. Each is a
// desktop program that opens a window on the machine's hardware and system
// and needs no argument to do so:
// - hardinfo2, hardinfo: system profilers, the closest to the Windows tool;
// - kinfocenter: KDE's information centre;
// - cpu-x: processor, memory, board and system summary;
// - gnome-system-monitor, mate-system-monitor: the desktops' monitors, whose
//   windows show the system and its resources.
const std::vector<std::string>& DefaultSystemInfoTools();

// A read-only registry with the one value the program reads: "PATH" of the
// MSINFO key is REG_SZ, the path of the first tool found. Key and value names
// compare without regard to ASCII case; everything else is missing
// (kErrorFileNotFound). The search runs each time the key is opened.
class LinuxRegistry final : public IRegistry {
 public:
  // searchPath: the directories to search; nullopt reads $PATH at each open.
  // queries: where the directories are looked at (the program uses a
  // HelperProcessQueries); when empty, on the caller's thread.
  explicit LinuxRegistry(std::optional<std::string> searchPath = std::nullopt,
                         std::vector<std::string> tools = DefaultSystemInfoTools(),
                         std::shared_ptr<const IBlockingQueries> queries = nullptr);

  int32_t RegOpenKeyExA(int32_t root, std::string_view subKey, uint32_t options,
                        uint32_t samDesired, RegistryKey& key) override;
  int32_t RegQueryValueExA(RegistryKey key, std::string_view valueName, uint32_t& type,
                           std::span<uint8_t> data, uint32_t& size) override;
  int32_t RegCloseKey(RegistryKey key) override;

 private:
  std::optional<std::string> searchPath_;
  std::vector<std::string> tools_;
  std::shared_ptr<const IBlockingQueries> queries_;
  std::mutex mutex_;
  RegistryKey nextKey_ = 0x100;
  std::map<RegistryKey, std::string> open_;  // key -> the tool's path
};

class LinuxFiles final : public IFiles {
 public:
  // A regular file (symbolic links followed) whose name does not start with
  // a dot. Throws kv::Error when the path cannot be examined.
  bool FileExists(std::string_view path) const override;
};

class LinuxPrograms final : public IPrograms {
 public:
  // Starts exactly the file at path, with argv[0] = path and no arguments,
  // in a session of its own with standard input from /dev/null, and reaps it
  // when it ends so that no zombie stays. The show mode has no meaning here.
  // Throws kv::Error when the file is missing, not executable or not a program.
  uint32_t Shell(std::string_view path, int showMode) override;
};

}  // namespace kv::linux_os
