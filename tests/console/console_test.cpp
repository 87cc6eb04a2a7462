// The text presentation: the printed window, and the window system that prints
// the start-up form, shows message boxes on stderr and ends the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/frmSystem_layout.h"
#include "platform/console/console_window_system.h"
#include "platform/console/console_windows.h"
#include "platform/errors.h"
#include "tests/fakes/form_contract_cases.h"

namespace kv::console {
namespace {

struct Row {
  const char* title;
  const char* value;
};
constexpr Row kRows[] = {
    {"コンピュータ名：", "lblComputerName"}, {"ユーザ名：", "lblUserName"},
    {"OS：", "lblOperatingSystem"}, {"OSのバージョン：", "lblWindowsVersion"},
    {"プロセッサの数：", "lblProcessors"}, {"プロセッサのタイプ：", "lblProcessorType"},
    {"物理メモリの全容量：", "lblTotalMemory"}, {"使用中のメモリ：", "lblUsedMemory"},
    {"空きメモリ：", "lblFreeMemory"}, {"Windowsディレクトリ：", "lblWindowsDirectory"},
    {"Systemディレクトリ：", "lblSystemDirectory"}, {"Temporaryディレクトリ：", "lblTemporaryDirectory"},
    {"キーボードタイプ：", "lblKeyboard"}, {"Functionキーの数：", "lblFunctionKeys"}};

// The program's main window with its controls in reverse stacking order, so
// that the printed order must come from the places; without buddies, the rows
// pair by place alone.
layout::Form MainLayout(bool buddies = true) {
  layout::Form f = frmSystemLayout();
  std::reverse(f.controls.begin(), f.controls.end());
  if (!buddies)
    for (auto& c : f.controls) c.buddyName.clear();
  return f;
}

// Each value label shows its own name, but the user name shows userName.
void Fill(IForm& f, const std::string& caption, const std::string& userName,
          const std::string& drive) {
  f.SetCaption(caption);
  for (const Row& row : kRows) f.SetControlCaption(row.value, -1, row.value);
  f.SetControlCaption("lblUserName", -1, userName);
  f.TextBox("Text1").SetText(drive);
}

// The window as printed after Fill, with the texts as printed.
std::string Window(const std::string& caption, const std::string& userName,
                   const std::string& drive) {
  std::string s = caption + "\n";
  for (const Row& row : kRows)
    s += row.title + (row.value == std::string("lblUserName") ? userName : row.value) + "\n";
  return s + "ドライブ情報：\n" + drive;
}

// The printed window: the caption, each row's title and value, the frame and
// the drive box's lines, whatever was set escaped.
struct RenderCase {
  const char* name;
  bool buddies;
  std::string caption, userName, drive;                 // as set
  std::string shownCaption, shownUserName, shownDrive;  // as printed
};

class PrintedWindow : public ::testing::TestWithParam<RenderCase> {};

TEST_P(PrintedWindow, ShowsEveryRowAndTheDriveBox) {
  const auto& c = GetParam();
  ConsoleForm form(MainLayout(c.buddies));
  Fill(form, c.caption, c.userName, c.drive);
  EXPECT_EQ(form.Render(), Window(c.shownCaption, c.shownUserName, c.shownDrive));
}

INSTANTIATE_TEST_SUITE_P(Forms, PrintedWindow, ::testing::Values(
    RenderCase{"Buddies", true, "Kavreno", "花子", "C:\\\r\nボリューム名：SYSTEM\r\n", "Kavreno",
               "花子", "C:\\\nボリューム名：SYSTEM\n"},
    RenderCase{"Positions", false, "Kavreno", "hanako", "A:\\\r\nB:\\", "Kavreno", "hanako",
               "A:\\\nB:\\\n"},
    RenderCase{"Empty", true, "", "", "", "", "", ""},
    RenderCase{"Hostile", true, "\x1b]0;x\a", "\x1b[2J\r\nroot", "C:\\\rD:\\\r\n\x1b[31m\xff",
               R"(\x1b]0;x\x07)", R"(\x1b[2J\x0d\x0aroot)", "C:\\\\x0dD:\\\n\\x1b[31m\\xff\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormContract, TheConsoleFormKeepsIt) {
  ConsoleForm form(test::ContractLayout());
  EXPECT_EQ(test::ContractBreaches(form), std::vector<std::string>{});
}

using Log = std::vector<std::string>;

// The start-up form: its load step fills the window and runs what the test
// adds; its unload step ends the program, as the program's own does.
struct StartupForm : FormCode {
  StartupForm(IWindowSystem& windows, Log& log) : windows(windows), log(log) {}
  const layout::Form& Layout() const override { return data; }
  void Attach(IForm* f) override { form = f; }
  void Form_Load() override {
    log.push_back("Form_Load");
    Fill(*form, "Kavreno", "lblUserName", "C:\\\r\nA:\\\r\n");
    if (duringLoad) duringLoad(windows);
  }
  void Form_Unload(int16_t&) override {
    log.push_back("Form_Unload");
    if (unloadFails) throw std::bad_alloc();
    if (endsInUnload) windows.End();
  }
  void Click(std::string_view, int16_t) override {}

  IWindowSystem& windows;
  Log& log;
  std::function<void(IWindowSystem&)> duringLoad;
  bool endsInUnload = true;
  bool unloadFails = false;
  layout::Form data = MainLayout();
  IForm* form = nullptr;
};

struct Box {
  std::string text;
  int style;
  std::optional<std::string> title;
};

// The status is 1 when a message box with the exclamation icon was shown
// while the start-up form loaded; message boxes go to err as "title: text".
// An error the load or unload step leaves unhandled is shown and answers 1;
// after a failed load step the window is not printed.
struct RunCase {
  const char* name;
  std::vector<Box> boxes;
  int status;
  std::string err;
  bool loadFails = false;
  bool endsInUnload = true;  // else Run answers the status itself
  bool unloadFails = false;
};

class StartupRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(StartupRun, PrintsTheWindowThenUnloadsAndEnds) {
  const auto& c = GetParam();
  std::ostringstream out, err;
  Log log;
  ConsoleWindowSystem windows(out, err, [&](int status) {
    log.push_back("exit " + std::to_string(status) + " after printing " + out.str());
    throw status;
  });
  StartupForm form(windows, log);
  form.endsInUnload = c.endsInUnload;
  form.unloadFails = c.unloadFails;
  form.duringLoad = [&c](IWindowSystem& w) {
    for (const Box& b : c.boxes) w.MsgBox(b.text, b.style, b.title);
    if (c.loadFails) throw InvalidCallError();
  };
  const std::string window = c.loadFails ? "" : Window("Kavreno", "lblUserName", "C:\\\nA:\\\n");
  Log expected = c.loadFails ? Log{"Form_Load"} : Log{"Form_Load", "Form_Unload"};
  if (c.endsInUnload && !c.loadFails && !c.unloadFails) {
    EXPECT_THROW(windows.Run(form), int);
    expected.push_back("exit " + std::to_string(c.status) + " after printing " + window);
  } else {
    EXPECT_EQ(windows.Run(form), c.status);
  }
  EXPECT_EQ(log, expected);
  EXPECT_EQ(out.str(), window);
  EXPECT_EQ(err.str(), c.err);
}

INSTANTIATE_TEST_SUITE_P(Boxes, StartupRun, ::testing::Values(
    RunCase{"NoBox", {}, 0, ""},
    RunCase{"ApplicationError", {{"Application Error \r\nオーバーフローしました。", 48, "Kavreno"}},
            1, "Kavreno: Application Error \nオーバーフローしました。\n"},
    RunCase{"OkOnlyOwnTitle", {{"見つかりません", 0, "システム情報"}}, 0,
            "システム情報: 見つかりません\n"},
    RunCase{"Information", {{"i", 64, std::nullopt}}, 0, "Kavreno: i\n"},
    RunCase{"ExclamationSecondDefault", {{"d", 48 + 256, std::nullopt}}, 1, "Kavreno: d\n"},
    RunCase{"Hostile", {{"\x1b[2J\ra", 0, "t\x1b"}}, 0, "t\\x1b: \\x1b[2J\\x0da\n"},
    RunCase{"OkOnlyThenExclamation", {{"a", 0, std::nullopt}, {"b", 48, std::nullopt}}, 1,
            "Kavreno: a\nKavreno: b\n"},
    RunCase{"UnloadStepDoesNotEnd", {{"e", 48, std::nullopt}}, 1, "Kavreno: e\n", false, false},
    RunCase{"UnhandledLoadError", {}, 1,
            "Kavreno: 実行時エラー '5':\n\nプロシージャの呼び出し、または引数が不正です。\n", true},
    RunCase{"UnhandledUnloadError", {{"i", 64, std::nullopt}}, 1,
            "Kavreno: i\nKavreno: 実行時エラー '7':\n\nメモリが不足しています。\n", false, true,
            true}),
    [](const auto& info) { return std::string(info.param.name); });

// The window system the program gets ends the process with the status.
class RealExit : public ::testing::TestWithParam<int> {};

TEST_P(RealExit, EndExitsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const int style = GetParam() == 1 ? kMsgBoxExclamation : kMsgBoxOkOnly;
  EXPECT_EXIT(
      {
        std::ostringstream out;
        auto windows = CreateConsoleWindowSystem(out, std::cerr);
        Log log;
        StartupForm form(*windows, log);
        form.duringLoad = [style](IWindowSystem& w) { w.MsgBox("boom", style, std::nullopt); };
        windows->Run(form);
        std::cerr << "Run returned";
      },
      ::testing::ExitedWithCode(GetParam()), "^Kavreno: boom\n$");
}

INSTANTIATE_TEST_SUITE_P(Statuses, RealExit, ::testing::Values(0, 1));

}  // namespace
}  // namespace kv::console
