// The one rule that keeps text readable on a background that a layout names
// as a system colour (a title-bar colour, say, that the colour scheme may make
// the same as the text), for every window system.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kv::colors {

struct Rgb {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const Rgb&) const = default;
};

// The contrast ratio of two colours as the accessibility guidelines define
// it: from 1 for equal colours to 21 for black on white.
inline double ContrastRatio(Rgb a, Rgb b) {
  auto linear = [](uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  auto luminance = [&](Rgb c) {
    return 0.2126 * linear(c.red) + 0.7152 * linear(c.green) + 0.0722 * linear(c.blue);
  };
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The least contrast at which small text stays readable.
inline constexpr double kReadableContrast = 4.5;

// The background to paint: a system colour that the text does not stand out
// from gives way to the window colour (the colour text boxes are painted in),
// and the text keeps its colour. Colours a layout gives as RGB values are
// never changed (backIsSystem false).
inline Rgb ReadableBackground(Rgb back, Rgb text, bool backIsSystem, Rgb window) {
  return backIsSystem && ContrastRatio(back, text) < kReadableContrast ? window : back;
}

}  // namespace kv::colors
