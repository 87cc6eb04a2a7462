#include <gtest/gtest.h>

#include <algorithm>

#include "about/frmAbout.h"
#include "about/launcher.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/fake_ui.h"

namespace kv::test {
namespace {

const std::string kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const std::string kTool = "C:\\Tools\\MSINFO32.EXE";
const std::string kSpaced = "C:\\A b\\x.exe";
const std::string kDoubled = "C:\\T\\\\MSINFO32.EXE";
const std::string kUnavailable = "msgbox 0 (app) 現時点ではｼｽﾃﾑ情報を使用できません";

std::string WithNul(const std::string& s) { return s + '\0'; }

// A value stored as K\V (and as the inaccessible Denied\V), the key and value
// read, the result (none: the read raises an error) and the text afterwards;
// the caller passed "as passed".
struct ValueCase {
  const char* name;
  FakeRegistry::Value value;
  std::optional<int16_t> result;
  std::string text;
  const char* key = "K";
  const char* valueName = "V";
};

class RegistryValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(RegistryValues, ReadsByTypeAndClosesTheKey) {
  const ValueCase& c = GetParam();
  Utf8CodePage ansi;
  FakeRegistry registry;
  registry.keys["K"]["V"] = registry.keys["Denied"]["V"] = c.value;
  registry.deniedKeys = {"Denied"};
  std::string value = "as passed";
  std::optional<int16_t> result;
  try {
    result = GetKeyValue(registry, ansi, kHkeyLocalMachine, c.key, c.valueName, value);
  } catch (const Error&) {
  }
  EXPECT_EQ(result, c.result);
  EXPECT_EQ(value, c.text);
  EXPECT_EQ(registry.OpenKeys(), 0u);
  EXPECT_EQ(registry.accessMasks, std::vector<uint32_t>{0x2003F});
}

INSTANTIATE_TEST_SUITE_P(
    Table, RegistryValues,
    ::testing::ValuesIn(std::vector<ValueCase>{
        {"TextWithNul", {kRegSz, WithNul("C:\\msinfo32.exe")}, -1, "C:\\msinfo32.exe"},
        {"TextWithoutNul", {kRegSz, "C:\\msinfo32.exe"}, -1, "C:\\msinfo32.exe"},
        {"FullBufferWithoutNul", {kRegSz, std::string(1024, 'p')}, -1, std::string(1024, 'p')},
        {"LongerThanTheBuffer", {kRegSz, std::string(1025, 'p')}, 0, ""},
        {"Dword", {kRegDword, std::string("\x78\x56\x34\x12", 4)}, -1, "&h12345678"},
        {"DwordLosesItsZeroTopByte", {kRegDword, std::string("\0\1\0\0", 4)}, -1, "&h000100"},
        {"ExpandableTextAsPassed", {kRegExpandSz, WithNul("%windir%")}, -1, "as passed"},
        {"BinaryAsPassed", {kRegBinary, "\x01\x02"}, -1, "as passed"},
        {"EmptyRaises", {kRegSz, ""}, std::nullopt, "as passed"},
        {"MissingValue", {kRegSz, "x"}, 0, "", "K", "Other"},
        {"MissingKey", {kRegSz, "x"}, 0, "", "Nope"},
        {"DeniedKey", {kRegSz, "x"}, 0, "", "Denied"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The raw values at the two registry locations (location 1 of pathType), the
// files that exist, and the one line the launcher adds to the log.
struct LaunchCase {
  const char* name;
  std::optional<std::string> path, folder;
  std::set<std::string> files;
  std::string expected;
  uint32_t pathType = kRegSz;
};

class Launcher : public ::testing::TestWithParam<LaunchCase> {};

TEST_P(Launcher, FindsTheToolOrSaysSo) {
  const LaunchCase& c = GetParam();
  Utf8CodePage ansi;
  FakeApp fake;
  if (c.path) fake.registry.keys[kToolKey]["PATH"] = {c.pathType, *c.path};
  if (c.folder) fake.registry.keys[kFolderKey]["MSINFO"] = {kRegSz, *c.folder};
  fake.files = c.files;
  AppServices app = fake.Services();
  StartSysInfo(app, ansi);
  EXPECT_EQ(fake.log, Log{c.expected});
  EXPECT_EQ(fake.registry.OpenKeys(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Launcher,
    ::testing::ValuesIn(std::vector<LaunchCase>{
        {"PathAsRead", kSpaced, "C:\\Tools", {kTool, kSpaced}, "start " + kSpaced + " 1"},
        {"PathToAMissingFileDoesNotFallBack", "C:\\gone.exe", "C:\\Tools", {kTool}, kUnavailable},
        {"FolderHoldingTheTool", {}, WithNul("C:\\Tools"), {kTool}, "start " + kTool + " 1"},
        {"FolderEndingInBackslash", {}, "C:\\T\\", {kDoubled}, "start " + kDoubled + " 1"},
        {"FolderWithoutTheTool", {}, "C:\\Tools", {}, kUnavailable},
        {"Neither", {}, {}, {}, kUnavailable},
        {"PathOfAnotherType", "%x%\\a.exe", {}, {"%x%\\a.exe"}, kUnavailable, kRegExpandSz},
        {"EmptyPathValue", "", {}, {}, kUnavailable}}),
    [](const auto& info) { return std::string(info.param.name); });

struct FixedIcon : IIconSource {
  IconHandle Icon() const override { return 77; }
} const kIcon;

// Opens the About dialog modally on a PC with the given physical memory.
struct AboutDialog : ::testing::Test, FakePc {
  void Open(uint64_t totalPhys) {
    os.memory.totalPhys = totalPhys;
    fake.windows.Show(about, kModal);
  }

  FakeApp fake;
  AppServices app = fake.Services();
  frmAbout about{services, app, kIcon};
};

// Physical memory, its kilobytes as shown, and the locale's thousands separator.
struct Memory { uint64_t totalPhys; const char* kilobytes; std::string thousands = ","; };

class MemoryLine : public AboutDialog, public ::testing::WithParamInterface<Memory> {};

TEST_P(MemoryLine, GroupsKilobytesAndDropsTheFraction) {
  os.separators.thousands = GetParam().thousands;
  Open(GetParam().totalPhys);
  const std::string line = "Windowsが使用できる物理ﾒﾓﾘ: " + std::string(GetParam().kilobytes) + " KB";
  EXPECT_EQ(std::ranges::count(fake.log, "label lblDisclaimer " + line), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MemoryLine,
    ::testing::Values(Memory{1073741824, "1,048,576"}, Memory{67108864, "65,536"},
                      Memory{524288 + 1023, "512"}, Memory{1023, ""},
                      Memory{4294967295ull, "4,194,303"}, Memory{1ull << 40, "1,073,741,824"},
                      Memory{1073741824, "1.048.576", "."}));

TEST_F(AboutDialog, LoadStepInOrder) {
  fake.windows.whileModal = [](FormCode& dialog) { dialog.Click("cmdSysInfo", -1); };
  Open(268435456);
  EXPECT_EQ(fake.log,
            (Log{"load frmAbout", "pointer 11", "caption frmAbout Kavrenoのﾊﾞｰｼﾞｮﾝ情報",
                 "top frmAbout 4312.500000", "left frmAbout 4605.000000", "picture picIcon 77",
                 "label lblTitle Kavreno", "label lblVersion Version 1.0.0",
                 "label lblCopyright Copyright (C) 2026 Kavreno 開発チーム",
                 "label lblDescription この製品はフリーソフトウェアです。",
                 "label lblDisclaimer Windowsが使用できる物理ﾒﾓﾘ: 262,144 KB", "pointer 0",
                 "show frmAbout 1", kUnavailable}));
  EXPECT_NE(fake.windows.FormOf(about), nullptr);  // the system-information button keeps it open
  about.Click("cmdOK", -1);
  EXPECT_EQ(fake.windows.FormOf(about), nullptr);
}

}  // namespace
}  // namespace kv::test
