#include "platform/console/console_form.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "sample_layouts.h"

namespace kv::console {
namespace {

using testing::DialogLayout;
using testing::SystemLayout;

const std::vector<std::pair<const char*, const char*>> kFilledValues{
    {"lblComputerName", "KAVRENO-PC"},
    {"lblUserName", "hanako"},
    {"lblOperatingSystem", "Windows NT"},
    {"lblWindowsVersion", "5.0"},
    {"lblProcessors", "2"},
    {"lblProcessorType", "Pentium"},
    {"lblTotalMemory", "262144 KB"},
    {"lblUsedMemory", "37 %"},
    {"lblFreeMemory", "165150 KB"},
    {"lblWindowsDirectory", R"(C:\WINNT\)"},
    {"lblSystemDirectory", R"(C:\WINNT\system32\)"},
    {"lblTemporaryDirectory", R"(C:\TEMP\)"},
    {"lblKeyboard", "日本語キーボード"},
    {"lblFunctionKeys", "12"},
};

constexpr const char* kDriveText =
    "C:\\\r\n"
    "ボリューム名：SYSTEM\r\n"
    "ファイルシステム：NTFS\r\n";

constexpr const char* kFilledOutput =
    "Kavreno\n"
    "コンピュータ名：KAVRENO-PC\n"
    "ユーザ名：hanako\n"
    "OS：Windows NT\n"
    "OSのバージョン：5.0\n"
    "プロセッサの数：2\n"
    "プロセッサのタイプ：Pentium\n"
    "物理メモリの全容量：262144 KB\n"
    "使用中のメモリ：37 %\n"
    "空きメモリ：165150 KB\n"
    "Windowsディレクトリ：C:\\WINNT\\\n"
    "Systemディレクトリ：C:\\WINNT\\system32\\\n"
    "Temporaryディレクトリ：C:\\TEMP\\\n"
    "キーボードタイプ：日本語キーボード\n"
    "Functionキーの数：12\n"
    "ドライブ情報：\n"
    "C:\\\n"
    "ボリューム名：SYSTEM\n"
    "ファイルシステム：NTFS\n";

void Fill(ConsoleForm& form) {
  form.SetCaption("Kavreno");
  for (const auto& [name, value] : kFilledValues) form.SetControlCaption(name, -1, value);
  form.TextBox("Text1").SetText(kDriveText);
}

// Pairing a value with its title works from the buddy and from the position alike.
class SystemFormTest : public ::testing::TestWithParam<bool> {};

TEST_P(SystemFormTest, PrintsCaptionRowsFrameAndDriveText) {
  ConsoleForm form(SystemLayout(GetParam()));
  Fill(form);
  EXPECT_EQ(form.Render(), kFilledOutput);
}

TEST_P(SystemFormTest, BeforeLoadPrintsEmptyCaptionAndTitlesOnly) {
  ConsoleForm form(SystemLayout(GetParam()));
  std::string expected = "\n";
  for (const auto& row : testing::kRows) expected += std::string(row.title) + "\n";
  expected += "ドライブ情報：\n";
  EXPECT_EQ(form.Render(), expected);
}

INSTANTIATE_TEST_SUITE_P(Pairing, SystemFormTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Buddy" : "Position"; });

TEST(SystemForm, DriveTextWithoutFinalBreakStillEndsTheLine) {
  ConsoleForm form(SystemLayout());
  form.TextBox("Text1").SetText("A:\\\r\nB:\\");
  const std::string out = form.Render();
  EXPECT_TRUE(out.ends_with("ドライブ情報：\nA:\\\nB:\\\n")) << out;
}

// Whatever the system hands over is escaped in the row, the caption and the drive box.
struct HostileCase {
  const char* name;
  const char* control;  // a value label, "Text1" or "" for the caption
  std::string text;
  std::string expectedLine;
};

std::ostream& operator<<(std::ostream& os, const HostileCase& c) { return os << c.name; }

class HostileTextTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileTextTest, IsEscapedInItsLine) {
  const HostileCase& c = GetParam();
  ConsoleForm form(SystemLayout());
  const std::string control = c.control;
  if (control.empty())
    form.SetCaption(c.text);
  else if (control == "Text1")
    form.TextBox("Text1").SetText(c.text);
  else
    form.SetControlCaption(control, -1, c.text);
  const std::string out = form.Render();
  EXPECT_NE(out.find(c.expectedLine), std::string::npos) << out;
  EXPECT_EQ(out.find('\x1b'), std::string::npos);
  EXPECT_EQ(out.find('\r'), std::string::npos);
  EXPECT_EQ(out.find('\a'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, HostileTextTest,
    ::testing::Values(HostileCase{"EscapeInUserName", "lblUserName", "\x1b[2J\x1b[Hroot",
                                  "\nユーザ名：\\x1b[2J\\x1b[Hroot\n"},
                      HostileCase{"BellInComputerName", "lblComputerName", "PC\a",
                                  "\nコンピュータ名：PC\\x07\n"},
                      HostileCase{"CrLfInLabelStaysOnOneLine", "lblOperatingSystem", "A\r\nB",
                                  "\nOS：A\\x0d\\x0aB\n"},
                      HostileCase{"C1InDirectory", "lblTemporaryDirectory",
                                  "C:\\\xc2\x9b"
                                  "1m",
                                  "\nTemporaryディレクトリ：C:\\\\xc2\\x9b1m\n"},
                      HostileCase{"InvalidUtf8InKeyboard", "lblKeyboard", "\x93\xfa\x96\x7b",
                                  "\nキーボードタイプ：\\x93\\xfa\\x96{\n"},
                      HostileCase{"EscapeInCaption", "", "\x1b]0;x\a", "\\x1b]0;x\\x07\n"},
                      HostileCase{"LoneCrInDriveBox", "Text1", "C:\\\rD:\\\r\n",
                                  "ドライブ情報：\nC:\\\\x0dD:\\\n"},
                      HostileCase{"EscapeInDriveBox", "Text1", "\x1b[31mC:\\\r\n",
                                  "ドライブ情報：\n\\x1b[31mC:\\\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DialogForm, PrintsLabelsTopToBottomThenLeftToRight) {
  ConsoleForm form(DialogLayout());
  form.SetCaption("Kavrenoのﾊﾞｰｼﾞｮﾝ情報");
  form.SetControlCaption("lblName", -1, "Kavreno");
  form.SetControlCaption("lblNote", -1, "Windowsが使用できる物理ﾒﾓﾘ: 262,144 KB");
  EXPECT_EQ(form.Render(),
            "Kavrenoのﾊﾞｰｼﾞｮﾝ情報\n"
            "Kavreno\n"
            "left\n"
            "right\n"
            "Windowsが使用できる物理ﾒﾓﾘ: 262,144 KB\n");
}

// Without a buddy, a value's title is the nearest borderless label on its
// left whose top lies within the value's height; labels on its right or on
// other rows are lines of their own.
TEST(PositionPairing, TakesTheNearestLabelOnTheLeftOfTheRow) {
  layout::Form f;
  f.caption = "c";
  auto value = testing::Label("lblValue", -1, 2000, 300, 1000, 240, "42");
  value.border = layout::Border::FixedSingle;
  f.controls = {testing::Label("lblUnit", -1, 3100, 360, 300, 180, "KB"),
                testing::Label("lblFar", -1, 100, 360, 500, 180, "far "), value,
                testing::Label("lblNear", -1, 700, 360, 1200, 180, "near "),
                testing::Label("lblBelow", -1, 1000, 540, 900, 180, "below")};
  EXPECT_EQ(RenderForm(f), "c\nnear 42\nfar \nKB\nbelow\n");
}

// Controls are found by name, index and kind; anything else is an error of the operation.
struct CaptionCase {
  const char* name;
  int index;
  bool exists;
};

std::ostream& operator<<(std::ostream& os, const CaptionCase& c) {
  return os << c.name << "(" << c.index << ")";
}

class ControlCaptionTest : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(ControlCaptionTest, SetsAnExistingCaptionOrThrows) {
  const CaptionCase& c = GetParam();
  ConsoleForm form(SystemLayout());
  if (c.exists) {
    form.SetControlCaption(c.name, c.index, "marker");
    EXPECT_NE(form.Render().find("marker"), std::string::npos);
  } else {
    try {
      form.SetControlCaption(c.name, c.index, "marker");
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kErrInvalidCall);
    }
    EXPECT_EQ(form.Render().find("marker"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lookup, ControlCaptionTest,
    ::testing::Values(CaptionCase{"lblFunctionKeys", -1, true}, CaptionCase{"lblTitle", 0, true},
                      CaptionCase{"lblTitle", 13, true}, CaptionCase{"Frame1", -1, true},
                      CaptionCase{"lblNothing", -1, false}, CaptionCase{"lblTitle", 14, false},
                      CaptionCase{"lblTitle", -1, false}, CaptionCase{"lblFunctionKeys", 0, false},
                      CaptionCase{"lblfunctionkeys", -1, false}, CaptionCase{"Text1", -1, false},
                      CaptionCase{"Line1", 0, false}, CaptionCase{"", -1, false}));

TEST(ConsoleFormText, TextBoxKeepsItsTextAndIsFoundOnlyForTextBoxes) {
  ConsoleForm form(SystemLayout());
  ITextBox& box = form.TextBox("Text1");
  EXPECT_EQ(box.Text(), "");
  box.SetText(box.Text() + "A:\\\r\n");
  form.TextBox("Text1").SetText(form.TextBox("Text1").Text() + "C:\\\r\n");
  EXPECT_EQ(box.Text(), "A:\\\r\nC:\\\r\n");
  EXPECT_THROW(form.TextBox("Frame1"), Error);
  EXPECT_THROW(form.TextBox("lblUserName"), Error);
  EXPECT_THROW(form.TextBox("Text2"), Error);
}

TEST(ConsoleFormPicture, OnlyAPictureBoxTakesAnIcon) {
  ConsoleForm form(DialogLayout());
  EXPECT_EQ(form.Icon(), 0u);
  EXPECT_EQ(form.Handle(), 0u);
  EXPECT_NO_THROW(form.SetPicture("picIcon", form.Icon()));
  EXPECT_THROW(form.SetPicture("lblName", 0), Error);
  EXPECT_THROW(form.SetPicture("picOther", 0), Error);
}

// Outer size: the client area plus a 45-twip border on each side, a 285-twip
// title bar and, with a menu, a 285-twip menu bar.
struct SizeCase {
  const char* name;
  layout::Border border;
  bool menu;
  int clientWidth, clientHeight;
  float width, height;
};

std::ostream& operator<<(std::ostream& os, const SizeCase& c) { return os << c.name; }

class OuterSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(OuterSizeTest, AddsTheNominalFrame) {
  const SizeCase& c = GetParam();
  layout::Form layout;
  layout.border = c.border;
  layout.clientWidth = c.clientWidth;
  layout.clientHeight = c.clientHeight;
  if (c.menu) layout.menus.push_back({"mnuFile", "File", {}});
  ConsoleForm form(layout);
  EXPECT_EQ(form.Width(), c.width);
  EXPECT_EQ(form.Height(), c.height);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, OuterSizeTest,
    ::testing::Values(
        SizeCase{"MainWindow", layout::Border::FixedSingle, true, 8160, 4695, 8250, 5355},
        SizeCase{"Dialog", layout::Border::FixedDialog, false, 6150, 2895, 6240, 3270},
        SizeCase{"Borderless", layout::Border::None, false, 1000, 500, 1000, 500},
        SizeCase{"BorderlessWithMenu", layout::Border::None, true, 1000, 500, 1000, 785}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv::console
