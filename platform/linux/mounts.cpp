#include "platform/linux/mounts.h"

#include <libmount.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "platform/linux/system_files.h"

namespace kv::linux_os {
namespace {

// File systems reached over a network, or shared from a host as a network
// share is (9p, virtiofs).
constexpr std::string_view kNetworkFileSystems[] = {
    "nfs",       "nfs4",           "cifs",       "smb3",         "smbfs",
    "ncpfs",     "afs",            "coda",       "9p",           "virtiofs",
    "ceph",      "glusterfs",      "lustre",     "beegfs",       "gpfs",
    "davfs",     "fuse.glusterfs", "fuse.sshfs", "fuse.curlftpfs", "fuse.s3fs",
    "fuse.rclone", "fuse.cephfs"};

// File systems that are block-device backed although their source is not a
// device node (a pool or a dataset name).
constexpr std::string_view kPoolFileSystems[] = {"zfs", "bcachefs"};

// Where snap packages mount their images.
constexpr std::string_view kPackageImageTrees[] = {"/snap", "/var/lib/snapd/snap"};

// Places where the system keeps its own RAM file systems.
constexpr std::string_view kSystemTrees[] = {"/dev", "/proc", "/sys", "/run"};

bool InTree(std::string_view path, std::string_view tree) {
  return path == tree || (path.starts_with(tree) && path.size() > tree.size() &&
                          path[tree.size()] == '/');
}

template <std::size_t N>
bool OneOf(std::string_view s, const std::string_view (&set)[N]) {
  for (auto v : set)
    if (v == s) return true;
  return false;
}

std::string_view WithoutTrailingSlash(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

bool ValidRootPath(std::string_view target) {
  return !target.empty() && target.front() == '/' && target.find('\0') == std::string_view::npos;
}

// libmount guesses the format of a table from its first line; lines in
// front of the first mountinfo line ("ID PARENT ...") would make it read
// the whole text as fstab. They are dropped here.
bool LooksLikeMountInfoLine(std::string_view line) {
  std::size_t i = 0;
  auto digits = [&] {
    const std::size_t start = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    return i > start;
  };
  auto blanks = [&] {
    const std::size_t start = i;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    return i > start;
  };
  blanks();
  return digits() && blanks() && digits();
}

int SkipLine(struct libmnt_table* table, const char*, int) {
  if (auto* skipped = static_cast<std::size_t*>(mnt_table_get_userdata(table))) ++*skipped;
  return 1;  // recoverable: go on with the next line
}

// The mount table of a machine with many thousands of mounts is a few MB.
constexpr std::size_t kMountTableLimit = 64u << 20;

std::optional<std::string> ReadFileText(const std::string& path) {
  return ReadRegularFile(path, kMountTableLimit);
}

struct ParentAndTarget {
  std::size_t parent;
  std::string_view target;
  bool operator==(const ParentAndTarget&) const = default;
};
struct ParentAndTargetHash {
  std::size_t operator()(const ParentAndTarget& k) const {
    return std::hash<std::string_view>()(k.target) ^ (k.parent * 0x9E3779B97F4A7C15ull);
  }
};

}  // namespace

bool IsNetworkFileSystem(std::string_view fsType) { return OneOf(fsType, kNetworkFileSystems); }

bool IsRamFileSystem(std::string_view fsType) { return fsType == "tmpfs" || fsType == "ramfs"; }

MountKind KindOf(const MountEntry& entry) {
  if (IsNetworkFileSystem(entry.fsType)) return MountKind::Network;
  if (IsRamFileSystem(entry.fsType)) {
    for (auto tree : kSystemTrees)
      if (InTree(entry.target, tree)) return MountKind::Other;
    return MountKind::Ram;
  }
  // The root file system is always one the user works with, also where it is
  // an overlay or another file system without a device (containers, live systems).
  if (entry.target == "/") return MountKind::Block;
  if ((entry.source.starts_with("/dev/") && entry.source.size() > 5) ||
      OneOf(entry.fsType, kPoolFileSystems))
    return MountKind::Block;
  return MountKind::Other;
}

bool HiddenFromDriveList(const MountEntry& entry) {
  if (mnt_match_options(entry.options.c_str(), "x-gvfs-hide") == 1) return true;
  if (entry.fsType != "squashfs" || !entry.source.starts_with("/dev/loop")) return false;
  for (auto tree : kPackageImageTrees)
    if (InTree(entry.target, tree)) return true;
  return false;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text, std::size_t* skipped) {
  std::size_t dropped = 0;
  // Drop lines before the first mountinfo line (see LooksLikeMountInfoLine).
  while (!text.empty()) {
    const auto eol = text.find('\n');
    const auto line = text.substr(0, eol);
    if (LooksLikeMountInfoLine(line)) break;
    if (line.find_first_not_of(" \t\r") != std::string_view::npos) ++dropped;
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
  }
  std::vector<MountEntry> entries;
  if (skipped) *skipped = dropped;
  if (text.empty()) return entries;

  FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  if (stream == nullptr) return entries;
  struct libmnt_table* table = mnt_new_table();
  if (table == nullptr) {
    std::fclose(stream);
    return entries;
  }
  std::size_t badLines = 0;
  mnt_table_set_userdata(table, &badLines);
  mnt_table_set_parser_errcb(table, SkipLine);
  mnt_table_parse_stream(table, stream, "mountinfo");
  std::fclose(stream);

  entries.reserve(static_cast<std::size_t>(mnt_table_get_nents(table)));
  struct libmnt_iter* it = mnt_new_iter(MNT_ITER_FORWARD);
  struct libmnt_fs* fs = nullptr;
  auto text_of = [](const char* s) { return s ? std::string(s) : std::string(); };
  while (it != nullptr && mnt_table_next_fs(table, it, &fs) == 0) {
    MountEntry e;
    e.id = mnt_fs_get_id(fs);
    e.parentId = mnt_fs_get_parent_id(fs);
    e.device = mnt_fs_get_devno(fs);
    e.root = text_of(mnt_fs_get_root(fs));
    e.target = text_of(mnt_fs_get_target(fs));
    e.fsType = text_of(mnt_fs_get_fstype(fs));
    e.source = text_of(mnt_fs_get_source(fs));
    if (char* options = mnt_fs_strdup_options(fs)) {
      e.options = options;
      std::free(options);
    }
    entries.push_back(std::move(e));
  }
  mnt_free_iter(it);
  mnt_unref_table(table);
  if (skipped) *skipped += badLines;
  return entries;
}

std::optional<std::vector<MountEntry>> ReadMountInfo(const std::string& path,
                                                     std::size_t* skipped) {
  const auto text = ReadFileText(path);
  if (!text) return std::nullopt;
  return ParseMountInfo(*text, skipped);
}

std::vector<MountEntry> ParseUtab(std::string_view text) {
  std::vector<MountEntry> entries;
  while (!text.empty()) {
    const auto eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    MountEntry e;
    while (!line.empty()) {
      const auto end = line.find_first_of(" \t");
      const std::string_view field = line.substr(0, end);
      line.remove_prefix(end == std::string_view::npos ? line.size() : end + 1);
      const auto equals = field.find('=');
      if (equals == std::string_view::npos) continue;
      const std::string_view key = field.substr(0, equals);
      // Values are written with octal escapes for blanks and backslashes ("\040").
      char* value = mnt_unmangle(std::string(field.substr(equals + 1)).c_str());
      if (value == nullptr) continue;
      if (key == "ID") {
        e.id = std::atoi(value);
      } else if (key == "SRC") {
        e.source = value;
      } else if (key == "TARGET") {
        e.target = value;
      } else if (key == "ROOT") {
        e.root = value;
      } else if (key == "OPTS") {
        e.options = value;
      }
      std::free(value);
    }
    if (!e.target.empty()) entries.push_back(std::move(e));
  }
  return entries;
}

void AddUserOptions(std::vector<MountEntry>& entries, const std::vector<MountEntry>& utab) {
  if (utab.empty()) return;
  // The last mount with an id, or with a target and root: a later mount on
  // the same point covers the earlier ones.
  std::unordered_map<int, std::size_t> byId;
  std::unordered_map<std::string, std::size_t> byPlace;  // target, NUL, root
  for (std::size_t i = 0; i < entries.size(); ++i) {
    byId[entries[i].id] = i;
    byPlace[entries[i].target + '\0' + entries[i].root] = i;
  }
  for (const MountEntry& user : utab) {
    if (user.options.empty()) continue;
    std::optional<std::size_t> i;
    const std::string place = user.target + '\0' + (user.root.empty() ? "/" : user.root);
    if (user.id > 0) {
      if (const auto it = byId.find(user.id); it != byId.end()) i = it->second;
    } else if (const auto it = byPlace.find(place); it != byPlace.end()) {
      i = it->second;
    }
    if (!i) continue;
    std::string& options = entries[*i].options;
    if (!options.empty()) options += ',';
    options += user.options;
  }
}

// ---- MountSnapshot ----------------------------------------------------------

MountSnapshot::MountSnapshot(std::vector<MountEntry> entries) : entries_(std::move(entries)) {
  FindReachable();
  std::unordered_set<dev_t> listed;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const MountEntry& e = entries_[i];
    if (!reachable_[i] || !ValidRootPath(e.target) || KindOf(e) == MountKind::Other ||
        HiddenFromDriveList(e))
      continue;
    if (!listed.insert(e.device).second) continue;  // this file system is listed already
    roots_.push_back(&e);
  }
  std::size_t listSize = 1;
  for (const MountEntry* e : roots_) listSize += e->target.size() + 1;
  rootList_.reserve(listSize);
  for (const MountEntry* e : roots_) {
    rootList_.append(e->target);
    rootList_.push_back('\0');
  }
  rootList_.push_back('\0');
}

// A mount can be reached when walking its path from the root mount, and
// stepping onto whatever is mounted at each directory on the way (the last
// mount on a directory covers the earlier ones), ends on that mount.
void MountSnapshot::FindReachable() {
  const std::size_t n = entries_.size();
  reachable_.assign(n, false);
  std::unordered_map<int, std::size_t> byId;
  byId.reserve(n);
  for (std::size_t i = 0; i < n; ++i) byId.emplace(entries_[i].id, i);

  std::optional<std::size_t> root;
  std::unordered_map<ParentAndTarget, std::size_t, ParentAndTargetHash> children;
  children.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const auto parent = byId.find(entries_[i].parentId);
    if (parent == byId.end() || parent->second == i) {
      if (!root && entries_[i].target == "/") root = i;
      continue;
    }
    children[{parent->second, entries_[i].target}] = i;  // a later mount covers an earlier one
  }

  if (!root) {
    // No tree to walk (a table cut out of a larger one): the last mount on
    // each path ("/tmp" and "/tmp/" are one path) is the one in reach.
    std::unordered_map<std::string_view, std::size_t> last;
    for (std::size_t i = 0; i < n; ++i) last[WithoutTrailingSlash(entries_[i].target)] = i;
    for (const auto& [path, i] : last) {
      reachable_[i] = true;
      reachableAt_.emplace(path, i);
    }
    return;
  }

  // The walk along a path steps, at each of its directories, onto the mounts
  // stacked there. Where it ends for a path depends on the path alone, so it
  // is found once per directory, from where the walk stood one directory up:
  // the whole table costs one step per directory and per stacked mount.
  auto descend = [&](std::size_t at, std::string_view dir) {
    for (std::size_t steps = 0; steps < n; ++steps) {
      const auto it = children.find({at, dir});
      if (it == children.end() || it->second == at) break;
      at = it->second;
    }
    return at;
  };
  std::unordered_map<std::string_view, std::size_t> walked;  // path -> where the walk ends
  walked.reserve(2 * n);
  std::vector<std::string_view> pending;
  auto resolve = [&](std::string_view path) {
    // The walk's last step: the path without a trailing '/'.
    if (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    std::size_t at = *root;
    pending.clear();
    for (std::string_view dir = path;;) {
      if (const auto it = walked.find(dir); it != walked.end()) {
        at = it->second;
        break;
      }
      pending.push_back(dir);
      if (dir == "/") break;  // the walk starts at the root mount
      const std::size_t slash = dir.rfind('/', dir.size() - 1);
      dir = slash == 0 ? std::string_view("/") : dir.substr(0, slash);
    }
    for (; !pending.empty(); pending.pop_back()) {
      at = descend(at, pending.back());
      walked.emplace(pending.back(), at);
    }
    return at;
  };
  for (std::size_t i = 0; i < n; ++i) {
    const std::string_view target = entries_[i].target;
    if (!ValidRootPath(target)) continue;
    if (resolve(target) == i) {
      reachable_[i] = true;
      reachableAt_[WithoutTrailingSlash(target)] = i;
    }
  }
}

const MountEntry* MountSnapshot::MountAt(std::string_view mountPoint) const {
  const auto it = reachableAt_.find(WithoutTrailingSlash(mountPoint));
  return it == reachableAt_.end() ? nullptr : &entries_[it->second];
}

// ---- MountTable -------------------------------------------------------------

MountTable::MountTable(std::string path, std::string utab)
    : path_(std::move(path)), utab_(std::move(utab)) {}

std::shared_ptr<const MountSnapshot> MountTable::Current() {
  std::lock_guard lock(mutex_);
  if (!read_) {
    read_ = true;
    if (auto entries = ReadMountInfo(path_)) {
      if (const auto text = utab_.empty() ? std::nullopt : ReadFileText(utab_))
        AddUserOptions(*entries, ParseUtab(*text));
      snapshot_ = std::make_shared<const MountSnapshot>(std::move(*entries));
    }
  }
  return snapshot_;
}

}  // namespace kv::linux_os
