// Drawing a form: the window styles its controls are created with, its lines,
// and its labels.
#pragma once

#include <windows.h>

#include <string_view>

#include "platform/layout.h"
#include "platform/layout_resolve.h"

namespace kv::win32 {

// Window styles of a form.
struct FormStyles {
  DWORD style = 0;
  DWORD exStyle = 0;
};
FormStyles StylesOf(const layout::Form& form);

// The window class, styles and extended styles of a control. Labels draw
// themselves (see DrawLabel).
struct ControlStyles {
  const wchar_t* windowClass = L"";
  DWORD style = 0;
  DWORD exStyle = 0;
};
ControlStyles StylesOf(const layout::Control& control);

// Draws the form's lines (Kind::Line controls) in stacking order.
void DrawLines(HDC dc, const layout::Resolved& form, UINT dpi);

// The vertical measures of a font: the height of a line, the ascent, and how
// far the ink of Latin and Japanese text reaches above and below the baseline.
// Fonts made for Japanese often have more room above the ink than a one-line
// box in a layout has, so labels place the ink, not the line, in the box.
struct TextGeometry {
  int lineHeight = 1;
  int ascent = 0;
  int inkAbove = 0;
  int inkBelow = 0;
};
// Measures the font selected into dc.
TextGeometry MeasureFont(HDC dc);

// Draws a label's text and background into box: one line with its ink
// centred in the box, or lines broken at the box's width from the top.
void DrawLabel(HDC dc, const RECT& box, std::wstring_view text, COLORREF textColor,
               COLORREF backColor, HFONT font, const TextGeometry& geometry, bool singleLine,
               int padding);

}  // namespace kv::win32
