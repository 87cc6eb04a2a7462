#include "platform/linux/volumes.h"

#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <limits>

#include "platform/ansi_buffer.h"
#include "platform/errors.h"
#include "platform/linux/iconv_code_page.h"

namespace kv::linux_os {
namespace {

// GetVolumeInformationA file-system flags.
constexpr uint32_t kCaseSensitiveSearch = 0x1;
constexpr uint32_t kCasePreservedNames = 0x2;
constexpr uint32_t kReadOnlyVolume = 0x80000;

uint64_t Times(uint64_t a, uint64_t b) {
  uint64_t r = 0;
  return __builtin_mul_overflow(a, b, &r) ? std::numeric_limits<uint64_t>::max() : r;
}

int32_t ClampInt32(uint64_t n) {
  return n > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())
             ? std::numeric_limits<int32_t>::max()
             : static_cast<int32_t>(n);
}

uint64_t FragmentSize(const StatVfsFigures& v) { return v.frsize != 0 ? v.frsize : v.bsize; }

// True when the mount and every mount its path crosses are local file
// systems (IsLocalFileSystem): a path walk to it never waits for anything
// outside. The path may cross an automount point that something is mounted
// on (systemd's /boot/efi): the walk steps onto what is mounted there
// without asking the automounter. False too where the parents form a loop.
bool LocalAllTheWay(const MountSnapshot& snapshot, const MountEntry& mount) {
  const MountEntry* at = &mount;
  for (std::size_t steps = 0; at != nullptr; ++steps) {
    const bool crossed = steps > 0 && at->fsType == "autofs";
    if (steps > snapshot.Entries().size() || (!IsLocalFileSystem(at->fsType) && !crossed))
      return false;
    at = snapshot.Parent(*at);
  }
  return true;
}

// A device path that stays in the device directory: under /dev/, with no
// "." or ".." step and no empty one.
bool PlainDevicePath(std::string_view path) {
  if (!path.starts_with("/dev/")) return false;
  for (std::size_t at = 1; at <= path.size();) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    const std::string_view step = path.substr(at, end - at);
    if (step.empty() || step == "." || step == "..") return false;
    at = end + 1;
  }
  return true;
}

}  // namespace

// ---- LinuxFileSystems -------------------------------------------------------

struct LinuxFileSystems::Prepared {
  uint32_t type = kDriveNoRootDir;
  std::optional<VolumeFacts> facts;
};

LinuxFileSystems::LinuxFileSystems(const IAnsiCodePage& ansi, FileSystemConfig config)
    : ansi_(ansi),
      config_(std::move(config)),
      local_(std::make_shared<DirectQueries>([statVfs = config_.statVfs](std::string_view request) {
        return AnswerFileSystemQuery(request, statVfs);
      })),
      queries_(config_.queries ? config_.queries : local_),
      table_(std::make_shared<MountTable>(config_.mountInfo, config_.utab)) {}

LinuxFileSystems::~LinuxFileSystems() = default;

std::optional<LinuxFileSystems::Located> LinuxFileSystems::Mount(std::string_view root) const {
  const auto snapshot = table_->Current();
  if (!snapshot) return std::nullopt;
  const MountEntry* mount = snapshot->MountAt(root);
  if (mount == nullptr) return std::nullopt;
  return Located{*mount, snapshot};
}

bool LinuxFileSystems::AnsweredInProcess(const MountSnapshot& snapshot,
                                         const MountEntry& mount) const {
  std::lock_guard lock(preparedMutex_);
  const auto known = inProcess_.find(mount.target);
  if (known != inProcess_.end()) return known->second;
  return inProcess_[mount.target] = JudgedInProcess(snapshot, mount);
}

bool LinuxFileSystems::JudgedInProcess(const MountSnapshot& snapshot,
                                       const MountEntry& mount) const {
  if (!LocalAllTheWay(snapshot, mount)) return false;
  dev_t device = major(mount.device) != 0 ? mount.device : 0;
  if (NeedsSourceDevice(mount)) {
    // The source names the device: a path in /dev, looked at here when it
    // stays there and /dev is local too.
    const MountEntry* devices = snapshot.MountAt("/dev");
    if (devices == nullptr) devices = snapshot.MountAt("/");
    if (!PlainDevicePath(mount.source) || devices == nullptr || !LocalAllTheWay(snapshot, *devices))
      return false;
    device = ReadDeviceAnswer(local_->Ask(mount.source, DeviceRequest(mount.source)));
  }
  // Its label may be read from the disk itself, which must then not be one
  // reached over a network.
  if (device == 0 || KindOf(mount) != MountKind::Block) return true;
  const auto block = FindBlockDevice(config_.sysfs, config_.dev, device);
  return !block || !block->network;
}

bool LinuxFileSystems::NeedsHelper() const {
  const auto snapshot = table_->Current();
  if (!snapshot) return false;
  for (const MountEntry* root : snapshot->Roots())
    if (!AnsweredInProcess(*snapshot, *root)) return true;
  return false;
}

BlockingQuery LinuxFileSystems::VolumeQuery(const MountEntry& mount, bool wantNames) const {
  return {mount.target, VolumeRequest(mount, wantNames, config_.sysfs, config_.dev)};
}

uint32_t LinuxFileSystems::TypeFrom(const MountEntry& mount, const QueryAnswer& device) const {
  return DriveTypeOf(mount, config_.sysfs, config_.dev, ReadDeviceAnswer(device));
}

std::optional<LinuxFileSystems::Prepared> LinuxFileSystems::PreparedFor(
    std::string_view root) const {
  std::lock_guard lock(preparedMutex_);
  const auto it = prepared_.find(root);
  if (it == prepared_.end()) return std::nullopt;
  return it->second;
}

void LinuxFileSystems::PrepareRoots(const std::vector<std::string>& roots) const {
  // What cannot wait for anything outside is asked here, the rest of the
  // batch in one go where it may (the helper process).
  struct Asked {
    std::optional<Located> at;
    std::size_t volume = 0, device = 0;  // indexes of its queries in its batch; 0: none
  };
  std::vector<Asked> asked;
  std::vector<BlockingQuery> batches[2] = {{{}}, {{}}};  // [inProcess]; index 0: "not asked"
  for (const auto& root : roots) {
    Asked a{Mount(root)};
    if (a.at) {
      auto& batch = batches[AnsweredInProcess(*a.at->snapshot, a.at->mount)];
      const MountEntry& mount = a.at->mount;
      a.volume = batch.size();
      batch.push_back(VolumeQuery(mount, true));
      if (NeedsSourceDevice(mount)) {
        a.device = batch.size();
        batch.push_back({mount.source, DeviceRequest(mount.source)});
      }
    }
    asked.push_back(std::move(a));
  }
  std::vector<QueryAnswer> answers[2];
  for (const bool inProcess : {true, false}) {
    auto& batch = batches[inProcess];
    batch.erase(batch.begin());
    answers[inProcess] = {std::nullopt};
    for (auto& answer : (inProcess ? local_ : queries_)->AskAll(batch))
      answers[inProcess].push_back(std::move(answer));
  }

  std::map<std::string, Prepared, std::less<>> prepared;
  for (std::size_t i = 0; i < roots.size(); ++i) {
    Prepared p;
    if (const auto& at = asked[i].at) {
      const auto& found = answers[AnsweredInProcess(*at->snapshot, at->mount)];
      p.type = TypeFrom(at->mount, found[asked[i].device]);
      p.facts = ReadVolumeAnswer(found[asked[i].volume]);
    }
    prepared[roots[i]] = std::move(p);
  }
  std::lock_guard lock(preparedMutex_);
  prepared_ = std::move(prepared);
}

std::optional<VolumeFacts> LinuxFileSystems::QueryVolume(std::string_view root, const Located& at,
                                                         bool wantNames) const {
  if (auto p = PreparedFor(root)) return std::move(p->facts);
  const auto query = VolumeQuery(at.mount, wantNames);
  return ReadVolumeAnswer(QueriesFor(at).Ask(query.key, query.request));
}

const IBlockingQueries& LinuxFileSystems::QueriesFor(const Located& at) const {
  return AnsweredInProcess(*at.snapshot, at.mount) ? *local_ : *queries_;
}

uint32_t LinuxFileSystems::GetLogicalDriveStringsA(std::span<char> buffer) const {
  const auto snapshot = table_->Current();
  if (!snapshot) return 0;
  const std::string& list = snapshot->RootList();  // ends in two NULs
  return ansi_buffer::WriteText(std::string_view(list).substr(0, list.size() - 1), buffer);
}

uint32_t LinuxFileSystems::GetDriveTypeA(std::string_view root) const {
  if (auto p = PreparedFor(root)) return p->type;
  const auto at = Mount(root);
  if (!at) return kDriveNoRootDir;
  const MountEntry& mount = at->mount;
  const QueryAnswer device = NeedsSourceDevice(mount)
                                 ? QueriesFor(*at).Ask(mount.source, DeviceRequest(mount.source))
                                 : std::nullopt;
  return TypeFrom(mount, device);
}

std::string LinuxFileSystems::LabelInAnsi(std::string_view label) const {
  // Labels are UTF-8 as udev and blkid publish them; bytes that are not
  // become U+FFFD, as in mount points, before the code page takes them.
  return ansi_.ToAnsi(ReplaceIllFormedUtf8(label));
}

std::string LinuxFileSystems::VolumeLabelLookup(std::string_view root) const {
  const auto at = Mount(root);
  const auto facts = at ? QueryVolume(root, *at, true) : std::nullopt;
  if (!facts) throw DeviceUnavailableError();
  return LabelInAnsi(facts->label);
}

int32_t LinuxFileSystems::GetVolumeInformationA(std::string_view root,
                                                std::span<char> volumeName, uint32_t& serial,
                                                uint32_t& maxComponentLength, uint32_t& flags,
                                                std::span<char> fileSystemName) const {
  const auto at = Mount(root);
  if (!at) return 0;
  const auto facts = QueryVolume(root, *at, true);
  if (!facts) return 0;
  serial = SerialFromUuid(facts->uuid);
  maxComponentLength = static_cast<uint32_t>(
      std::min<uint64_t>(facts->vfs.namemax, std::numeric_limits<uint32_t>::max()));
  flags = kCaseSensitiveSearch | kCasePreservedNames |
          ((facts->vfs.flag & ST_RDONLY) != 0 ? kReadOnlyVolume : 0);
  ansi_buffer::WriteCut(LabelInAnsi(facts->label), volumeName);
  ansi_buffer::WriteCut(at->mount.fsType, fileSystemName);
  return 1;
}

int32_t LinuxFileSystems::GetDiskFreeSpaceExA(std::string_view root,
                                              uint64_t& freeBytesAvailableToCaller,
                                              uint64_t& totalBytes,
                                              uint64_t& totalFreeBytes) const {
  const auto at = Mount(root);
  if (!at) return 0;
  const auto facts = QueryVolume(root, *at, false);
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
  const auto at = Mount(root);
  if (!at) return 0;
  const auto facts = QueryVolume(root, *at, false);
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
