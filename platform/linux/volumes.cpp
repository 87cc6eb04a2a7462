#include "platform/linux/volumes.h"

#include <blkid.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "platform/ansi_buffer.h"
#include "platform/errors.h"

namespace kv::linux_os {
namespace {

namespace fs = std::filesystem;

// GetVolumeInformationA file-system flags.
constexpr uint32_t kCaseSensitiveSearch = 0x1;
constexpr uint32_t kCasePreservedNames = 0x2;
constexpr uint32_t kReadOnlyVolume = 0x80000;

// The error of a root that cannot be read ("device unavailable").

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

struct VolumeNames {
  std::string label;
  std::string uuid;
};

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

uint64_t Times(uint64_t a, uint64_t b) {
  uint64_t r = 0;
  return __builtin_mul_overflow(a, b, &r) ? std::numeric_limits<uint64_t>::max() : r;
}

int32_t ClampInt32(uint64_t n) {
  return n > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())
             ? std::numeric_limits<int32_t>::max()
             : static_cast<int32_t>(n);
}

uint64_t FragmentSize(const struct statvfs& v) { return v.f_frsize != 0 ? v.f_frsize : v.f_bsize; }

}  // namespace

StatVfsCall SystemStatVfs() {
  return [](const std::string& path, struct statvfs& out) { return statvfs(path.c_str(), &out); };
}

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
  const fs::path link = sysfs + "/dev/block/" + std::to_string(major(device)) + ":" +
                        std::to_string(minor(device));
  std::error_code ec;
  const fs::path dir = fs::canonical(link, ec);
  if (ec) return std::nullopt;
  BlockDevice block;
  block.name = dir.filename().string();
  std::string devName = block.name;
  std::ifstream uevent(dir / "uevent");
  for (std::string line; std::getline(uevent, line);)
    if (line.starts_with("DEVNAME=") && line.size() > 8) devName = line.substr(8);
  block.node = dev + "/" + devName;
  const fs::path disk = fs::exists(dir / "partition", ec) ? dir.parent_path() : dir;
  block.removable = FirstLine(disk / "removable") == "1";
  return block;
}

uint32_t DriveTypeOf(const MountEntry& mount, const std::string& sysfs, const std::string& dev) {
  // Judged by the file system wherever it is mounted, also where it is not
  // listed as a root (/dev/shm, /run).
  if (IsNetworkFileSystem(mount.fsType)) return kDriveRemote;
  if (IsRamFileSystem(mount.fsType)) return kDriveRamDisk;
  if (mount.fsType == "iso9660" || mount.fsType == "udf") return kDriveCdRom;
  if (KindOf(mount) != MountKind::Block) return kDriveUnknown;
  const dev_t device = DeviceOf(mount);
  const auto block = device != 0 ? FindBlockDevice(sysfs, dev, device) : std::nullopt;
  if (!block) return kDriveFixed;  // local storage whose disk sysfs does not show
  if (block->name.starts_with("sr")) return kDriveCdRom;
  if (block->name.starts_with("zram")) return kDriveRamDisk;
  return block->removable ? kDriveRemovable : kDriveFixed;
}

// ---- LinuxFileSystems -------------------------------------------------------

struct LinuxFileSystems::VolumeFacts {
  struct statvfs vfs {};
  std::string label;
  std::string uuid;
};

LinuxFileSystems::LinuxFileSystems(const IAnsiCodePage& ansi, FileSystemConfig config)
    : ansi_(ansi),
      config_(std::move(config)),
      table_(std::make_shared<MountTable>(config_.mountInfo)) {}

std::optional<MountEntry> LinuxFileSystems::Mount(std::string_view root) const {
  const auto snapshot = table_->Current();
  if (!snapshot) return std::nullopt;
  const MountEntry* mount = snapshot->MountAt(root);
  if (mount == nullptr) return std::nullopt;
  return *mount;
}

std::optional<LinuxFileSystems::VolumeFacts> LinuxFileSystems::QueryVolume(
    const MountEntry& mount, bool wantNames) const {
  // Everything the query needs is copied into it: it may outlive this object.
  return limit_.Run<VolumeFacts>(
      mount.target,
      [statVfs = config_.statVfs, sysfs = config_.sysfs, dev = config_.dev, mount,
       wantNames]() -> std::optional<VolumeFacts> {
        VolumeFacts facts;
        if (!statVfs || statVfs(mount.target, facts.vfs) != 0) return std::nullopt;
        if (wantNames && KindOf(mount) == MountKind::Block) {
          auto names = ReadVolumeNames(mount, sysfs, dev);
          facts.label = std::move(names.label);
          facts.uuid = std::move(names.uuid);
        }
        return facts;
      });
}

uint32_t LinuxFileSystems::GetLogicalDriveStringsA(std::span<char> buffer) const {
  const auto snapshot = table_->Current();
  if (!snapshot) return 0;
  const std::string& list = snapshot->RootList();  // ends in two NULs
  return ansi_buffer::WriteText(std::string_view(list).substr(0, list.size() - 1), buffer);
}

uint32_t LinuxFileSystems::GetDriveTypeA(std::string_view root) const {
  const auto mount = Mount(root);
  if (!mount) return kDriveNoRootDir;
  return DriveTypeOf(*mount, config_.sysfs, config_.dev);
}

std::string LinuxFileSystems::VolumeLabelLookup(std::string_view root) const {
  const auto mount = Mount(root);
  const auto facts = mount ? QueryVolume(*mount, true) : std::nullopt;
  if (!facts) throw DeviceUnavailableError();
  return ansi_.ToAnsi(facts->label);
}

int32_t LinuxFileSystems::GetVolumeInformationA(std::string_view root,
                                                std::span<char> volumeName, uint32_t& serial,
                                                uint32_t& maxComponentLength, uint32_t& flags,
                                                std::span<char> fileSystemName) const {
  const auto mount = Mount(root);
  if (!mount) return 0;
  const auto facts = QueryVolume(*mount, true);
  if (!facts) return 0;
  serial = SerialFromUuid(facts->uuid);
  maxComponentLength = static_cast<uint32_t>(
      std::min<uint64_t>(facts->vfs.f_namemax, std::numeric_limits<uint32_t>::max()));
  flags = kCaseSensitiveSearch | kCasePreservedNames |
          ((facts->vfs.f_flag & ST_RDONLY) != 0 ? kReadOnlyVolume : 0);
  ansi_buffer::WriteCut(ansi_.ToAnsi(facts->label), volumeName);
  ansi_buffer::WriteCut(mount->fsType, fileSystemName);
  return 1;
}

int32_t LinuxFileSystems::GetDiskFreeSpaceExA(std::string_view root,
                                              uint64_t& freeBytesAvailableToCaller,
                                              uint64_t& totalBytes,
                                              uint64_t& totalFreeBytes) const {
  const auto mount = Mount(root);
  if (!mount) return 0;
  const auto facts = QueryVolume(*mount, false);
  if (!facts) return 0;
  const uint64_t unit = FragmentSize(facts->vfs);
  freeBytesAvailableToCaller = Times(facts->vfs.f_bavail, unit);
  totalBytes = Times(facts->vfs.f_blocks, unit);
  totalFreeBytes = Times(facts->vfs.f_bfree, unit);
  return 1;
}

int32_t LinuxFileSystems::GetDiskFreeSpaceA(std::string_view root, int32_t& sectorsPerCluster,
                                            int32_t& bytesPerSector,
                                            int32_t& numberOfFreeClusters,
                                            int32_t& totalNumberOfClusters) const {
  const auto mount = Mount(root);
  if (!mount) return 0;
  const auto facts = QueryVolume(*mount, false);
  if (!facts) return 0;
  // Sectors of 512 bytes, one file-system block to a cluster; counts beyond
  // the 32-bit range are clamped, as Windows does.
  constexpr uint64_t kSector = 512;
  const uint64_t unit = FragmentSize(facts->vfs);
  const uint64_t sectors = std::max<uint64_t>(1, unit / kSector);
  const uint64_t cluster = sectors * kSector;
  sectorsPerCluster = ClampInt32(sectors);
  bytesPerSector = static_cast<int32_t>(kSector);
  numberOfFreeClusters = ClampInt32(Times(facts->vfs.f_bavail, unit) / cluster);
  totalNumberOfClusters = ClampInt32(Times(facts->vfs.f_blocks, unit) / cluster);
  return 1;
}

}  // namespace kv::linux_os
