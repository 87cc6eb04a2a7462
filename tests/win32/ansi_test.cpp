// The ANSI code page conversions against the system's own tables.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/win32_text.h"
#include "win32/wine_test_support.h"

namespace kv::win32 {
namespace {

struct Conversion {
  const char* name;
  unsigned codePage;
  std::string utf8;
  std::string ansi;
};

std::ostream& operator<<(std::ostream& out, const Conversion& c) { return out << c.name; }

class RoundTrip : public testing::TestWithParam<Conversion> {};

// Text that the code page holds: both ways, byte for byte.
TEST_P(RoundTrip, ConvertsBothWaysExactly) {
  const Conversion& c = GetParam();
  const CodePageText text(c.codePage);
  EXPECT_EQ(text.ToAnsi(c.utf8), c.ansi);
  EXPECT_EQ(text.FromAnsi(c.ansi), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, RoundTrip,
    testing::Values(
        Conversion{"ascii_932", 932, "C:\\WINDOWS", "C:\\WINDOWS"},
        // The trail byte of ソ is the backslash's byte.
        Conversion{"so_932", 932, "ソフト\\表", "\x83\x5C\x83\x74\x83\x67\\\x95\x5C"},
        Conversion{"half_width_932", 932, "ｼｽﾃﾑ情報", "\xBC\xBD\xC3\xD1\x8F\xEE\x95\xF1"},
        Conversion{"full_width_colon_932", 932, "空きメモリ：",
                   "\x8B\xF3\x82\xAB\x83\x81\x83\x82\x83\x8A\x81\x46"},
        Conversion{"nul_932", 932, std::string("A\0ソ", 5), std::string("A\0\x83\x5C", 4)},
        Conversion{"empty_932", 932, "", ""},
        Conversion{"latin_1252", 1252, "Café €", "Caf\xE9 \x80"},
        Conversion{"nul_1252", 1252, std::string("a\0b", 3), std::string("a\0b", 3)}),
    [](const testing::TestParamInfo<Conversion>& info) { return std::string(info.param.name); });

class Unmappable : public testing::TestWithParam<Conversion> {};

// What the code page cannot hold becomes '?', never a look-alike; invalid
// UTF-8 becomes '?' as well.
TEST_P(Unmappable, BecomesQuestionMark) {
  const Conversion& c = GetParam();
  EXPECT_EQ(CodePageText(c.codePage).ToAnsi(c.utf8), c.ansi);
}

INSTANTIATE_TEST_SUITE_P(CodePages, Unmappable,
                         testing::Values(Conversion{"accent_932", 932, "é", "?"},
                                         Conversion{"euro_932", 932, "a€b", "a?b"},
                                         Conversion{"hangul_1252", 1252, "한", "?"},
                                         Conversion{"so_1252", 1252, "ソ", "?"},
                                         Conversion{"invalid_utf8_932", 932,
                                                    "a\xFF"
                                                    "b",
                                                    "a?b"}),
                         [](const testing::TestParamInfo<Conversion>& info) {
                           return std::string(info.param.name);
                         });

class Invalid : public testing::TestWithParam<Conversion> {};

// A byte sequence that is not valid in the code page becomes U+FFFD, not the
// code page's own default character (U+30FB for 932), and the bytes after it
// are read afresh.
TEST_P(Invalid, BecomesReplacementCharacter) {
  const Conversion& c = GetParam();
  EXPECT_EQ(CodePageText(c.codePage).FromAnsi(c.ansi), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, Invalid,
    testing::Values(Conversion{"lone_lead_at_end_932", 932, "A\xEF\xBF\xBD", "A\x83"},
                    Conversion{"lead_before_space_932", 932, "\xEF\xBF\xBD ソ", "\x83 \x83\x5C"},
                    Conversion{"lead_before_nul_932", 932, std::string("\xEF\xBF\xBD\0", 4),
                               std::string("\x83\0", 2)}),
    [](const testing::TestParamInfo<Conversion>& info) { return std::string(info.param.name); });

TEST(SystemCodePage, IsTheOneTheRunAsksFor) {
  const CodePageText text;
  EXPECT_EQ(text.CodePage(), GetACP());
  if (const unsigned expected = test::ExpectedAnsiCodePage()) {
    EXPECT_EQ(GetACP(), expected);
  }
}

// The system's own "A" functions and the conversion agree: a file named in
// UTF-16 is listed by FindFirstFileA with the bytes ToAnsi makes of its name.
TEST(SystemCodePage, AgreesWithTheSystemsAnsiFunctions) {
  const std::string name = GetACP() == 932 ? "ソフト表ｼｽﾃﾑ.txt" : "Café.txt";
  const test::TempFolder folder;
  test::WriteBytes(folder.Path() + Widen(name), "x");
  const CodePageText text;
  const std::string pattern = text.ToAnsi(Narrow(folder.Path()) + "*.txt");
  WIN32_FIND_DATAA entry{};
  const HANDLE find = FindFirstFileA(pattern.c_str(), &entry);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  FindClose(find);
  EXPECT_EQ(std::string(entry.cFileName), text.ToAnsi(name));
  EXPECT_EQ(text.FromAnsi(entry.cFileName), name);
}

}  // namespace
}  // namespace kv::win32
