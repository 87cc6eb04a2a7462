#include "sysinfo/clsSystem.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "tests/fakes/fake_os.h"

namespace kv::test {
namespace {

class ProviderTest : public ::testing::Test {
 protected:
  Utf8CodePage ansi;
  FakeOs os;
  OsServices services = os.Services(ansi);
  clsSystem system{services};
};

// ---- memory -------------------------------------------------------------

struct KilobyteCase {
  uint64_t bytes;
  int32_t kilobytes;
};

class KilobyteRounding : public ProviderTest, public ::testing::WithParamInterface<KilobyteCase> {};

TEST_P(KilobyteRounding, RoundsHalfToEvenAndClamps) {
  os.memory = {50, GetParam().bytes, GetParam().bytes};
  uint8_t percent = 0;
  int32_t total = -1, free = -1;
  system.FreeMemory(percent, total, free);
  EXPECT_EQ(total, GetParam().kilobytes);
  EXPECT_EQ(free, GetParam().kilobytes);
}

INSTANTIATE_TEST_SUITE_P(
    Table, KilobyteRounding,
    ::testing::Values(KilobyteCase{0, 0}, KilobyteCase{511, 0}, KilobyteCase{512, 0},
                      KilobyteCase{513, 1}, KilobyteCase{1023, 1}, KilobyteCase{1536, 2},
                      KilobyteCase{2560, 2}, KilobyteCase{3584, 4},
                      KilobyteCase{3221225472ull, 3145728},  // top bit of a 32-bit count set
                      KilobyteCase{17179869184ull, 16777216},  // 16 GiB: more than 32 bits hold
                      KilobyteCase{(1ull << 41) - 1024, 2147483647},
                      KilobyteCase{1ull << 50, 2147483647}));  // clamped

TEST_F(ProviderTest, FreeMemoryPassesTheLoadAndKeepsOutputsOnOverflow) {
  os.memory = {100, 2048, 1024};
  uint8_t percent = 0;
  int32_t total = 0, free = 0;
  system.FreeMemory(percent, total, free);
  EXPECT_EQ(percent, 100);
  EXPECT_EQ(total, 2);
  EXPECT_EQ(free, 1);

  os.memory = {256, 4096, 4096};
  percent = 7, total = 8, free = 9;
  EXPECT_THROW(system.FreeMemory(percent, total, free), Error);
  EXPECT_EQ(percent, 7);
  EXPECT_EQ(total, 8);
  EXPECT_EQ(free, 9);
}

// ---- keyboard -----------------------------------------------------------

struct KeyboardCase {
  int32_t type;
  const char* text;
};

class KeyboardTypes : public ProviderTest, public ::testing::WithParamInterface<KeyboardCase> {};

TEST_P(KeyboardTypes, NamesEachTypeCode) {
  os.keyboard[0] = GetParam().type;
  EXPECT_EQ(system.KeyboardType(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, KeyboardTypes,
    ::testing::Values(KeyboardCase{0, ""}, KeyboardCase{1, "IBM PC/XT or compatible (83 key)"},
                      KeyboardCase{2, "Olivetti \"ico\" (102 key)"},
                      KeyboardCase{3, "IBM PC/AT or compatible (84 key)"},
                      KeyboardCase{4, "IBM enhanced (101 or 102 key)"},
                      KeyboardCase{5, "Nokia 1050 or compatible"},
                      KeyboardCase{6, "Nokia 9140 or compatible"}, KeyboardCase{7, "Japanese"},
                      KeyboardCase{8, ""}, KeyboardCase{-4, ""}));

TEST_F(ProviderTest, FunctionKeysFitAByte) {
  EXPECT_EQ(system.FunctionKeys(), 0);  // a failing call answers 0
  os.keyboard[2] = 12;
  EXPECT_EQ(system.FunctionKeys(), 12);
  os.keyboard[2] = 255;
  EXPECT_EQ(system.FunctionKeys(), 255);
  for (int32_t bad : {256, -1}) {
    os.keyboard[2] = bad;
    EXPECT_THROW(system.FunctionKeys(), Error) << bad;
  }
}

// ---- processors ---------------------------------------------------------

struct ProcessorCase {
  uint32_t type;
  const char* text;  // nullptr: left as passed
};

class ProcessorTypes : public ProviderTest, public ::testing::WithParamInterface<ProcessorCase> {};

TEST_P(ProcessorTypes, WritesOnlyKnownTypes) {
  os.system = {3, 2, GetParam().type};
  std::string processor = "as passed";
  int32_t count = 0, mask = 0;
  system.SystemInfo(processor, count, mask);
  EXPECT_EQ(processor, GetParam().text ? GetParam().text : "as passed");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(mask, 3);
}

INSTANTIATE_TEST_SUITE_P(Table, ProcessorTypes,
                         ::testing::Values(ProcessorCase{386, "80386"}, ProcessorCase{486, "80486"},
                                           ProcessorCase{586, "Intel Pentium"},
                                           ProcessorCase{0, nullptr}, ProcessorCase{686, nullptr},
                                           ProcessorCase{586 + (1u << 16), nullptr}));

TEST_F(ProviderTest, ActiveMaskPassesAllThirtyTwoBits) {
  os.system = {0xFFFFFFFFu, 32, 586};
  std::string processor;
  int32_t count = 0, mask = 0;
  system.SystemInfo(processor, count, mask);
  EXPECT_EQ(mask, -1);
  EXPECT_EQ(count, 32);
}

// ---- directories --------------------------------------------------------

struct DirectoryCase {
  const char* name;
  std::optional<std::string> path;
  std::optional<uint32_t> countOverride;
  std::string expected;
};

class Directories : public ProviderTest, public ::testing::WithParamInterface<DirectoryCase> {};

TEST_P(Directories, AllThreeQueriesFollowTheSameRules) {
  const auto& c = GetParam();
  for (FakeOs::Directory* d : {&os.tempDir, &os.systemDir, &os.windowsDir})
    *d = {c.path, c.countOverride};
  EXPECT_EQ(system.TempDir(), c.expected);
  EXPECT_EQ(system.SystemDir(), c.expected);
  EXPECT_EQ(system.WinDir(), c.expected);
}

const std::string kLongPath = "C:\\" + std::string(70, 'x') + "\\deeper";

INSTANTIATE_TEST_SUITE_P(
    Table, Directories,
    ::testing::Values(
        DirectoryCase{"Appended", std::string("C:\\WINDOWS"), {}, "C:\\WINDOWS\\"},
        DirectoryCase{"NotDoubled", std::string("C:\\TEMP\\"), {}, "C:\\TEMP\\"},
        DirectoryCase{"Root", std::string("C:\\"), {}, "C:\\"},
        DirectoryCase{"TrailingSpacesInsideKept", std::string("C:\\A  "), {}, "C:\\A  \\"},
        DirectoryCase{"Fails", std::nullopt, {}, ""},
        // A count that claims success over a buffer left as it was: a lone separator.
        DirectoryCase{"UntouchedBuffer", std::nullopt, 5u, "\\"},
        DirectoryCase{"NegativeCount", std::string("C:\\X"), 0x80000000u, ""},
        // Longer than the 50-byte buffer: asked again, the whole path comes back.
        DirectoryCase{"LongerThanBuffer", kLongPath, {}, kLongPath + "\\"},
        DirectoryCase{"JustFits", std::string(49, 'd'), {}, std::string(49, 'd') + "\\"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProviderTest, DirectoriesEndWithThePlatformSeparator) {
  os.separator = '/';
  os.tempDir = {std::string("/tmp/")};
  os.systemDir = {std::string("/usr/lib")};
  os.windowsDir = {std::string("/")};
  EXPECT_EQ(system.TempDir(), "/tmp/");
  EXPECT_EQ(system.SystemDir(), "/usr/lib/");
  EXPECT_EQ(system.WinDir(), "/");
}

// ---- names --------------------------------------------------------------

struct NameCase {
  std::optional<std::string> name;
  std::string expected;
};

class Names : public ProviderTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(Names, BothQueriesTrimAndFailAlike) {
  os.computerName = GetParam().name;
  os.userName = GetParam().name;
  EXPECT_EQ(system.ComputerName(), GetParam().expected);
  EXPECT_EQ(system.UserName(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, Names,
                         ::testing::Values(NameCase{std::string("PC01"), "PC01"},
                                           NameCase{std::string(49, 'n'), std::string(49, 'n')},
                                           NameCase{std::string(50, 'n'), ""},
                                           NameCase{std::string(60, 'u'), ""},
                                           NameCase{std::nullopt, ""}));

// ---- volumes ------------------------------------------------------------

struct SerialCase {
  uint32_t serial;
  const char* text;
};

class Serials : public ProviderTest, public ::testing::WithParamInterface<SerialCase> {};

TEST_P(Serials, FourDigitsHyphenFourDigits) {
  os.AddRoot("C:\\").serial = GetParam().serial;
  EXPECT_EQ(system.SerialNumber("C:\\"), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, Serials,
                         ::testing::Values(SerialCase{0x1A2B3C4D, "1A2B-3C4D"},
                                           SerialCase{0xABC, "0000-0ABC"},
                                           SerialCase{0xFFFFFFFF, "FFFF-FFFF"},
                                           SerialCase{0, "0000-0000"}));

TEST_F(ProviderTest, SerialOfAFailingQueryIsZeros) {
  os.AddRoot("A:\\").label = std::nullopt;
  EXPECT_EQ(system.SerialNumber("A:\\"), "0000-0000");
  EXPECT_EQ(system.SerialNumber("Q:\\"), "0000-0000");
}

TEST_F(ProviderTest, VolumeLabelTellsNoLabelFromNoMedium) {
  os.AddRoot("C:\\").label = "DATA";
  os.AddRoot("D:\\").label = "";
  os.AddRoot("E:\\").readable = false;
  os.AddRoot("F:\\").label = std::string("AB\0CD", 5);
  EXPECT_EQ(system.VolumeLabel("C:\\"), "DATA");
  EXPECT_EQ(system.VolumeLabel("D:\\"), "NoName");
  EXPECT_EQ(system.VolumeLabel("E:\\"), "");
  EXPECT_EQ(system.VolumeLabel("Z:\\"), "");
  EXPECT_EQ(system.VolumeLabel("F:\\"), "AB");
}

// ---- version ------------------------------------------------------------

struct VersionCase {
  const char* name;
  std::optional<OsVersionInfo> info;
  int16_t major, minor;
  std::string platform;  // what the caller sees after passing "as passed"
};

class Versions : public ProviderTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(Versions, NumbersAndPlatformText) {
  os.version = GetParam().info;
  int16_t major = -1, minor = -1;
  std::string platform = "as passed";
  system.WinVer(major, minor, platform);
  EXPECT_EQ(major, GetParam().major);
  EXPECT_EQ(minor, GetParam().minor);
  EXPECT_EQ(platform, GetParam().platform);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Versions,
    ::testing::Values(
        VersionCase{"Nt", OsVersionInfo{5, 0, 2195, 2, "Service Pack 4"}, 5, 0,
                    "Windows NT or Windows 2000"},
        VersionCase{"Windows98", OsVersionInfo{4, 10, 1998, 1, ""}, 4, 10, "Windows 95/98"},
        VersionCase{"Win32s", OsVersionInfo{3, 10, 0, 0, ""}, 3, 10, "Windows 3.10"},
        VersionCase{"Unknown", OsVersionInfo{6, 1, 0, 3, ""}, 6, 1, "as passed"},
        VersionCase{"Linux", OsVersionInfo{6, 1, 0, kPlatformLinux, ""}, 6, 1, "as passed"},
        VersionCase{"NegativeFits", OsVersionInfo{-1, -32768, 0, 2, ""}, -1, -32768,
                    "Windows NT or Windows 2000"},
        VersionCase{"Fails", std::nullopt, 0, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProviderTest, VersionOverflowKeepsWhatWasNotWritten) {
  os.version = OsVersionInfo{5, 40000, 0, 2, ""};
  int16_t major = -1, minor = -1;
  std::string platform = "as passed";
  EXPECT_THROW(system.WinVer(major, minor, platform), Error);
  EXPECT_EQ(major, 5);
  EXPECT_EQ(minor, -1);
  EXPECT_EQ(platform, "as passed");
}

TEST(TrimNull, CutsAtTheFirstNul) {
  EXPECT_EQ(TrimNull(std::string("ab\0cd\0", 6)), "ab");
  EXPECT_EQ(TrimNull("abc"), "abc");
  EXPECT_EQ(TrimNull(std::string("\0x", 2)), "");
}

}  // namespace
}  // namespace kv::test
