#include <gtest/gtest.h>

#include <array>
#include <sstream>

#include "platform/errors.h"
#include "platform/linux/iconv_code_page.h"
#include "platform/linux/system_queries.h"
#include "tests/linux/test_support.h"

namespace kv::linux_os {
namespace {

using test::Row;

std::string Repeat(const std::string& text, int times) {
  std::string out;
  while (times-- > 0) out += text;
  return out;
}

// The code page, both ways, with the byte sequences that break converters.
class CodePage : public ::testing::TestWithParam<Row> {};
TEST_P(CodePage, Converts) {
  const Row& r = GetParam();
  const IconvCodePage page(r[1]);
  const int times = r.size() > 5 ? std::stoi(r[5]) : 1;
  const std::string input = Repeat(r[3], times);
  EXPECT_EQ(r[2] == "to" ? page.ToAnsi(input) : page.FromAnsi(input), Repeat(r[4], times));
}
INSTANTIATE_TEST_SUITE_P(Texts, CodePage, ::testing::ValuesIn(test::Table("code_pages.cases")),
                         test::ByName);

TEST(IconvCodePage, UnknownCharsetIsAnError) {
  EXPECT_THROW(IconvCodePage("NO-SUCH-CHARSET-KV"), kv::Error);
}

// Memory from /proc/meminfo: the fixtures a machine or a hostile file gives.
class MemInfo : public ::testing::TestWithParam<Row> {};
TEST_P(MemInfo, GivesTotalAvailableAndLoad) {
  const Row& r = GetParam();
  std::istringstream text(r[4]);
  const MemoryStatus s = r[4].find(':') == std::string::npos
                             ? LinuxMemory(test::Fixture(r[4])).GlobalMemoryStatus()
                             : ParseMemInfo(text);
  EXPECT_EQ((std::array<uint64_t, 3>{s.memoryLoad, s.totalPhys, s.availPhys}),
            (std::array<uint64_t, 3>{std::stoull(r[1]), std::stoull(r[2]) * 1024,
                                     std::stoull(r[3]) * 1024}));
}
INSTANTIATE_TEST_SUITE_P(Samples, MemInfo, ::testing::ValuesIn(test::Table("meminfo.cases")),
                         test::ByName);

// The keyboard from its configuration files; a decoy that is no *.conf file is ignored.
class LinuxKeyboardFiles : public ::testing::TestWithParam<Row> {};
TEST_P(LinuxKeyboardFiles, TypeAndFunctionKeys) {
  const Row& r = GetParam();
  const test::TempDir dir;
  const char* files[] = {"keyboard", "vconsole.conf", "xorg.conf.d/00-keyboard.conf"};
  for (int i = 0; i < 3; ++i)
    if (r[i + 1] != "-") test::WriteFile(dir / files[i], r[i + 1]);
  test::WriteFile(dir / "xorg.conf.d/10-ignored.txt", "Option \"XkbLayout\" \"jp\"\n");
  const LinuxKeyboard keyboard({(dir / "keyboard").string(), (dir / "vconsole.conf").string(),
                                (dir / "xorg.conf.d").string()});
  EXPECT_EQ(test::Words(keyboard.GetKeyboardType(0), keyboard.GetKeyboardType(1),
                       keyboard.GetKeyboardType(2)),
            r[4] + " 0 " + r[5]);
}
INSTANTIATE_TEST_SUITE_P(Configurations, LinuxKeyboardFiles,
                         ::testing::ValuesIn(test::Table("keyboard.cases")), test::ByName);

class KernelRelease : public ::testing::TestWithParam<Row> {};
TEST_P(KernelRelease, Parse) {
  const auto info = ParseKernelRelease(GetParam()[0]);
  EXPECT_EQ(info ? test::Words(info->majorVersion, info->minorVersion, info->buildNumber) : "none",
            GetParam()[1]);
  EXPECT_EQ(info ? info->platformId : kPlatformLinux, kPlatformLinux);
}
INSTANTIATE_TEST_SUITE_P(Releases, KernelRelease,
                         ::testing::ValuesIn(test::Table("kernel_releases.cases")));

}  // namespace
}  // namespace kv::linux_os
