#include "platform/console/console_form.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/fakes/form_contract_cases.h"
#include "sample_layouts.h"

namespace kv::console {
namespace {

using namespace std::string_literals;

// The printed window: the caption, each row's title and value, the frame and
// the drive box's lines, whatever was set escaped.
struct RenderCase {
  const char* name;
  bool buddies;
  std::string caption, userName, drive;              // as set
  std::string shownCaption, shownUserName, shownDrive;  // as printed
};

class PrintedWindow : public ::testing::TestWithParam<RenderCase> {};

TEST_P(PrintedWindow, ShowsEveryRowAndTheDriveBox) {
  const auto& c = GetParam();
  ConsoleForm form(testing::SystemLayout(c.buddies));
  form.SetCaption(c.caption);
  for (const auto& row : testing::kRows) form.SetControlCaption(row.value, -1, row.value);
  form.SetControlCaption("lblUserName", -1, c.userName);
  form.TextBox("Text1").SetText(c.drive);
  EXPECT_EQ(form.Render(), testing::Window(c.shownCaption, c.shownUserName, c.shownDrive));
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

}  // namespace
}  // namespace kv::console
