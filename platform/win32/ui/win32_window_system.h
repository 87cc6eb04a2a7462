// The Win32 window system: the forms realised as native windows.
#pragma once

#include <memory>

#include "platform/ui.h"

namespace kv {

std::unique_ptr<IWindowSystem> CreateWin32WindowSystem();

}  // namespace kv
