#include <gtest/gtest.h>

#include <sys/sysmacros.h>

#include <string>
#include <vector>

#include "platform/linux/mounts.h"
#include "tests/linux/test_support.h"

namespace kv::linux_os {
namespace {

using test::Fixture;
using test::ReadFile;

std::vector<std::string> RootsOf(const MountSnapshot& snapshot) {
  std::vector<std::string> roots;
  for (const MountEntry* e : snapshot.Roots()) roots.push_back(e->target);
  return roots;
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> roots;
  std::size_t start = 0;
  while (start < list.size() && list[start] != '\0') {
    const auto end = list.find('\0', start);
    roots.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return roots;
}

struct RootsCase {
  const char* name;
  const char* fixture;
  std::vector<std::string> roots;
};

class FixtureRoots : public ::testing::TestWithParam<RootsCase> {};

TEST_P(FixtureRoots, ListsTheFileSystemsAUserWorksWith) {
  const auto& c = GetParam();
  const auto entries = ReadMountInfo(Fixture(c.fixture));
  ASSERT_TRUE(entries) << c.fixture;
  const MountSnapshot snapshot(*entries);
  EXPECT_EQ(RootsOf(snapshot), c.roots);
  // The list form holds the same roots, NUL after each and one more at the end.
  EXPECT_EQ(SplitList(snapshot.RootList()), c.roots);
  ASSERT_GE(snapshot.RootList().size(), 1u);
  EXPECT_EQ(snapshot.RootList().back(), '\0');
  if (!c.roots.empty()) {
    EXPECT_EQ(snapshot.RootList().substr(snapshot.RootList().size() - 2), std::string(2, '\0'));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Machines, FixtureRoots,
    ::testing::Values(
        // Pseudo file systems, /dev, /run and /sys mounts, the desktop's FUSE
        // helpers and the bind mount of / are left out; snaps are loop devices.
        RootsCase{"UbuntuDesktop",
                  "ubuntu_desktop.mountinfo",
                  {"/", "/snap/bare/5", "/snap/core20/1974", "/boot/efi", "/tmp", "/mnt/nas",
                   "/media/taro/USB STICK", "/media/taro/UBUNTU 22_04", "/home/taro/server",
                   "/mnt/win"}},
        // /home is a second subvolume of the btrfs file system at /: listed once.
        RootsCase{"FedoraBtrfs",
                  "fedora_btrfs.mountinfo",
                  {"/", "/boot", "/boot/efi", "/tmp", "/var/tmp/zram"}},
        RootsCase{"VirtualMachine", "virtual_machine.mountinfo", {"/", "/mnt/scratch"}},
        // Escaped names come through byte for byte; a mount over another hides
        // it, also one over a parent directory; garbage lines are skipped.
        RootsCase{"Hostile",
                  "hostile.mountinfo",
                  {"/", "/mnt/with space", "/mnt/tab\there", "/mnt/new\nline", "/mnt/back\\slash",
                   "/mnt/日本語", "/mnt/bad\xFF" "byte", "/mnt/stack", "/mnt/under", "/mnt/ram",
                   "/devices", "/mnt/share", "/mnt/zfs"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseMountInfo, ReadsEveryField) {
  const auto entries = ParseMountInfo(
      "30 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw\n"
      "60 30 0:33 /home /home\\040dir rw,relatime - btrfs /dev/nvme0n1p3 rw,subvol=/home\n");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].id, 30);
  EXPECT_EQ(entries[0].parentId, 1);
  EXPECT_EQ(entries[0].device, makedev(259, 2));
  EXPECT_EQ(entries[0].fsType, "ext4");
  EXPECT_EQ(entries[0].source, "/dev/nvme0n1p2");
  EXPECT_EQ(entries[1].root, "/home");
  EXPECT_EQ(entries[1].target, "/home dir");
  EXPECT_EQ(entries[1].device, makedev(0, 33));
}

TEST(ParseMountInfo, CountsTheLinesItSkips) {
  std::size_t skipped = 0;
  const auto entries = ParseMountInfo(ReadFile(Fixture("hostile.mountinfo")), &skipped);
  EXPECT_EQ(entries.size(), 20u);
  EXPECT_EQ(skipped, 3u);  // the leading line, the one in the middle, the cut one
}

TEST(ParseMountInfo, EmptyAndGarbageGiveNoMounts) {
  std::size_t skipped = 0;
  EXPECT_TRUE(ParseMountInfo("", &skipped).empty());
  EXPECT_EQ(skipped, 0u);
  EXPECT_TRUE(ParseMountInfo("not a table\nat all\n", &skipped).empty());
  EXPECT_EQ(skipped, 2u);
  EXPECT_TRUE(ParseMountInfo(std::string(100000, '\xFF')).empty());
}

TEST(ParseMountInfo, VeryLongMountPoint) {
  // 4000 path components with escaped spaces: a line of over 40,000 bytes.
  std::string escaped = "/mnt";
  std::string plain = "/mnt";
  for (int i = 0; i < 4000; ++i) {
    escaped += "/d\\040" + std::to_string(i % 10);
    plain += "/d " + std::to_string(i % 10);
  }
  const std::string text = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                           "2 1 8:2 / " + escaped + " rw - ext4 /dev/sda2 rw\n";
  const MountSnapshot snapshot(ParseMountInfo(text));
  EXPECT_EQ(RootsOf(snapshot), (std::vector<std::string>{"/", plain}));
  ASSERT_NE(snapshot.MountAt(plain), nullptr);
  EXPECT_EQ(snapshot.MountAt(plain)->source, "/dev/sda2");
}

TEST(MountSnapshot, TenThousandMountsInOrder) {
  std::string text = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";
  std::vector<std::string> expected = {"/"};
  for (int i = 0; i < 10000; ++i) {
    const std::string id = std::to_string(i + 2);
    const std::string target = "/srv/vol\\040" + std::to_string(i);
    // Each under its own parent directory mount, alternating network and RAM.
    text += id + " 1 0:" + std::to_string(100 + i) + " / " + target + " rw - " +
            (i % 2 ? "nfs4 server:/e" + std::to_string(i) : std::string("tmpfs tmpfs")) + " rw\n";
    expected.push_back("/srv/vol " + std::to_string(i));
  }
  const MountSnapshot snapshot(ParseMountInfo(text));
  EXPECT_EQ(RootsOf(snapshot), expected);
  EXPECT_EQ(SplitList(snapshot.RootList()), expected);
  ASSERT_NE(snapshot.MountAt("/srv/vol 9999"), nullptr);
  EXPECT_EQ(snapshot.MountAt("/srv/vol 9999")->fsType, "nfs4");
}

TEST(MountSnapshot, ThousandsOfMountsStackedOnOnePoint) {
  std::string text = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";
  for (int i = 0; i < 5000; ++i)
    text += std::to_string(i + 2) + " " + std::to_string(i + 1) + " 0:" + std::to_string(100 + i) +
            " / /mnt/point rw - tmpfs t" + std::to_string(i) + " rw\n";
  const MountSnapshot snapshot(ParseMountInfo(text));
  EXPECT_EQ(RootsOf(snapshot), (std::vector<std::string>{"/", "/mnt/point"}));
  ASSERT_NE(snapshot.MountAt("/mnt/point"), nullptr);
  EXPECT_EQ(snapshot.MountAt("/mnt/point")->source, "t4999");
}

TEST(MountSnapshot, ParentCyclesDoNotHang) {
  const MountSnapshot snapshot(ParseMountInfo("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                              "2 3 8:2 / /a rw - ext4 /dev/sda2 rw\n"
                                              "3 2 8:3 / /a rw - ext4 /dev/sda3 rw\n"
                                              "4 4 8:4 / /b rw - ext4 /dev/sda4 rw\n"));
  EXPECT_EQ(RootsOf(snapshot), (std::vector<std::string>{"/"}));
}

TEST(MountSnapshot, WithoutARootMountTheLastMountOnAPathCounts) {
  const MountSnapshot snapshot(ParseMountInfo("5 4 8:1 / /data rw - ext4 /dev/sda1 rw\n"
                                              "6 4 8:2 / /data rw - ext4 /dev/sda2 rw\n"
                                              "7 4 0:40 / /net rw - cifs //s/x rw\n"));
  EXPECT_EQ(RootsOf(snapshot), (std::vector<std::string>{"/data", "/net"}));
  EXPECT_EQ(snapshot.MountAt("/data")->source, "/dev/sda2");
}

struct MountAtCase {
  const char* path;
  const char* source;  // nullptr: no mount there
};

class MountAtHostile : public ::testing::TestWithParam<MountAtCase> {};

TEST_P(MountAtHostile, FindsTheMountInReach) {
  static const MountSnapshot snapshot(*ReadMountInfo(Fixture("hostile.mountinfo")));
  const MountEntry* e = snapshot.MountAt(GetParam().path);
  if (GetParam().source == nullptr) {
    EXPECT_EQ(e, nullptr) << GetParam().path;
  } else {
    ASSERT_NE(e, nullptr) << GetParam().path;
    EXPECT_EQ(e->source, GetParam().source);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, MountAtHostile,
    ::testing::Values(MountAtCase{"/", "/dev/sda1"}, MountAtCase{"/mnt/stack", "/dev/sda9"},
                      MountAtCase{"/mnt/stack/", "/dev/sda9"},
                      MountAtCase{"/mnt/under", "/dev/sdb2"},
                      MountAtCase{"/mnt/under/deep", nullptr},
                      MountAtCase{"/srv", "/dev/sda1"},
                      MountAtCase{"/mnt/new\nline", "/dev/sda4"},
                      MountAtCase{"/mnt/overlay", "overlay"}, MountAtCase{"/mnt", nullptr},
                      MountAtCase{"/nowhere", nullptr}, MountAtCase{"", nullptr},
                      MountAtCase{"relative/target", nullptr}));

struct KindCase {
  const char* fsType;
  const char* source;
  const char* target;
  MountKind kind;
};

class MountKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(MountKinds, Classify) {
  const auto& c = GetParam();
  MountEntry e;
  e.fsType = c.fsType;
  e.source = c.source;
  e.target = c.target;
  EXPECT_EQ(KindOf(e), c.kind) << c.fsType << " " << c.source << " " << c.target;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, MountKinds,
    ::testing::Values(KindCase{"ext4", "/dev/sda1", "/", MountKind::Block},
                      KindCase{"fuseblk", "/dev/sdb1", "/media/x", MountKind::Block},
                      KindCase{"btrfs", "/dev/mapper/luks-1", "/home", MountKind::Block},
                      KindCase{"zfs", "rpool/ROOT/ubuntu", "/", MountKind::Block},
                      KindCase{"nfs4", "srv:/e", "/net", MountKind::Network},
                      KindCase{"cifs", "//srv/e", "/net", MountKind::Network},
                      KindCase{"fuse.sshfs", "u@h:/", "/net", MountKind::Network},
                      KindCase{"9p", "drvfs", "/mnt/c", MountKind::Network},
                      KindCase{"tmpfs", "tmpfs", "/tmp", MountKind::Ram},
                      KindCase{"ramfs", "ramfs", "/mnt/r", MountKind::Ram},
                      KindCase{"tmpfs", "tmpfs", "/dev/shm", MountKind::Other},
                      KindCase{"tmpfs", "tmpfs", "/run/user/1000", MountKind::Other},
                      KindCase{"tmpfs", "tmpfs", "/sys/fs/cgroup", MountKind::Other},
                      KindCase{"tmpfs", "tmpfs", "/runner", MountKind::Ram},
                      KindCase{"devtmpfs", "udev", "/dev", MountKind::Other},
                      KindCase{"overlay", "overlay", "/", MountKind::Other},
                      KindCase{"fuse.gvfsd-fuse", "gvfsd-fuse", "/run/user/1000/gvfs",
                               MountKind::Other},
                      KindCase{"ext4", "/dev/", "/x", MountKind::Other}));

// The table is read again when its file changes, and only then.
TEST(MountTable, ReadsTheFileAgainWhenItChanges) {
  test::TempDir dir;
  const auto path = dir / "mountinfo";
  test::WriteFile(path, "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                        "2 1 8:2 / /data rw - ext4 /dev/sda2 rw\n");
  MountTable table(path.string());
  const auto first = table.Current();
  ASSERT_TRUE(first);
  EXPECT_EQ(RootsOf(*first), (std::vector<std::string>{"/", "/data"}));
  EXPECT_EQ(table.Current(), first);  // unchanged: the same reading

  test::WriteFile(path, "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n");
  const auto second = table.Current();
  ASSERT_TRUE(second);
  EXPECT_EQ(RootsOf(*second), (std::vector<std::string>{"/"}));

  std::filesystem::remove(path);
  EXPECT_EQ(table.Current(), nullptr);
}

TEST(MountTable, ThisMachineListsTheRootFileSystem) {
  MountTable table;
  const auto snapshot = table.Current();
  ASSERT_TRUE(snapshot);
  const auto roots = RootsOf(*snapshot);
  EXPECT_NE(std::find(roots.begin(), roots.end(), "/"), roots.end());
  ASSERT_NE(snapshot->MountAt("/"), nullptr);
  EXPECT_EQ(table.Current(), snapshot);  // the kernel reports no change
}

}  // namespace
}  // namespace kv::linux_os
