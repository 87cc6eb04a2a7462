// A scripted operating system for the benchmarks: any number of roots, each
// answered in constant time, so that what is measured is the code under test.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/os.h"

namespace kv::bench {

class IdentityCodePage final : public IAnsiCodePage {
 public:
  std::string ToAnsi(std::string_view utf8) const override { return std::string(utf8); }
  std::string FromAnsi(std::string_view ansi) const override { return std::string(ansi); }
};

class ScriptedOs final : public IMemory,
                         public IProcessor,
                         public IKeyboard,
                         public IDirectories,
                         public INames,
                         public IVersion,
                         public IVolumes,
                         public IDrives,
                         public IDiskSpace,
                         public INumberFormat {
 public:
  // roots mount points /mnt/vol00000 ... with sizes that cover every size text.
  explicit ScriptedOs(std::size_t roots) {
    for (std::size_t i = 0; i < roots; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/mnt/vol%05zu", i);
      index_.emplace(name, volumes_.size());
      Volume v;
      v.label = i % 3 == 0 ? "" : "DATA" + std::to_string(i);
      v.total = (uint64_t{1} << (10 + i % 30)) + i;
      v.free = v.total / 3;
      v.type = static_cast<uint32_t>(2 + i % 5);
      volumes_.push_back(std::move(v));
      list_ += name;
      list_ += '\0';
    }
    list_ += '\0';
  }

  OsServices Services() const {
    return {ansi_, *this, *this, *this, *this, *this, *this, *this, *this, *this, *this};
  }

  NumberSeparators Separators() const override { return {}; }
  MemoryStatus GlobalMemoryStatus() const override { return {42, 8ull << 30, 3ull << 30}; }
  SystemInfo GetSystemInfo() const override { return {3, 2, 586}; }
  int32_t GetKeyboardType(int32_t flag) const override { return flag == 0 ? 7 : 12; }
  uint32_t GetTempPathA(std::span<char> b) const override { return Copy("/tmp/", b); }
  uint32_t GetSystemDirectoryA(std::span<char> b) const override { return Copy("/usr/lib", b); }
  uint32_t GetWindowsDirectoryA(std::span<char> b) const override { return Copy("/", b); }
  char Separator() const override { return '/'; }
  int32_t GetComputerNameA(std::span<char> b, uint32_t& size) const override {
    size = Copy("bench", b);
    return 1;
  }
  int32_t GetUserNameA(std::span<char> b, uint32_t& size) const override {
    size = Copy("user", b);
    return 1;
  }
  int32_t GetVersionExA(OsVersionInfo& info) const override {
    info = {6, 1, 0, kPlatformLinux, {}};
    return 1;
  }

  std::string VolumeLabelLookup(std::string_view root) const override { return Find(root)->label; }
  int32_t GetVolumeInformationA(std::string_view root, std::span<char> volumeName, uint32_t& serial,
                                uint32_t& maxComponentLength, uint32_t& flags,
                                std::span<char> fileSystemName) const override {
    const Volume* v = Find(root);
    if (!v) return 0;
    Copy(v->label, volumeName);
    Copy("ext4", fileSystemName);
    serial = 0x1A2B3C4D;
    maxComponentLength = 255;
    flags = 3;
    return 1;
  }
  uint32_t GetLogicalDriveStringsA(std::span<char> buffer) const override {
    if (list_.size() > buffer.size()) return static_cast<uint32_t>(list_.size());
    std::memcpy(buffer.data(), list_.data(), list_.size());
    return static_cast<uint32_t>(list_.size() - 1);
  }
  uint32_t GetDriveTypeA(std::string_view root) const override {
    const Volume* v = Find(root);
    return v ? v->type : kDriveNoRootDir;
  }
  int32_t GetDiskFreeSpaceExA(std::string_view root, uint64_t& available, uint64_t& total,
                              uint64_t& totalFree) const override {
    const Volume* v = Find(root);
    if (!v) return 0;
    available = totalFree = v->free;
    total = v->total;
    return 1;
  }
  int32_t GetDiskFreeSpaceA(std::string_view, int32_t&, int32_t&, int32_t&,
                            int32_t&) const override {
    return 0;
  }

 private:
  struct Volume {
    std::string label;
    uint64_t total = 0, free = 0;
    uint32_t type = kDriveFixed;
  };
  static uint32_t Copy(std::string_view text, std::span<char> buffer) {
    if (buffer.empty()) return 0;
    if (text.size() + 1 > buffer.size()) return static_cast<uint32_t>(text.size() + 1);
    std::memcpy(buffer.data(), text.data(), text.size());
    buffer[text.size()] = '\0';
    return static_cast<uint32_t>(text.size());
  }
  const Volume* Find(std::string_view root) const {
    const auto it = index_.find(std::string(root));
    return it == index_.end() ? nullptr : &volumes_[it->second];
  }

  IdentityCodePage ansi_;
  std::vector<Volume> volumes_;
  std::unordered_map<std::string, std::size_t> index_;
  std::string list_;
};

}  // namespace kv::bench
