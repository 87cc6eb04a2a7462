#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/errors.h"
#include "platform/linux/iconv_code_page.h"

namespace kv::linux_os {
namespace {

struct Conversion {
  const char* name;
  std::string utf8;
  std::string ansi;
};

class Cp932RoundTrip : public ::testing::TestWithParam<Conversion> {
 protected:
  static const IconvCodePage& Cp932() {
    static const IconvCodePage cp932("CP932");
    return cp932;
  }
};

TEST_P(Cp932RoundTrip, ConvertsBothWays) {
  const auto& c = GetParam();
  EXPECT_EQ(Cp932().ToAnsi(c.utf8), c.ansi);
  EXPECT_EQ(Cp932().FromAnsi(c.ansi), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Cp932RoundTrip,
    ::testing::Values(
        Conversion{"Ascii", "Kavreno 1.0", "Kavreno 1.0"},
        Conversion{"SoEndsInBackslashByte", "ソ", std::string("\x83\x5C", 2)},
        Conversion{"HyoEndsInBackslashByte", "表示", "\x95\x5C\x8E\xA6"},
        Conversion{"Backslash", "C:\\", "C:\\"},
        Conversion{"HalfWidthKatakana", "ｼｽﾃﾑ情報", "\xBC\xBD\xC3\xD1\x8F\xEE\x95\xF1"},
        Conversion{"FullWidthColon", "空きメモリ：", "\x8B\xF3\x82\xAB\x83\x81\x83\x82\x83\x8A\x81\x46"},
        Conversion{"NulPassesThrough", std::string("a\0b", 3), std::string("a\0b", 3)},
        Conversion{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct Lenient {
  const char* name;
  const char* charset;
  bool toAnsi;
  std::string input;
  std::string expected;
};

class LenientConversion : public ::testing::TestWithParam<Lenient> {};

TEST_P(LenientConversion, ReplacesWhatCannotBeConverted) {
  const auto& c = GetParam();
  const IconvCodePage page(c.charset);
  EXPECT_EQ(c.toAnsi ? page.ToAnsi(c.input) : page.FromAnsi(c.input), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, LenientConversion,
    ::testing::Values(
        Lenient{"EmojiNotInCp932", "CP932", true, "a😀b", "a?b"},
        Lenient{"AccentNotInCp932", "CP932", true, "café", "caf?"},
        Lenient{"InvalidUtf8Byte", "CP932", true, "a\xFF" "b", "a?b"},
        Lenient{"TruncatedUtf8AtEnd", "CP932", true, "a\xE3\x81", "a?"},
        Lenient{"SurrogateInUtf8", "CP932", true, "\xED\xA0\x80x", "???x"},
        Lenient{"LoneLeadByteAtEnd", "CP932", false, "a\x83", "a\xEF\xBF\xBD"},
        Lenient{"LeadByteWithoutTrail", "CP932", false, "\x81\x20z", "\xEF\xBF\xBD z"},
        Lenient{"Utf8InvalidToAnsi", "UTF-8", true, "\xC3\x28", "?("},
        Lenient{"Utf8InvalidFromAnsi", "UTF-8", false, "\xC3\x28", "\xEF\xBF\xBD("},
        Lenient{"Latin1NotInAscii", "ISO-8859-1", true, "日", "?"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IconvCodePage, LongTextGrowsTheOutput) {
  const IconvCodePage cp932("CP932");
  std::string utf8;
  std::string ansi;
  for (int i = 0; i < 10000; ++i) {
    utf8 += "ｱ日";  // 1 + 2 bytes in CP932 from 3 + 3 in UTF-8
    ansi += "\xB1\x93\xFA";
  }
  EXPECT_EQ(cp932.ToAnsi(utf8), ansi);
  EXPECT_EQ(cp932.FromAnsi(ansi), utf8);
}

TEST(IconvCodePage, UnknownCharsetIsAnError) {
  EXPECT_THROW(IconvCodePage("NO-SUCH-CHARSET-KV"), kv::Error);
}

class LocaleCharsetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* v = std::getenv("LC_ALL")) saved_ = v;
  }
  void TearDown() override {
    if (saved_) setenv("LC_ALL", saved_->c_str(), 1);
    else unsetenv("LC_ALL");
  }
  std::optional<std::string> saved_;
};

TEST_F(LocaleCharsetTest, Utf8LocaleGivesUtf8) {
  setenv("LC_ALL", "C.UTF-8", 1);
  EXPECT_EQ(LocaleCharset(), "UTF-8");
  EXPECT_EQ(IconvCodePage().Charset(), "UTF-8");
}

TEST_F(LocaleCharsetTest, PlainCLocaleIsReadAsUtf8) {
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(LocaleCharset(), "UTF-8");
  EXPECT_EQ(IconvCodePage().FromAnsi("日本"), "日本");
}

}  // namespace
}  // namespace kv::linux_os
