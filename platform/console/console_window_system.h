// The text presentation: the forms realised on a terminal.
#pragma once

#include <iosfwd>
#include <memory>

#include "platform/ui.h"

namespace kv {

// A window system that prints the start-up form to out once its load step
// has run, and message boxes to err. Run answers 0, or 1 when a message box
// with the exclamation style was shown while the start-up form loaded.
std::unique_ptr<IWindowSystem> CreateConsoleWindowSystem(std::ostream& out, std::ostream& err);

// The help engine of the text presentation: there is no help window to open
// or close on a terminal.
std::unique_ptr<IHelpEngine> CreateConsoleHelpEngine();

}  // namespace kv
