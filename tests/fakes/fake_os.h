// A scriptable operating system for tests: every answer of every OS service
// can be set, including failures and missing functions. Text answers are
// bytes of the ANSI code page the test chooses.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/os.h"

namespace kv::test {

// UTF-8 as the ANSI code page: conversion is the identity.
class Utf8CodePage : public IAnsiCodePage {
 public:
  std::string ToAnsi(std::string_view utf8) const override { return std::string(utf8); }
  std::string FromAnsi(std::string_view ansi) const override { return std::string(ansi); }
};

// Writes text and a NUL into buffer the way the "A" functions do; answers
// false (buffer untouched) when they do not fit.
inline bool WriteAnsi(std::span<char> buffer, const std::string& text) {
  if (text.size() + 1 > buffer.size()) return false;
  std::memcpy(buffer.data(), text.data(), text.size());
  buffer[text.size()] = '\0';
  return true;
}

struct FakeVolume {
  uint32_t driveType = kDriveFixed;
  // GetVolumeInformationA: nullopt fails.
  std::optional<std::string> label = std::string();
  std::string fileSystem = "NTFS";
  uint32_t serial = 0;
  // The label lookup throws when unreadable.
  bool readable = true;
  // GetDiskFreeSpaceExA outputs; nullopt: the call fails and leaves them.
  std::optional<uint64_t> totalBytes = 0;
  std::optional<uint64_t> freeBytes = 0;
  // GetDiskFreeSpaceA outputs.
  int32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  bool clusterQueryThrows = false;
};

class FakeOs : public IMemory,
               public IProcessor,
               public IKeyboard,
               public IDirectories,
               public INames,
               public IVersion,
               public IVolumes,
               public IDrives,
               public IDiskSpace {
 public:
  // ---- scripted answers
  MemoryStatus memory;
  kv::SystemInfo system;
  std::map<int32_t, int32_t> keyboard;  // typeFlag -> answer; missing: 0
  // Directory answers: the path (ANSI); nullopt fails. countOverride replaces
  // the count the fake would answer.
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
  // Roots in list order (ANSI) and their volumes.
  std::vector<std::pair<std::string, FakeVolume>> roots;
  bool hasDiskFreeSpaceEx = true;
  bool rootListFails = false;

  // ---- what was asked
  mutable std::vector<uint32_t> rootListBufferSizes;
  mutable std::vector<std::string> volumeQueries;  // roots as passed

  OsServices Services(const IAnsiCodePage& ansi) const {
    return {ansi, *this, *this, *this, *this, *this, *this, *this, *this, *this};
  }

  FakeVolume& AddRoot(const std::string& root, FakeVolume volume = {}) {
    roots.emplace_back(root, std::move(volume));
    return roots.back().second;
  }

  // ---- IMemory, IProcessor, IKeyboard
  MemoryStatus GlobalMemoryStatus() const override { return memory; }
  kv::SystemInfo GetSystemInfo() const override { return system; }
  int32_t GetKeyboardType(int32_t typeFlag) const override {
    const auto it = keyboard.find(typeFlag);
    return it == keyboard.end() ? 0 : it->second;
  }

  // ---- IDirectories
  uint32_t GetTempPathA(std::span<char> b) const override { return Answer(tempDir, b); }
  uint32_t GetSystemDirectoryA(std::span<char> b) const override { return Answer(systemDir, b); }
  uint32_t GetWindowsDirectoryA(std::span<char> b) const override { return Answer(windowsDir, b); }
  char Separator() const override { return separator; }

  // ---- INames
  int32_t GetComputerNameA(std::span<char> b, uint32_t& size) const override {
    return Name(computerName, b, size);
  }
  int32_t GetUserNameA(std::span<char> b, uint32_t& size) const override {
    return Name(userName, b, size);
  }

  // ---- IVersion
  int32_t GetVersionExA(OsVersionInfo& info) const override {
    if (!version) return 0;
    info = *version;
    return 1;
  }

  // ---- IVolumes
  std::string VolumeLabelLookup(std::string_view root) const override {
    const FakeVolume* v = Find(root);
    if (!v || !v->readable) throw Error(71, "ディスクが準備されていません。");
    return v->label.value_or("");
  }
  int32_t GetVolumeInformationA(std::string_view root, std::span<char> volumeName,
                                uint32_t& serial, uint32_t& maxComponentLength, uint32_t& flags,
                                std::span<char> fileSystemName) const override {
    volumeQueries.emplace_back(root);
    const FakeVolume* v = Find(root);
    if (!v || !v->label) return 0;
    if (!volumeName.empty()) WriteCut(volumeName, *v->label);
    if (!fileSystemName.empty()) WriteCut(fileSystemName, v->fileSystem);
    serial = v->serial;
    maxComponentLength = 255;
    flags = 0;
    return 1;
  }

  // ---- IDrives
  uint32_t GetLogicalDriveStringsA(std::span<char> buffer) const override {
    rootListBufferSizes.push_back(static_cast<uint32_t>(buffer.size()));
    if (rootListFails) return 0;
    std::string list;
    for (const auto& [root, volume] : roots) list += root + '\0';
    list += '\0';
    if (list.size() > buffer.size()) return static_cast<uint32_t>(list.size());
    std::copy(list.begin(), list.end(), buffer.begin());
    return static_cast<uint32_t>(list.size() - 1);
  }
  uint32_t GetDriveTypeA(std::string_view root) const override {
    const FakeVolume* v = Find(root);
    return v ? v->driveType : kDriveNoRootDir;
  }

  // ---- IDiskSpace
  int32_t GetDiskFreeSpaceExA(std::string_view root, uint64_t& available, uint64_t& total,
                              uint64_t& totalFree) const override {
    if (!hasDiskFreeSpaceEx) throw MissingEntryPointError("kernel32", "GetDiskFreeSpaceExA");
    const FakeVolume* v = Find(root);
    if (!v || !v->totalBytes || !v->freeBytes) return 0;
    total = *v->totalBytes;
    totalFree = *v->freeBytes;
    available = *v->freeBytes;
    return 1;
  }
  int32_t GetDiskFreeSpaceA(std::string_view root, int32_t& sectorsPerCluster,
                            int32_t& bytesPerSector, int32_t& freeClusters,
                            int32_t& totalClusters) const override {
    const FakeVolume* v = Find(root);
    if (!v) return 0;
    if (v->clusterQueryThrows) throw Error(51, "内部エラーです。");
    sectorsPerCluster = v->sectorsPerCluster;
    bytesPerSector = v->bytesPerSector;
    freeClusters = v->freeClusters;
    totalClusters = v->totalClusters;
    return 1;
  }

 private:
  static uint32_t Answer(const Directory& d, std::span<char> buffer) {
    if (d.countOverride) return *d.countOverride;
    if (!d.path) return 0;
    if (!WriteAnsi(buffer, *d.path)) return static_cast<uint32_t>(d.path->size() + 1);
    return static_cast<uint32_t>(d.path->size());
  }
  static int32_t Name(const std::optional<std::string>& name, std::span<char> buffer,
                      uint32_t& size) {
    if (!name) return 0;
    if (name->size() + 1 > size || !WriteAnsi(buffer, *name)) {
      size = static_cast<uint32_t>(name->size() + 1);
      return 0;
    }
    size = static_cast<uint32_t>(name->size());
    return 1;
  }
  static void WriteCut(std::span<char> buffer, const std::string& text) {
    const std::size_t n = std::min(text.size(), buffer.size() - 1);
    std::memcpy(buffer.data(), text.data(), n);
    buffer[n] = '\0';
  }
  const FakeVolume* Find(std::string_view root) const {
    for (const auto& [r, v] : roots)
      if (r == root) return &v;
    return nullptr;
  }
};

}  // namespace kv::test
