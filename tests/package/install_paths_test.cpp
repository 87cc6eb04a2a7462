#include "platform/linux/install_paths.h"

#include <gtest/gtest.h>

#include <string>

namespace kv::linux_os {
namespace {

// The folders searched for the Qt module and for the data, best first, each
// followed by a space.
struct LayoutCase {
  const char* name;
  const char* programDir;
  InstallLayout layout;
  const char* modules;
  const char* data;
};

const InstallLayout kDebian{"/usr", "bin", "lib/x86_64-linux-gnu", "share"};

class InstallPaths : public ::testing::TestWithParam<LayoutCase> {};
TEST_P(InstallPaths, LooksRelativeToTheProgramFirst) {
  const auto& c = GetParam();
  std::string modules, data;
  for (const auto& dir : ModuleDirs(c.programDir, c.layout)) modules += dir.string() + ' ';
  for (const auto& dir : DataDirs(c.programDir, c.layout)) data += dir.string() + ' ';
  EXPECT_EQ(modules, c.modules);
  EXPECT_EQ(data, c.data);
}

INSTANTIATE_TEST_SUITE_P(Layouts, InstallPaths, ::testing::Values(
    LayoutCase{"InstalledWhereConfigured", "/usr/bin", kDebian,
               "/usr/lib/x86_64-linux-gnu/kavreno /usr/lib ", "/usr/bin /usr/share/kavreno "},
    LayoutCase{"InstalledElsewhere", "/opt/k/bin", kDebian,
               "/opt/k/lib/x86_64-linux-gnu/kavreno /opt/k/lib /usr/lib/x86_64-linux-gnu/kavreno ",
               "/opt/k/bin /opt/k/share/kavreno /usr/share/kavreno "},
    LayoutCase{"BuildTree", "/src/build/bin", {"/usr/local", "bin", "lib", "share"},
               "/src/build/lib/kavreno /src/build/lib /usr/local/lib/kavreno ",
               "/src/build/bin /src/build/share/kavreno /usr/local/share/kavreno "},
    LayoutCase{"DeeperBindir", "/p/x/bin", {"/usr", "x/bin", "lib", "share"},
               "/p/lib/kavreno /p/x/lib /usr/lib/kavreno ",
               "/p/x/bin /p/share/kavreno /usr/share/kavreno "},
    LayoutCase{"AbsoluteDirsStayPut", "/opt/k/bin", {"/usr", "bin", "/srv/lib", "/srv/share"},
               "/srv/lib/kavreno /opt/k/lib ", "/opt/k/bin /srv/share/kavreno "},
    LayoutCase{"ProgramUnknown", "", kDebian, "/usr/lib/x86_64-linux-gnu/kavreno ",
               "/usr/share/kavreno "}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv::linux_os
