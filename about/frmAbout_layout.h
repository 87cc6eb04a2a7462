// The About dialog's layout.
#pragma once

#include "platform/layout.h"

namespace kv {

const layout::Form& frmAboutLayout();

}  // namespace kv
