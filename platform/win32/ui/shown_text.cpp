// Text as the windows show it (declared in wide.h).
#include "platform/visible_text.h"
#include "platform/win32/ui/wide.h"

namespace kv::win32 {

namespace {

std::string_view BeforeNul(std::string_view utf8) { return utf8.substr(0, utf8.find('\0')); }

}  // namespace

std::wstring ShownText(std::string_view utf8) {
  return Widen(VisibleLines(BeforeNul(utf8), "\r\n"));
}

std::wstring ShownLine(std::string_view utf8) { return Widen(VisibleLine(BeforeNul(utf8))); }

}  // namespace kv::win32
