#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "platform/errors.h"
#include "platform/factory.h"
#include "platform/linux/app_services.h"
#include "tests/linux/test_support.h"

namespace kv::linux_os {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr const char* kScript = "#!/bin/sh\nexit 0\n";

// ---- registry -------------------------------------------------------------------

std::string ReadPathValue(LinuxRegistry& registry, std::size_t bufferSize, int32_t* result,
                          uint32_t* size) {
  RegistryKey key = 0;
  EXPECT_EQ(registry.RegOpenKeyExA(kHkeyLocalMachine, std::string(kMsInfoKey), 0, 0x2003F, key),
            kErrorSuccess);
  std::vector<uint8_t> data(bufferSize, 0xAA);
  uint32_t type = 0;
  *size = static_cast<uint32_t>(data.size());
  *result = registry.RegQueryValueExA(key, "PATH", type, data, *size);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(registry.RegCloseKey(key), kErrorSuccess);
  return std::string(data.begin(), data.end());
}

TEST(LinuxRegistry, FindsTheToolOnThePath) {
  TempDir dir;
  WriteFile(dir / "bin" / "hardinfo", kScript, 0755);
  LinuxRegistry registry("/nonexistent:" + (dir / "bin").string() + "/");
  int32_t result = 0;
  uint32_t size = 0;
  const std::string data = ReadPathValue(registry, 1024, &result, &size);
  const std::string expected = (dir / "bin" / "hardinfo").string();
  EXPECT_EQ(result, kErrorSuccess);
  EXPECT_EQ(size, expected.size() + 1);  // the NUL counts
  EXPECT_EQ(data.substr(0, size), expected + '\0');
  EXPECT_EQ(static_cast<uint8_t>(data[size]), 0xAA);
}

TEST(LinuxRegistry, SmallBufferAsksForMore) {
  TempDir dir;
  WriteFile(dir / "hardinfo", kScript, 0755);
  LinuxRegistry registry(dir.Path().string());
  const std::string expected = (dir / "hardinfo").string();
  int32_t result = 0;
  uint32_t size = 0;
  const std::string data = ReadPathValue(registry, expected.size(), &result, &size);
  EXPECT_EQ(result, kErrorMoreData);
  EXPECT_EQ(size, expected.size() + 1);
  EXPECT_EQ(data, std::string(expected.size(), '\xAA'));
}

struct ToolCase {
  const char* name;
  std::vector<std::pair<std::string, int>> files;  // "dir/name", mode (0: a folder)
  std::string path;                                // directories, "|" for the temp folder
  const char* found;                               // nullptr: none
};

class ToolSearch : public ::testing::TestWithParam<ToolCase> {};

TEST_P(ToolSearch, FindsTheFirstPreferredTool) {
  const auto& c = GetParam();
  TempDir dir;
  for (const auto& [file, mode] : c.files) {
    if (mode == 0) fs::create_directories(dir / file);
    else WriteFile(dir / file, kScript, mode);
  }
  std::string path = c.path;
  for (std::size_t at; (at = path.find('|')) != std::string::npos;)
    path.replace(at, 1, dir.Path().string());
  const auto tool = FindToolOnPath(path, DefaultSystemInfoTools());
  if (c.found == nullptr) {
    EXPECT_FALSE(tool) << *tool;
  } else {
    ASSERT_TRUE(tool);
    EXPECT_EQ(*tool, (dir / c.found).string());
  }

  LinuxRegistry registry(path);
  RegistryKey key = 0;
  EXPECT_EQ(registry.RegOpenKeyExA(kHkeyLocalMachine, std::string(kMsInfoKey), 0, 0x2003F, key),
            c.found ? kErrorSuccess : kErrorFileNotFound);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ToolSearch,
    ::testing::Values(
        ToolCase{"Found", {{"a/kinfocenter", 0755}}, "|/a", "a/kinfocenter"},
        // The list's order decides, then the order of the path.
        ToolCase{"PreferredToolWins",
                 {{"a/kinfocenter", 0755}, {"b/hardinfo", 0755}},
                 "|/a:|/b",
                 "b/hardinfo"},
        ToolCase{"FirstDirectoryWins",
                 {{"a/hardinfo", 0755}, {"b/hardinfo", 0755}},
                 "|/b:|/a",
                 "b/hardinfo"},
        ToolCase{"NotExecutableIsSkipped",
                 {{"a/hardinfo", 0644}, {"b/cpu-x", 0755}},
                 "|/a:|/b",
                 "b/cpu-x"},
        ToolCase{"FolderIsSkipped", {{"a/hardinfo", 0}}, "|/a", nullptr},
        ToolCase{"OtherProgramsDoNotCount", {{"a/msinfo32", 0755}}, "|/a", nullptr},
        ToolCase{"EmptyPath", {{"a/hardinfo", 0755}}, "", nullptr},
        ToolCase{"RelativeEntriesAreSkipped", {{"a/hardinfo", 0755}}, "a:.:", nullptr},
        ToolCase{"NothingThere", {}, "|/a:/nonexistent", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinuxRegistry, EverythingElseIsMissing) {
  TempDir dir;
  WriteFile(dir / "hardinfo", kScript, 0755);
  LinuxRegistry registry(dir.Path().string());
  RegistryKey key = 0;
  EXPECT_EQ(registry.RegOpenKeyExA(kHkeyLocalMachine,
                                   "SOFTWARE\\Microsoft\\Shared Tools Location", 0, 0x2003F, key),
            kErrorFileNotFound);
  EXPECT_EQ(registry.RegOpenKeyExA(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools", 0,
                                   0x2003F, key),
            kErrorFileNotFound);
  EXPECT_EQ(registry.RegOpenKeyExA(static_cast<int32_t>(0x80000001u), std::string(kMsInfoKey), 0,
                                   0x2003F, key),
            kErrorFileNotFound);
  // Key and value names are compared without regard to case.
  ASSERT_EQ(registry.RegOpenKeyExA(kHkeyLocalMachine, "software\\MICROSOFT\\shared tools\\msinfo",
                                   0, 0x2003F, key),
            kErrorSuccess);
  std::vector<uint8_t> data(1024);
  uint32_t type = 0, size = 1024;
  EXPECT_EQ(registry.RegQueryValueExA(key, "Path", type, data, size), kErrorSuccess);
  size = 1024;
  EXPECT_EQ(registry.RegQueryValueExA(key, "MSINFO", type, data, size), kErrorFileNotFound);
  EXPECT_EQ(registry.RegCloseKey(key), kErrorSuccess);
  EXPECT_NE(registry.RegCloseKey(key), kErrorSuccess);
  size = 1024;
  EXPECT_NE(registry.RegQueryValueExA(key, "PATH", type, data, size), kErrorSuccess);
}

TEST(LinuxRegistry, SearchesAgainAtEachOpen) {
  TempDir dir;
  LinuxRegistry registry(dir.Path().string());
  RegistryKey key = 0;
  EXPECT_EQ(registry.RegOpenKeyExA(kHkeyLocalMachine, std::string(kMsInfoKey), 0, 0x2003F, key),
            kErrorFileNotFound);
  WriteFile(dir / "gnome-system-monitor", kScript, 0755);
  EXPECT_EQ(registry.RegOpenKeyExA(kHkeyLocalMachine, std::string(kMsInfoKey), 0, 0x2003F, key),
            kErrorSuccess);
  registry.RegCloseKey(key);
}

// ---- file test ----------------------------------------------------------------------

struct ExistsCase {
  const char* name;
  const char* path;  // below the temp folder
  bool exists;
};

class FileExistence : public ::testing::TestWithParam<ExistsCase> {};

TEST_P(FileExistence, OrdinaryFilesOnly) {
  TempDir dir;
  WriteFile(dir / "file.exe", "x");
  WriteFile(dir / ".hidden", "x");
  WriteFile(dir / ".config" / "visible", "x");
  fs::create_directories(dir / "folder");
  fs::create_symlink(dir / "file.exe", dir / "link");
  fs::create_symlink(dir / "folder", dir / "folderlink");
  fs::create_symlink(dir / "missing", dir / "dangling");
  EXPECT_EQ(LinuxFiles().FileExists((dir / GetParam().path).string()), GetParam().exists)
      << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileExistence,
    ::testing::Values(ExistsCase{"File", "file.exe", true},
                      ExistsCase{"Missing", "none.exe", false},
                      ExistsCase{"Folder", "folder", false},
                      ExistsCase{"FolderWithSlash", "folder/", false},
                      ExistsCase{"Hidden", ".hidden", false},
                      ExistsCase{"InHiddenFolder", ".config/visible", true},
                      ExistsCase{"LinkToFile", "link", true},
                      ExistsCase{"LinkToFolder", "folderlink", false},
                      ExistsCase{"DanglingLink", "dangling", false},
                      ExistsCase{"BelowAFile", "file.exe/x", false},
                      ExistsCase{"CaseMatters", "FILE.EXE", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinuxFiles, EmptyAndUnusablePaths) {
  EXPECT_FALSE(LinuxFiles().FileExists(""));
  EXPECT_THROW(LinuxFiles().FileExists(std::string("/bin/sh\0x", 9)), kv::Error);
  EXPECT_THROW(LinuxFiles().FileExists("/" + std::string(5000, 'a')), kv::Error);
}

// ---- program start ------------------------------------------------------------------

// Waits until the file exists and has content, up to a few seconds.
std::string WaitForFile(const fs::path& path) {
  for (int i = 0; i < 500; ++i) {
    std::string text = ReadFile(path);
    if (!text.empty()) return text;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return {};
}

// True once the process is gone (reaped), false if it stays, as a zombie say.
bool ProcessGone(uint32_t pid) {
  for (int i = 0; i < 500; ++i) {
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(LinuxPrograms, StartsExactlyThatProgramAndLeavesNoZombie) {
  TempDir dir;
  const fs::path marker = dir / "marker";
  // A decoy where the path holding a space would be cut at the space.
  WriteFile(dir / "x" / "my",
            "#!/bin/sh\necho decoy > '" + marker.string() + "'\n", 0755);
  WriteFile(dir / "x" / "my tool",
            "#!/bin/sh\nprintf 'tool|%s|%s' \"$0\" \"$#\" > '" + marker.string() + ".tmp'\n"
            "mv '" + marker.string() + ".tmp' '" + marker.string() + "'\n",
            0755);
  const std::string path = (dir / "x" / "my tool").string();
  const uint32_t pid = LinuxPrograms().Shell(path, kShowNormalFocus);
  EXPECT_GT(pid, 0u);
  EXPECT_EQ(WaitForFile(marker), "tool|" + path + "|0");
  EXPECT_TRUE(ProcessGone(pid)) << "the child was not reaped";
}

TEST(LinuxPrograms, DoesNotWaitForTheProgram) {
  TempDir dir;
  const fs::path marker = dir / "started";
  WriteFile(dir / "slow", "#!/bin/sh\necho yes > '" + marker.string() + "'\nexec sleep 30\n",
            0755);
  const auto start = std::chrono::steady_clock::now();
  const uint32_t pid = LinuxPrograms().Shell((dir / "slow").string(), kShowNormalFocus);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(WaitForFile(marker), "yes\n");
  // It runs in a session of its own.
  EXPECT_EQ(getsid(static_cast<pid_t>(pid)), static_cast<pid_t>(pid));
  kill(static_cast<pid_t>(pid), SIGKILL);
  EXPECT_TRUE(ProcessGone(pid));
}

struct StartFailure {
  const char* name;
  const char* file;     // below the temp folder; created when content is given
  const char* content;  // nullptr: not created
  int mode;
};

class ShellFailure : public ::testing::TestWithParam<StartFailure> {};

TEST_P(ShellFailure, RaisesAnError) {
  const auto& c = GetParam();
  TempDir dir;
  if (c.content) WriteFile(dir / c.file, c.content, c.mode);
  fs::create_directories(dir / "folder");
  const std::string path = std::string(c.file).empty() ? "" : (dir / c.file).string();
  EXPECT_THROW(LinuxPrograms().Shell(path, kShowNormalFocus), kv::Error) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ShellFailure,
    ::testing::Values(StartFailure{"Missing", "none", nullptr, 0},
                      StartFailure{"NotExecutable", "tool", kScript, 0644},
                      StartFailure{"NotAProgram", "text", "just some words\n", 0755},
                      StartFailure{"Folder", "folder", nullptr, 0},
                      StartFailure{"Empty", "", nullptr, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinuxPrograms, MissingProgramIsFileNotFound) {
  try {
    LinuxPrograms().Shell("/nonexistent/tool", kShowNormalFocus);
    FAIL() << "no error";
  } catch (const kv::Error& e) {
    EXPECT_EQ(e.Number(), kErrFileNotFound);
  }
}

// ---- the presentations --------------------------------------------------------------

TEST(CreateAppPlatform, TextPresentationHasTheLinuxServices) {
  const auto os = kv::CreateOsPlatform();
  int argc = 1;
  char name[] = "kavreno";
  char* argv[] = {name, nullptr};
  const auto app = kv::CreateAppPlatform(kv::Presentation::Text, argc, argv, os->Services());
  ASSERT_TRUE(app);
  const kv::AppServices services = app->Services();
  RegistryKey key = 0;
  EXPECT_EQ(services.registry.RegOpenKeyExA(kHkeyLocalMachine, "SOFTWARE\\Other", 0, 0x2003F, key),
            kErrorFileNotFound);
  TempDir dir;
  WriteFile(dir / "file", "x");
  EXPECT_TRUE(services.files.FileExists((dir / "file").string()));
  EXPECT_FALSE(services.files.FileExists(dir.Path().string()));
  EXPECT_THROW(services.programs.Shell((dir / "file").string(), kShowNormalFocus), kv::Error);
}

TEST(CreateAppPlatform, WindowWithoutTheQtModuleIsAClearError) {
  const fs::path exeDir = fs::read_symlink("/proc/self/exe").parent_path();
  if (fs::exists(exeDir / ".." / "lib" / "libkavreno-qt.so") ||
      fs::exists(exeDir / "libkavreno-qt.so"))
    GTEST_SKIP() << "the Qt module is built beside this program";
  const auto os = kv::CreateOsPlatform();
  int argc = 1;
  char name[] = "kavreno";
  char* argv[] = {name, nullptr};
  try {
    kv::CreateAppPlatform(kv::Presentation::Window, argc, argv, os->Services());
    FAIL() << "no error";
  } catch (const kv::Error& e) {
    EXPECT_NE(std::string(e.what()).find("libkavreno-qt.so"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace kv::linux_os
