// The mount table and the roots the Linux layer lists as drives.
#pragma once

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kv::linux_os {

// One line of /proc/self/mountinfo, with the kernel's octal escapes undone.
struct MountEntry {
  int id = 0;
  int parentId = 0;
  dev_t device = 0;     // major:minor of the file system
  std::string root;     // the directory of the file system mounted here ("/" for all of it)
  std::string target;   // the mount point
  std::string fsType;   // as the kernel names it: "ext4", "nfs4", "fuse.sshfs"
  std::string source;   // "/dev/sda1", "server:/export", "tmpfs"
  std::string options;  // the mount's and the file system's options, comma-separated
};

// What a mount is to the user.
enum class MountKind {
  Other,    // pseudo and virtual file systems, and RAM file systems of the system's own
  Block,    // backed by a block device
  Network,  // a network file system
  Ram,      // tmpfs or ramfs mounted where the user works
  Fuse,     // a FUSE file system mounted where the user works (mergerfs, gocryptfs, bindfs)
};

bool IsNetworkFileSystem(std::string_view fsType);
bool IsRamFileSystem(std::string_view fsType);
bool IsFuseFileSystem(std::string_view fsType);
// File systems whose figures come from memory: those of local disks, RAM
// file systems and the kernel's own. Network, FUSE and automounted file
// systems, and any unknown one, may wait for something outside.
bool IsLocalFileSystem(std::string_view fsType);
MountKind KindOf(const MountEntry& entry);
// Mounts that are not the user's drives although their kind would list them:
// the read-only squashfs images of packages (snaps) on loop devices or
// through squashfuse, and any
// mount marked x-gvfs-hide, which desktops leave out of their drive lists.
bool HiddenFromDriveList(const MountEntry& entry);

// Parses mountinfo text, the kernel's escapes undone. Lines that are not
// mountinfo lines are skipped and counted in skipped (when given); blank
// lines are skipped without a count.
std::vector<MountEntry> ParseMountInfo(std::string_view text, std::size_t* skipped = nullptr);
// Reads and parses a mountinfo file; nullopt when it cannot be read.
std::optional<std::vector<MountEntry>> ReadMountInfo(const std::string& path,
                                                     std::size_t* skipped = nullptr);

// The options mount(8) keeps outside the kernel (x-gvfs-hide and the other
// x-* options of fstab) are in its utab file, /run/mount/utab, a line per
// mount: "SRC=... TARGET=... ROOT=... OPTS=...", newer versions with "ID=".
// Parses utab text: each entry holds the id (0 when not given), root,
// target, source and options of its line; lines without a target are skipped.
std::vector<MountEntry> ParseUtab(std::string_view text);
// Adds each utab entry's options to the options of the mount it names: the
// one with its id, or else the last one mounted with its target and root.
void AddUserOptions(std::vector<MountEntry>& entries, const std::vector<MountEntry>& utab);

// One reading of the mount table, with the lookups the drive queries need.
class MountSnapshot {
 public:
  explicit MountSnapshot(std::vector<MountEntry> entries);
  MountSnapshot(const MountSnapshot&) = delete;
  MountSnapshot& operator=(const MountSnapshot&) = delete;

  const std::vector<MountEntry>& Entries() const { return entries_; }
  // The mount that the path of a mount point leads to now, or nullptr when
  // no mount is there (a trailing '/' is ignored). A mount hidden under a
  // later mount is not found.
  const MountEntry* MountAt(std::string_view mountPoint) const;
  // The mount that entry (one of Entries()) is mounted on; nullptr for the
  // root mount and where the table does not hold it.
  const MountEntry* Parent(const MountEntry& entry) const;
  // The roots: block-device, network, RAM and FUSE file systems that can be
  // reached and are not hidden from drive lists, each file system once, in
  // mount order.
  const std::vector<const MountEntry*>& Roots() const { return roots_; }
  // The roots in the GetLogicalDriveStringsA form: each followed by a NUL,
  // then one more NUL.
  const std::string& RootList() const { return rootList_; }

 private:
  void FindReachable();

  std::vector<MountEntry> entries_;
  static constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);
  std::vector<bool> reachable_;
  std::vector<std::size_t> parentOf_;  // entry -> its parent's index, or kNoParent
  std::unordered_map<std::string_view, std::size_t> reachableAt_;  // target -> entry
  std::vector<const MountEntry*> roots_;
  std::string rootList_;
};

// The system's mount table, read at the first question and kept: the window
// is filled once, and every query of that fill sees the same table.
class MountTable {
 public:
  // utab: mount(8)'s file of the options it keeps (none when empty or missing).
  explicit MountTable(std::string path = "/proc/self/mountinfo", std::string utab = "");
  MountTable(const MountTable&) = delete;
  MountTable& operator=(const MountTable&) = delete;

  // The table as it stood at the first call; nullptr when it could not be read.
  std::shared_ptr<const MountSnapshot> Current();

 private:
  std::string path_;
  std::string utab_;
  std::mutex mutex_;
  bool read_ = false;
  std::shared_ptr<const MountSnapshot> snapshot_;
};

}  // namespace kv::linux_os
