// UTF-8 (the program's text) to UTF-16 (the "W" window functions) and back.
#pragma once

#include <string>
#include <string_view>

namespace kv::win32 {

// Invalid UTF-8 sequences become U+FFFD; NUL characters pass through.
std::wstring Widen(std::string_view utf8);
// Unpaired surrogates become U+FFFD; NUL characters pass through.
std::string Narrow(std::wstring_view utf16);

}  // namespace kv::win32
