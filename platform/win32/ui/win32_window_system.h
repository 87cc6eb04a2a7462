// The Win32 window system: the forms realised as native windows.
#pragma once

#include <memory>

#include "platform/support_report.h"
#include "platform/ui.h"

namespace kv {

// The start-up form's context menu makes the support report from report.
std::unique_ptr<IWindowSystem> CreateWin32WindowSystem(ReportSource report = {});

}  // namespace kv
