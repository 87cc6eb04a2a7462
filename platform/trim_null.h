// Reading back a buffer that an "A" function filled: the answer ends at the
// first NUL, and whatever follows it is what the call left behind.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// The part of s before its first NUL, or the whole of s when it holds none.
inline std::string TrimNull(std::string_view s) { return std::string(s.substr(0, s.find('\0'))); }

}  // namespace kv
