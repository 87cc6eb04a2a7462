#include <pwd.h>
#include <sched.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/linux/system_queries.h"
#include "tests/linux/test_support.h"

namespace kv::linux_os {
namespace {

using test::Fixture;
using test::TempDir;
using test::WriteFile;

// ---- memory -----------------------------------------------------------------

struct MemInfoCase {
  const char* name;
  std::string file;
  uint32_t load;
  uint64_t total;
  uint64_t available;
};

class MemInfoSample : public ::testing::TestWithParam<MemInfoCase> {};

TEST_P(MemInfoSample, GivesTotalAvailableAndLoad) {
  const auto& c = GetParam();
  std::ifstream in(Fixture(c.file));
  ASSERT_TRUE(in) << c.file;
  const MemoryStatus s = ParseMemInfo(in);
  EXPECT_EQ(s.totalPhys, c.total);
  EXPECT_EQ(s.availPhys, c.available);
  EXPECT_EQ(s.memoryLoad, c.load);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, MemInfoSample,
    ::testing::Values(
        // 411,060 kB of 24,683,772 kB in use: 1.67 %, shown as 2.
        MemInfoCase{"VirtualMachine", "meminfo_virtual_machine.txt", 2, 24683772ull * 1024,
                    24272712ull * 1024},
        // No MemAvailable (before Linux 3.14): MemFree stands in.
        MemInfoCase{"OldKernel", "meminfo_old_kernel.txt", 75, 2048000ull * 1024,
                    512000ull * 1024},
        // Unreadable lines are skipped; the first readable MemTotal counts.
        MemInfoCase{"Hostile", "meminfo_hostile.txt", 75, 16000000ull * 1024,
                    4000000ull * 1024}),
    [](const auto& info) { return std::string(info.param.name); });

struct MemInfoText {
  const char* name;
  const char* text;
  uint32_t load;
  uint64_t total;
  uint64_t available;
};

class MemInfoLines : public ::testing::TestWithParam<MemInfoText> {};

TEST_P(MemInfoLines, Parse) {
  const auto& c = GetParam();
  std::istringstream in(c.text);
  const MemoryStatus s = ParseMemInfo(in);
  EXPECT_EQ(s.totalPhys, c.total);
  EXPECT_EQ(s.availPhys, c.available);
  EXPECT_EQ(s.memoryLoad, c.load);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MemInfoLines,
    ::testing::Values(
        MemInfoText{"Empty", "", 0, 0, 0},
        MemInfoText{"NoTotal", "MemAvailable: 100 kB\n", 0, 0, 0},
        MemInfoText{"AllInUse", "MemTotal: 1000 kB\nMemAvailable: 0 kB\n", 100, 1024000, 0},
        MemInfoText{"HalfRoundsUp", "MemTotal: 200 kB\nMemAvailable: 99 kB\n", 51, 204800,
                    101376},
        MemInfoText{"AvailableAboveTotalIsClamped", "MemTotal: 100 kB\nMemAvailable: 200 kB\n", 0,
                    102400, 102400},
        MemInfoText{"MoreThan4GiB", "MemTotal: 67108864 kB\nMemAvailable: 33554432 kB\n", 50,
                    68719476736ull, 34359738368ull},
        MemInfoText{"TooLargeSaturates",
                    "MemTotal: 99999999999999999999999 kB\nMemAvailable: 0 kB\n", 100,
                    UINT64_MAX, 0},
        MemInfoText{"CarriageReturns", "MemTotal: 1000 kB\r\nMemAvailable: 250 kB\r\n", 75,
                    1024000, 256000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinuxMemory, ThisMachine) {
  const MemoryStatus s = LinuxMemory().GlobalMemoryStatus();
  EXPECT_GT(s.totalPhys, 0u);
  EXPECT_LE(s.availPhys, s.totalPhys);
  EXPECT_LE(s.memoryLoad, 100u);
}

TEST(LinuxMemory, UnreadableFileGivesZeros) {
  const MemoryStatus s = LinuxMemory("/nonexistent/meminfo").GlobalMemoryStatus();
  EXPECT_EQ(s.totalPhys, 0u);
  EXPECT_EQ(s.availPhys, 0u);
  EXPECT_EQ(s.memoryLoad, 0u);
}

// Random bytes and random fragments of real lines never break the parser's
// promises: the load is a percentage and nothing is more available than there is.
TEST(ParseMemInfo, RandomInputKeepsItsPromises) {
  std::mt19937 random(20260101);
  const std::array<std::string, 6> pieces = {"MemTotal:", "MemAvailable:", "MemFree:", " kB",
                                             "\n", "18446744073709551615"};
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const int parts = static_cast<int>(random() % 20);
    for (int i = 0; i < parts; ++i) {
      if (random() % 2) {
        text += pieces[random() % pieces.size()];
      } else {
        text += std::to_string(random() % 100000);
        text += static_cast<char>(random() % 256);
      }
    }
    std::istringstream in(text);
    const MemoryStatus s = ParseMemInfo(in);
    ASSERT_LE(s.memoryLoad, 100u) << text;
    ASSERT_LE(s.availPhys, s.totalPhys) << text;
  }
}

// ---- processors -------------------------------------------------------------

TEST(LinuxProcessor, ThisMachine) {
  const SystemInfo info = LinuxProcessor().GetSystemInfo();
  EXPECT_EQ(info.numberOfProcessors, static_cast<uint32_t>(sysconf(_SC_NPROCESSORS_ONLN)));
  cpu_set_t set;
  ASSERT_EQ(sched_getaffinity(0, sizeof set, &set), 0);
  uint32_t expected = 0;
  for (int cpu = 0; cpu < 32; ++cpu)
    if (CPU_ISSET(cpu, &set)) expected |= 1u << cpu;
  EXPECT_EQ(info.activeProcessorMask, expected);
  EXPECT_NE(info.activeProcessorMask, 0u);
#if defined(__x86_64__) || defined(__i386__)
  EXPECT_EQ(info.processorType, 586u);
#else
  EXPECT_EQ(info.processorType, 0u);
#endif
}

// ---- keyboard ---------------------------------------------------------------

struct AssignmentCase {
  const char* name;
  const char* text;
  const char* key;
  std::optional<std::string> value;
};

class ShellAssignment : public ::testing::TestWithParam<AssignmentCase> {};

TEST_P(ShellAssignment, Parse) {
  const auto& c = GetParam();
  std::istringstream in(c.text);
  EXPECT_EQ(ParseShellAssignment(in, c.key), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ShellAssignment,
    ::testing::Values(
        AssignmentCase{"DebianDefault",
                       "# KEYBOARD CONFIGURATION FILE\n\nXKBMODEL=\"jp106\"\nXKBLAYOUT=\"jp\"\n"
                       "XKBVARIANT=\"\"\nXKBOPTIONS=\"\"\n\nBACKSPACE=\"guess\"\n",
                       "XKBLAYOUT", "jp"},
        AssignmentCase{"SingleQuotes", "XKBLAYOUT='us'\n", "XKBLAYOUT", "us"},
        AssignmentCase{"Exported", "export XKBLAYOUT=de\n", "XKBLAYOUT", "de"},
        AssignmentCase{"TrailingComment", "XKBLAYOUT=\"jp,us\" # two layouts\n", "XKBLAYOUT",
                       "jp,us"},
        AssignmentCase{"CommentedOut", "# XKBLAYOUT=\"fr\"\n", "XKBLAYOUT", std::nullopt},
        AssignmentCase{"LongerName", "XKBLAYOUTS=fr\n", "XKBLAYOUT", std::nullopt},
        AssignmentCase{"LaterWins", "XKBLAYOUT=us\nXKBLAYOUT=jp\n", "XKBLAYOUT", "jp"},
        AssignmentCase{"Empty", "XKBLAYOUT=\n", "XKBLAYOUT", ""},
        AssignmentCase{"Indented", "   XKBLAYOUT=gb\r\n", "XKBLAYOUT", "gb"}),
    [](const auto& info) { return std::string(info.param.name); });

struct XorgCase {
  const char* name;
  const char* text;
  std::optional<std::string> layout;
};

class XorgLayout : public ::testing::TestWithParam<XorgCase> {};

TEST_P(XorgLayout, Parse) {
  const auto& c = GetParam();
  std::istringstream in(c.text);
  EXPECT_EQ(ParseXkbLayoutOption(in), c.layout);
}

INSTANTIATE_TEST_SUITE_P(
    Files, XorgLayout,
    ::testing::Values(
        XorgCase{"Localectl",
                 "# Written by systemd-localed(8).\nSection \"InputClass\"\n"
                 "        Identifier \"system-keyboard\"\n"
                 "        MatchIsKeyboard \"on\"\n"
                 "        Option \"XkbLayout\" \"jp\"\n"
                 "        Option \"XkbModel\" \"jp106\"\nEndSection\n",
                 "jp"},
        XorgCase{"AnyCase", "\toption \"xkblayout\" \"us\"\n", "us"},
        XorgCase{"CommentedOut", "# Option \"XkbLayout\" \"jp\"\n", std::nullopt},
        XorgCase{"OtherOption", "Option \"XkbModel\" \"jp106\"\n", std::nullopt},
        XorgCase{"CommentAfter", "Option \"XkbLayout\" \"de\" # German\n", "de"},
        XorgCase{"UnclosedQuote", "Option \"XkbLayout\" \"fr\n", "fr"}),
    [](const auto& info) { return std::string(info.param.name); });

struct LayoutCase {
  const char* layout;
  int32_t type;
};

class LayoutType : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutType, Classify) {
  EXPECT_EQ(KeyboardTypeOfLayout(GetParam().layout), GetParam().type) << GetParam().layout;
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutType,
                         ::testing::Values(LayoutCase{"jp", 7}, LayoutCase{"jp106", 7},
                                           LayoutCase{"JP", 7}, LayoutCase{"jp,us", 7},
                                           LayoutCase{" jp ", 7}, LayoutCase{"us,jp", 4},
                                           LayoutCase{"us", 4}, LayoutCase{"de-latin1", 4},
                                           LayoutCase{"", 0}, LayoutCase{" , jp", 0}));

struct KeyboardFiles {
  const char* name;
  const char* defaultKeyboard;  // nullptr: no such file
  const char* vconsole;
  const char* xorg;
  int32_t type;
  int32_t functionKeys;
};

class LinuxKeyboardFiles : public ::testing::TestWithParam<KeyboardFiles> {};

TEST_P(LinuxKeyboardFiles, ReadsTheFirstConfiguration) {
  const auto& c = GetParam();
  TempDir dir;
  KeyboardConfigPaths paths{(dir / "default-keyboard").string(), (dir / "vconsole.conf").string(),
                            (dir / "xorg.conf.d").string()};
  if (c.defaultKeyboard) WriteFile(paths.defaultKeyboard, c.defaultKeyboard);
  if (c.vconsole) WriteFile(paths.vconsole, c.vconsole);
  if (c.xorg) WriteFile(dir / "xorg.conf.d" / "00-keyboard.conf", c.xorg);
  WriteFile(dir / "xorg.conf.d" / "10-ignored.txt", "Option \"XkbLayout\" \"fr\"\n");
  const LinuxKeyboard keyboard(paths);
  EXPECT_EQ(keyboard.GetKeyboardType(0), c.type);
  EXPECT_EQ(keyboard.GetKeyboardType(1), 0);
  EXPECT_EQ(keyboard.GetKeyboardType(2), c.functionKeys);
  EXPECT_EQ(keyboard.GetKeyboardType(5), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Configurations, LinuxKeyboardFiles,
    ::testing::Values(
        KeyboardFiles{"DebianJapanese", "XKBLAYOUT=\"jp\"\n", nullptr, nullptr, 7, 12},
        KeyboardFiles{"DebianWinsOverVconsole", "XKBLAYOUT=\"us\"\n", "KEYMAP=jp106\n", nullptr,
                      4, 12},
        KeyboardFiles{"VconsoleKeymap", nullptr, "KEYMAP=jp106\n", nullptr, 7, 12},
        KeyboardFiles{"VconsoleXkbBeforeKeymap", nullptr, "KEYMAP=us\nXKBLAYOUT=jp\n", nullptr, 7,
                      12},
        KeyboardFiles{"EmptyValueFallsThrough", "XKBLAYOUT=\"\"\n", nullptr,
                      "Option \"XkbLayout\" \"de\"\n", 4, 12},
        KeyboardFiles{"XorgOnly", nullptr, nullptr, "Option \"XkbLayout\" \"jp\"\n", 7, 12},
        KeyboardFiles{"Nothing", nullptr, nullptr, nullptr, 0, 0},
        KeyboardFiles{"NoLayoutAnywhere", "XKBMODEL=pc105\n", "FONT=lat9w-16\n", "", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- directories ------------------------------------------------------------

struct CopyCase {
  const char* name;
  std::string text;
  std::size_t bufferSize;
  uint32_t answer;
  bool written;
};

class PathBuffer : public ::testing::TestWithParam<CopyCase> {};

TEST_P(PathBuffer, HonoursTheBufferContract) {
  const auto& c = GetParam();
  std::string buffer(c.bufferSize, ' ');
  EXPECT_EQ(CopyPathOut(c.text, buffer), c.answer);
  if (c.written)
    EXPECT_EQ(buffer.substr(0, c.text.size() + 1), c.text + '\0');
  else
    EXPECT_EQ(buffer, std::string(c.bufferSize, ' '));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, PathBuffer,
    ::testing::Values(CopyCase{"Fits", "/tmp/", 50, 5, true},
                      CopyCase{"ExactlyFitsWithNul", "/tmp/", 6, 5, true},
                      CopyCase{"OneByteShort", "/tmp/", 5, 6, false},
                      CopyCase{"EmptyBuffer", "/", 0, 2, false},
                      CopyCase{"LongPath", std::string(49, 'a'), 50, 49, true},
                      CopyCase{"TooLongPath", std::string(50, 'a'), 50, 51, false}),
    [](const auto& info) { return std::string(info.param.name); });

std::string TempPathWith(std::optional<std::string> tmpdir) {
  const LinuxDirectories dirs([tmpdir](const char* name) -> std::optional<std::string> {
    if (std::string_view(name) == "TMPDIR") return tmpdir;
    return std::nullopt;
  });
  std::string buffer(4096, ' ');
  const uint32_t n = dirs.GetTempPathA(buffer);
  return buffer.substr(0, n);
}

TEST(LinuxDirectories, TempDirFollowsTmpdirWhenItIsADirectory) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  const std::string d = dir.Path().string();
  EXPECT_EQ(TempPathWith(std::nullopt), "/tmp/");
  EXPECT_EQ(TempPathWith(d), d + "/");
  EXPECT_EQ(TempPathWith(d + "/"), d + "/");
  EXPECT_EQ(TempPathWith(""), "/tmp/");
  EXPECT_EQ(TempPathWith(d + "/missing"), "/tmp/");
  EXPECT_EQ(TempPathWith(d + "/file"), "/tmp/");
  EXPECT_EQ(TempPathWith("relative"), "/tmp/");
}

TEST(LinuxDirectories, TempDirHonoursTheProcessTmpdir) {
  TempDir dir;
  const char* saved = std::getenv("TMPDIR");
  const std::optional<std::string> restore = saved ? std::optional<std::string>(saved) : std::nullopt;
  setenv("TMPDIR", dir.Path().c_str(), 1);
  std::string buffer(4096, ' ');
  const uint32_t n = LinuxDirectories().GetTempPathA(buffer);
  if (restore) setenv("TMPDIR", restore->c_str(), 1);
  else unsetenv("TMPDIR");
  EXPECT_EQ(buffer.substr(0, n + 1), dir.Path().string() + "/" + '\0');
}

TEST(LinuxDirectories, SystemAndWindowsDirectories) {
  const LinuxDirectories dirs;
  std::string buffer(50, ' ');
  EXPECT_EQ(dirs.GetSystemDirectoryA(buffer), 8u);
  EXPECT_EQ(buffer.substr(0, 9), std::string("/usr/lib") + '\0');
  EXPECT_EQ(dirs.GetWindowsDirectoryA(buffer), 1u);
  EXPECT_EQ(buffer.substr(0, 2), std::string("/") + '\0');
  std::string small(8, ' ');
  EXPECT_EQ(dirs.GetSystemDirectoryA(small), 9u);
  EXPECT_EQ(small, std::string(8, ' '));
  EXPECT_EQ(dirs.Separator(), '/');
}

// ---- names ------------------------------------------------------------------

struct NameCase {
  const char* name;
  std::string text;
  uint32_t size;
  int32_t ok;
  uint32_t sizeAfter;
};

class NameBuffer : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameBuffer, HonoursTheBufferContract) {
  const auto& c = GetParam();
  std::string buffer(50, ' ');
  uint32_t size = c.size;
  EXPECT_EQ(CopyNameOut(c.text, std::span<char>(buffer.data(), c.size), size), c.ok);
  EXPECT_EQ(size, c.sizeAfter);
  if (c.ok)
    EXPECT_EQ(buffer.substr(0, c.text.size() + 1), c.text + '\0');
  else
    EXPECT_EQ(buffer, std::string(50, ' '));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, NameBuffer,
    ::testing::Values(NameCase{"Fits", "PC01", 50, 1, 4},
                      NameCase{"FortyNineBytes", std::string(49, 'n'), 50, 1, 49},
                      NameCase{"FiftyBytesFail", std::string(50, 'n'), 50, 0, 51},
                      NameCase{"SixtyBytesFail", std::string(60, 'n'), 50, 0, 61},
                      NameCase{"ZeroSize", "a", 0, 0, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinuxNames, ComputerNameIsTheHostName) {
  struct utsname u {};
  ASSERT_EQ(uname(&u), 0);
  std::string buffer(256, ' ');
  uint32_t size = static_cast<uint32_t>(buffer.size());
  ASSERT_NE(LinuxNames().GetComputerNameA(buffer, size), 0);
  EXPECT_EQ(size, std::strlen(u.nodename));
  EXPECT_EQ(buffer.substr(0, size + 1), std::string(u.nodename) + '\0');
}

TEST(LinuxNames, UserNameIsTheEffectiveUser) {
  const passwd* pw = getpwuid(geteuid());
  ASSERT_NE(pw, nullptr);
  std::string buffer(256, ' ');
  uint32_t size = static_cast<uint32_t>(buffer.size());
  ASSERT_NE(LinuxNames().GetUserNameA(buffer, size), 0);
  EXPECT_EQ(buffer.substr(0, size + 1), std::string(pw->pw_name) + '\0');
  // One byte too few fails and answers the size needed.
  std::string tight(std::strlen(pw->pw_name), ' ');
  uint32_t tightSize = static_cast<uint32_t>(tight.size());
  EXPECT_EQ(LinuxNames().GetUserNameA(tight, tightSize), 0);
  EXPECT_EQ(tightSize, std::strlen(pw->pw_name) + 1);
  EXPECT_EQ(tight, std::string(tight.size(), ' '));
}

// ---- version ----------------------------------------------------------------

struct ReleaseCase {
  const char* release;
  std::optional<std::array<int32_t, 3>> numbers;
};

class KernelRelease : public ::testing::TestWithParam<ReleaseCase> {};

TEST_P(KernelRelease, Parse) {
  const auto& c = GetParam();
  const auto info = ParseKernelRelease(c.release);
  ASSERT_EQ(info.has_value(), c.numbers.has_value()) << c.release;
  if (!info) return;
  EXPECT_EQ(info->majorVersion, (*c.numbers)[0]);
  EXPECT_EQ(info->minorVersion, (*c.numbers)[1]);
  EXPECT_EQ(info->buildNumber, (*c.numbers)[2]);
  EXPECT_EQ(info->platformId, kPlatformLinux);
}

INSTANTIATE_TEST_SUITE_P(
    Releases, KernelRelease,
    ::testing::Values(ReleaseCase{"6.1.0-18-amd64", std::array{6, 1, 0}},
                      ReleaseCase{"6.18.44-fc-v1300", std::array{6, 18, 44}},
                      ReleaseCase{"4.19-rc1", std::array{4, 19, 0}},
                      ReleaseCase{"6", std::array{6, 0, 0}},
                      ReleaseCase{"6.x", std::array{6, 0, 0}},
                      ReleaseCase{"6.", std::array{6, 0, 0}},
                      ReleaseCase{"40000.70000.1", std::array{40000, 70000, 1}},
                      ReleaseCase{"", std::nullopt}, ReleaseCase{"abc", std::nullopt},
                      ReleaseCase{"-6.1", std::nullopt},
                      ReleaseCase{"99999999999.1", std::nullopt}));

TEST(LinuxVersion, ThisKernel) {
  struct utsname u {};
  ASSERT_EQ(uname(&u), 0);
  OsVersionInfo info;
  ASSERT_NE(LinuxVersion().GetVersionExA(info), 0);
  const auto expected = ParseKernelRelease(u.release);
  ASSERT_TRUE(expected);
  EXPECT_EQ(info.majorVersion, expected->majorVersion);
  EXPECT_EQ(info.minorVersion, expected->minorVersion);
  EXPECT_EQ(info.platformId, kPlatformLinux);
  EXPECT_GE(info.majorVersion, 2);
}

}  // namespace
}  // namespace kv::linux_os
