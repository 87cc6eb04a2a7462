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
                                           "hostile"),
                         [](const auto& info) { return std::string(info.param); });

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
