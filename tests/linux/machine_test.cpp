// The provider and the drive report with the real Linux layer, checked
// against what this machine's own interfaces answer.
#include <sys/utsname.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/drives/drives.h"
#include "platform/factory.h"
#include "sysinfo/clsSystem.h"
#include "tests/fakes/fake_ui.h"

namespace kv::linux_os::test {
namespace {

TEST(ThisMachine, AnswersAgreeWithTheSystem) {
  const auto platform = CreateOsPlatform();
  const OsServices os = platform->Services();
  const clsSystem system(os);

  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  const std::string host = names.nodename;
  EXPECT_EQ(system.ComputerName(), host);  // whole, also from 50 to 64 bytes

  uint8_t load = 0;
  int32_t total = 0, free = 0;
  system.FreeMemory(load, total, free);
  EXPECT_LE(load, 100);
  EXPECT_GT(total, 0);
  EXPECT_LE(free, total);
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
  EXPECT_NEAR(total, static_cast<double>(pages) * pageSize / 1024, total * 0.01 + 1);

  std::string processor;
  int32_t count = 0, mask = 0;
  system.SystemInfo(processor, count, mask);
  EXPECT_EQ(count, sysconf(_SC_NPROCESSORS_ONLN));
  EXPECT_NE(mask, 0);

  EXPECT_EQ(system.WinDir(), "/");
  EXPECT_EQ(system.SystemDir(), "/usr/lib/");
  EXPECT_EQ(system.TempDir().back(), '/');

  kv::test::FakeTextBox box;
  Drives(os, box);
  EXPECT_EQ(box.text.rfind("Disk /\r\n", 0), 0u);  // the root file system comes first
  EXPECT_EQ(box.text.find("  File System: -\r\n"), std::string::npos);  // every root answered
  EXPECT_NE(box.text.find("  Drive Type:  "), std::string::npos);
}

}  // namespace
}  // namespace kv::linux_os::test
