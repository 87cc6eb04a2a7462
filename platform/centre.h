// Centring a form on the screen, as both forms do when they load.
#pragma once

#include <cmath>

#include "platform/errors.h"
#include "platform/ui.h"

namespace kv {

// (screen / 2) - (form / 2) in single precision, fractions kept, no clamping:
// a form larger than the screen gets a negative position. A result that is
// not a finite number raises the floating-point error.
inline float CentredPosition(float screen, float form) {
  const float half = screen / 2.0f;
  const float formHalf = form / 2.0f;
  const float position = half - formHalf;
  if (!std::isfinite(half) || !std::isfinite(formHalf) || !std::isfinite(position))
    throw OverflowError();
  return position;
}

inline void CentreOnScreen(const IWindowSystem& windows, IForm& form) {
  form.SetTop(CentredPosition(windows.ScreenHeight(), form.Height()));
  form.SetLeft(CentredPosition(windows.ScreenWidth(), form.Width()));
}

}  // namespace kv
