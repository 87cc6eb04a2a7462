// Drives, volumes and disk space of the Linux layer: the roots are mount
// points (see mounts.h); labels and serial numbers are those udev publishes
// (or libblkid reads where the device is readable); sizes come from statvfs.
#pragma once

#include <sys/statvfs.h>
#include <sys/types.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ansi.h"
#include "platform/blocking_queries.h"
#include "platform/linux/mounts.h"
#include "platform/os.h"

namespace kv::linux_os {

// statvfs, the call that asks a mounted file system for its figures.
using StatVfsCall = std::function<int(const std::string& path, struct statvfs& out)>;
StatVfsCall SystemStatVfs();

// The answerer of the queries that may block on a file system: a volume's
// figures and names ('V'), the device node a mount's source names ('D'), the
// executable files of a directory ('T'). Runs in the helper process.
QueryAnswer AnswerFileSystemQuery(std::string_view request, const StatVfsCall& statVfs);

// The 'T' query: which of tools (plain names) are executable regular files
// in dir; its answer holds '1' or '0' per tool, in order.
std::string ToolsQuery(std::string_view dir, const std::vector<std::string>& tools);

struct FileSystemConfig {
  std::string mountInfo = "/proc/self/mountinfo";
  std::string sysfs = "/sys";  // /sys/dev/block/MAJ:MIN
  std::string dev = "/dev";    // device nodes and udev's /dev/disk/by-label, by-uuid
  StatVfsCall statVfs = SystemStatVfs();
  // Where the queries that touch a mounted file system run (the program uses
  // a HelperProcessQueries); when empty, on the caller's thread with statVfs
  // and no limit, for made-up file systems.
  std::shared_ptr<const IBlockingQueries> queries;
  // mount(8)'s options outside the kernel, x-gvfs-hide among them (none when empty).
  std::string utab = "/run/mount/utab";
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
  std::string name;        // kernel name: "sda1", "sr0", "dm-0", "zram0"
  std::string node;        // its device node under the dev directory
  bool removable = false;  // the whole disk's removable flag
};
std::optional<BlockDevice> FindBlockDevice(const std::string& sysfs, const std::string& dev,
                                           dev_t device);

// True when the drive type of a mount needs the device its source names
// (file systems that report an anonymous device, such as btrfs): a stat()
// of a path that the mount table gives, which may lie on a dead mount.
bool NeedsSourceDevice(const MountEntry& mount);

// GetDriveTypeA of a mount: kDriveRemote for network file systems,
// kDriveRamDisk for tmpfs, ramfs and zram, kDriveCdRom for iso9660, udf and
// optical drives, kDriveRemovable for removable disks, kDriveFixed for other
// local storage, kDriveUnknown for anything else. sourceDevice: the block
// device of the mount's source where NeedsSourceDevice, else 0.
uint32_t DriveTypeOf(const MountEntry& mount, const std::string& sysfs, const std::string& dev,
                     dev_t sourceDevice = 0);

class LinuxFileSystems final : public IDrives, public IVolumes, public IDiskSpace {
 public:
  // ansi converts labels (UTF-8 as udev and blkid publish them) to the code
  // page; it must outlive this object. Mount points and file-system names
  // are bytes already and pass unchanged.
  explicit LinuxFileSystems(const IAnsiCodePage& ansi, FileSystemConfig config = {});
  ~LinuxFileSystems() override;

  uint32_t GetLogicalDriveStringsA(std::span<char> buffer) const override;
  uint32_t GetDriveTypeA(std::string_view root) const override;
  // Asks the queries of every root at once; the calls on these roots that
  // follow take the answers, until the next call.
  void PrepareRoots(const std::vector<std::string>& roots) const override;

  std::string VolumeLabelLookup(std::string_view root) const override;
  int32_t GetVolumeInformationA(std::string_view root, std::span<char> volumeName, uint32_t& serial,
                                uint32_t& maxComponentLength, uint32_t& flags,
                                std::span<char> fileSystemName) const override;

  int32_t GetDiskFreeSpaceExA(std::string_view root, uint64_t& freeBytesAvailableToCaller,
                              uint64_t& totalBytes, uint64_t& totalFreeBytes) const override;
  int32_t GetDiskFreeSpaceA(std::string_view root, int32_t& sectorsPerCluster,
                            int32_t& bytesPerSector, int32_t& numberOfFreeClusters,
                            int32_t& totalNumberOfClusters) const override;

 private:
  struct VolumeFacts;
  struct Prepared;
  std::optional<MountEntry> Mount(std::string_view root) const;
  std::optional<VolumeFacts> QueryVolume(std::string_view root, const MountEntry& mount,
                                         bool wantNames) const;
  BlockingQuery VolumeQuery(const MountEntry& mount, bool wantNames) const;
  uint32_t TypeFrom(const MountEntry& mount, const QueryAnswer& device) const;
  std::optional<Prepared> PreparedFor(std::string_view root) const;

  const IAnsiCodePage& ansi_;
  FileSystemConfig config_;
  std::shared_ptr<const IBlockingQueries> queries_;
  std::shared_ptr<MountTable> table_;
  mutable std::mutex preparedMutex_;
  mutable std::map<std::string, Prepared, std::less<>> prepared_;
};

}  // namespace kv::linux_os
