#include "app/frmSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ranges>

#include "app/command_line.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/fake_ui.h"
#include "tests/fakes/form_contract_cases.h"

namespace kv::test {
namespace {

const std::string kOverflow = "msgbox 48 Kavreno Application Error \r\nオーバーフローしました。";

struct MainWindow : ::testing::Test, FakePc {
  MainWindow() { os.AddRoot("C:\\", {.label = "SYSTEM"}); }
  // Loads and shows the window as the platform does at start-up.
  void Start() { fake.windows.Run(form); }

  FakeApp fake;
  AppServices app = fake.Services();
  frmSystem form{services, app};
};

TEST_F(MainWindow, LoadFillsEveryLabelInOrder) {
  Start();
  EXPECT_EQ(
      fake.log,
      Lines("load frmSystem", "pointer 11", "caption frmSystem Kavreno",
            "top frmSystem 3412.500000", "left frmSystem 3600.000000",
            "label lblOperatingSystem Windows NT or Windows 2000", "label lblWindowsVersion 5.0",
            "label lblUserName user", "label lblWindowsDirectory C:\\WINDOWS\\",
            "label lblSystemDirectory C:\\WINDOWS\\SYSTEM\\",
            "label lblTemporaryDirectory C:\\TEMP\\", "label lblKeyboard Japanese",
            "label lblFunctionKeys 12", "label lblComputerName PC01", "label lblProcessors 2",
            "label lblProcessorType Intel Pentium", "label lblTotalMemory 262144 KB",
            "label lblFreeMemory 131072 KB", "label lblUsedMemory 37 %", "textbox Text1",
            "pointer 0", "show frmSystem 0"));
}

// The drives are asked first, so that they answer while the labels fill; the
// report then takes those answers, for the same roots.
TEST_F(MainWindow, LoadStartsTheDrivesBeforeTheLabels) {
  os.AddRoot("d:\\");
  Start();
  const std::vector<std::vector<std::string>> roots{{"C:\\", "d:\\"}};
  EXPECT_EQ(os.startedRoots, roots);
  EXPECT_EQ(os.memoryReadsWhenStarted, std::vector<int>{0});
  EXPECT_EQ(os.preparedRoots, roots);
}

// A scripted system or screen, and lines that follow each other in the log.
struct LoadCase {
  const char* name;
  std::function<void(MainWindow&)> script;
  std::string lines;
};

class Load : public MainWindow, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(Load, LogsTheLines) {
  GetParam().script(*this);
  Start();
  std::string log = "\n";
  for (const std::string& line : fake.log) log += line + "\n";
  EXPECT_NE(log.find("\n" + GetParam().lines + "\n"), std::string::npos) << log;
}

// The size of the screen in twips; the window is 8160 x 4695.
std::function<void(MainWindow&)> Screen(float width, float height) {
  return [=](MainWindow& t) {
    t.fake.windows.screenWidth = width;
    t.fake.windows.screenHeight = height;
  };
}

const std::string kFailed = "pointer 0\n" + kOverflow + "\nshow frmSystem 0";

INSTANTIATE_TEST_SUITE_P(
    Table, Load,
    ::testing::ValuesIn(std::vector<LoadCase>{
        // Odd sizes halve in single precision; nothing clamps a window larger than the screen.
        {"OddSizes", Screen(15361, 11521), "top frmSystem 3413.000000\nleft frmSystem 3600.500000"},
        {"LargerThanTheScreen", Screen(4800, 3600),
         "top frmSystem -547.500000\nleft frmSystem -1680.000000"},
        {"CentringOverflows", Screen(15360, INFINITY), "caption frmSystem Kavreno\n" + kFailed},
        // More function keys than a byte holds.
        {"AFailingQueryLeavesTheLabelsBeforeIt", [](auto& t) { t.os.keyboard[2] = 300; },
         "label lblKeyboard Japanese\n" + kFailed},
        {"AFailureInsideTheDriveReportIsShown",
         [](auto& t) {
           t.os.hasDiskFreeSpaceEx = false;
           t.os.roots.front().second.clusterQueryThrows = true;
         },
         "label lblUsedMemory 37 %\ntextbox Text1\npointer 0\n"
         "msgbox 48 Kavreno Application Error \r\nデバイスが使用できません。\nshow frmSystem 0"},
        // The drives' head start meets it first and leaves it to the report.
        {"AFailingDriveListIsShownOnceAfterTheLabels",
         [](auto& t) { t.os.rootListOverflows = true; },
         "label lblUsedMemory 37 %\ntextbox Text1\n" + kFailed},
        {"VersionFails", [](auto& t) { t.os.version.reset(); },
         "label lblOperatingSystem \nlabel lblWindowsVersion 0.0"},
        {"FullLoad", [](auto& t) { t.os.memory.memoryLoad = 100; }, "label lblUsedMemory 100 %"},
        {"UnknownProcessor", [](auto& t) { t.os.system.processorType = 686; },
         "label lblProcessorType "}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindow, HelpEachTimeAndOtherIndicesNothing) {
  Start();
  fake.log.clear();
  for (int16_t index : {2, 1, 4, -1, 32767, 2}) form.Click("mnuFileItem", index);
  EXPECT_EQ(fake.log, (Log{"help 16962 Kavreno.hlp 3 0", "help 16962 Kavreno.hlp 3 0"}));
}

// The exit item (true) and the close box (false) share one shutdown path.
class Shutdown : public MainWindow, public ::testing::WithParamInterface<bool> {};

TEST_P(Shutdown, QuitsHelpThenEnds) {
  Start();
  fake.log.clear();
  if (GetParam()) {
    EXPECT_THROW(form.Click("mnuFileItem", 0), ProgramEnded);
  } else {
    EXPECT_THROW(fake.windows.Unload(form), ProgramEnded);
  }
  EXPECT_EQ(fake.log, (Log{"unload frmSystem", "help 16962 Kavreno.hlp 2 0", "end"}));
}

INSTANTIATE_TEST_SUITE_P(Table, Shutdown, ::testing::Bool());

TEST_F(MainWindow, AboutIsModalAndFreshEachTime) {
  Start();
  fake.windows.whileModal = [](FormCode& dialog) { dialog.Click("cmdOK", -1); };
  form.Click("mnuFileItem", 3);
  os.memory.totalPhys = 1073741824;
  form.Click("mnuFileItem", 3);
  const auto count = [&](const std::string& line) { return std::ranges::count(fake.log, line); };
  EXPECT_EQ(count("show frmAbout 1"), 2);
  EXPECT_EQ(count("label lblDisclaimer Windowsが使用できる物理ﾒﾓﾘ: 262,144 KB"), 1);
  EXPECT_EQ(count("label lblDisclaimer Windowsが使用できる物理ﾒﾓﾘ: 1,048,576 KB"), 1);
}

// The arguments, the action, --text, the options that go to Qt and the problem
// reported; arguments and options are separated by single spaces.
TEST(CommandLine, ParsesTheArgumentsAndTellsTheVersion) {
  using enum CommandLine::Action;
  const auto words = [](std::string_view text) {
    std::vector<std::string> out;
    for (const auto word : std::views::split(text, ' ')) out.emplace_back(word.begin(), word.end());
    return text.empty() ? std::vector<std::string>{} : out;
  };
  const struct {
    const char* args;
    CommandLine::Action action;
    bool text;
    const char *toolkit, *problem;
  } table[] = {
      {"", Run, false, "", ""},
      {"--help", Help, false, "", ""},
      {"--text --version", Version, true, "", ""},
      {"--text -x", Error, true, "", "unrecognized option '-x'"},
      {"extra", Error, false, "", "unexpected argument 'extra'"},
      {"-style Fusion", Run, false, "-style Fusion", ""},
      {"--style=Fusion -reverse --text", Run, true, "--style=Fusion -reverse", ""},
      {"-platform offscreen -display :1 -widgetcount", Run, false,
       "-platform offscreen -display :1 -widgetcount", ""},
      {"-qwindowgeometry 640x480+0+0 -stylesheet a.qss", Run, false,
       "-qwindowgeometry 640x480+0+0 -stylesheet a.qss", ""},
      {"-style --text", Run, false, "-style --text", ""},  // a value, not ours
      {"-style", Error, false, "-style", "option '-style' requires an argument"},
      {"-reverse=1", Error, false, "", "unrecognized option '-reverse=1'"},
      {"-fontengine freetype", Error, false, "", "unrecognized option '-fontengine'"},
  };
  for (const auto& row : table) {
    const std::vector<std::string> owned = words(row.args);
    const std::vector<std::string_view> args(owned.begin(), owned.end());
    const CommandLine line = ParseCommandLine(args);
    EXPECT_EQ(line.action, row.action) << row.args;
    EXPECT_EQ(line.text, row.text) << row.args;
    EXPECT_EQ(line.toolkitOptions, words(row.toolkit)) << row.args;
    EXPECT_EQ(line.problem, row.problem) << row.args;
  }
  EXPECT_EQ(VersionText(), "Kavreno 1.0.0");
  EXPECT_TRUE(HelpText().starts_with(UsageLine()));
}

// The report and the privacy switch: which presentations they go with.
TEST(CommandLine, TakesTheReportAndTheRedactionWithTheirPresentations) {
  using enum CommandLine::Action;
  const struct {
    std::vector<std::string_view> args;
    CommandLine::Action action;
    bool report, redact;
    const char* problem;
  } table[] = {
      {{"--report"}, Run, true, false, ""},
      {{"--redact", "--report"}, Run, true, true, ""},
      {{"--text", "--redact"}, Run, false, true, ""},
      {{"--report", "--text"}, Error, true, false, "--text and --report cannot be combined"},
#if KAVRENO_JSON
      {{"--json", "--redact"}, Run, false, true, ""},
      {{"--redact"}, Error, false, true, "--redact needs --text, --json or --report"},
      {{"--json", "--report"}, Error, true, false, "--json and --report cannot be combined"},
      {{"--text", "--json"}, Error, false, false, "--text and --json cannot be combined"},
#else
      {{"--redact"}, Error, false, true, "--redact needs --text or --report"},
#endif
  };
  for (const auto& row : table) {
    const CommandLine line = ParseCommandLine(row.args);
    const std::string args = row.args.empty() ? "" : std::string(row.args[0]);
    EXPECT_EQ(line.action, row.action) << args;
    EXPECT_EQ(line.report, row.report) << args;
    EXPECT_EQ(line.redact, row.redact) << args;
    EXPECT_EQ(line.problem, row.problem) << args;
  }
  EXPECT_NE(HelpText().find("--redact"), std::string::npos);
}

// The recording form fails where every window system's form fails.
TEST(FormContract, TheFakeFormKeepsIt) {
  Log log;
  FakeForm form(ContractLayout(), log);
  EXPECT_EQ(ContractBreaches(form), std::vector<std::string>{});
}

}  // namespace
}  // namespace kv::test
