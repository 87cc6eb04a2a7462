// Drives, volumes and disk space of the Linux layer: the roots are mount
// points (see mounts.h); labels and serial numbers are those udev publishes
// (or libblkid reads where the device is readable); sizes come from statvfs.
#pragma once

#include <sys/statvfs.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ansi.h"
#include "platform/linux/mounts.h"
#include "platform/linux/time_limit.h"
#include "platform/os.h"

namespace kv::linux_os {

// The one call that touches a mounted file system and may block (statvfs on
// a hard NFS mount whose server is gone). It must be safe to call from any
// thread and to outlive the object it was given to.
using StatVfsCall = std::function<int(const std::string& path, struct statvfs& out)>;
StatVfsCall SystemStatVfs();

// How long a volume or space query may take before it counts as failed.
inline constexpr std::chrono::milliseconds kVolumeQueryLimit{2000};

struct FileSystemConfig {
  std::string mountInfo = "/proc/self/mountinfo";
  std::string sysfs = "/sys";  // /sys/dev/block/MAJ:MIN
  std::string dev = "/dev";    // device nodes and udev's /dev/disk/by-label, by-uuid
  StatVfsCall statVfs = SystemStatVfs();
};

// The 32-bit volume serial number of a file-system UUID as udev or blkid
// writes it: FAT "1A2B-3C4D" gives 0x1A2B3C4D; NTFS (16 hex digits) its low
// 32 bits, the last 8 digits; any other its first 8 hex digits. 0 when it
// has no hex digits.
uint32_t SerialFromUuid(std::string_view uuid);

// A name in /dev/disk/by-label with udev's \xNN escapes undone.
std::string DecodeUdevName(std::string_view name);

// A block device as sysfs describes it.
struct BlockDevice {
  std::string name;      // kernel name: "sda1", "sr0", "dm-0", "zram0"
  std::string node;      // its device node under the dev directory
  bool removable = false;  // the whole disk's removable flag
};
std::optional<BlockDevice> FindBlockDevice(const std::string& sysfs, const std::string& dev,
                                           dev_t device);

// GetDriveTypeA of a mount: kDriveRemote for network file systems,
// kDriveRamDisk for tmpfs, ramfs and zram, kDriveCdRom for iso9660, udf and
// optical drives, kDriveRemovable for removable disks, kDriveFixed for other
// local storage, kDriveUnknown for anything else.
uint32_t DriveTypeOf(const MountEntry& mount, const std::string& sysfs, const std::string& dev);

class LinuxFileSystems final : public IDrives, public IVolumes, public IDiskSpace {
 public:
  // ansi converts labels (UTF-8 as udev and blkid publish them) to the code
  // page; it must outlive this object. Mount points and file-system names
  // are bytes already and pass unchanged.
  explicit LinuxFileSystems(const IAnsiCodePage& ansi, FileSystemConfig config = {});

  uint32_t GetLogicalDriveStringsA(std::span<char> buffer) const override;
  uint32_t GetDriveTypeA(std::string_view root) const override;

  std::string VolumeLabelLookup(std::string_view root) const override;
  int32_t GetVolumeInformationA(std::string_view root, std::span<char> volumeName,
                                uint32_t& serial, uint32_t& maxComponentLength, uint32_t& flags,
                                std::span<char> fileSystemName) const override;

  int32_t GetDiskFreeSpaceExA(std::string_view root, uint64_t& freeBytesAvailableToCaller,
                              uint64_t& totalBytes, uint64_t& totalFreeBytes) const override;
  int32_t GetDiskFreeSpaceA(std::string_view root, int32_t& sectorsPerCluster,
                            int32_t& bytesPerSector, int32_t& numberOfFreeClusters,
                            int32_t& totalNumberOfClusters) const override;

  // Mount points whose abandoned query has not returned yet.
  std::size_t StalledQueries() const { return limit_.StalledCount(); }

 private:
  struct VolumeFacts;
  std::optional<MountEntry> Mount(std::string_view root) const;
  std::optional<VolumeFacts> QueryVolume(const MountEntry& mount, bool wantNames) const;

  const IAnsiCodePage& ansi_;
  FileSystemConfig config_;
  std::shared_ptr<MountTable> table_;
  TimeLimit limit_{kVolumeQueryLimit};
};

}  // namespace kv::linux_os
