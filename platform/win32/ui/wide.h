// UTF-8 (the program's text) to UTF-16 (the "W" window functions) and back.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32/win32_text.h"  // Widen, Narrow

namespace kv::win32 {

// Text as a window shows it: up to its first NUL (where a window's text
// ends), through the one rule for text that may come from the system
// (platform/visible_text.h), so that controls, bidi controls and the like
// show as escapes here as in every other presentation. ShownText keeps its
// CR LF line breaks; ShownLine, for titles, escapes them too.
std::wstring ShownText(std::string_view utf8);
std::wstring ShownLine(std::string_view utf8);

}  // namespace kv::win32
