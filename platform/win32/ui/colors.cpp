#include "platform/win32/ui/colors.h"

#include <algorithm>
#include <cmath>

namespace kv::win32 {
namespace {

double Linear(int channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(COLORREF c) {
  return 0.2126 * Linear(GetRValue(c)) + 0.7152 * Linear(GetGValue(c)) +
         0.0722 * Linear(GetBValue(c));
}

}  // namespace

COLORREF ResolveColor(const layout::Color& color, int defaultIndex, SysColorFn sysColor) {
  switch (color.type) {
    case layout::Color::Type::System:
      return sysColor(static_cast<int>(color.value));
    case layout::Color::Type::Rgb:
      return RGB((color.value >> 16) & 0xFF, (color.value >> 8) & 0xFF, color.value & 0xFF);
    case layout::Color::Type::Default:
      break;
  }
  return sysColor(defaultIndex);
}

double ContrastRatio(COLORREF a, COLORREF b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

int DefaultBackIndex(layout::Kind kind) {
  return kind == layout::Kind::TextBox ? COLOR_WINDOW : COLOR_BTNFACE;
}

int DefaultTextIndex(layout::Kind kind) {
  switch (kind) {
    case layout::Kind::TextBox:
    case layout::Kind::Line:
      return COLOR_WINDOWTEXT;
    default:
      return COLOR_BTNTEXT;
  }
}

ControlColors ColorsOf(const layout::Control& control, SysColorFn sysColor) {
  ControlColors colors;
  colors.text = ResolveColor(control.fore, DefaultTextIndex(control.kind), sysColor);
  colors.back = ResolveColor(control.back, DefaultBackIndex(control.kind), sysColor);
  if (control.back.type == layout::Color::Type::System &&
      ContrastRatio(colors.back, colors.text) < kReadableContrast) {
    colors.back = sysColor(COLOR_WINDOW);
  }
  return colors;
}

}  // namespace kv::win32
