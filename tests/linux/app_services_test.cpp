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

// ---- the registry's PATH value: the first preferred tool on the search path ----

struct ToolCase {
  const char* name;
  std::string path;    // "|" stands for the folder of kTools
  const char* found;   // nullptr: none
  std::size_t spare = 1;  // the buffer's size beyond the path; 0 is one byte too few
};
const char* const kTools =
    "a/kinfocenter | #!/bin/sh | 755\nb/hardinfo | #!/bin/sh | 755\nc/hardinfo | #!/bin/sh | 755\n"
    "n/hardinfo | #!/bin/sh\nn/cpu-x | #!/bin/sh | 755\nf/hardinfo/\no/msinfo32 | #!/bin/sh | 755";

class RegistryPath : public ::testing::TestWithParam<ToolCase> {};
TEST_P(RegistryPath, NamesTheTool) {
  const auto& c = GetParam();
  const TempDir dir(test::Rows(kTools));
  std::string path = c.path;
  for (std::size_t at; (at = path.find('|')) != std::string::npos;)
    path.replace(at, 1, dir.path.string());
  const auto cwd = fs::current_path();
  fs::current_path(dir.path);  // where a relative entry would lead
  LinuxRegistry registry(path);
  RegistryKey key = 0;
  const auto opened = registry.RegOpenKeyExA(kHkeyLocalMachine, kMsInfoKey, 0, 0x2003F, key);
  fs::current_path(cwd);
  ASSERT_EQ(opened, c.found ? kErrorSuccess : kErrorFileNotFound);
  if (!c.found) return;
  const std::string expected = (dir / c.found).string();
  std::vector<uint8_t> data(expected.size() + c.spare, 0xAA);
  uint32_t type = 0, size = static_cast<uint32_t>(data.size());
  EXPECT_EQ(registry.RegQueryValueExA(key, "PATH", type, data, size),
            c.spare ? kErrorSuccess : kErrorMoreData);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, expected.size() + 1);  // the NUL counts
  EXPECT_EQ(std::string(data.begin(), data.end()),
            c.spare ? expected + '\0' + std::string(c.spare - 1, '\xAA')
                    : std::string(data.size(), '\xAA'));
}
INSTANTIATE_TEST_SUITE_P(Paths, RegistryPath, ::testing::Values(
    ToolCase{"Found", "/nonexistent:|/a/", "a/kinfocenter", 5},
    ToolCase{"OneByteTooFew", "|/a", "a/kinfocenter", 0},
    // The list's order decides, then the order of the path.
    ToolCase{"PreferredToolWins", "|/a:|/c:|/b", "c/hardinfo"},
    ToolCase{"NotExecutableIsSkipped", "|/n", "n/cpu-x"},
    ToolCase{"FolderIsSkipped", "|/f", nullptr},
    ToolCase{"OtherProgramsDoNotCount", "|/o", nullptr},
    ToolCase{"RelativeEntriesAreSkipped", "a::.", nullptr}), test::ByName);

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
