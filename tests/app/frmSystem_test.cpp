#include "app/frmSystem.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/command_line.h"
#include "app/frmSystem_layout.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/fake_ui.h"

namespace kv::test {
namespace {

class MainWindow : public ::testing::Test {
 protected:
  MainWindow() {
    os.memory = {37, 268435456, 134217728};
    os.system = {3, 2, 586};
    os.keyboard = {{0, 7}, {2, 12}};
    FakeVolume& c = os.AddRoot("C:\\");
    c.label = "SYSTEM", c.totalBytes = 1048577, c.freeBytes = 1025;
  }
  // Loads the window as the platform does at start-up.
  void Start() { fake.windows.Run(form); }
  FakeForm& Form() { return *fake.windows.FormOf(form); }
  std::vector<std::string> LogFrom(const std::string& first) const {
    auto it = std::find(fake.log.begin(), fake.log.end(), first);
    return {it, fake.log.end()};
  }

  Utf8CodePage ansi;
  FakeOs os;
  OsServices services = os.Services(ansi);
  FakeApp fake;
  AppServices app = fake.Services();
  frmSystem form{services, app};
};

TEST_F(MainWindow, LoadFillsEveryLabelInOrder) {
  Start();
  const std::vector<std::string> expected = {
      "load frmSystem",
      "pointer 11",
      "caption frmSystem Kavreno",
      "top frmSystem",
      "left frmSystem",
      "label lblOperatingSystem Windows NT or Windows 2000",
      "label lblWindowsVersion 5.0",
      "label lblUserName user",
      "label lblWindowsDirectory C:\\WINDOWS\\",
      "label lblSystemDirectory C:\\WINDOWS\\SYSTEM\\",
      "label lblTemporaryDirectory C:\\TEMP\\",
      "label lblKeyboard Japanese",
      "label lblFunctionKeys 12",
      "label lblComputerName PC01",
      "label lblProcessors 2",
      "label lblProcessorType Intel Pentium",
      "label lblTotalMemory 262144 KB",
      "label lblFreeMemory 131072 KB",
      "label lblUsedMemory 37 %",
      "pointer 0",
      "show frmSystem 0",
  };
  EXPECT_EQ(fake.log, expected);
  EXPECT_EQ(Form().Text().Text(),
            "Disk C:\\\r\n  Volume Name: SYSTEM\r\n  File System: NTFS\r\n"
            "  Drive Type:  Fixed\r\n  Total Space: 1.00MB\r\n  Free Space:  1.0009765625KB\r\n");
}

struct CentreCase {
  float screenW, screenH, formW, formH;
  float left, top;
};

class Centring : public MainWindow, public ::testing::WithParamInterface<CentreCase> {};

TEST_P(Centring, HalvesInSinglePrecisionWithoutClamping) {
  const auto& c = GetParam();
  fake.windows.screenWidth = c.screenW;
  fake.windows.screenHeight = c.screenH;
  fake.windows.formSizes["frmSystem"] = {c.formW, c.formH};
  Start();
  EXPECT_FLOAT_EQ(Form().left_, c.left);
  EXPECT_FLOAT_EQ(Form().top_, c.top);
}

INSTANTIATE_TEST_SUITE_P(Table, Centring,
                         ::testing::Values(CentreCase{15360, 11520, 8250, 5430, 3555, 3045},
                                           CentreCase{15361, 11521, 8250, 5431, 3555.5f, 3045},
                                           CentreCase{4800, 3600, 8250, 5430, -1725, -915}));

TEST_F(MainWindow, AFloatingPointErrorInTheCentringIsReported) {
  fake.windows.screenHeight = std::numeric_limits<float>::infinity();
  Start();
  const auto tail = LogFrom("caption frmSystem Kavreno");
  ASSERT_EQ(tail.size(), 4u);
  EXPECT_EQ(tail[1], "pointer 0");
  EXPECT_EQ(tail[2], "msgbox 48 Kavreno Application Error \r\nオーバーフローしました。");
}

TEST_F(MainWindow, AFailingQueryLeavesTheLabelsBeforeIt) {
  os.keyboard[2] = 300;  // the function-key count overflows its byte
  Start();
  const auto& captions = Form().captions_;
  for (const char* filled : {"lblOperatingSystem", "lblWindowsVersion", "lblUserName",
                             "lblWindowsDirectory", "lblSystemDirectory",
                             "lblTemporaryDirectory", "lblKeyboard"})
    EXPECT_TRUE(captions.count(filled)) << filled;
  EXPECT_EQ(captions.size(), 7u);
  EXPECT_EQ(Form().Text().Text(), "");
  const auto tail = LogFrom("label lblKeyboard Japanese");
  EXPECT_EQ(tail, (std::vector<std::string>{
                      "label lblKeyboard Japanese", "pointer 0",
                      "msgbox 48 Kavreno Application Error \r\nオーバーフローしました。",
                      "show frmSystem 0"}));
  EXPECT_EQ(std::count_if(fake.log.begin(), fake.log.end(),
                          [](const std::string& s) { return s.starts_with("msgbox"); }),
            1);
}

TEST_F(MainWindow, AFailureInsideTheDriveReportKeepsItsLines) {
  os.hasDiskFreeSpaceEx = false;
  os.roots.clear();
  FakeVolume& a = os.AddRoot("A:\\");
  a.sectorsPerCluster = 1, a.bytesPerSector = 512, a.totalClusters = 2, a.freeClusters = 1;
  os.AddRoot("B:\\").clusterQueryThrows = true;
  Start();
  EXPECT_EQ(Form().captions_.size(), 14u);
  EXPECT_TRUE(Form().Text().Text().starts_with("Disk A:\\\r\n"));
  EXPECT_TRUE(Form().Text().Text().ends_with("Disk B:\\\r\n  Volume Name: \r\n  File System: NTFS\r\n"
                                              "  Drive Type:  Fixed\r\n"));
  EXPECT_EQ(fake.windows.Pointer(), 0);
  EXPECT_TRUE(LogFrom("pointer 0")[1].starts_with("msgbox 48 Kavreno Application Error \r\n"));
}

struct LabelCase {
  const char* name;
  std::function<void(FakeOs&)> script;
  const char* label;
  const char* text;
};

class LabelTexts : public MainWindow, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(LabelTexts, ShowsWhatTheProviderAnswered) {
  GetParam().script(os);
  Start();
  EXPECT_EQ(Form().captions_.at(GetParam().label), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LabelTexts,
    ::testing::Values(
        LabelCase{"Version410", [](FakeOs& o) { o.version = OsVersionInfo{4, 10, 0, 1, ""}; },
                  "lblWindowsVersion", "4.10"},
        LabelCase{"VersionFails", [](FakeOs& o) { o.version.reset(); }, "lblWindowsVersion", "0.0"},
        LabelCase{"VersionFailsPlatform", [](FakeOs& o) { o.version.reset(); },
                  "lblOperatingSystem", ""},
        LabelCase{"NoLoad", [](FakeOs& o) { o.memory.memoryLoad = 0; }, "lblUsedMemory", "0 %"},
        LabelCase{"FullLoad", [](FakeOs& o) { o.memory.memoryLoad = 100; }, "lblUsedMemory",
                  "100 %"},
        LabelCase{"UnknownProcessor", [](FakeOs& o) { o.system.processorType = 686; },
                  "lblProcessorType", ""},
        LabelCase{"UnknownKeyboard", [](FakeOs& o) { o.keyboard.clear(); }, "lblKeyboard", ""},
        LabelCase{"BigMemory", [](FakeOs& o) { o.memory.totalPhys = 64ull << 30; },
                  "lblTotalMemory", "67108864 KB"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- menu and shutdown --------------------------------------------------

TEST_F(MainWindow, HelpItemCallsTheHelpEngineEachTime) {
  Start();
  fake.log.clear();
  form.Click("mnuFileItem", 2);
  form.Click("mnuFileItem", 2);
  EXPECT_EQ(fake.log, (std::vector<std::string>{"help 16962 Kavreno.hlp 3 0",
                                                "help 16962 Kavreno.hlp 3 0"}));
}

TEST_F(MainWindow, OtherIndicesDoNothing) {
  Start();
  fake.log.clear();
  for (int16_t index : {1, 4, -1, 32767}) form.Click("mnuFileItem", index);
  EXPECT_TRUE(fake.log.empty());
}

TEST_F(MainWindow, ExitAndCloseShareOneShutdownPath) {
  Start();
  fake.log.clear();
  EXPECT_THROW(form.Click("mnuFileItem", 0), ProgramEnded);
  EXPECT_EQ(fake.log, (std::vector<std::string>{"unload frmSystem", "help 16962 Kavreno.hlp 2 0",
                                                "end"}));

  FakeApp other;
  AppServices otherApp = other.Services();
  frmSystem closed{services, otherApp};
  other.windows.Run(closed);
  other.log.clear();
  EXPECT_THROW(other.windows.Unload(closed), ProgramEnded);  // the close box
  EXPECT_EQ(other.log, (std::vector<std::string>{"unload frmSystem", "help 16962 Kavreno.hlp 2 0",
                                                 "end"}));
}

TEST_F(MainWindow, AboutIsModalAndFreshEachTime) {
  Start();
  int opened = 0;
  fake.windows.whileModal = [&](FormCode& dialog) {
    ++opened;
    dialog.Click("cmdOK", -1);
  };
  form.Click("mnuFileItem", 3);
  os.memory.totalPhys = 1073741824;
  form.Click("mnuFileItem", 3);
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(std::count(fake.log.begin(), fake.log.end(), "load frmAbout"), 2);
  EXPECT_EQ(std::count(fake.log.begin(), fake.log.end(), "unload frmAbout"), 2);
  EXPECT_NE(std::find(fake.log.begin(), fake.log.end(),
                      "label lblDisclaimer Windowsが使用できる物理ﾒﾓﾘ: 262,144 KB"),
            fake.log.end());
  EXPECT_NE(std::find(fake.log.begin(), fake.log.end(),
                      "label lblDisclaimer Windowsが使用できる物理ﾒﾓﾘ: 1,048,576 KB"),
            fake.log.end());
}

// ---- layout -------------------------------------------------------------

TEST(MainWindowLayout, RowsAndTabOrder) {
  const layout::Form& f = frmSystemLayout();
  EXPECT_EQ(f.clientWidth, 8160);
  EXPECT_EQ(f.clientHeight, 4695);
  int rows = 0;
  for (const auto& c : f.controls) {
    if (c.kind != layout::Kind::Label || c.name == "lblTitle") continue;
    const layout::Control* title = f.Find("lblTitle", c.buddyIndex);
    ASSERT_NE(title, nullptr) << c.name;
    EXPECT_EQ(title->top, c.top + 60);
    EXPECT_EQ(c.top, 300 * (c.tabIndex + 1));
    EXPECT_EQ(title->tabIndex, 14 + c.tabIndex);
    ++rows;
  }
  EXPECT_EQ(rows, 14);
  EXPECT_EQ(f.Find("lblTitle", 0)->caption, "コンピュータ名：");
  EXPECT_EQ(f.Find("lblComputerName")->tabIndex, 0);
  EXPECT_EQ(f.Find("lblFunctionKeys")->tabIndex, 13);
  EXPECT_EQ(f.Find("Text1")->container, "Frame1");
  ASSERT_EQ(f.menus.size(), 1u);
  EXPECT_EQ(f.menus[0].caption, "ﾌｧｲﾙ(&F)");
  EXPECT_EQ(f.menus[0].items[1].caption, "-");
  EXPECT_EQ(f.menus[0].items[3].caption, "ﾊﾞｰｼﾞｮﾝ情報(&A)...");
}

// ---- command line -------------------------------------------------------

struct ArgsCase {
  std::vector<std::string_view> args;
  CommandLine::Action action;
  bool text;
};

class CommandLines : public ::testing::TestWithParam<ArgsCase> {};

TEST_P(CommandLines, Parse) {
  const CommandLine line = ParseCommandLine(GetParam().args);
  EXPECT_EQ(line.action, GetParam().action);
  EXPECT_EQ(line.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLines,
    ::testing::Values(ArgsCase{{}, CommandLine::Action::Run, false},
                      ArgsCase{{"--text"}, CommandLine::Action::Run, true},
                      ArgsCase{{"--help"}, CommandLine::Action::Help, false},
                      ArgsCase{{"--text", "--version"}, CommandLine::Action::Version, true},
                      ArgsCase{{"--frobnicate"}, CommandLine::Action::Error, false},
                      ArgsCase{{"C:\\"}, CommandLine::Action::Error, false},
                      ArgsCase{{"--text", "-x"}, CommandLine::Action::Error, true}));

TEST(CommandLineTexts, VersionAndUsage) {
  EXPECT_EQ(VersionText(), "Kavreno 1.0.0");
  EXPECT_TRUE(HelpText().starts_with(UsageLine()));
}

}  // namespace
}  // namespace kv::test
