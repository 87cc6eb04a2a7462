// The Linux drives, volumes and disk space in the shape of the Win32 calls:
// the roots are mount points (see mounts.h); drive types, labels and serial
// numbers come from the block devices (block_devices.h); figures from
// statvfs. Whatever may block on a file system is asked as a query
// (query_server.h).
#pragma once

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
#include "platform/linux/block_devices.h"
#include "platform/linux/mounts.h"
#include "platform/linux/query_server.h"
#include "platform/os.h"

namespace kv::linux_os {

struct FileSystemConfig {
  std::string mountInfo = "/proc/self/mountinfo";
  std::string sysfs = "/sys";  // /sys/dev/block/MAJ:MIN
  std::string dev = "/dev";    // device nodes and udev's /dev/disk/by-label, by-uuid
  StatVfsCall statVfs = SystemStatVfs();
  // Where the queries that may wait for something outside run (the program
  // uses a HelperProcessQueries): those about network, FUSE and unknown file
  // systems, and about any mount whose path crosses one. The others (local
  // disks, RAM and the kernel's file systems) are answered on the caller's
  // thread with statVfs, as all are when this is empty (made-up file systems).
  std::shared_ptr<const IBlockingQueries> queries;
  // mount(8)'s options outside the kernel, x-gvfs-hide among them (none when empty).
  std::string utab = "/run/mount/utab";
};

class LinuxFileSystems final : public IDriveList, public IVolumes, public IDiskSpace {
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
  // True when a root's queries go to config.queries (the helper).
  bool NeedsHelper() const;

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
  struct Prepared;
  struct Located {
    const MountEntry& mount;
    std::shared_ptr<const MountSnapshot> snapshot;  // which holds mount
  };
  std::optional<Located> Mount(std::string_view root) const;
  // True when the queries of mount are answered on the caller's thread;
  // judged once per mount point.
  bool AnsweredInProcess(const MountSnapshot& snapshot, const MountEntry& mount) const;
  bool JudgedInProcess(const MountSnapshot& snapshot, const MountEntry& mount) const;
  const IBlockingQueries& QueriesFor(const Located& at) const;
  std::optional<VolumeFacts> QueryVolume(std::string_view root, const Located& at,
                                         bool wantNames) const;
  BlockingQuery VolumeQuery(const MountEntry& mount, bool wantNames) const;
  uint32_t TypeFrom(const MountEntry& mount, const QueryAnswer& device) const;
  std::optional<Prepared> PreparedFor(std::string_view root) const;
  std::string LabelInAnsi(std::string_view label) const;

  const IAnsiCodePage& ansi_;
  FileSystemConfig config_;
  std::shared_ptr<const IBlockingQueries> local_;
  std::shared_ptr<const IBlockingQueries> queries_;
  std::shared_ptr<MountTable> table_;
  mutable std::mutex preparedMutex_;
  mutable std::map<std::string, Prepared, std::less<>> prepared_;
  mutable std::map<std::string, bool, std::less<>> inProcess_;  // mount point -> judged
};

}  // namespace kv::linux_os
