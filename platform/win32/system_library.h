// System functions bound by name when they are first needed, from the
// Windows system directory only (never from the program's or the current
// folder), so that a system that lacks one can be told at the call.
#pragma once

#include <functional>
#include <string>

namespace kv::win32 {

// The address of function in the system library (such as "kernel32"), or
// nullptr when the library or the function is missing.
using EntryPointResolver = std::function<void*(const std::string& library, const char* function)>;

// The resolver of the running system.
void* SystemEntryPoint(const std::string& library, const char* function);

}  // namespace kv::win32
