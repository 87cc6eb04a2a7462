// A form's layout resolved once for a window system: from the layout data and
// the metrics of the font the window system draws with, where each control
// lies in pixels, the order of the focus, which label names which control, and
// the one policy for a caption wider than its label. The window systems (Qt,
// Win32, the console) consume the result and keep only the drawing.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "platform/layout.h"

namespace kv::layout {

// The pixels of a twips figure at ppi pixels per inch, to the nearest pixel,
// halves away from zero.
int TwipsToPixels(double twips, int ppi);

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// The offset in twips of a control's container (its frame, and the frame's
// frame) from the form's client area; zero for a control on the form itself.
Point ContainerOffset(const Form& form, const Control& control);

// What a window system reports of the font it draws a form with, at the
// form's full size, in pixels.
struct FontMetrics {
  int pixelsPerInch = 96;
  int lineHeight = 1;  // the distance between two lines of text
  int inkHeight = 0;   // from the top of the highest ink to the bottom of the lowest
  // The width one line of a caption needs, from the label's left edge to the
  // end of its ink; empty where widths do not matter (a terminal).
  std::function<double(std::string_view utf8)> textWidth;
};

// A caption may shrink the form's font to this share of its size, and no further.
inline constexpr double kSmallestFontScale = 0.75;

struct Placed {
  const Control* control = nullptr;  // into the form's data
  Rect rect;                         // pixels, relative to the form's client area
  Rect local;                        // pixels, relative to its container's client area
  int container = -1;                // position of the frame that holds it; -1: the form
  bool singleLine = false;           // labels: one line, its ink centred in the box
  int title = -1;                    // position of the label or frame that names it; -1: none
};

struct Resolved {
  std::vector<Placed> controls;  // in the layout's order
  Rect client;                   // the client area, pixels
  // The form's font as a share of the window system's: the largest (1 at
  // most, kSmallestFontScale at least) at which every caption of a one-line
  // label without a border fits its label. The whole form takes it, never
  // one label alone; what still does not fit, and any text set later, is cut
  // at the edge of its box.
  double fontScale = 1.0;
  // Positions of the controls that take the focus (text boxes, buttons), in tab order.
  std::vector<int> tabOrder;
  // Every control but the lines in tab order, with each label that names a
  // control moved right before it: the order screen readers read a window in.
  std::vector<int> readingOrder;
};

// The title of a control, by one rule for every window system: the label it
// names as its buddy; for a value (a label with a border) without one, the
// borderless label to its left in the same container whose top falls within
// the value's height, the nearest; for a control that takes the focus inside
// a frame, the frame.
Resolved Resolve(const Form& form, const FontMetrics& metrics);

bool TakesFocus(Kind kind);

}  // namespace kv::layout
