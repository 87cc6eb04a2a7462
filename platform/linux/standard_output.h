// The standard output as a C++ stream, for the console window system.
#pragma once

#include <ostream>

namespace kv {

// The program's standard output; the first call binds it (OpenStandardOutput
// makes that call before any file is opened).
std::ostream& StandardOutput();

}  // namespace kv
