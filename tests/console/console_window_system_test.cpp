#include "platform/console/console_window_system.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/app_settings.h"
#include "platform/console/console_windows.h"
#include "platform/errors.h"
#include "sample_layouts.h"

namespace kv::console {
namespace {

// What the test's exit function throws instead of ending the process.
struct ExitCalled {
  int status;
};

// A form whose event procedures record themselves and run what the test gives them.
class RecordingForm : public FormCode {
 public:
  RecordingForm(layout::Form layout, std::vector<std::string>& log)
      : layout_(std::move(layout)), log_(log) {}

  std::function<void(IForm&)> onLoad;
  std::function<void(int16_t& cancel)> onUnload;
  IForm* form = nullptr;

  const layout::Form& Layout() const override { return layout_; }
  void Attach(IForm* f) override {
    log_.push_back(f != nullptr ? "Attach" : "Detach");
    form = f;
  }
  void Form_Load() override {
    log_.push_back("Form_Load");
    if (onLoad) onLoad(*form);
  }
  void Form_Unload(int16_t& cancel) override {
    log_.push_back("Form_Unload");
    if (onUnload) onUnload(cancel);
  }
  void Click(std::string_view control, int16_t index) override {
    log_.push_back("Click " + std::string(control) + " " + std::to_string(index));
  }

 private:
  layout::Form layout_;
  std::vector<std::string>& log_;
};

using Log = std::vector<std::string>;

class ConsoleWindowSystemTest : public ::testing::Test {
 protected:
  // The start-up form: its load step fills a row and the drive box and runs
  // whatever the test adds; its unload step releases help and ends the program.
  RecordingForm& Startup(std::function<void(IWindowSystem&)> duringLoad = {}) {
    startup_.onLoad = [this, duringLoad](IForm& f) {
      f.SetCaption(std::string(kApp.title));
      f.SetControlCaption("lblUserName", -1, "hanako");
      f.TextBox("Text1").SetText("C:\\\r\nA:\\\r\n");
      if (duringLoad) duringLoad(windows_);
    };
    startup_.onUnload = [this](int16_t&) {
      outAtUnload_ = out_.str();
      log_.push_back("WinHelpA " + std::to_string(help_.WinHelpA(startup_.form->Handle(),
                                                                 kApp.helpFile, kHelpQuit, 0)));
      windows_.End();
    };
    return startup_;
  }

  // Runs the start-up form and answers the status that the program ended with.
  int RunToEnd(FormCode& form) {
    try {
      const int status = windows_.Run(form);
      ADD_FAILURE() << "Run returned " << status << " instead of ending the program";
      return -1;
    } catch (const ExitCalled& e) {
      log_.push_back("exit " + std::to_string(e.status));
      return e.status;
    }
  }

  std::ostringstream out_, err_;
  ConsoleWindowSystem windows_{out_, err_, [](int status) { throw ExitCalled{status}; }};
  ConsoleHelpEngine help_;
  Log log_;
  RecordingForm startup_{testing::SystemLayout(), log_};
  std::string outAtUnload_;
};

std::string ExpectedStartupOutput() {
  std::string s = "Kavreno\n";
  for (const auto& row : testing::kRows)
    s += std::string(row.title) + (std::string(row.value) == "lblUserName" ? "hanako" : "") + "\n";
  return s + "ドライブ情報：\nC:\\\nA:\\\n";
}

TEST_F(ConsoleWindowSystemTest, RunLoadsPrintsThenUnloadsAndEnds) {
  EXPECT_EQ(RunToEnd(Startup()), 0);
  EXPECT_EQ(log_, (Log{"Attach", "Form_Load", "Form_Unload", "WinHelpA 1", "exit 0"}));
  EXPECT_EQ(outAtUnload_, ExpectedStartupOutput()) << "the window is printed before the unload";
  EXPECT_EQ(out_.str(), ExpectedStartupOutput());
  EXPECT_EQ(err_.str(), "");
}

// The status tells whether a message box with the exclamation icon was shown
// while the start-up form loaded.
struct Box {
  std::string text;
  int style;
  std::optional<std::string> title;
};

struct StatusCase {
  const char* name;
  std::vector<Box> boxes;
  int status;
  std::string err;
};

std::ostream& operator<<(std::ostream& os, const StatusCase& c) { return os << c.name; }

class RunStatusTest : public ConsoleWindowSystemTest,
                      public ::testing::WithParamInterface<StatusCase> {};

TEST_P(RunStatusTest, EndsWithStatus) {
  const StatusCase& c = GetParam();
  EXPECT_EQ(RunToEnd(Startup([&c](IWindowSystem& w) {
              for (const Box& b : c.boxes) w.MsgBox(b.text, b.style, b.title);
            })),
            c.status);
  EXPECT_EQ(err_.str(), c.err);
  EXPECT_EQ(out_.str(), ExpectedStartupOutput());
  EXPECT_EQ(log_.back(), "exit " + std::to_string(c.status));
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, RunStatusTest,
    ::testing::Values(
        StatusCase{"NoBox", {}, 0, ""},
        StatusCase{"ApplicationError",
                   {{"Application Error \r\nオーバーフローしました。", 48, "Kavreno"}},
                   1,
                   "Kavreno: Application Error \nオーバーフローしました。\n"},
        StatusCase{"ExclamationWithoutTitle", {{"x", 48, std::nullopt}}, 1, "Kavreno: x\n"},
        StatusCase{"OkOnly", {{"見つかりません", 0, std::nullopt}}, 0, "Kavreno: 見つかりません\n"},
        StatusCase{"Information", {{"i", 64, std::nullopt}}, 0, "Kavreno: i\n"},
        StatusCase{"Critical", {{"c", 16, std::nullopt}}, 0, "Kavreno: c\n"},
        StatusCase{
            "ExclamationWithSecondDefault", {{"d", 48 + 256, std::nullopt}}, 1, "Kavreno: d\n"},
        StatusCase{"OkOnlyThenExclamation",
                   {{"a", 0, std::nullopt}, {"b", 48, std::nullopt}},
                   1,
                   "Kavreno: a\nKavreno: b\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConsoleWindowSystemTest, ExclamationAfterTheLoadDoesNotChangeTheStatus) {
  RecordingForm& form = Startup();
  form.onUnload = [this](int16_t&) {
    windows_.MsgBox("late", kMsgBoxExclamation, std::nullopt);
    windows_.End();
  };
  EXPECT_EQ(RunToEnd(form), 0);
  EXPECT_EQ(err_.str(), "Kavreno: late\n");
}

TEST_F(ConsoleWindowSystemTest, RunReturnsWhenTheUnloadStepDoesNotEnd) {
  RecordingForm& form = Startup([](IWindowSystem& w) { w.MsgBox("e", 48, std::nullopt); });
  form.onUnload = nullptr;
  EXPECT_EQ(windows_.Run(form), 1);
  EXPECT_EQ(log_, (Log{"Attach", "Form_Load", "Form_Unload", "Detach"}));
  EXPECT_EQ(out_.str(), ExpectedStartupOutput());
}

TEST_F(ConsoleWindowSystemTest, UnhandledLoadErrorIsReportedAndAnswersOne) {
  startup_.onLoad = [](IForm& f) {
    f.SetCaption("Kavreno");
    f.SetControlCaption("lblMissing", -1, "x");
  };
  EXPECT_EQ(windows_.Run(startup_), 1);
  EXPECT_EQ(err_.str(), "Kavreno: " + std::string(InvalidCallError().what()) + "\n");
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(log_, (Log{"Attach", "Form_Load", "Detach"}));
}

TEST_F(ConsoleWindowSystemTest, OtherLoadFailuresPassToTheCaller) {
  startup_.onLoad = [](IForm&) { throw std::logic_error("bug"); };
  EXPECT_THROW(windows_.Run(startup_), std::logic_error);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(log_, (Log{"Attach", "Form_Load", "Detach"}));
}

TEST_F(ConsoleWindowSystemTest, LoadRunsTheLoadStepOnce) {
  RecordingForm form(testing::DialogLayout(), log_);
  windows_.Load(form);
  windows_.Load(form);
  ASSERT_NE(form.form, nullptr);
  EXPECT_EQ(log_, (Log{"Attach", "Form_Load"}));
  EXPECT_EQ(out_.str(), "") << "loading alone prints nothing";
}

TEST_F(ConsoleWindowSystemTest, FailedLoadForgetsTheFormAndPassesTheError) {
  RecordingForm form(testing::DialogLayout(), log_);
  form.onLoad = [](IForm& f) { f.SetControlCaption("lblName", 3, "x"); };
  EXPECT_THROW(windows_.Load(form), Error);
  EXPECT_EQ(form.form, nullptr);
  form.onLoad = nullptr;
  windows_.Load(form);
  EXPECT_EQ(log_, (Log{"Attach", "Form_Load", "Detach", "Attach", "Form_Load"}));
}

TEST_F(ConsoleWindowSystemTest, ModalShowPrintsTheDialogAndReturns) {
  RecordingForm about(testing::DialogLayout(), log_);
  int loads = 0;
  about.onLoad = [&loads](IForm& f) {
    ++loads;
    f.SetCaption("Kavrenoのﾊﾞｰｼﾞｮﾝ情報");
    f.SetControlCaption("lblName", -1, "Load " + std::to_string(loads));
  };
  const std::string first = "Kavrenoのﾊﾞｰｼﾞｮﾝ情報\nLoad 1\nleft\nright\nnote\n";
  windows_.Show(about, kModal);
  EXPECT_EQ(out_.str(), first);
  windows_.Show(about, kModal);
  EXPECT_EQ(out_.str(), first + first) << "shown again without a new load";
  windows_.Unload(about);
  EXPECT_EQ(about.form, nullptr);
  windows_.Show(about, kModal);
  EXPECT_EQ(out_.str(), first + first + "Kavrenoのﾊﾞｰｼﾞｮﾝ情報\nLoad 2\nleft\nright\nnote\n")
      << "unloaded and shown again: created anew";
  EXPECT_EQ(log_, (Log{"Attach", "Form_Load", "Form_Unload", "Detach", "Attach", "Form_Load"}));
}

TEST_F(ConsoleWindowSystemTest, CancelledUnloadKeepsTheForm) {
  RecordingForm form(testing::DialogLayout(), log_);
  form.onUnload = [](int16_t& cancel) { cancel = 1; };
  windows_.Load(form);
  windows_.Unload(form);
  windows_.Load(form);
  EXPECT_NE(form.form, nullptr);
  form.onUnload = nullptr;
  windows_.Unload(form);
  EXPECT_EQ(form.form, nullptr);
  EXPECT_EQ(log_, (Log{"Attach", "Form_Load", "Form_Unload", "Form_Unload", "Detach"}));
}

TEST_F(ConsoleWindowSystemTest, UnloadInsideTheUnloadStepAndOfAnUnloadedFormDoNothing) {
  RecordingForm form(testing::DialogLayout(), log_);
  windows_.Unload(form);
  form.onUnload = [this, &form](int16_t&) { windows_.Unload(form); };
  windows_.Load(form);
  windows_.Unload(form);
  EXPECT_EQ(log_, (Log{"Attach", "Form_Load", "Form_Unload", "Detach"}));
}

TEST_F(ConsoleWindowSystemTest, ScreenIsTheNominalOneAndThePointerPrintsNothing) {
  EXPECT_EQ(windows_.ScreenWidth(), 15360.0f);
  EXPECT_EQ(windows_.ScreenHeight(), 11520.0f);
  windows_.SetMousePointer(kPointerHourglass);
  windows_.SetMousePointer(kPointerDefault);
  EXPECT_EQ(out_.str() + err_.str(), "");
}

// Message boxes: "title: text" on err, every text escaped.
struct MsgBoxCase {
  const char* name;
  Box box;
  std::string err;
};

std::ostream& operator<<(std::ostream& os, const MsgBoxCase& c) { return os << c.name; }

class MsgBoxTest : public ConsoleWindowSystemTest,
                   public ::testing::WithParamInterface<MsgBoxCase> {};

TEST_P(MsgBoxTest, GoesToErr) {
  const MsgBoxCase& c = GetParam();
  windows_.MsgBox(c.box.text, c.box.style, c.box.title);
  EXPECT_EQ(err_.str(), c.err);
  EXPECT_EQ(out_.str(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Format, MsgBoxTest,
    ::testing::Values(MsgBoxCase{"DefaultTitle", {"text", 0, std::nullopt}, "Kavreno: text\n"},
                      MsgBoxCase{"OwnTitle", {"本文", 0, "システム情報"}, "システム情報: 本文\n"},
                      MsgBoxCase{"EmptyOwnTitle", {"t", 0, ""}, ": t\n"},
                      MsgBoxCase{
                          "CrLfBreaksLines", {"a\r\nb\r\n", 48, std::nullopt}, "Kavreno: a\nb\n\n"},
                      MsgBoxCase{"LoneCrEscaped", {"a\rb", 48, std::nullopt}, "Kavreno: a\\x0db\n"},
                      MsgBoxCase{"HostileText",
                                 {"\x1b[2J\xc2\x9b"
                                  "1m\xff",
                                  0, std::nullopt},
                                 "Kavreno: \\x1b[2J\\xc2\\x9b1m\\xff\n"},
                      MsgBoxCase{"HostileTitleStaysOnOneLine",
                                 {"t", 0, "a\r\n\x1b]0;x\a"},
                                 "a\\x0d\\x0a\\x1b]0;x\\x07: t\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// The help engine of a terminal opens nothing and prints nothing.
struct HelpCase {
  const char* name;
  uint32_t command;
  int32_t result;
};

std::ostream& operator<<(std::ostream& os, const HelpCase& c) { return os << c.name; }

class HelpEngineTest : public ::testing::TestWithParam<HelpCase> {};

TEST_P(HelpEngineTest, AnswersWithoutOutput) {
  auto help = CreateConsoleHelpEngine();
  ::testing::internal::CaptureStdout();
  const int32_t result = help->WinHelpA(0, kApp.helpFile, GetParam().command, 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(result, GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Commands, HelpEngineTest,
                         ::testing::Values(HelpCase{"Contents", kHelpContents, 0},
                                           HelpCase{"Quit", kHelpQuit, 1},
                                           HelpCase{"Context", 1, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// The window system that the program itself gets ends the process with the status.
class RealExitTest : public ::testing::TestWithParam<int> {};

TEST_P(RealExitTest, EndExitsTheProcessWithTheStatus) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const int style = GetParam() == 1 ? kMsgBoxExclamation : kMsgBoxOkOnly;
  EXPECT_EXIT(
      {
        std::ostringstream out;
        auto windows = CreateConsoleWindowSystem(out, std::cerr);
        Log log;
        RecordingForm form(testing::SystemLayout(), log);
        form.onLoad = [&](IForm& f) {
          f.SetCaption("Kavreno");
          windows->MsgBox("boom", style, std::nullopt);
        };
        form.onUnload = [&](int16_t&) { windows->End(); };
        windows->Run(form);
        std::cerr << "Run returned";
      },
      ::testing::ExitedWithCode(GetParam()), "^Kavreno: boom\n$");
}

INSTANTIATE_TEST_SUITE_P(Statuses, RealExitTest, ::testing::Values(0, 1));

}  // namespace
}  // namespace kv::console
