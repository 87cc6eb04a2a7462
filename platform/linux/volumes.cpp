#include "platform/linux/volumes.h"

#include <blkid.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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
  if (KindOf(mount) != MountKind::Block) return kDriveUnknown;
  const dev_t device = major(mount.device) != 0 ? mount.device : sourceDevice;
  const auto block = device != 0 ? FindBlockDevice(sysfs, dev, device) : std::nullopt;
  if (!block) return kDriveFixed;  // local storage whose disk sysfs does not show
  if (block->name.starts_with("sr")) return kDriveCdRom;
  if (block->name.starts_with("zram")) return kDriveRamDisk;
  return block->removable ? kDriveRemovable : kDriveFixed;
}

// ---- the queries that may block --------------------------------------------

namespace {

struct StatVfsFigures {
  uint64_t bsize, frsize, blocks, bfree, bavail, namemax, flag;
};

QueryAnswer AnswerVolume(WireReader& in, const StatVfsCall& statVfs) {
  MountEntry mount;
  mount.target = in.Text();
  mount.source = in.Text();
  mount.device = static_cast<dev_t>(in.Number());
  const bool block = in.Number() != 0, wantNames = in.Number() != 0;
  const std::string sysfs = in.Text(), dev = in.Text();
  struct statvfs vfs {};
  if (!in.Ok() || !statVfs || statVfs(mount.target, vfs) != 0) return std::nullopt;
  VolumeNames names;
  if (wantNames && block) names = ReadVolumeNames(mount, sysfs, dev);
  return WireWriter()
      .Number(vfs.f_bsize).Number(vfs.f_frsize).Number(vfs.f_blocks).Number(vfs.f_bfree)
      .Number(vfs.f_bavail).Number(vfs.f_namemax).Number(vfs.f_flag)
      .Text(names.label).Text(names.uuid).Done();
}

QueryAnswer AnswerDevice(WireReader& in) {
  const std::string path = in.Text();
  struct stat st {};
  if (!in.Ok() || stat(path.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return std::nullopt;
  return WireWriter().Number(st.st_rdev).Done();
}

QueryAnswer AnswerTools(WireReader& in) {
  const std::string dir = in.Text();
  std::string found;
  for (uint64_t n = in.Number(); in.Ok() && n > 0; --n) {
    const std::string path = (dir == "/" ? dir : dir + "/") + in.Text();
    struct stat st {};
    found += stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0
                 ? '1'
                 : '0';
  }
  if (!in.Ok()) return std::nullopt;
  return found;
}

}  // namespace

QueryAnswer AnswerFileSystemQuery(std::string_view request, const StatVfsCall& statVfs) {
  if (request.empty()) return std::nullopt;
  WireReader in(request.substr(1));
  switch (request.front()) {
    case 'V': return AnswerVolume(in, statVfs);
    case 'D': return AnswerDevice(in);
    case 'T': return AnswerTools(in);
    default: return std::nullopt;
  }
}

std::string ToolsQuery(std::string_view dir, const std::vector<std::string>& tools) {
  WireWriter out('T');
  out.Text(dir).Number(tools.size());
  for (const auto& tool : tools) out.Text(tool);
  return out.Done();
}

// ---- LinuxFileSystems -------------------------------------------------------

struct LinuxFileSystems::VolumeFacts {
  StatVfsFigures vfs{};
  std::string label;
  std::string uuid;
};

struct LinuxFileSystems::Prepared {
  uint32_t type = kDriveNoRootDir;
  std::optional<VolumeFacts> facts;
};

namespace {

std::optional<StatVfsFigures> ReadFigures(WireReader& in) {
  StatVfsFigures v{};
  for (uint64_t* field : {&v.bsize, &v.frsize, &v.blocks, &v.bfree, &v.bavail, &v.namemax, &v.flag})
    *field = in.Number();
  if (!in.Ok()) return std::nullopt;
  return v;
}

uint64_t FragmentSize(const StatVfsFigures& v) { return v.frsize != 0 ? v.frsize : v.bsize; }

std::string DeviceQuery(const std::string& path) { return WireWriter('D').Text(path).Done(); }

}  // namespace

LinuxFileSystems::LinuxFileSystems(const IAnsiCodePage& ansi, FileSystemConfig config)
    : ansi_(ansi),
      config_(std::move(config)),
      queries_(config_.queries ? config_.queries
                               : std::make_shared<DirectQueries>(
                                     [statVfs = config_.statVfs](std::string_view request) {
                                       return AnswerFileSystemQuery(request, statVfs);
                                     })),
      table_(std::make_shared<MountTable>(config_.mountInfo, config_.utab)) {}

LinuxFileSystems::~LinuxFileSystems() = default;

std::optional<MountEntry> LinuxFileSystems::Mount(std::string_view root) const {
  const auto snapshot = table_->Current();
  if (!snapshot) return std::nullopt;
  const MountEntry* mount = snapshot->MountAt(root);
  if (mount == nullptr) return std::nullopt;
  return *mount;
}

BlockingQuery LinuxFileSystems::VolumeQuery(const MountEntry& mount, bool wantNames) const {
  return {mount.target, WireWriter('V')
                            .Text(mount.target).Text(mount.source).Number(mount.device)
                            .Number(KindOf(mount) == MountKind::Block).Number(wantNames)
                            .Text(config_.sysfs).Text(config_.dev).Done()};
}

uint32_t LinuxFileSystems::TypeFrom(const MountEntry& mount, const QueryAnswer& device) const {
  dev_t sourceDevice = 0;
  if (device) {
    WireReader in(*device);
    sourceDevice = static_cast<dev_t>(in.Number());
  }
  return DriveTypeOf(mount, config_.sysfs, config_.dev, sourceDevice);
}

std::optional<LinuxFileSystems::Prepared> LinuxFileSystems::PreparedFor(
    std::string_view root) const {
  std::lock_guard lock(preparedMutex_);
  const auto it = prepared_.find(root);
  if (it == prepared_.end()) return std::nullopt;
  return it->second;
}

void LinuxFileSystems::PrepareRoots(const std::vector<std::string>& roots) const {
  struct Asked {
    std::optional<MountEntry> mount;
    std::size_t volume = 0, device = 0;  // indexes of its queries; 0: none
  };
  std::vector<Asked> asked;
  std::vector<BlockingQuery> queries{{}};  // index 0 stands for "not asked"
  for (const auto& root : roots) {
    Asked a{Mount(root)};
    if (a.mount) {
      a.volume = queries.size();
      queries.push_back(VolumeQuery(*a.mount, true));
      if (NeedsSourceDevice(*a.mount)) {
        a.device = queries.size();
        queries.push_back({a.mount->source, DeviceQuery(a.mount->source)});
      }
    }
    asked.push_back(std::move(a));
  }
  queries.erase(queries.begin());
  std::vector<QueryAnswer> answers{std::nullopt};
  for (auto& answer : queries_->AskAll(queries)) answers.push_back(std::move(answer));

  std::map<std::string, Prepared, std::less<>> prepared;
  for (std::size_t i = 0; i < roots.size(); ++i) {
    Prepared p;
    if (const auto& mount = asked[i].mount) {
      p.type = TypeFrom(*mount, answers[asked[i].device]);
      if (const auto& answer = answers[asked[i].volume]) {
        WireReader in(*answer);
        if (auto figures = ReadFigures(in)) {
          p.facts = VolumeFacts{*figures, in.Text(), in.Text()};
          if (!in.Ok()) p.facts.reset();
        }
      }
    }
    prepared[roots[i]] = std::move(p);
  }
  std::lock_guard lock(preparedMutex_);
  prepared_ = std::move(prepared);
}

std::optional<LinuxFileSystems::VolumeFacts> LinuxFileSystems::QueryVolume(
    std::string_view root, const MountEntry& mount, bool wantNames) const {
  if (auto p = PreparedFor(root)) return std::move(p->facts);
  const auto query = VolumeQuery(mount, wantNames);
  const auto answer = queries_->Ask(query.key, query.request);
  if (!answer) return std::nullopt;
  WireReader in(*answer);
  auto figures = ReadFigures(in);
  if (!figures) return std::nullopt;
  VolumeFacts facts{*figures, in.Text(), in.Text()};
  if (!in.Ok()) return std::nullopt;
  return facts;
}

uint32_t LinuxFileSystems::GetLogicalDriveStringsA(std::span<char> buffer) const {
  const auto snapshot = table_->Current();
  if (!snapshot) return 0;
  const std::string& list = snapshot->RootList();  // ends in two NULs
  return ansi_buffer::WriteText(std::string_view(list).substr(0, list.size() - 1), buffer);
}

uint32_t LinuxFileSystems::GetDriveTypeA(std::string_view root) const {
  if (auto p = PreparedFor(root)) return p->type;
  const auto mount = Mount(root);
  if (!mount) return kDriveNoRootDir;
  const QueryAnswer device = NeedsSourceDevice(*mount)
                                 ? queries_->Ask(mount->source, DeviceQuery(mount->source))
                                 : std::nullopt;
  return TypeFrom(*mount, device);
}

std::string LinuxFileSystems::VolumeLabelLookup(std::string_view root) const {
  const auto mount = Mount(root);
  const auto facts = mount ? QueryVolume(root, *mount, true) : std::nullopt;
  if (!facts) throw DeviceUnavailableError();
  return ansi_.ToAnsi(facts->label);
}

int32_t LinuxFileSystems::GetVolumeInformationA(std::string_view root,
                                                std::span<char> volumeName, uint32_t& serial,
                                                uint32_t& maxComponentLength, uint32_t& flags,
                                                std::span<char> fileSystemName) const {
  const auto mount = Mount(root);
  if (!mount) return 0;
  const auto facts = QueryVolume(root, *mount, true);
  if (!facts) return 0;
  serial = SerialFromUuid(facts->uuid);
  maxComponentLength = static_cast<uint32_t>(
      std::min<uint64_t>(facts->vfs.namemax, std::numeric_limits<uint32_t>::max()));
  flags = kCaseSensitiveSearch | kCasePreservedNames |
          ((facts->vfs.flag & ST_RDONLY) != 0 ? kReadOnlyVolume : 0);
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
  const auto facts = QueryVolume(root, *mount, false);
  if (!facts) return 0;
  const uint64_t unit = FragmentSize(facts->vfs);
  freeBytesAvailableToCaller = Times(facts->vfs.bavail, unit);
  totalBytes = Times(facts->vfs.blocks, unit);
  totalFreeBytes = Times(facts->vfs.bfree, unit);
  return 1;
}

int32_t LinuxFileSystems::GetDiskFreeSpaceA(std::string_view root, int32_t& sectorsPerCluster,
                                            int32_t& bytesPerSector,
                                            int32_t& numberOfFreeClusters,
                                            int32_t& totalNumberOfClusters) const {
  const auto mount = Mount(root);
  if (!mount) return 0;
  const auto facts = QueryVolume(root, *mount, false);
  if (!facts) return 0;
  // Sectors of 512 bytes, one file-system block to a cluster; counts beyond
  // the 32-bit range are clamped, as Windows does.
  constexpr uint64_t kSector = 512;
  const uint64_t unit = FragmentSize(facts->vfs);
  const uint64_t sectors = std::max<uint64_t>(1, unit / kSector);
  const uint64_t cluster = sectors * kSector;
  sectorsPerCluster = ClampInt32(sectors);
  bytesPerSector = static_cast<int32_t>(kSector);
  numberOfFreeClusters = ClampInt32(Times(facts->vfs.bavail, unit) / cluster);
  totalNumberOfClusters = ClampInt32(Times(facts->vfs.blocks, unit) / cluster);
  return 1;
}

}  // namespace kv::linux_os
