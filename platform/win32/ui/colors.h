// The colours controls are drawn in, from the layout's colour properties and
// the system colours.
#pragma once

#include <windows.h>

#include "platform/layout.h"

namespace kv::win32 {

// GetSysColor, or a stand-in with the same meaning.
using SysColorFn = COLORREF (*)(int index);

// The colour of a layout colour; a Default colour is the system colour
// defaultIndex.
COLORREF ResolveColor(const layout::Color& color, int defaultIndex, SysColorFn sysColor);

// The contrast ratio of two colours as the accessibility guidelines define it
// (relative luminance, 1 for equal colours to 21 for black on white).
double ContrastRatio(COLORREF a, COLORREF b);

// The least contrast at which small text stays readable.
inline constexpr double kReadableContrast = 4.5;

struct ControlColors {
  COLORREF text;
  COLORREF back;
};

// The system colours a kind of control takes by default.
int DefaultBackIndex(layout::Kind kind);
int DefaultTextIndex(layout::Kind kind);

// The text and background colours of a control. A background given as a
// system colour that the text would not stand out from (a title-bar colour
// that the colour scheme makes the same as the text, say) gives way to the
// window colour; colours given as RGB values are kept as they are.
ControlColors ColorsOf(const layout::Control& control, SysColorFn sysColor);

}  // namespace kv::win32
