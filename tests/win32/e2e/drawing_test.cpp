// The window system's arithmetic and drawing: twips, text conversion,
// colours, and what lines and labels put on the screen, drawn into memory
// bitmaps.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "platform/errors.h"
#include "platform/win32/ui/colors.h"
#include "platform/win32/ui/form.h"
#include "platform/win32/ui/metrics.h"
#include "platform/win32/ui/wide.h"

namespace kv::win32 {
namespace {

using layout::Border;
using layout::Color;
using layout::Kind;

// ---- twips ------------------------------------------------------------------

struct TwipsCase {
  double twips;
  UINT dpi;
  int pixels;
};

class TwipsToPixelsTest : public testing::TestWithParam<TwipsCase> {};

TEST_P(TwipsToPixelsTest, RoundsToTheNearestPixel) {
  EXPECT_EQ(TwipsToPixels(GetParam().twips, GetParam().dpi), GetParam().pixels);
}

INSTANTIATE_TEST_SUITE_P(Table, TwipsToPixelsTest,
                         testing::Values(TwipsCase{15, 96, 1}, TwipsCase{8160, 96, 544},
                                         TwipsCase{239, 96, 16},    // 15.93
                                         TwipsCase{2772, 96, 185},  // 184.8
                                         TwipsCase{7.5, 96, 1},     // a half goes up
                                         TwipsCase{-7.5, 96, -1},   // and away from zero
                                         TwipsCase{-1234.6, 96, -82}, TwipsCase{1440, 144, 144},
                                         TwipsCase{300, 120, 25}, TwipsCase{0, 96, 0}));

TEST(TwipsTest, OverflowAndNonNumbersRaiseTheOverflowError) {
  for (const double twips : {1e30, -1e30, std::nan(""), HUGE_VAL}) {
    try {
      TwipsToPixels(twips, 96);
      ADD_FAILURE() << twips;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kErrOverflow);
    }
  }
}

TEST(TwipsTest, RectanglesRoundEachEdgeSoNeighboursStayFlush) {
  // Two boxes that meet at 1012.5 twips (67.5 px) meet in pixels too.
  const RECT a = TwipsRect(0, 0, 1012, 100, 96);
  const RECT b = TwipsRect(1012, 0, 500, 100, 96);
  EXPECT_EQ(a.right, b.left);
  const RECT text1 = TwipsRect(5040, 420, 2772, 3915, 96);
  EXPECT_EQ(text1.left, 336);
  EXPECT_EQ(text1.top, 28);
  EXPECT_EQ(text1.right, 521);
  EXPECT_EQ(text1.bottom, 289);
}

// ---- text -------------------------------------------------------------------

struct WideCase {
  std::string utf8;
  std::wstring utf16;
};

class WideTest : public testing::TestWithParam<WideCase> {};

TEST_P(WideTest, ConvertsBothWays) {
  EXPECT_EQ(Widen(GetParam().utf8), GetParam().utf16);
  EXPECT_EQ(Narrow(GetParam().utf16), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Table, WideTest,
                         testing::Values(WideCase{"", L""}, WideCase{"Kavreno", L"Kavreno"},
                                         WideCase{"ﾌｧｲﾙ(&F)", L"\uFF8C\uFF67\uFF72\uFF99(&F)"},
                                         WideCase{"ドライブ情報：",
                                                  L"\u30C9\u30E9\u30A4\u30D6\u60C5\u5831\uFF1A"},
                                         WideCase{"a\r\nb", L"a\r\nb"},
                                         WideCase{std::string("x\0y", 3), std::wstring(L"x\0y", 3)},
                                         WideCase{"\xF0\x9F\x98\x80", L"\U0001F600"}));

TEST(WideTest, InvalidUtf8BecomesTheReplacementCharacter) {
  const std::wstring wide = Widen(
      "a\xFF"
      "b");
  EXPECT_EQ(wide, L"a\uFFFDb");
}

// ---- colours ----------------------------------------------------------------

// The system colours of three schemes: Wine's, Windows 10's (title-bar text
// black, as the button text) and a high-contrast one.
COLORREF WineColors(int index) {
  switch (index) {
    case COLOR_CAPTIONTEXT:
      return RGB(255, 255, 255);
    case COLOR_BTNTEXT:
      return RGB(0, 0, 0);
    case COLOR_BTNFACE:
      return RGB(240, 240, 240);
    case COLOR_WINDOW:
      return RGB(255, 255, 255);
    default:
      return RGB(1, 2, 3);
  }
}
COLORREF Windows10Colors(int index) {
  switch (index) {
    case COLOR_CAPTIONTEXT:
      return RGB(0, 0, 0);
    case COLOR_BTNTEXT:
      return RGB(0, 0, 0);
    case COLOR_BTNFACE:
      return RGB(240, 240, 240);
    case COLOR_WINDOW:
      return RGB(255, 255, 255);
    default:
      return RGB(1, 2, 3);
  }
}
COLORREF HighContrastColors(int index) {
  switch (index) {
    case COLOR_CAPTIONTEXT:
      return RGB(255, 255, 0);
    case COLOR_BTNTEXT:
      return RGB(255, 255, 255);
    case COLOR_BTNFACE:
      return RGB(0, 0, 0);
    case COLOR_WINDOW:
      return RGB(0, 0, 0);
    default:
      return RGB(1, 2, 3);
  }
}

struct ColorCase {
  const char* what;
  Kind kind;
  Color back;
  Color fore;
  SysColorFn scheme;
  COLORREF text;
  COLORREF background;
};

class ColorsTest : public testing::TestWithParam<ColorCase> {};

TEST_P(ColorsTest, TextStandsOutFromItsBackground) {
  layout::Control c = layout::MakeControl(GetParam().kind, "x");
  c.back = GetParam().back;
  c.fore = GetParam().fore;
  const ControlColors colors = ColorsOf(c, GetParam().scheme);
  EXPECT_EQ(colors.text, GetParam().text);
  EXPECT_EQ(colors.back, GetParam().background);
}

const Color kCaptionText = Color::System(layout::kColorCaptionText);
const Color kButtonText = Color::System(layout::kColorButtonText);

INSTANTIATE_TEST_SUITE_P(
    Table, ColorsTest,
    testing::Values(
        // The value boxes: title-bar text colour where it differs from the text.
        ColorCase{"value, Wine", Kind::Label, kCaptionText, kButtonText, WineColors, RGB(0, 0, 0),
                  RGB(255, 255, 255)},
        // Black on black otherwise: the window colour instead.
        ColorCase{"value, Windows 10", Kind::Label, kCaptionText, kButtonText, Windows10Colors,
                  RGB(0, 0, 0), RGB(255, 255, 255)},
        // White on yellow would not read either: the scheme's window colour.
        ColorCase{"value, high contrast", Kind::Label, kCaptionText, kButtonText,
                  HighContrastColors, RGB(255, 255, 255), RGB(0, 0, 0)},
        // Defaults of the kinds.
        ColorCase{"title label", Kind::Label, Color{}, Color{}, WineColors, RGB(0, 0, 0),
                  RGB(240, 240, 240)},
        ColorCase{"text box", Kind::TextBox, Color{}, Color{}, WineColors, RGB(1, 2, 3),
                  RGB(255, 255, 255)},
        // RGB values are the layout's own choice and stay.
        ColorCase{"drive box", Kind::TextBox, Color::Rgb(255, 255, 255), Color::Rgb(0, 0, 0),
                  Windows10Colors, RGB(0, 0, 0), RGB(255, 255, 255)},
        ColorCase{"rgb kept", Kind::Label, Color::Rgb(10, 10, 10), Color::Rgb(12, 12, 12),
                  WineColors, RGB(12, 12, 12), RGB(10, 10, 10)}),
    [](const auto& info) {
      std::string name = info.param.what;
      for (auto& ch : name)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

// ---- drawing ----------------------------------------------------------------

// A 32-bit top-down bitmap to draw into, filled with one colour.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ =
        CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    RECT all{0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC Dc() const { return dc_; }
  COLORREF At(int x, int y) const {
    GdiFlush();
    const uint32_t p = bits_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  int width_, height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  uint32_t* bits_ = nullptr;
};

layout::Control Line(int x1, int y1, int x2, int y2, Color color, int width, int style = 0) {
  layout::Control c = layout::MakeControl(Kind::Line, "Line1");
  c.x1 = x1, c.y1 = y1, c.x2 = x2, c.y2 = y2;
  c.fore = color;
  c.lineWidth = width;
  c.lineStyle = style;
  return c;
}

constexpr COLORREF kPaper = RGB(200, 200, 200);
const Color kGrey = Color::Rgb(128, 128, 128);
const Color kWhite = Color::Rgb(255, 255, 255);

struct LineCase {
  const char* what;
  std::vector<layout::Control> lines;
  std::vector<std::tuple<int, int, COLORREF>> pixels;
};

class DrawLinesTest : public testing::TestWithParam<LineCase> {};

TEST_P(DrawLinesTest, PixelsOfTheLines) {
  layout::Form f;
  layout::Control frame = layout::MakeControl(Kind::Frame, "Frame1");
  frame.left = 300, frame.top = 300;
  f.controls.push_back(frame);
  for (const auto& line : GetParam().lines) f.controls.push_back(line);
  Canvas canvas(40, 40, kPaper);
  DrawLines(canvas.Dc(), f, 96);
  for (const auto& [x, y, color] : GetParam().pixels)
    EXPECT_EQ(canvas.At(x, y), color) << "(" << x << "," << y << ")";
}

layout::Control InFrame(layout::Control c) {
  c.container = "Frame1";
  return c;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DrawLinesTest,
    testing::Values(
        LineCase{"one_pixel_grey",
                 {Line(0, 75, 150, 75, kGrey, 1, layout::kLineInsideSolid)},
                 {{0, 5, RGB(128, 128, 128)},
                  {9, 5, RGB(128, 128, 128)},
                  {10, 5, kPaper},  // the end point is not drawn
                  {5, 4, kPaper},
                  {5, 6, kPaper}}},
        LineCase{"later_lines_cover_earlier_ones",
                 {Line(0, 75, 300, 75, kGrey, 1), Line(0, 75, 300, 75, kWhite, 4)},
                 {{5, 5, RGB(255, 255, 255)}, {5, 10, kPaper}, {5, 0, kPaper}}},
        LineCase{"wide_line_goes_down_from_its_coordinate",
                 {Line(0, 300, 300, 300, kWhite, 4)},
                 {{5, 19, kPaper},
                  {5, 20, RGB(255, 255, 255)},
                  {5, 23, RGB(255, 255, 255)},
                  {5, 24, kPaper}}},
        LineCase{"etched_separator",
                 {Line(15, 75, 300, 75, kGrey, 1, layout::kLineInsideSolid),
                  Line(15, 90, 300, 90, kWhite, 2)},
                 {{5, 4, kPaper},
                  {5, 5, RGB(128, 128, 128)},
                  {5, 6, RGB(255, 255, 255)},
                  {5, 7, RGB(255, 255, 255)},
                  {5, 8, kPaper},
                  {0, 5, kPaper}}},
        LineCase{"diagonal",
                 {Line(0, 0, 300, 300, kGrey, 1)},
                 {{0, 0, RGB(128, 128, 128)}, {10, 10, RGB(128, 128, 128)}, {10, 0, kPaper}}},
        LineCase{"transparent_style_draws_nothing",
                 {Line(0, 75, 300, 75, kWhite, 1, 5)},
                 {{5, 5, kPaper}}},
        LineCase{"vertical",
                 {Line(150, 0, 150, 300, kGrey, 1)},
                 {{10, 0, RGB(128, 128, 128)}, {10, 15, RGB(128, 128, 128)}, {11, 15, kPaper}}},
        LineCase{"inside_a_frame",
                 {InFrame(Line(0, 0, 150, 0, kGrey, 1))},
                 {{20, 20, RGB(128, 128, 128)}, {0, 0, kPaper}}}),
    [](const auto& info) { return std::string(info.param.what); });

// A label's text drawn with the system's default font.
class LabelDrawing : public testing::Test {
 protected:
  void SetUp() override {
    LOGFONTW logFont = MessageFontForDpi(96);
    font_ = CreateFontIndirectW(&logFont);
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font_);
    geometry_ = MeasureFont(screen);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
  }
  void TearDown() override { DeleteObject(font_); }

  // The rows and columns holding ink of the text colour within box.
  static RECT Ink(const Canvas& canvas, const RECT& box, COLORREF back) {
    RECT ink{box.right, box.bottom, box.left - 1, box.top - 1};
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left; x < box.right; ++x)
        if (canvas.At(x, y) != back) {
          ink.left = std::min<LONG>(ink.left, x);
          ink.top = std::min<LONG>(ink.top, y);
          ink.right = std::max<LONG>(ink.right, x);
          ink.bottom = std::max<LONG>(ink.bottom, y);
        }
    return ink;
  }

  HFONT font_ = nullptr;
  TextGeometry geometry_;
};

TEST_F(LabelDrawing, FontMeasuresAreConsistent) {
  EXPECT_GT(geometry_.inkAbove, 0);
  EXPECT_GE(geometry_.inkBelow, 0);
  EXPECT_LE(geometry_.inkAbove, geometry_.ascent);
  EXPECT_LE(geometry_.inkAbove + geometry_.inkBelow, geometry_.lineHeight + 1);
}

TEST_F(LabelDrawing, OneLineKeepsItsInkInsideABoxJustTallEnough) {
  // A box with one free pixel above and below the ink: a line placed by its
  // line height instead of its ink would touch or cross an edge.
  const int height = geometry_.inkAbove + geometry_.inkBelow + 2;
  Canvas canvas(200, height + 20, kPaper);
  const RECT box{10, 10, 190, 10 + height};
  DrawLabel(canvas.Dc(), box, L"\u6F22\u5B57gjpy\u30A2", RGB(0, 0, 0), RGB(255, 255, 255), font_,
            geometry_, true, 0);
  EXPECT_EQ(canvas.At(box.left, box.top), RGB(255, 255, 255)) << "the background";
  EXPECT_EQ(canvas.At(5, 5), kPaper) << "nothing outside the box";
  const RECT ink = Ink(canvas, box, RGB(255, 255, 255));
  ASSERT_LE(ink.top, ink.bottom) << "no text drawn";
  EXPECT_GT(ink.top, box.top) << "ink cut at the top";
  EXPECT_LT(ink.bottom, box.bottom - 1) << "ink cut at the bottom";
}

// Whether the last columns of the ink reach above its middle: the stem of a
// final "H" does, the dots of an ellipsis do not.
bool TallInkAtTheEnd(const Canvas& canvas, const RECT& ink, COLORREF back) {
  const int middle = (ink.top + ink.bottom) / 2;
  for (int x = ink.right - 2; x <= ink.right; ++x)
    for (int y = ink.top; y < middle; ++y)
      if (canvas.At(x, y) != back) return true;
  return false;
}

TEST_F(LabelDrawing, ALineTooLongIsNarrowedAndBeyondThatEndsInAnEllipsis) {
  const std::wstring text = L"Temporary\u30C7\u30A3\u30EC\u30AF\u30C8\u30EAH";
  Canvas wide(600, 40, kPaper);
  const RECT big{0, 0, 600, 30};
  DrawLabel(wide.Dc(), big, text, RGB(0, 0, 0), RGB(255, 255, 255), font_, geometry_, true, 0);
  const RECT natural = Ink(wide, big, RGB(255, 255, 255));
  ASSERT_LE(natural.left, natural.right);
  ASSERT_TRUE(TallInkAtTheEnd(wide, natural, RGB(255, 255, 255)));
  const int width = natural.right - natural.left + 1;
  const struct {
    int percent;
    bool whole;  // narrowed to the whole text, or cut with an ellipsis
  } kCases[] = {{85, true}, {60, false}};
  for (const auto& c : kCases) {
    const int room = width * c.percent / 100;
    Canvas canvas(room + 20, 40, kPaper);
    const RECT box{0, 0, room, 30};
    DrawLabel(canvas.Dc(), box, text, RGB(0, 0, 0), RGB(255, 255, 255), font_, geometry_, true, 0);
    const RECT ink = Ink(canvas, box, RGB(255, 255, 255));
    ASSERT_LE(ink.left, ink.right) << c.percent;
    EXPECT_GE(ink.right, room * 9 / 10) << c.percent << "%: the text fills the box";
    EXPECT_EQ(TallInkAtTheEnd(canvas, ink, RGB(255, 255, 255)), c.whole) << c.percent << "%";
    EXPECT_EQ(canvas.At(room + 5, 10), kPaper) << "nothing beyond the box";
  }
}

TEST_F(LabelDrawing, SeveralLinesStartAtTheTop) {
  Canvas canvas(120, 100, kPaper);
  const RECT box{0, 0, 120, 100};
  DrawLabel(canvas.Dc(), box,
            L"\u3053\u306E\u88FD\u54C1\u306F\u30D5\u30EA\u30FC\u30BD\u30D5\u30C8\u30A6\u30A7\u30A2"
            L"\u3067\u3059\u3002",
            RGB(0, 0, 0), RGB(255, 255, 255), font_, geometry_, false, 0);
  const RECT ink = Ink(canvas, box, RGB(255, 255, 255));
  ASSERT_LE(ink.top, ink.bottom);
  EXPECT_LT(ink.top, geometry_.lineHeight / 2) << "first line at the top";
  // The sentence is wider than the box and breaks onto a second line.
  EXPECT_GT(ink.bottom, geometry_.lineHeight) << "no line break";
}

TEST_F(LabelDrawing, AmpersandIsText) {
  Canvas with(200, 30, kPaper);
  Canvas doubled(200, 30, kPaper);
  const RECT box{0, 0, 200, 30};
  DrawLabel(with.Dc(), box, L"A&B", RGB(0, 0, 0), RGB(255, 255, 255), font_, geometry_, true, 0);
  DrawLabel(doubled.Dc(), box, L"AB", RGB(0, 0, 0), RGB(255, 255, 255), font_, geometry_, true, 0);
  const RECT a = Ink(with, box, RGB(255, 255, 255));
  const RECT b = Ink(doubled, box, RGB(255, 255, 255));
  EXPECT_GT(a.right, b.right) << "'&' drawn, not taken as an access key";
}

}  // namespace
}  // namespace kv::win32
