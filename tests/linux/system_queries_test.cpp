#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <sstream>

#include "platform/errors.h"
#include "platform/linux/iconv_code_page.h"
#include "platform/linux/system_queries.h"
#include "tests/linux/test_support.h"

namespace kv::linux_os {
namespace {

using test::WriteFile;

// ---- the code page ----

std::string Repeat(const std::string& text, int times) {
  std::string out;
  while (times-- > 0) out += text;
  return out;
}

struct Conversion {
  const char* name;
  bool toAnsi;
  std::string input, expected;
  const char* charset = "CP932";
};
class Cp932 : public ::testing::TestWithParam<Conversion> {};

TEST_P(Cp932, Converts) {
  const auto& c = GetParam();
  const IconvCodePage page(c.charset);
  EXPECT_EQ(c.toAnsi ? page.ToAnsi(c.input) : page.FromAnsi(c.input), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, Cp932, ::testing::Values(
    // The second byte of ソ is the backslash's: it must not be read as one.
    Conversion{"SoToAnsi", true, "ソ", "\x83\x5C"},
    Conversion{"SoFromAnsi", false, "C:\\\x83\x5C", "C:\\ソ"},
    Conversion{"HalfWidthKatakana", true, "ｼｽﾃﾑ情報：", "\xBC\xBD\xC3\xD1\x8F\xEE\x95\xF1\x81\x46"},
    Conversion{"NulPassesThrough", true, std::string("a\0b", 3), std::string("a\0b", 3)},
    Conversion{"LongerThanAFirstGuess", false, Repeat("\xB1\x93\xFA", 9999), Repeat("ｱ日", 9999)},
    // Lenient: '?' for what CP932 cannot hold and for invalid UTF-8, U+FFFD
    // for bytes that are not CP932.
    Conversion{"Emoji", true, "a😀b", "a?b"},
    Conversion{"InvalidUtf8", true, "a\xFF" "b\xE3\x81", "a?b?"},
    Conversion{"LoneLeadByteAtEnd", false, "a\x83", "a\xEF\xBF\xBD"},
    Conversion{"LeadByteWithoutTrail", false, "\x81\x20z", "\xEF\xBF\xBD z"},
    // UTF-8 is Unicode's: each maximal invalid part is one U+FFFD (or '?').
    Conversion{"FiveByteForm", false, "a\xF8\xA0\x82\x82\xA0", "a" + Repeat("\uFFFD", 5), "UTF-8"},
    Conversion{"PastU10FFFF", false, "\xF4\x90\x80\x80", Repeat("\uFFFD", 4), "UTF-8"},
    Conversion{"Surrogate", true, "\xED\xA0\x80z", "???z", "UTF-8"},
    Conversion{"Overlong", false, "\xC0\xAF\xE0\x80\xAF", Repeat("\uFFFD", 5), "UTF-8"},
    Conversion{"CutAtEnd", false, "\xF0\x9F\x98", "\uFFFD", "UTF-8"},
    Conversion{"WellFormed", false, std::string("ｱ😀\0\x7F", 9), std::string("ｱ😀\0\x7F", 9), "UTF-8"},
    // A stateful code page ends its text in its initial state.
    Conversion{"ShiftStateReset", true, "日本", "\x1B$BF|K\\\x1B(B", "ISO-2022-JP"}),
    test::ByName);

TEST(IconvCodePage, UnknownCharsetIsAnError) {
  EXPECT_THROW(IconvCodePage("NO-SUCH-CHARSET-KV"), kv::Error);
}

// ---- memory: a fixture read by LinuxMemory, or text given to the parser ----

struct MemInfoCase {
  const char* name;
  const char* file;  // nullptr: parse text
  const char* text;
  uint64_t load, totalKb, availableKb;
};
class MemInfo : public ::testing::TestWithParam<MemInfoCase> {};

TEST_P(MemInfo, GivesTotalAvailableAndLoad) {
  const auto& c = GetParam();
  std::istringstream in(c.text ? c.text : "");
  const MemoryStatus s =
      c.file ? LinuxMemory(test::Fixture(c.file)).GlobalMemoryStatus() : ParseMemInfo(in);
  EXPECT_EQ((std::array<uint64_t, 3>{s.memoryLoad, s.totalPhys, s.availPhys}),
            (std::array{c.load, c.totalKb * 1024, c.availableKb * 1024}));
}

INSTANTIATE_TEST_SUITE_P(Samples, MemInfo, ::testing::Values(
    // 411,060 kB of 24,683,772 kB in use: 1.67 %, shown as 2.
    MemInfoCase{"VirtualMachine", "meminfo_virtual_machine.txt", nullptr, 2, 24683772, 24272712},
    // No MemAvailable (before Linux 3.14): MemFree stands in.
    MemInfoCase{"OldKernel", "meminfo_old_kernel.txt", nullptr, 75, 2048000, 512000},
    // Unreadable lines are skipped; the first readable MemTotal counts.
    MemInfoCase{"Hostile", "meminfo_hostile.txt", nullptr, 75, 16000000, 4000000},
    MemInfoCase{"Unreadable", "no-such-file", nullptr, 0, 0, 0},
    MemInfoCase{"HalfRoundsUp", nullptr, "MemTotal: 200 kB\nMemAvailable: 99 kB\n", 51, 200, 99},
    MemInfoCase{"AvailableAboveTotalIsClamped", nullptr,
                "MemTotal: 100 kB\r\nMemAvailable: 200 kB\r\n", 0, 100, 100},
    MemInfoCase{"Over4G", nullptr, "MemTotal: 67108864 kB\nMemAvailable: 0 kB", 100, 67108864, 0}),
    test::ByName);

// ---- keyboard: the first configuration file that names a layout decides ----

struct KeyboardCase {
  const char* name;
  const char *defaultKeyboard, *vconsole, *xorg;  // nullptr: no such file
  int32_t type, functionKeys;
};
class LinuxKeyboardFiles : public ::testing::TestWithParam<KeyboardCase> {};

TEST_P(LinuxKeyboardFiles, TypeAndFunctionKeys) {
  const auto& c = GetParam();
  test::TempDir dir;
  if (c.defaultKeyboard) WriteFile(dir / "keyboard", c.defaultKeyboard);
  if (c.vconsole) WriteFile(dir / "vconsole.conf", c.vconsole);
  if (c.xorg) WriteFile(dir / "xorg.conf.d/00-keyboard.conf", c.xorg);
  WriteFile(dir / "xorg.conf.d/10-ignored.txt", "Option \"XkbLayout\" \"jp\"\n");
  const LinuxKeyboard keyboard({(dir / "keyboard").string(), (dir / "vconsole.conf").string(),
                                (dir / "xorg.conf.d").string()});
  EXPECT_EQ((std::array{keyboard.GetKeyboardType(0), keyboard.GetKeyboardType(1),
                        keyboard.GetKeyboardType(2)}),
            (std::array{c.type, 0, c.functionKeys}));
}

INSTANTIATE_TEST_SUITE_P(Configurations, LinuxKeyboardFiles, ::testing::Values(
    KeyboardCase{"Debian", "# KEYBOARD\nXKBLAYOUT=\"jp\"\n", nullptr, nullptr, 7, 12},
    KeyboardCase{"ListJudgedByItsFirst", "export XKBLAYOUT='us,jp' # 2\n", nullptr, nullptr, 4, 12},
    KeyboardCase{"DebianWinsOverVconsole", "XKBLAYOUT=de\n", "KEYMAP=jp106\n", nullptr, 4, 12},
    KeyboardCase{"VconsoleKeymap", "# XKBLAYOUT=us\n", "KEYMAP=jp106\n", nullptr, 7, 12},
    KeyboardCase{"EmptyValueFallsThrough", "XKBLAYOUT=\"\"\n", nullptr,
                 "Section \"InputClass\"\n  Option \"XkbLayout\" \"jp,us\"\nEndSection\n", 7, 12},
    KeyboardCase{"Nothing", nullptr, nullptr, nullptr, 0, 0},
    KeyboardCase{"NoLayoutAnywhere", "XKBLAYOUTS=jp\n", "FONT=lat9w-16\n",
                 "# Option \"XkbLayout\" \"jp\"\n", 0, 0}), test::ByName);

// ---- version ----

using Release = std::pair<const char*, std::optional<std::array<int, 3>>>;
class KernelRelease : public ::testing::TestWithParam<Release> {};

TEST_P(KernelRelease, Parse) {
  const auto& [release, numbers] = GetParam();
  const auto info = ParseKernelRelease(release);
  ASSERT_EQ(info.has_value(), numbers.has_value()) << release;
  if (!info) return;
  EXPECT_EQ((std::array{info->majorVersion, info->minorVersion, info->buildNumber}), numbers);
  EXPECT_EQ(info->platformId, kPlatformLinux);
}

INSTANTIATE_TEST_SUITE_P(Releases, KernelRelease, ::testing::Values(
    Release{"6.1.0-18-amd64", std::array{6, 1, 0}}, Release{"6.18.44-fc", std::array{6, 18, 44}},
    Release{"4.19-rc1", std::array{4, 19, 0}}, Release{"6.", std::array{6, 0, 0}},
    Release{"40000.70000.1", std::array{40000, 70000, 1}}, Release{"", std::nullopt},
    Release{"-6.1", std::nullopt}, Release{"99999999999.1", std::nullopt}));

}  // namespace
}  // namespace kv::linux_os
