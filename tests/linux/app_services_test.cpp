#include <signal.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

#include "platform/errors.h"
#include "platform/linux/app_services.h"
#include "tests/linux/test_support.h"

namespace kv::linux_os {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

// ---- the registry's PATH value (tools.cases) ----

class RegistryPath : public ::testing::TestWithParam<test::Row> {};
TEST_P(RegistryPath, NamesTheTool) {
  const auto& r = GetParam();
  const TempDir dir(test::Table("tools.tree"));
  std::string path = r[1];
  for (std::size_t at; (at = path.find('@')) != std::string::npos;)
    path.replace(at, 1, dir.path.string());
  const auto cwd = fs::current_path();
  fs::current_path(dir.path);  // where a relative entry would lead
  LinuxRegistry registry(path);
  RegistryKey key = 0;
  const auto opened = registry.RegOpenKeyExA(kHkeyLocalMachine, kMsInfoKey, 0, 0x2003F, key);
  fs::current_path(cwd);
  ASSERT_EQ(opened, r[2] != "-" ? kErrorSuccess : kErrorFileNotFound);
  if (r[2] == "-") return;
  const std::string expected = (dir / r[2]).string();
  const std::size_t spare = std::stoul(r[3]);
  std::vector<uint8_t> data(expected.size() + spare, 0xAA);
  uint32_t type = 0, size = static_cast<uint32_t>(data.size());
  EXPECT_EQ(registry.RegQueryValueExA(key, "PATH", type, data, size),
            spare ? kErrorSuccess : kErrorMoreData);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, expected.size() + 1);  // the NUL counts
  EXPECT_EQ(std::string(data.begin(), data.end()),
            spare ? expected + '\0' + std::string(spare - 1, '\xAA')
                  : std::string(data.size(), '\xAA'));
}
INSTANTIATE_TEST_SUITE_P(Paths, RegistryPath, ::testing::ValuesIn(test::Table("tools.cases")),
                         test::ByName);

// ---- the file test: regular files whose names do not start with a dot ----

class FileExistence : public ::testing::TestWithParam<std::pair<const char*, bool>> {};
TEST_P(FileExistence, OrdinaryFilesOnly) {
  const TempDir dir(test::Rows("file.exe | x\n.hidden | x\nfolder/\nlink | -> file.exe\n"
                               "folderlink | -> folder\ndangling | -> missing\n"));
  EXPECT_EQ(LinuxFiles().FileExists((dir / GetParam().first).string()), GetParam().second);
}
INSTANTIATE_TEST_SUITE_P(Paths, FileExistence, ::testing::Values(
    std::pair("file.exe", true), std::pair("none.exe", false), std::pair("folder", false),
    std::pair(".hidden", false), std::pair("link", true), std::pair("folderlink", false),
    std::pair("dangling", false), std::pair("file.exe/x", false)));

// ---- program start ----

TEST(LinuxPrograms, StartsExactlyThatProgramAndLeavesNoZombie) {
  TempDir dir;
  const std::string marker = (dir / "marker").string();
  // A decoy where the path would be cut at its space.
  WriteFile(dir / "x/my", "#!/bin/sh\necho decoy > '" + marker + "'\n", 0755);
  WriteFile(dir / "x/my tool", "#!/bin/sh\nprintf 'tool|%s|%s' \"$0\" \"$#\" > '" + marker + "'\n",
            0755);
  const std::string path = (dir / "x/my tool").string();
  const auto pid = static_cast<pid_t>(LinuxPrograms().Shell(path, kShowNormalFocus));
  ASSERT_GT(pid, 0);
  std::string text;
  bool gone = false;
  for (int i = 0; i < 500 && !(gone && !text.empty()); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (text.empty()) std::getline(std::ifstream(marker), text);
    gone = kill(pid, 0) != 0 && errno == ESRCH;  // a zombie would still answer
  }
  EXPECT_EQ(text, "tool|" + path + "|0");
  EXPECT_TRUE(gone) << "the child was not reaped";
}

TEST(LinuxPrograms, WhatIsNotAProgramFails) {
  const TempDir dir(test::Rows("tool | #!/bin/sh\ntext | just some words | 755"));
  for (const std::string& path : {(dir / "tool").string(), (dir / "text").string(),
                                  (dir / "missing").string(), std::string()})
    EXPECT_THROW(LinuxPrograms().Shell(path, kShowNormalFocus), kv::Error) << path;
}

}  // namespace
}  // namespace kv::linux_os
