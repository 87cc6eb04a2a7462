#include "platform/win32/ui/colors.h"

#include "platform/colors.h"

namespace kv::win32 {

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
  auto rgb = [](COLORREF c) { return colors::Rgb{GetRValue(c), GetGValue(c), GetBValue(c)}; };
  const colors::Rgb back =
      colors::ReadableBackground(rgb(colors.back), rgb(colors.text),
                                 control.back.type == layout::Color::Type::System,
                                 rgb(sysColor(COLOR_WINDOW)));
  colors.back = RGB(back.red, back.green, back.blue);
  return colors;
}

}  // namespace kv::win32
