#include "platform/console/console_form.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/console/terminal_text.h"
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

// No byte of what the system hands over may drive the terminal.
struct EscapeCase {
  const char* name;
  std::string input, line, lines;  // as EscapeLine and EscapeLines give it
};

class Escape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(Escape, LineAndLines) {
  EXPECT_EQ(EscapeLine(GetParam().input), GetParam().line);
  EXPECT_EQ(EscapeLines(GetParam().input), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Texts, Escape, ::testing::Values(
    EscapeCase{"Printable", "C:\\ ｼｽﾃﾑ情報 a\xc2\xa0😀", "C:\\ ｼｽﾃﾑ情報 a\xc2\xa0😀",
               "C:\\ ｼｽﾃﾑ情報 a\xc2\xa0😀"},
    EscapeCase{"C0AndDelete", "\x1b[31m\a\t\0\x7f"s, R"(\x1b[31m\x07\x09\x00\x7f)",
               R"(\x1b[31m\x07\x09\x00\x7f)"},
    EscapeCase{"C1", "\xc2\x9b" "1m\xc2\x80\xc2\x9f", R"(\xc2\x9b1m\xc2\x80\xc2\x9f)",
               R"(\xc2\x9b1m\xc2\x80\xc2\x9f)"},
    // Only CR LF breaks a line, and only in text of several lines.
    EscapeCase{"LineBreaks", "a\r\nb\rc\nd\r\r\n", R"(a\x0d\x0ab\x0dc\x0ad\x0d\x0d\x0a)",
               "a\nb\\x0dc\\x0ad\\x0d\n"},
    // Bytes that are not well-formed UTF-8 are escaped one by one.
    EscapeCase{"Cut", "\xe3\x81" "A\xe3\r\n", R"(\xe3\x81A\xe3\x0d\x0a)", "\\xe3\\x81A\\xe3\n"},
    EscapeCase{"Overlong", "\xc0\xaf\xe0\x80\xaf", R"(\xc0\xaf\xe0\x80\xaf)",
               R"(\xc0\xaf\xe0\x80\xaf)"},
    EscapeCase{"SurrogateAndBeyond", "\xed\xa0\x80\xf4\x90\x80\x80",
               R"(\xed\xa0\x80\xf4\x90\x80\x80)", R"(\xed\xa0\x80\xf4\x90\x80\x80)"},
    EscapeCase{"ShiftJis", "\x83\x65\x83\x58\x83\x67", R"(\x83e\x83X\x83g)", R"(\x83e\x83X\x83g)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormContract, TheConsoleFormKeepsIt) {
  ConsoleForm form(test::ContractLayout());
  EXPECT_EQ(test::ContractBreaches(form), std::vector<std::string>{});
}

}  // namespace
}  // namespace kv::console
