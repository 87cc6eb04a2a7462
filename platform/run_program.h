// The program's run: the window system dispatches the start-up form's events
// until the program ends. An error that no handler of the program takes ends
// it after a message box that says so, with exit status 1, in every
// presentation (a window system that catches such an error itself ends the
// process with the same status).
#pragma once

#include <exception>
#include <optional>

#include "platform/errors.h"
#include "platform/ui.h"

namespace kv {

inline constexpr int kUnhandledErrorStatus = 1;

// The exit status: what the window system's Run answers, or
// kUnhandledErrorStatus when an error leaves it.
inline int RunStartupForm(IWindowSystem& windows, FormCode& startup) {
  try {
    return windows.Run(startup);
  } catch (const std::exception& e) {
    windows.MsgBox(UnhandledErrorText(AsError(e)), kMsgBoxOkOnly, std::nullopt);
    return kUnhandledErrorStatus;
  }
}

}  // namespace kv
