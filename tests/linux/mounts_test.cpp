#include "platform/linux/mounts.h"

#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/linux/test_support.h"

namespace kv::linux_os {
namespace {

std::vector<std::string> RootsOf(const MountSnapshot& snapshot) {
  std::vector<std::string> roots;
  for (const MountEntry* e : snapshot.Roots()) roots.push_back(e->target);
  return roots;
}

// The roots of each NAME.mountinfo fixture are those NAME.roots lists.
class FixtureRoots : public ::testing::TestWithParam<const char*> {};
TEST_P(FixtureRoots, ListsTheFileSystemsAUserWorksWith) {
  const std::string name = GetParam();
  const auto entries = ReadMountInfo(test::Fixture(name + ".mountinfo"));
  ASSERT_TRUE(entries) << name;
  std::vector<std::string> expected;
  for (const auto& row : test::Table(name + ".roots")) expected.push_back(row[0]);
  EXPECT_EQ(RootsOf(MountSnapshot(*entries)), expected);
}
INSTANTIATE_TEST_SUITE_P(Machines, FixtureRoots,
                         ::testing::Values("ubuntu_desktop", "virtual_machine", "fedora_btrfs",
                                           "hostile", "fuse"),
                         [](const auto& info) { return std::string(info.param); });

// The kernel never shows x-* options: mount(8) keeps them in its utab file,
// and an x-gvfs-hide there hides the mount it names, by id, or else by
// target and root (the covering mount where several share a point).
TEST(Utab, XGvfsHideHidesTheMountItNames) {
  const std::string mountinfo =
      "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "2 1 8:17 / /media/usb\\040stick rw - vfat /dev/sdb1 rw\n"
      "3 1 0:41 / /tmp/a rw - tmpfs tmpfs rw\n"
      "4 1 0:42 / /tmp/a rw - tmpfs tmpfs rw\n"
      "5 1 0:43 / /srv rw - nfs4 nas:/e rw\n"
      "6 1 8:18 /sub /mnt/bind rw - ext4 /dev/sdb2 rw\n";
  const std::vector<std::string> all = {"/", "/media/usb stick", "/tmp/a", "/srv", "/mnt/bind"};
  const struct {
    const char* utab;
    std::vector<std::string> hidden;
  } kRows[] = {
      {"", {}},
      {"SRC=/dev/sdb1 TARGET=/media/usb\\040stick ROOT=/ OPTS=x-gvfs-hide\n", {"/media/usb stick"}},
      {"ID=5 SRC=nas:/e TARGET=/elsewhere ROOT=/ OPTS=noauto,x-gvfs-hide\n", {"/srv"}},
      {"TARGET=/tmp/a OPTS=x-gvfs-hide\n", {"/tmp/a"}},     // the covering mount 4
      {"TARGET=/mnt/bind ROOT=/ OPTS=x-gvfs-hide\n", {}},   // its root is /sub
      {"ID=99 TARGET=/srv ROOT=/ OPTS=x-gvfs-hide\n", {}},  // no mount 99
      {"TARGET=/srv ROOT=/ OPTS=x-gvfs-show\n", {}},
      {"OPTS=x-gvfs-hide\ngarbage\n\nTARGET=/srv\tOPTS=x-gvfs-hide", {"/srv"}},
      {"TARGET=/srv OPTS=x-gvfs-name=\"a,x-gvfs-hide\"\n", {}},  // a comma within quotes
      {"TARGET=/srv OPTS=ro,x-gvfs-hide=yes\n", {"/srv"}},
  };
  for (const auto& row : kRows) {
    auto entries = ParseMountInfo(mountinfo);
    AddUserOptions(entries, ParseUtab(row.utab));
    std::vector<std::string> expected;
    for (const auto& root : all)
      if (std::find(row.hidden.begin(), row.hidden.end(), root) == row.hidden.end())
        expected.push_back(root);
    EXPECT_EQ(RootsOf(MountSnapshot(std::move(entries))), expected) << row.utab;
  }
}

// One mountinfo line each: what is read of it ("-" where it is skipped).
TEST(MountInfo, ReadsEachLineAsTheKernelWritesIt) {
  const struct {
    const char* line;
    const char* read;  // id parent major:minor root|target|type|source|options
  } kRows[] = {
      {"36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue",
       "36 35 98:0 /mnt1|/mnt2|ext3|/dev/root|rw,noatime,rw,errors=continue"},
      {"5 1 0:40 / /a\\040b\\011c rw - fuse.my\\040fs src\\134x rw",
       "5 1 0:40 /|/a b\tc|fuse.my fs|src\\x|rw,rw"},
      {"7 1 8:1 / /x rw shared:1 master:2 propagate_from:3 - ext4 /dev/sda1",
       "7 1 8:1 /|/x|ext4|/dev/sda1|rw"},
      {"\t8  1 8:1 / /y rw - ext4 /dev/sda1 rw", "8 1 8:1 /|/y|ext4|/dev/sda1|rw,rw"},
      {"9 1 8:1 / /z rw - ext4", "-"},             // no source
      {"9 1 8:1 / /z rw ext4 /dev/sda1 rw", "-"},  // no separator
      {"9 1 8-1 / /z rw - ext4 /dev/sda1 rw", "-"},
      {"x 1 8:1 / /z rw - ext4 /dev/sda1 rw", "-"},
      {"99999999999 1 8:1 / /z rw - ext4 /dev/sda1 rw", "-"},
  };
  for (const auto& row : kRows) {
    std::size_t skipped = 0;
    const auto entries = ParseMountInfo(row.line, &skipped);
    std::string read = "-";
    if (entries.size() == 1) {
      const MountEntry& e = entries[0];
      read = std::to_string(e.id) + ' ' + std::to_string(e.parentId) + ' ' +
             std::to_string(major(e.device)) + ':' + std::to_string(minor(e.device)) + ' ' +
             e.root + '|' + e.target + '|' + e.fsType + '|' + e.source + '|' + e.options;
    }
    EXPECT_EQ(read, row.read) << row.line;
    EXPECT_EQ(skipped, entries.empty() ? 1u : 0u) << row.line;
  }
}

TEST(MountSnapshot, TenThousandMountsInOrder) {
  std::string text = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";
  std::vector<std::string> expected = {"/"};
  for (int i = 0; i < 10000; ++i) {
    text += std::to_string(i + 2) + " 1 0:" + std::to_string(100 + i) + " / /srv/vol\\040" +
            std::to_string(i) + " rw - " +
            (i % 2 ? "nfs4 server:/e" + std::to_string(i) : std::string("tmpfs tmpfs")) + " rw\n";
    expected.push_back("/srv/vol " + std::to_string(i));
  }
  const MountSnapshot snapshot(ParseMountInfo(text));
  EXPECT_EQ(RootsOf(snapshot), expected);
}

}  // namespace
}  // namespace kv::linux_os
