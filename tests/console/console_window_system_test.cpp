#include "platform/console/console_window_system.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/app_settings.h"
#include "platform/console/console_windows.h"
#include "platform/errors.h"
#include "sample_layouts.h"

namespace kv::console {
namespace {

using Log = std::vector<std::string>;

// The start-up form: its load step fills the window and runs what the test
// adds; its unload step ends the program, as the program's own does.
class StartupForm : public FormCode {
 public:
  StartupForm(IWindowSystem& windows, Log& log) : windows_(windows), log_(log) {}
  std::function<void(IWindowSystem&)> duringLoad;
  bool endsInUnload = true;

  const layout::Form& Layout() const override { return layout_; }
  void Attach(IForm* form) override { form_ = form; }
  void Form_Load() override {
    log_.push_back("Form_Load");
    form_->SetCaption("Kavreno");
    for (const auto& row : testing::kRows) form_->SetControlCaption(row.value, -1, row.value);
    form_->TextBox("Text1").SetText("C:\\\r\nA:\\\r\n");
    if (duringLoad) duringLoad(windows_);
  }
  void Form_Unload(int16_t&) override {
    log_.push_back("Form_Unload");
    if (endsInUnload) windows_.End();
  }
  void Click(std::string_view, int16_t) override {}

 private:
  layout::Form layout_ = testing::SystemLayout();
  IWindowSystem& windows_;
  Log& log_;
  IForm* form_ = nullptr;
};

struct Box {
  std::string text;
  int style;
  std::optional<std::string> title;
};

// The status is 1 when a message box with the exclamation icon was shown
// while the start-up form loaded; message boxes go to err as "title: text".
struct RunCase {
  const char* name;
  std::vector<Box> boxes;
  int status;
  std::string err;
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
  form.duringLoad = [&c](IWindowSystem& w) {
    for (const Box& b : c.boxes) w.MsgBox(b.text, b.style, b.title);
  };
  EXPECT_THROW(windows.Run(form), int);
  const std::string window = testing::Window("Kavreno", "lblUserName", "C:\\\nA:\\\n");
  EXPECT_EQ(log, (Log{"Form_Load", "Form_Unload",
                      "exit " + std::to_string(c.status) + " after printing " + window}));
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
            "Kavreno: a\nKavreno: b\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConsoleWindowSystem, RunAnswersTheStatusWhenTheUnloadStepDoesNotEnd) {
  std::ostringstream out, err;
  ConsoleWindowSystem windows(out, err, [](int status) { throw status; });
  Log log;
  StartupForm form(windows, log);
  form.endsInUnload = false;
  form.duringLoad = [](IWindowSystem& w) { w.MsgBox("e", kMsgBoxExclamation, std::nullopt); };
  EXPECT_EQ(windows.Run(form), 1);
  EXPECT_EQ(log, (Log{"Form_Load", "Form_Unload"}));
  EXPECT_EQ(out.str(), testing::Window("Kavreno", "lblUserName", "C:\\\nA:\\\n"));
}

// An error the load step leaves unhandled is shown, the window is not printed.
TEST(ConsoleWindowSystem, UnhandledLoadErrorAnswersOne) {
  std::ostringstream out, err;
  ConsoleWindowSystem windows(out, err, [](int status) { throw status; });
  Log log;
  StartupForm form(windows, log);
  form.duringLoad = [](IWindowSystem&) { throw InvalidCallError(); };
  EXPECT_EQ(windows.Run(form), 1);
  EXPECT_EQ(err.str(), "Kavreno: " + std::string(InvalidCallError().what()) + "\n");
  EXPECT_EQ(out.str(), "");
}

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
