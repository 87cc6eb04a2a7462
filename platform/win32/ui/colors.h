// The colours controls are drawn in, from the layout's colour properties and
// the system colours.
#pragma once

#include <windows.h>

#include "platform/layout.h"

namespace kv::win32 {

// GetSysColor, or a stand-in with the same meaning.
using SysColorFn = COLORREF (*)(int index);
inline COLORREF SysColor(int index) { return GetSysColor(index); }

// The colour of a layout colour; a Default colour is the system colour
// defaultIndex.
COLORREF ResolveColor(const layout::Color& color, int defaultIndex, SysColorFn sysColor);

struct ControlColors {
  COLORREF text;
  COLORREF back;
};

// The system colours a kind of control takes by default.
int DefaultBackIndex(layout::Kind kind);
int DefaultTextIndex(layout::Kind kind);

// The text and background colours of a control, the background kept
// readable by colors::ReadableBackground.
ControlColors ColorsOf(const layout::Control& control, SysColorFn sysColor);

}  // namespace kv::win32
