// The main window's layout: the window, fourteen title/value rows, the drive
// frame with its text box, the two lines along the top and the File menu.
#pragma once

#include "platform/layout.h"

namespace kv {

const layout::Form& frmSystemLayout();

}  // namespace kv
