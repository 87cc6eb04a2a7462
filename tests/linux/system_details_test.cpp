// Today's facts of a Linux system, read from fixture trees: one folder per
// machine, with what it has of os-release (in /etc and /usr/lib), cpuinfo,
// the device tree's model and DMI, and the facts expected of it.
#include "platform/linux/system_details.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace kv::linux_os {
namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> Expected(const fs::path& file) {
  std::ifstream in(file);
  std::map<std::string, std::string> values;
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

TEST(SystemDetails, ReadsEachFixtureMachine) {
  int machines = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(KV_LINUX_FIXTURES) / "details")) {
    const fs::path dir = entry.path();
    const LinuxSystemDetails reader({
        .osRelease = dir / "os-release",
        .osReleaseFallback = dir / "usr-os-release",
        .cpuinfo = dir / "cpuinfo",
        .deviceTreeModel = dir / "dt-model",
        .dmiVendor = dir / "sys_vendor",
        .dmiProduct = dir / "product_name",
    });
    const SystemDetails d = reader.Details();
    auto expected = Expected(dir / "expected");
    EXPECT_EQ(d.osName, expected["PRETTY_NAME"]) << dir;
    EXPECT_EQ(d.processorName, expected["CPU"]) << dir;
    EXPECT_EQ(d.machine, expected["MACHINE"]) << dir;
    ++machines;
  }
  EXPECT_GE(machines, 7);
}

// The kernel's release and machine are uname's; the files of this machine
// give at least what they say.
TEST(SystemDetails, ThisMachine) {
  struct utsname uts {};
  ASSERT_EQ(uname(&uts), 0);
  const SystemDetails d = LinuxSystemDetails().Details();
  EXPECT_EQ(d.osBuild, uts.release);
  EXPECT_EQ(d.architecture, uts.machine);
  if (fs::exists("/etc/os-release") || fs::exists("/usr/lib/os-release")) {
    EXPECT_NE(d.osName, "");
  }
}

// A file that is not a regular file is not waited for, and counts as not said.
TEST(SystemDetails, WaitsForNoFifo) {
  const fs::path dir = fs::temp_directory_path() / ("kv-details-" + std::to_string(getpid()));
  fs::create_directories(dir);
  ASSERT_EQ(mkfifo((dir / "os-release").c_str(), 0600), 0);
  const SystemDetails d = LinuxSystemDetails({.osRelease = dir / "os-release",
                                              .osReleaseFallback = "/dev/zero",
                                              .cpuinfo = "/dev/zero",
                                              .deviceTreeModel = dir / "none",
                                              .dmiVendor = dir / "none",
                                              .dmiProduct = dir / "none"})
                              .Details();
  EXPECT_EQ(d.osName, "");
  EXPECT_EQ(d.processorName, "");
  fs::remove_all(dir);
}

// Only a file the kernel's sysfs holds is read in the program.
TEST(SystemDetails, TellsWhatLiesOnSysfs) {
  const std::string table =
      "22 1 0:21 / /sys rw,nosuid - sysfs sysfs rw\n"
      "26 1 0:5 / /proc rw - proc proc rw\n"
      "30 22 0:26 / /sys/fs/cgroup rw shared:9 - cgroup2 cgroup2 rw\n";
  const struct {
    std::string mountinfo;
    const char* path;
    bool onSysfs;
  } table_[] = {
      {table, "/sys/devices/virtual/dmi/id/sys_vendor", true},
      {table, "/sys/fs/cgroup/x", false},
      {table, "/system/x", false},
      {table + "40 22 0:50 / /sys/devices rw - fuse.hangfs hang rw\n",
       "/sys/devices/virtual/dmi/id/sys_vendor", false},
      {table + "41 22 0:51 / /sys rw - fuse.hangfs hang rw\n", "/sys/firmware/x", false},
      {"26 1 0:5 / /proc rw - proc proc rw\n", "/sys/devices/x", false},
      {"", "/sys/devices/x", false},
  };
  for (const auto& row : table_)
    EXPECT_EQ(OnSysfs(row.mountinfo, row.path), row.onSysfs) << row.path << "\n" << row.mountinfo;
}

TEST(SystemDetails, ParsersTakeWhatTheFilesSay) {
  EXPECT_EQ(ParseOsReleaseValue("A=1\nB=\"x y\"\n", "B"), "x y");
  EXPECT_EQ(ParseOsReleaseValue("#PRETTY_NAME=no\nNAME=x", "PRETTY_NAME"), std::nullopt);
  EXPECT_EQ(ParseOsReleaseValue("PRETTY_NAME=\"open", "PRETTY_NAME"), "open");
  EXPECT_EQ(ParseCpuModelName("model name:\nmodel name : B"), "B");
  EXPECT_EQ(TrimFactText(std::string("Board\0rest", 10)), "Board");
}

}  // namespace
}  // namespace kv::linux_os
