// The operating-system services of Windows: the system's own "A" functions,
// called with the caller's buffers.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/factory.h"
#include "platform/os.h"
#include "platform/win32/number_format.h"
#include "platform/win32/system_details.h"
#include "platform/win32/system_library.h"
#include "platform/win32/timed_call.h"
#include "platform/win32/win32_text.h"

namespace kv::win32 {

class Memory final : public IMemory {
 public:
  explicit Memory(EntryPointResolver resolve = SystemEntryPoint) : resolve_(std::move(resolve)) {}
  // The figures of GlobalMemoryStatusEx, so that memory above 4 GiB is
  // counted; the older call on a system without it.
  MemoryStatus GlobalMemoryStatus() const override;

 private:
  void* StatusEx() const;
  EntryPointResolver resolve_;
  mutable std::once_flag bound_;
  mutable void* statusEx_ = nullptr;
};

class Processor final : public IProcessor {
 public:
  SystemInfo GetSystemInfo() const override;
};

class Keyboard final : public IKeyboard {
 public:
  int32_t GetKeyboardType(int32_t typeFlag) const override;
};

class Directories final : public IDirectories {
 public:
  uint32_t GetTempPathA(std::span<char> buffer) const override;
  uint32_t GetSystemDirectoryA(std::span<char> buffer) const override;
  uint32_t GetWindowsDirectoryA(std::span<char> buffer) const override;
  char Separator() const override { return '\\'; }
};

class Names final : public INames {
 public:
  int32_t GetComputerNameA(std::span<char> buffer, uint32_t& size) const override;
  int32_t GetUserNameA(std::span<char> buffer, uint32_t& size) const override;
};

class Version final : public IVersion {
 public:
  int32_t GetVersionExA(OsVersionInfo& info) const override;
};

// Drives, volumes and disk space. The type, volume and space queries run through
// ThreadQueries: a batch of them (PrepareRoots announces the report's roots;
// StartRoots may start them earlier) waits at most one limit, counted from
// its start, and those that have not answered count as failed.
// GetDiskFreeSpaceExA is bound by name at its first call.
class FileSystems final : public IVolumes, public IDriveList, public IDiskSpace {
 public:
  explicit FileSystems(EntryPointResolver resolve = SystemEntryPoint,
                       std::chrono::milliseconds limit = kBlockingQueryLimit);

  std::string VolumeLabelLookup(std::string_view root) const override;
  int32_t GetVolumeInformationA(std::string_view root, std::span<char> volumeName, uint32_t& serial,
                                uint32_t& maxComponentLength, uint32_t& flags,
                                std::span<char> fileSystemName) const override;

  uint32_t GetLogicalDriveStringsA(std::span<char> buffer) const override;
  uint32_t GetDriveTypeA(std::string_view root) const override;
  void StartRoots(const std::vector<std::string>& roots) const override;
  void PrepareRoots(const std::vector<std::string>& roots) const override;

  int32_t GetDiskFreeSpaceExA(std::string_view root, uint64_t& freeBytesAvailableToCaller,
                              uint64_t& totalBytes, uint64_t& totalFreeBytes) const override;
  int32_t GetDiskFreeSpaceA(std::string_view root, int32_t& sectorsPerCluster,
                            int32_t& bytesPerSector, int32_t& numberOfFreeClusters,
                            int32_t& totalNumberOfClusters) const override;

 private:
  // GetDiskFreeSpaceExA, bound at its first use; shared with the query
  // threads, which may outlive this object.
  struct Binding {
    EntryPointResolver resolve;
    std::once_flag bound;
    void* freeSpaceEx = nullptr;
    void* FreeSpaceEx();
  };
  QueryAnswer Answer(char op, std::string_view root) const;
  std::vector<BlockingQuery> RootQueries(const std::vector<std::string>& roots) const;

  // The batch StartRoots began, until PrepareRoots collects it.
  struct Started {
    std::vector<std::string> roots;  // its queries: RootQueries(roots)
    ThreadQueries::Pending pending;
  };

  std::shared_ptr<Binding> binding_;
  ThreadQueries queries_;
  mutable std::mutex preparedMutex_;
  mutable std::map<std::string, QueryAnswer, std::less<>> prepared_;  // op + root -> answer
  mutable std::optional<Started> started_;
};

// All of them, for the composition root.
class OsServicesSet final : public OsPlatform {
 public:
  OsServicesSet() : numbers_(ansi_) {}
  OsServices Services() const override;

 private:
  CodePageText ansi_;
  Memory memory_;
  Processor processor_;
  Keyboard keyboard_;
  Directories directories_;
  Names names_;
  Version version_;
  FileSystems fileSystems_;
  NumberFormat numbers_;
  SystemDetailsReader details_;
};

}  // namespace kv::win32
