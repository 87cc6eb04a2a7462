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
const std::string kUnavailable = "msgbox 0 (app) 現時点ではｼｽﾃﾑ情報を使用できません";

std::string WithNul(const std::string& s) { return s + '\0'; }

// ---- the registry reader ------------------------------------------------

struct ValueCase {
  const char* name;
  FakeRegistry::Value value;
  int16_t result;
  std::string text;  // KeyVal afterwards; the caller passed "as passed"
};

class RegistryValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(RegistryValues, ReadsByType) {
  Utf8CodePage ansi;
  FakeRegistry registry;
  registry.Set("K", "V", GetParam().value);
  std::string value = "as passed";
  EXPECT_EQ(GetKeyValue(registry, ansi, kHkeyLocalMachine, "K", "V", value), GetParam().result);
  EXPECT_EQ(value, GetParam().text);
  EXPECT_EQ(registry.openKeys, 0);
  EXPECT_EQ(registry.accessMasks, std::vector<uint32_t>{0x2003F});
}

INSTANTIATE_TEST_SUITE_P(
    Table, RegistryValues,
    ::testing::Values(
        ValueCase{"TextWithNul", {kRegSz, WithNul("C:\\msinfo32.exe")}, -1, "C:\\msinfo32.exe"},
        ValueCase{"TextWithoutNul", {kRegSz, "C:\\msinfo32.exe"}, -1, "C:\\msinfo32.exe"},
        ValueCase{"FullBufferWithoutNul", {kRegSz, std::string(1024, 'p')}, -1,
                  std::string(1024, 'p')},
        ValueCase{"LongerThanTheBuffer", {kRegSz, std::string(1025, 'p')}, 0, ""},
        ValueCase{"Dword", {kRegDword, std::string("\x78\x56\x34\x12", 4)}, -1, "&h12345678"},
        ValueCase{"DwordLosesItsZeroTopByte", {kRegDword, std::string("\x00\x01\x00\x00", 4)}, -1,
                  "&h000100"},
        ValueCase{"ExpandableTextLeftAsPassed", {kRegExpandSz, WithNul("%windir%")}, -1,
                  "as passed"},
        ValueCase{"BinaryLeftAsPassed", {kRegBinary, "\x01\x02"}, -1, "as passed"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegistryReader, MissingKeysAndValuesAreFalse) {
  Utf8CodePage ansi;
  FakeRegistry registry;
  registry.Set("K", "V", {kRegSz, "x"});
  registry.Set("Denied", "V", {kRegSz, "x"});
  registry.deniedKeys.insert("Denied");
  for (auto [key, name] : {std::pair{"K", "Other"}, std::pair{"Nope", "V"},
                           std::pair{"Denied", "V"}}) {
    std::string value = "as passed";
    EXPECT_EQ(GetKeyValue(registry, ansi, kHkeyLocalMachine, key, name, value), 0) << key;
    EXPECT_EQ(value, "") << key;
  }
  EXPECT_EQ(registry.openKeys, 0);
}

TEST(RegistryReader, AnEmptyValueRaisesAndStillClosesTheKey) {
  Utf8CodePage ansi;
  FakeRegistry registry;
  registry.Set("K", "V", {kRegSz, ""});
  std::string value;
  EXPECT_THROW(GetKeyValue(registry, ansi, kHkeyLocalMachine, "K", "V", value), Error);
  EXPECT_EQ(registry.openKeys, 0);
}

// ---- the launcher -------------------------------------------------------

struct LaunchCase {
  const char* name;
  std::function<void(FakeApp&)> script;
  std::string expected;  // the one line the launcher adds to the log
};

class Launcher : public ::testing::TestWithParam<LaunchCase> {};

TEST_P(Launcher, FindsTheToolOrSaysSo) {
  Utf8CodePage ansi;
  FakeApp fake;
  GetParam().script(fake);
  AppServices app = fake.Services();
  StartSysInfo(app, ansi);
  EXPECT_EQ(fake.log, std::vector<std::string>{GetParam().expected});
  EXPECT_EQ(fake.registry.openKeys, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Launcher,
    ::testing::Values(
        LaunchCase{"PathAsRead",
                   [](FakeApp& f) {
                     f.registry.Set(kToolKey, "PATH", {kRegSz, WithNul("C:\\Program Files\\x.exe")});
                     f.registry.Set(kFolderKey, "MSINFO", {kRegSz, WithNul("C:\\Other")});
                     f.programs.startable = {"C:\\Program Files\\x.exe"};
                   },
                   "start C:\\Program Files\\x.exe 1"},
        LaunchCase{"PathToAMissingFileDoesNotFallBack",
                   [](FakeApp& f) {
                     f.registry.Set(kToolKey, "PATH", {kRegSz, WithNul("C:\\gone.exe")});
                     f.registry.Set(kFolderKey, "MSINFO", {kRegSz, WithNul("C:\\Tools")});
                     f.files.files = {"C:\\Tools\\MSINFO32.EXE"};
                     f.programs.startable = {"C:\\Tools\\MSINFO32.EXE"};
                   },
                   kUnavailable},
        LaunchCase{"FolderHoldingTheTool",
                   [](FakeApp& f) {
                     f.registry.Set(kFolderKey, "MSINFO", {kRegSz, WithNul("C:\\Tools")});
                     f.files.files = {"C:\\Tools\\MSINFO32.EXE"};
                     f.programs.startable = {"C:\\Tools\\MSINFO32.EXE"};
                   },
                   "start C:\\Tools\\MSINFO32.EXE 1"},
        LaunchCase{"FolderWithTrailingBackslashGetsTwo",
                   [](FakeApp& f) {
                     f.registry.Set(kFolderKey, "MSINFO", {kRegSz, WithNul("C:\\Tools\\")});
                     f.files.files = {"C:\\Tools\\\\MSINFO32.EXE"};
                     f.programs.startable = {"C:\\Tools\\\\MSINFO32.EXE"};
                   },
                   "start C:\\Tools\\\\MSINFO32.EXE 1"},
        LaunchCase{"FolderWithoutTheTool",
                   [](FakeApp& f) {
                     f.registry.Set(kFolderKey, "MSINFO", {kRegSz, WithNul("C:\\Tools")});
                     f.programs.startable = {"C:\\Tools\\MSINFO32.EXE"};
                   },
                   kUnavailable},
        LaunchCase{"Neither", [](FakeApp&) {}, kUnavailable},
        LaunchCase{"PathOfAnotherTypeStartsNothing",
                   [](FakeApp& f) {
                     f.registry.Set(kToolKey, "PATH", {kRegExpandSz, WithNul("%x%\\msinfo32.exe")});
                     f.programs.startable = {"%x%\\msinfo32.exe"};
                   },
                   kUnavailable},
        LaunchCase{"EmptyPathValue",
                   [](FakeApp& f) { f.registry.Set(kToolKey, "PATH", {kRegSz, ""}); },
                   kUnavailable}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the dialog ---------------------------------------------------------

class FixedIcon : public IIconSource {
 public:
  IconHandle Icon() const override { return 77; }
} const kIcon;

struct MemoryCase {
  uint64_t bytes;
  const char* line;
};

class MemoryLine : public ::testing::TestWithParam<MemoryCase> {};

TEST_P(MemoryLine, GroupsKilobytesAndDropsTheFraction) {
  Utf8CodePage ansi;
  FakeOs os;
  os.memory.totalPhys = GetParam().bytes;
  const OsServices services = os.Services(ansi);
  FakeApp fake;
  AppServices app = fake.Services();
  frmAbout about(services, app, kIcon);
  fake.windows.Show(about, kModal);
  EXPECT_EQ(fake.windows.FormOf(about)->captions_.at("lblDisclaimer"), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MemoryLine,
    ::testing::Values(MemoryCase{1073741824, "Windowsが使用できる物理ﾒﾓﾘ: 1,048,576 KB"},
                      MemoryCase{67108864, "Windowsが使用できる物理ﾒﾓﾘ: 65,536 KB"},
                      MemoryCase{524288 + 1023, "Windowsが使用できる物理ﾒﾓﾘ: 512 KB"},
                      MemoryCase{1023, "Windowsが使用できる物理ﾒﾓﾘ:  KB"},
                      MemoryCase{4294967295ull, "Windowsが使用できる物理ﾒﾓﾘ: 4,194,303 KB"},
                      MemoryCase{1ull << 40, "Windowsが使用できる物理ﾒﾓﾘ: 1,073,741,824 KB"}));

TEST(AboutDialog, LoadStepInOrder) {
  Utf8CodePage ansi;
  FakeOs os;
  os.memory.totalPhys = 268435456;
  const OsServices services = os.Services(ansi);
  FakeApp fake;
  AppServices app = fake.Services();
  frmAbout about(services, app, kIcon);
  fake.windows.whileModal = [](FormCode& dialog) { dialog.Click("cmdSysInfo", -1); };
  fake.windows.Show(about, kModal);
  EXPECT_EQ(fake.log, (std::vector<std::string>{
                          "load frmAbout", "pointer 11", "caption frmAbout Kavrenoのﾊﾞｰｼﾞｮﾝ情報",
                          "top frmAbout", "left frmAbout", "picture picIcon 77",
                          "label lblTitle Kavreno", "label lblVersion Version 1.0.0",
                          "label lblCopyright Copyright (C) 2026 Kavreno 開発チーム",
                          "label lblDescription この製品はフリーソフトウェアです。",
                          "label lblDisclaimer Windowsが使用できる物理ﾒﾓﾘ: 262,144 KB",
                          "pointer 0", "show frmAbout 1", kUnavailable}));
  EXPECT_NE(fake.windows.FormOf(about), nullptr);  // the system-information button keeps it open
  about.Click("cmdOK", -1);
  EXPECT_EQ(fake.windows.FormOf(about), nullptr);
}

}  // namespace
}  // namespace kv::test
