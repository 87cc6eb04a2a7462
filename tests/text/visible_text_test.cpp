#include "platform/visible_text.h"

#include <gtest/gtest.h>

#include <string>

namespace kv {
namespace {

using namespace std::string_literals;

// Nothing of what the system hands over may drive a terminal, break a line
// or hide from the reader.
struct EscapeCase {
  const char* name;
  std::string input, line;
  std::string lines = {};  // VisibleLines(.., "\n") where it differs from VisibleLine
};

class Escape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(Escape, LineAndLines) {
  const EscapeCase& c = GetParam();
  EXPECT_EQ(VisibleLine(c.input), c.line);
  EXPECT_EQ(VisibleLines(c.input, "\n"), c.lines.empty() ? c.line : c.lines);
}

INSTANTIATE_TEST_SUITE_P(Texts, Escape, ::testing::Values(
    EscapeCase{"Printable", "C:\\ ｼｽﾃﾑ情報 a\xc2\xa0😀\u200a", "C:\\ ｼｽﾃﾑ情報 a\xc2\xa0😀\u200a"},
    EscapeCase{"C0AndDelete", "\x1b[31m\a\t\0\x7f"s, R"(\x1b[31m\x07\x09\x00\x7f)"},
    EscapeCase{"C1", "\xc2\x9b" "1m\xc2\x80\xc2\x9f", R"(\u009b1m\u0080\u009f)"},
    EscapeCase{"Separators", "a\u2028b\u2029", R"(a\u2028b\u2029)"},
    EscapeCase{"Bidi", "\u202a\u202e\u2066\u2069\u200e\u200f\u061c",
               R"(\u202a\u202e\u2066\u2069\u200e\u200f\u061c)"},
    EscapeCase{"ZeroWidth", "\u200b\u200c\u200d\ufeff", R"(\u200b\u200c\u200d\ufeff)"},
    // Only CR LF breaks a line, and only in text of several lines.
    EscapeCase{"LineBreaks", "a\r\nb\rc\nd\r\r\n", R"(a\x0d\x0ab\x0dc\x0ad\x0d\x0d\x0a)",
               "a\nb\\x0dc\\x0ad\\x0d\n"},
    // Bytes that are not well-formed UTF-8 are escaped one by one.
    EscapeCase{"Cut", "\xe3\x81" "A\xe3\r\n", R"(\xe3\x81A\xe3\x0d\x0a)", "\\xe3\\x81A\\xe3\n"},
    EscapeCase{"Overlong", "\xc0\xaf\xe0\x80\xaf", R"(\xc0\xaf\xe0\x80\xaf)"},
    EscapeCase{"SurrogateAndBeyond", "\xed\xa0\x80\xf4\x90\x80\x80\xf8\xa0\x82\x82\xa0",
               R"(\xed\xa0\x80\xf4\x90\x80\x80\xf8\xa0\x82\x82\xa0)"},
    EscapeCase{"ShiftJis", "\x83\x65\x83\x58\x83\x67", R"(\x83e\x83X\x83g)"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv
