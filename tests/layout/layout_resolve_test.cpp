// The layout resolution every window system consumes: places, the font's
// scale for captions wider than their labels, titles, tab and reading order;
// and the one contrast rule for backgrounds in system colours.
#include "platform/layout_resolve.h"

#include <gtest/gtest.h>

#include "platform/colors.h"

#include "about/frmAbout_layout.h"
#include "app/frmSystem_layout.h"

namespace kv::layout {
namespace {

// A font whose ASCII letters are `ascii` pixels wide and every other
// character twice that, 16 pixels a line and 14 of ink.
FontMetrics Font(double ascii, int ppi = 96) {
  FontMetrics m;
  m.pixelsPerInch = ppi;
  m.lineHeight = 16;
  m.inkHeight = 14;
  m.textWidth = [ascii](std::string_view utf8) {
    double width = 0;
    for (const unsigned char c : utf8)
      if (c < 0x80) width += ascii;
      else if (c >= 0xC0) width += 2 * ascii;  // the first byte of a character
    return width;
  };
  return m;
}

int At(const Form& form, const std::string& name, int index = -1) {
  return static_cast<int>(form.Find(name, index) - form.controls.data());
}

struct ScaleCase { const char* name; FontMetrics metrics; double scale; };

class FontScale : public ::testing::TestWithParam<ScaleCase> {};

// "Temporaryディレクトリ：", 9 + 7 wide characters, is the widest of the
// main window's captions; its label is 120 pixels wide at 96 DPI.
TEST_P(FontScale, TheWidestCaptionDecidesForTheWholeForm) {
  EXPECT_DOUBLE_EQ(Resolve(frmSystemLayout(), GetParam().metrics).fontScale, GetParam().scale);
}

INSTANTIATE_TEST_SUITE_P(Fonts, FontScale, ::testing::Values(
    ScaleCase{"EverythingFits", Font(5), 1.0},                    // 45 + 70 = 115
    ScaleCase{"JustFits", Font(5.2), 1.0},                         // 23 x 5.2 = 119.6
    ScaleCase{"Shrinks", Font(6), 0.86},                           // 138: 120 / 138
    ScaleCase{"NeverBelowThreeQuarters", Font(9), kSmallestFontScale},
    ScaleCase{"TwiceTheDpiTwiceTheRoom", Font(12, 192), 0.86},      // 240 / 276
    ScaleCase{"NoWidthsNoScale", FontMetrics{}, 1.0}),
    [](const auto& info) { return std::string(info.param.name); });

// Values set at run time never count: a value label is a box with a border.
TEST(FontScale, ValueLabelsAndWrappedLabelsDoNotCount) {
  Form form = frmSystemLayout();
  for (Control& c : form.controls)
    if (c.kind == Kind::Label) c.caption = c.border == Border::None ? "" : std::string(200, 'W');
  form.controls.push_back(MakeControl(Kind::Label, "lblWrapped"));
  form.controls.back().width = 300, form.controls.back().height = 1200;
  form.controls.back().caption = std::string(200, 'W');
  EXPECT_EQ(Resolve(form, Font(8)).fontScale, 1.0);
}

// A control, the screen's pixels per inch, and its place in the client area and in its container.
struct PlaceCase { const char* control; int index, ppi; Rect rect, local; };

class Places : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(Places, InPixelsOfTheClientAreaAndOfTheContainer) {
  const Form form = frmSystemLayout();
  const auto& c = GetParam();
  const Resolved resolved = Resolve(form, Font(5, c.ppi));
  const Placed& p = resolved.controls[At(form, c.control, c.index)];
  EXPECT_EQ(p.rect, c.rect);
  EXPECT_EQ(p.local, c.local);
}

INSTANTIATE_TEST_SUITE_P(Rows, Places, ::testing::Values(
    // The first value box: 2160, 300, 2610 x 240 twips.
    PlaceCase{"lblComputerName", -1, 96, {144, 20, 318, 36}, {144, 20, 318, 36}},
    // Its title, 180 twips (12 pixels) high, grows about its middle to the ink's 14.
    PlaceCase{"lblTitle", 0, 96, {16, 23, 136, 37}, {16, 23, 136, 37}},
    // At 150 %.
    PlaceCase{"lblComputerName", -1, 144, {216, 30, 477, 54}, {216, 30, 477, 54}},
    // The drive box, placed in its frame.
    PlaceCase{"Text1", -1, 96, {336, 28, 521, 289}, {8, 16, 193, 277}},
    PlaceCase{"Line1", 0, 96, {0, 0, 544, 0}, {0, 0, 544, 0}}));

TEST(Titles, ByBuddyByTheLabelToTheLeftAndByTheFrame) {
  Form form = frmSystemLayout();
  Resolved r = Resolve(form, {});
  EXPECT_EQ(r.controls[At(form, "lblFreeMemory")].title, At(form, "lblTitle", 8));
  EXPECT_EQ(r.controls[At(form, "Text1")].title, At(form, "Frame1"));
  EXPECT_EQ(r.controls[At(form, "lblTitle", 8)].title, -1);
  // Without buddies, the nearest borderless label to the left on the row.
  for (Control& c : form.controls) c.buddyName.clear();
  r = Resolve(form, {});
  EXPECT_EQ(r.controls[At(form, "lblFreeMemory")].title, At(form, "lblTitle", 8));
  form.controls[At(form, "lblTitle", 8)].top += 300;  // now on the next row
  EXPECT_EQ(Resolve(form, {}).controls[At(form, "lblFreeMemory")].title, -1);
}

TEST(Order, TabOrderHoldsWhatTakesTheFocusAndTitlesComeBeforeWhatTheyName) {
  const Form main = frmSystemLayout();
  const Resolved r = Resolve(main, {});
  EXPECT_EQ(r.tabOrder, std::vector<int>{At(main, "Text1")});
  std::vector<int> reading;
  for (const char* value : {"lblComputerName", "lblUserName"}) {
    reading.push_back(At(main, "lblTitle", static_cast<int>(reading.size() / 2)));
    reading.push_back(At(main, value));
  }
  EXPECT_EQ(std::vector<int>(r.readingOrder.begin(), r.readingOrder.begin() + 4), reading);
  EXPECT_EQ(r.readingOrder.size(), main.controls.size() - 2);  // all but the two lines
  EXPECT_EQ(r.readingOrder.back(), At(main, "Text1"));
  const Form about = frmAboutLayout();
  EXPECT_EQ(Resolve(about, {}).tabOrder, (std::vector<int>{At(about, "cmdOK"), At(about, "cmdSysInfo")}));
}

TEST(ContainerOffsets, AddUpThroughNestedFramesAndStopAtACycle) {
  Form form;
  auto frame = [&form](const char* name, const char* in, int left, int top) {
    Control c = MakeControl(Kind::Frame, name);
    c.container = in, c.left = left, c.top = top;
    form.controls.push_back(c);
  };
  frame("fraOuter", "", 100, 200);
  frame("fraInner", "fraOuter", 10, 20);
  frame("fraA", "fraB", 1, 1);
  frame("fraB", "fraA", 1, 1);
  EXPECT_EQ(ContainerOffset(form, *form.Find("fraInner")), (Point{100, 200}));
  Control inner = MakeControl(Kind::Label, "lbl");
  inner.container = "fraInner";
  EXPECT_EQ(ContainerOffset(form, inner), (Point{110, 220}));
  inner.container = "fraA";
  EXPECT_LE(ContainerOffset(form, inner).x, static_cast<int>(form.controls.size()) + 1);
}

TEST(ReadableBackground, OnlyASystemColourBelowFourAndAHalfToOneGivesWay) {
  using colors::Rgb;
  const Rgb black{0, 0, 0}, white{255, 255, 255}, window{1, 2, 3};
  const Rgb grey{118, 118, 118};  // 4.54:1 on white
  const Rgb paler{119, 119, 119};  // 4.48:1 on white
  const struct {
    Rgb back, text;
    bool system;  // the background is a system colour
    Rgb painted;
  } kCases[] = {
      {white, black, true, white},     // a light title-bar text colour behind black text
      {black, black, true, window},    // the scheme made them the same
      {grey, white, true, grey},
      {paler, white, true, window},
      {black, black, false, black},    // RGB colours are never changed
  };
  for (const auto& c : kCases)
    EXPECT_EQ(colors::ReadableBackground(c.back, c.text, c.system, window), c.painted)
        << int(c.back.red) << " " << c.system;
}

}  // namespace
}  // namespace kv::layout
