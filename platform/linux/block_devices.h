// Block devices as sysfs and udev describe them: which device a mount lies
// on, what kind of drive it is, and the label and UUID of its file system
// (udev's /dev/disk links, or libblkid where the device is readable).
// Everything here reads sysfs and the device directory; only the libblkid
// probe reads a device itself.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/mounts.h"

namespace kv::linux_os {

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
  // A disk reached over a network (nbd, rbd, drbd, iSCSI, NVMe over
  // fabrics): reading it may wait for a server.
  bool network = false;
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
// local storage and for FUSE file systems not known to be reached over a
// network, kDriveUnknown for anything else. sourceDevice: the block
// device of the mount's source where NeedsSourceDevice, else 0.
uint32_t DriveTypeOf(const MountEntry& mount, const std::string& sysfs, const std::string& dev,
                     dev_t sourceDevice = 0);

// The label and UUID of a block-backed mount's file system, as bytes (udev
// and blkid publish UTF-8); empty where none is known.
struct VolumeNames {
  std::string label;
  std::string uuid;
};
VolumeNames ReadVolumeNames(const MountEntry& mount, const std::string& sysfs,
                            const std::string& dev);

}  // namespace kv::linux_os
