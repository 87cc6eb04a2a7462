#include "platform/linux/block_devices.h"

#include <blkid.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/os.h"

namespace kv::linux_os {
namespace {

namespace fs = std::filesystem;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// The name in dir whose udev link points at the device called name.
std::optional<std::string> UdevLinkFor(const std::string& dir, const std::string& name) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code linkError;
    const fs::path target = fs::read_symlink(it->path(), linkError);
    if (!linkError && target.filename() == name)
      return DecodeUdevName(it->path().filename().string());
  }
  return std::nullopt;
}

void ProbeWithBlkid(const std::string& node, VolumeNames& names) {
  blkid_probe probe = blkid_new_probe_from_filename(node.c_str());
  if (probe == nullptr) return;  // not there, or not readable by this user
  blkid_probe_enable_superblocks(probe, 1);
  blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID);
  if (blkid_do_safeprobe(probe) == 0) {
    const char* data = nullptr;
    std::size_t len = 0;
    if (blkid_probe_lookup_value(probe, "LABEL", &data, &len) == 0 && data)
      names.label.assign(data, strnlen(data, len));
    if (blkid_probe_lookup_value(probe, "UUID", &data, &len) == 0 && data)
      names.uuid.assign(data, strnlen(data, len));
  }
  blkid_free_probe(probe);
}

// The device of a block-backed mount: the one mountinfo names, or for file
// systems that report an anonymous device (btrfs) the source's device node.
dev_t DeviceOf(const MountEntry& mount) {
  if (major(mount.device) != 0) return mount.device;
  struct stat st {};
  if (mount.source.starts_with("/dev/") && stat(mount.source.c_str(), &st) == 0 &&
      S_ISBLK(st.st_mode))
    return st.st_rdev;
  return 0;
}

}  // namespace

uint32_t SerialFromUuid(std::string_view uuid) {
  std::string digits;
  for (char c : uuid)
    if (HexValue(c) >= 0) digits += c;
  std::string_view use(digits);
  if (digits.size() == 16 && uuid.find('-') == std::string_view::npos)
    use = use.substr(8);  // NTFS: the low 32 bits of its 64-bit serial
  else
    use = use.substr(0, std::min<std::size_t>(8, use.size()));
  uint32_t serial = 0;
  for (char c : use) serial = (serial << 4) | static_cast<uint32_t>(HexValue(c));
  return serial;
}

std::string DecodeUdevName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
        HexValue(name[i + 2]) >= 0 && HexValue(name[i + 3]) >= 0) {
      out += static_cast<char>(HexValue(name[i + 2]) * 16 + HexValue(name[i + 3]));
      i += 3;
    } else {
      out += name[i];
    }
  }
  return out;
}

std::optional<BlockDevice> FindBlockDevice(const std::string& sysfs, const std::string& dev,
                                           dev_t device) {
  const fs::path link =
      sysfs + "/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  // sysfs's link is relative and its devices tree holds no further links:
  // one readlink and the path made plain, where canonical() would read
  // every step of the way.
  std::error_code ec;
  fs::path dir = fs::read_symlink(link, ec);
  if (ec) {
    if (ec != std::errc::invalid_argument) return std::nullopt;
    dir = link;  // a directory itself
  } else if (dir.is_relative()) {
    dir = (link.parent_path() / dir).lexically_normal();
  }
  if (!fs::is_directory(dir, ec)) return std::nullopt;
  if (!dir.has_filename()) dir = dir.parent_path();
  BlockDevice block;
  block.name = dir.filename().string();
  std::string devName = block.name;
  std::ifstream uevent(dir / "uevent");
  for (std::string line; std::getline(uevent, line);)
    if (line.starts_with("DEVNAME=") && line.size() > 8) devName = line.substr(8);
  block.node = dev + "/" + devName;
  const fs::path disk = fs::exists(dir / "partition", ec) ? dir.parent_path() : dir;
  block.removable = FirstLine(disk / "removable") == "1";
  const std::string path = dir.string();
  block.network = block.name.starts_with("nbd") || block.name.starts_with("rbd") ||
                  block.name.starts_with("drbd") || path.find("/session") != std::string::npos ||
                  path.find("/nvme-fabrics/") != std::string::npos;
  return block;
}

bool NeedsSourceDevice(const MountEntry& mount) {
  return major(mount.device) == 0 && mount.source.starts_with("/dev/") &&
         !IsNetworkFileSystem(mount.fsType) && !IsRamFileSystem(mount.fsType) &&
         mount.fsType != "iso9660" && mount.fsType != "udf" && KindOf(mount) == MountKind::Block;
}

uint32_t DriveTypeOf(const MountEntry& mount, const std::string& sysfs, const std::string& dev,
                     dev_t sourceDevice) {
  // Judged by the file system wherever it is mounted, also where it is not
  // listed as a root (/dev/shm, /run).
  if (IsNetworkFileSystem(mount.fsType)) return kDriveRemote;
  if (IsRamFileSystem(mount.fsType)) return kDriveRamDisk;
  if (mount.fsType == "iso9660" || mount.fsType == "udf") return kDriveCdRom;
  const MountKind kind = KindOf(mount);
  if (kind == MountKind::Fuse) return kDriveFixed;  // local, as far as can be told
  if (kind != MountKind::Block) return kDriveUnknown;
  const dev_t device = major(mount.device) != 0 ? mount.device : sourceDevice;
  const auto block = device != 0 ? FindBlockDevice(sysfs, dev, device) : std::nullopt;
  if (!block) return kDriveFixed;  // local storage whose disk sysfs does not show
  if (block->name.starts_with("sr")) return kDriveCdRom;
  if (block->name.starts_with("zram")) return kDriveRamDisk;
  return block->removable ? kDriveRemovable : kDriveFixed;
}

VolumeNames ReadVolumeNames(const MountEntry& mount, const std::string& sysfs,
                            const std::string& dev) {
  VolumeNames names;
  const dev_t device = DeviceOf(mount);
  const auto block = device != 0 ? FindBlockDevice(sysfs, dev, device) : std::nullopt;
  bool fromUdev = false;
  if (block) {
    if (auto label = UdevLinkFor(dev + "/disk/by-label", block->name)) {
      names.label = std::move(*label);
      fromUdev = true;
    }
    if (auto uuid = UdevLinkFor(dev + "/disk/by-uuid", block->name)) {
      names.uuid = std::move(*uuid);
      fromUdev = true;
    }
  }
  if (!fromUdev) {
    const std::string node = block ? block->node : mount.source;
    if (node.starts_with("/")) ProbeWithBlkid(node, names);
  }
  return names;
}

}  // namespace kv::linux_os
