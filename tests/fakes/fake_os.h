// A scriptable operating system for tests: every answer of every OS service
// can be set, including failures and missing functions. Text answers are
// bytes of the ANSI code page the test chooses.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "platform/ansi_buffer.h"
#include "platform/errors.h"
#include "platform/os.h"

namespace kv::test {

// UTF-8 as the ANSI code page: conversion is the identity.
struct Utf8CodePage : IAnsiCodePage {
  std::string ToAnsi(std::string_view utf8) const override { return std::string(utf8); }
  std::string FromAnsi(std::string_view ansi) const override { return std::string(ansi); }
};

struct FakeVolume {
  uint32_t driveType = kDriveFixed;
  // GetVolumeInformationA: nullopt fails.
  std::optional<std::string> label = std::string();
  std::string fileSystem = "NTFS";
  uint32_t serial = 0;
  // GetDiskFreeSpaceExA outputs; nullopt: the call fails and leaves them.
  std::optional<uint64_t> totalBytes = 0;
  std::optional<uint64_t> freeBytes = 0;
  // GetDiskFreeSpaceA outputs, or its error when clusterQueryThrows.
  int32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  bool clusterQueryThrows = false;
};

// A PC that answers like a Windows 2000 machine until a test scripts it otherwise.
struct FakeOs : IMemory,
                IProcessor,
                IKeyboard,
                IDirectories,
                INames,
                IVersion,
                IVolumes,
                IDriveList,
                IDiskSpace,
                INumberFormat,
                ISystemDetails {
  // ---- scripted answers
  MemoryStatus memory{37, 268435456, 134217728};
  kv::SystemInfo system{3, 2, 586};
  std::map<int32_t, int32_t> keyboard{{0, 7}, {2, 12}};  // typeFlag -> answer; missing: 0
  // Directory answers: the path (ANSI); nullopt fails. countOverride replaces
  // the count the fake would answer, leaving the buffer untouched.
  struct Directory {
    std::optional<std::string> path;
    std::optional<uint32_t> countOverride;
  };
  Directory tempDir{std::string("C:\\TEMP\\")};
  Directory systemDir{std::string("C:\\WINDOWS\\SYSTEM")};
  Directory windowsDir{std::string("C:\\WINDOWS")};
  char separator = '\\';
  std::optional<std::string> computerName = std::string("PC01");
  std::optional<std::string> userName = std::string("user");
  std::optional<OsVersionInfo> version = OsVersionInfo{5, 0, 2195, kPlatformWin32Nt, {}};
  SystemDetails details{"Windows 11 Pro 24H2", "10.0.26100.2605", "Intel(R) Core(TM) i5-8250U",
                        "x64", "LENOVO 20L7002AJP"};
  mutable int detailReads = 0;
  // Roots in list order (ANSI) and their volumes.
  std::vector<std::pair<std::string, FakeVolume>> roots;
  bool hasDiskFreeSpaceEx = true;
  NumberSeparators separators;  // the user's locale: "," and "." until scripted

  // ---- what was asked (unless recordQueries is off, as for the benchmarks)
  bool recordQueries = true;
  mutable std::vector<uint32_t> rootListBufferSizes;
  mutable std::vector<std::string> volumeQueries;               // roots as passed
  mutable std::vector<std::vector<std::string>> preparedRoots;  // each PrepareRoots call
  mutable std::vector<std::vector<std::string>> startedRoots;   // each StartRoots call
  mutable int memoryReads = 0;
  mutable std::vector<int> memoryReadsWhenStarted;
  bool rootListOverflows = false;  // the root list raises error 6
  mutable std::size_t volumeQueriesWhenPrepared = 0;

  OsServices Services(const IAnsiCodePage& ansi) const {
    return {ansi, *this, *this, *this, *this, *this, *this, *this, *this, *this, *this, *this};
  }
  FakeVolume& AddRoot(const std::string& root, FakeVolume volume = {}) {
    rootIndex_.emplace(root, roots.size());  // a root listed twice answers as the first
    return roots.emplace_back(root, std::move(volume)).second;
  }

  MemoryStatus GlobalMemoryStatus() const override {
    ++memoryReads;
    return memory;
  }
  kv::SystemInfo GetSystemInfo() const override { return system; }
  int32_t GetKeyboardType(int32_t typeFlag) const override {
    return keyboard.contains(typeFlag) ? keyboard.at(typeFlag) : 0;
  }

  uint32_t GetTempPathA(std::span<char> b) const override { return Answer(tempDir, b); }
  uint32_t GetSystemDirectoryA(std::span<char> b) const override { return Answer(systemDir, b); }
  uint32_t GetWindowsDirectoryA(std::span<char> b) const override { return Answer(windowsDir, b); }
  char Separator() const override { return separator; }

  int32_t GetComputerNameA(std::span<char> b, uint32_t& size) const override {
    return computerName ? ansi_buffer::WriteName(*computerName, b, size) : 0;
  }
  int32_t GetUserNameA(std::span<char> b, uint32_t& size) const override {
    return userName ? ansi_buffer::WriteName(*userName, b, size) : 0;
  }

  int32_t GetVersionExA(OsVersionInfo& info) const override {
    if (version) info = *version;
    return version.has_value();
  }

  std::string VolumeLabelLookup(std::string_view root) const override {
    const FakeVolume* v = Find(root);
    if (!v) throw DeviceUnavailableError();
    return v->label.value_or("");
  }
  int32_t GetVolumeInformationA(std::string_view root, std::span<char> volumeName, uint32_t& serial,
                                uint32_t&, uint32_t&,
                                std::span<char> fileSystemName) const override {
    if (recordQueries) volumeQueries.emplace_back(root);
    const FakeVolume* v = Find(root);
    if (!v || !v->label) return 0;
    ansi_buffer::WriteCut(*v->label, volumeName);
    ansi_buffer::WriteCut(v->fileSystem, fileSystemName);
    serial = v->serial;
    return 1;
  }

  uint32_t GetLogicalDriveStringsA(std::span<char> buffer) const override {
    if (rootListOverflows) throw OverflowError();
    if (recordQueries) rootListBufferSizes.push_back(static_cast<uint32_t>(buffer.size()));
    std::string list;
    for (const auto& [root, volume] : roots) list += root + '\0';
    return ansi_buffer::WriteText(list, buffer);
  }
  uint32_t GetDriveTypeA(std::string_view root) const override {
    return Find(root) ? Find(root)->driveType : kDriveNoRootDir;
  }
  void StartRoots(const std::vector<std::string>& roots) const override {
    startedRoots.push_back(roots);
    memoryReadsWhenStarted.push_back(memoryReads);
  }
  void PrepareRoots(const std::vector<std::string>& roots) const override {
    preparedRoots.push_back(roots);
    volumeQueriesWhenPrepared = volumeQueries.size();
  }

  NumberSeparators Separators() const override { return separators; }
  SystemDetails Details() const override {
    ++detailReads;
    return details;
  }

  int32_t GetDiskFreeSpaceExA(std::string_view root, uint64_t& available, uint64_t& total,
                              uint64_t& totalFree) const override {
    if (!hasDiskFreeSpaceEx) throw MissingEntryPointError("kernel32", "GetDiskFreeSpaceExA");
    const FakeVolume* v = Find(root);
    if (!v || !v->totalBytes || !v->freeBytes) return 0;
    total = *v->totalBytes;
    totalFree = *v->freeBytes;
    available = *v->freeBytes / 2;  // a user's quota, which the program does not use
    return 1;
  }
  int32_t GetDiskFreeSpaceA(std::string_view root, int32_t& sectorsPerCluster,
                            int32_t& bytesPerSector, int32_t& freeClusters,
                            int32_t& totalClusters) const override {
    const FakeVolume* v = Find(root);
    if (!v) return 0;
    if (v->clusterQueryThrows) throw DeviceUnavailableError();
    std::tie(sectorsPerCluster, bytesPerSector, freeClusters, totalClusters) =
        std::tie(v->sectorsPerCluster, v->bytesPerSector, v->freeClusters, v->totalClusters);
    return 1;
  }

 private:
  static uint32_t Answer(const Directory& d, std::span<char> buffer) {
    if (d.countOverride) return *d.countOverride;
    return d.path ? ansi_buffer::WriteText(*d.path, buffer) : 0;
  }
  const FakeVolume* Find(std::string_view root) const {
    const auto it = rootIndex_.find(std::string(root));
    return it == rootIndex_.end() ? nullptr : &roots[it->second].second;
  }

  std::unordered_map<std::string, std::size_t> rootIndex_;  // root -> position in roots
};

// A PC with UTF-8 as its code page, and its services as the code under test receives them.
struct FakePc {
  Utf8CodePage ansi;
  FakeOs os;
  OsServices services = os.Services(ansi);
};

}  // namespace kv::test
