#include "platform/console/terminal_text.h"

#include <gtest/gtest.h>

#include <string>

namespace kv::console {
namespace {

using namespace std::string_literals;

struct EscapeCase {
  const char* name;
  std::string input;
  std::string line;   // EscapeLine
  std::string lines;  // EscapeLines
};

std::ostream& operator<<(std::ostream& os, const EscapeCase& c) { return os << c.name; }

class EscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeTest, Line) { EXPECT_EQ(EscapeLine(GetParam().input), GetParam().line); }

TEST_P(EscapeTest, Lines) { EXPECT_EQ(EscapeLines(GetParam().input), GetParam().lines); }

// Printable text passes unchanged.
INSTANTIATE_TEST_SUITE_P(
    Printable, EscapeTest,
    ::testing::Values(
        EscapeCase{"Empty", "", "", ""},
        EscapeCase{"WindowsPath", R"(C:\WINDOWS\SYSTEM\)", R"(C:\WINDOWS\SYSTEM\)",
                   R"(C:\WINDOWS\SYSTEM\)"},
        EscapeCase{"Japanese", "コンピュータ名：", "コンピュータ名：", "コンピュータ名："},
        EscapeCase{"HalfWidthKatakana", "ﾊﾞｰｼﾞｮﾝ情報", "ﾊﾞｰｼﾞｮﾝ情報", "ﾊﾞｰｼﾞｮﾝ情報"},
        EscapeCase{"NoBreakSpaceAfterC1",
                   "a\xc2\xa0"
                   "b",
                   "a\xc2\xa0"
                   "b",
                   "a\xc2\xa0"
                   "b"},
        EscapeCase{"FourByteEmoji", "\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
        EscapeCase{"LastCodePoint", "\xf4\x8f\xbf\xbf", "\xf4\x8f\xbf\xbf", "\xf4\x8f\xbf\xbf"},
        EscapeCase{"RightToLeftOverride",
                   "a\xe2\x80\xae"
                   "b",
                   "a\xe2\x80\xae"
                   "b",
                   "a\xe2\x80\xae"
                   "b"}),
    [](const auto& info) { return std::string(info.param.name); });

// Controls never reach the terminal raw.
INSTANTIATE_TEST_SUITE_P(
    Controls, EscapeTest,
    ::testing::Values(EscapeCase{"ColourSequence", "\x1b[31mred\x1b[0m", R"(\x1b[31mred\x1b[0m)",
                                 R"(\x1b[31mred\x1b[0m)"},
                      EscapeCase{"TitleSequence", "\x1b]0;owned\x07", R"(\x1b]0;owned\x07)",
                                 R"(\x1b]0;owned\x07)"},
                      EscapeCase{"Bell",
                                 "a\x07"
                                 "b",
                                 R"(a\x07b)", R"(a\x07b)"},
                      EscapeCase{"Tab", "a\tb", R"(a\x09b)", R"(a\x09b)"},
                      EscapeCase{"Nul", "a\0b"s, R"(a\x00b)", R"(a\x00b)"},
                      EscapeCase{"UnitSeparator", "\x1f", R"(\x1f)", R"(\x1f)"},
                      EscapeCase{"Delete", "\x7f", R"(\x7f)", R"(\x7f)"},
                      EscapeCase{"Backspace", "abc\b\b\bxyz", R"(abc\x08\x08\x08xyz)",
                                 R"(abc\x08\x08\x08xyz)"},
                      EscapeCase{"C1ControlSequenceIntroducer",
                                 "\xc2\x9b"
                                 "31m",
                                 R"(\xc2\x9b31m)", R"(\xc2\x9b31m)"},
                      EscapeCase{"C1NextLine",
                                 "a\xc2\x85"
                                 "b",
                                 R"(a\xc2\x85b)", R"(a\xc2\x85b)"},
                      EscapeCase{"C1First", "\xc2\x80", R"(\xc2\x80)", R"(\xc2\x80)"},
                      EscapeCase{"C1Last", "\xc2\x9f", R"(\xc2\x9f)", R"(\xc2\x9f)"}),
    [](const auto& info) { return std::string(info.param.name); });

// Only a CR LF pair breaks a line, and only in several-line text.
INSTANTIATE_TEST_SUITE_P(
    LineBreaks, EscapeTest,
    ::testing::Values(EscapeCase{"CrLf", "a\r\nb\r\n", R"(a\x0d\x0ab\x0d\x0a)", "a\nb\n"},
                      EscapeCase{"LoneCr", "a\rb", R"(a\x0db)", R"(a\x0db)"},
                      EscapeCase{"LoneLf", "a\nb", R"(a\x0ab)", R"(a\x0ab)"},
                      EscapeCase{"CrCrLf", "a\r\r\nb", R"(a\x0d\x0d\x0ab)", "a\\x0d\nb"},
                      EscapeCase{"LfCr", "a\n\rb", R"(a\x0a\x0db)", R"(a\x0a\x0db)"},
                      EscapeCase{"TrailingCr", "a\r", R"(a\x0d)", R"(a\x0d)"},
                      EscapeCase{"EmptyLines", "\r\n\r\n", R"(\x0d\x0a\x0d\x0a)", "\n\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Bytes that are not well-formed UTF-8 are shown one by one.
INSTANTIATE_TEST_SUITE_P(
    InvalidUtf8, EscapeTest,
    ::testing::Values(
        EscapeCase{"StrayContinuation",
                   "a\x80"
                   "b",
                   R"(a\x80b)", R"(a\x80b)"},
        EscapeCase{"LoneLeadAtEnd", "a\xe3", R"(a\xe3)", R"(a\xe3)"},
        EscapeCase{"TruncatedThenAscii",
                   "\xe3\x81"
                   "A",
                   R"(\xe3\x81A)", R"(\xe3\x81A)"},
        EscapeCase{"LeadThenEscape", "\xe3\x1b[2J", R"(\xe3\x1b[2J)", R"(\xe3\x1b[2J)"},
        EscapeCase{"LeadThenCrLf", "\xe3\r\n", R"(\xe3\x0d\x0a)", "\\xe3\n"},
        EscapeCase{"OverlongSlash", "\xc0\xaf", R"(\xc0\xaf)", R"(\xc0\xaf)"},
        EscapeCase{"OverlongEscape", "\xc1\x9b", R"(\xc1\x9b)", R"(\xc1\x9b)"},
        EscapeCase{"OverlongThreeBytes", "\xe0\x80\xaf", R"(\xe0\x80\xaf)", R"(\xe0\x80\xaf)"},
        EscapeCase{"OverlongThreeBytesPastC1", "\xe0\x9f\xbf", R"(\xe0\x9f\xbf)",
                   R"(\xe0\x9f\xbf)"},
        EscapeCase{"OverlongFourBytes", "\xf0\x80\x80\xaf", R"(\xf0\x80\x80\xaf)",
                   R"(\xf0\x80\x80\xaf)"},
        EscapeCase{"Surrogate", "\xed\xa0\x80", R"(\xed\xa0\x80)", R"(\xed\xa0\x80)"},
        EscapeCase{"PastLastCodePoint", "\xf4\x90\x80\x80", R"(\xf4\x90\x80\x80)",
                   R"(\xf4\x90\x80\x80)"},
        EscapeCase{"Ff", "\xff", R"(\xff)", R"(\xff)"},
        EscapeCase{"ShiftJisBytes", "\x83\x65\x83\x58\x83\x67", R"(\x83e\x83X\x83g)",
                   R"(\x83e\x83X\x83g)"},
        EscapeCase{"ValidAfterInvalid", "\x80\xe3\x81\x82", "\\x80\xe3\x81\x82",
                   "\\x80\xe3\x81\x82"}),
    [](const auto& info) { return std::string(info.param.name); });

// A CR at the end of the text is not joined with whatever follows it in memory.
TEST(EscapeLinesView, EndsAtTheViewsEnd) {
  const std::string whole = "a\r\nb";
  EXPECT_EQ(EscapeLines(std::string_view(whole).substr(0, 2)), R"(a\x0d)");
  EXPECT_EQ(EscapeLine(std::string_view("\xe3\x81\x82", 2)), R"(\xe3\x81)");
}

}  // namespace
}  // namespace kv::console
