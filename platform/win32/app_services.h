// The application services of Windows: the registry, the file test and
// program start (the help engine is in help_engine.h).
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "platform/blocking_queries.h"
#include "platform/ui.h"
#include "platform/win32/timed_call.h"

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

// Whether an ordinary file matches a path (UTF-8); throws kv::Error when the
// path cannot be examined. Safe to call on any thread.
using FileLister = std::function<bool(std::string_view path)>;

// The entries that match path (wildcards allowed), ordinary files only,
// listed by FindFirstFileW.
bool ListOrdinaryFiles(std::string_view path);

// The folder the registry names may be on a share whose server is gone, and
// listing it then hangs: the listing runs as a query of its own under the
// limit of the drive queries, keyed by its share or drive. A listing that
// does not answer in time fails with error 68 (device unavailable), and its
// share is not asked again.
class Files final : public IFiles {
 public:
  explicit Files(FileLister list = ListOrdinaryFiles,
                 std::chrono::milliseconds limit = kBlockingQueryLimit);
  bool FileExists(std::string_view path) const override;

 private:
  ThreadQueries queries_;
};

// What stalls together with a path: its share ("\\server\share") or its
// drive ("c:"), in lower case with backslashes; a path of another form
// stands for itself.
std::string StallKey(std::string_view path);

class Programs final : public IPrograms {
 public:
  // Starts exactly the file at path: it is the application name, never a
  // command line for the system to split at its spaces.
  uint32_t Shell(std::string_view path, int showMode) override;
};

}  // namespace kv::win32
