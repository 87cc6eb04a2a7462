#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/linux/mounts.h"
#include "tests/linux/test_support.h"

namespace kv::linux_os {
namespace {

std::vector<std::string> RootsOf(const MountSnapshot& snapshot) {
  std::vector<std::string> roots;
  for (const MountEntry* e : snapshot.Roots()) roots.push_back(e->target);
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
  const auto entries = ReadMountInfo(test::Fixture(c.fixture));
  ASSERT_TRUE(entries) << c.fixture;
  const MountSnapshot snapshot(*entries);
  EXPECT_EQ(RootsOf(snapshot), c.roots);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, FixtureRoots,
    ::testing::Values(
        // /proc, /sys, /dev and /run mounts, the desktop's FUSE helpers, the
        // bind mount of /, the snaps' images and a mount marked x-gvfs-hide
        // are left out; an image the user mounted stays.
        RootsCase{"UbuntuDesktop",
                  "ubuntu_desktop.mountinfo",
                  {"/", "/boot/efi", "/tmp", "/mnt/nas", "/media/taro/USB STICK",
                   "/media/taro/UBUNTU 22_04", "/home/taro/server", "/mnt/win",
                   "/home/taro/images/rescue"}},
        RootsCase{"VirtualMachine", "virtual_machine.mountinfo", {"/", "/mnt/scratch"}},
        // /home is a second subvolume of the btrfs file system at /: listed once.
        RootsCase{"FedoraBtrfs",
                  "fedora_btrfs.mountinfo",
                  {"/", "/boot", "/boot/efi", "/tmp", "/var/tmp/zram"}},
        // Escaped names come through byte for byte; a mount over another hides
        // it, also one over a parent directory; /dev, /proc, /run and /sys hold no
        // roots (/devices and /runner do); garbage lines and mounts whose
        // parents form a loop are skipped.
        RootsCase{"Hostile",
                  "hostile.mountinfo",
                  {"/", "/mnt/with space", "/mnt/tab\there", "/mnt/new\nline", "/mnt/back\\slash",
                   "/mnt/日本語", "/mnt/bad\xFF" "byte", "/mnt/stack", "/mnt/under", "/mnt/ram",
                   "/devices", "/mnt/share", "/mnt/zfs", "/runner"}}),
    test::ByName);

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
