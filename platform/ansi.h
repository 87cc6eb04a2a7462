// The ANSI code page of the operating system: the system's code page on Windows
// (932 on Japanese systems), the character set of the user's locale on Linux.
// Inside the program all text is UTF-8; the "A" services of os.h speak bytes of
// this code page, and only implementations of this interface convert.
#pragma once

#include <string>
#include <string_view>

namespace kv {

class IAnsiCodePage {
 public:
  virtual ~IAnsiCodePage() = default;
  // UTF-8 to bytes of the code page. A character the code page cannot hold
  // becomes '?'; invalid UTF-8 input becomes '?' as well. NUL passes through.
  virtual std::string ToAnsi(std::string_view utf8) const = 0;
  // Bytes of the code page to UTF-8. A byte sequence that is not valid in the
  // code page (a lone lead byte, say) becomes U+FFFD. NUL passes through.
  virtual std::string FromAnsi(std::string_view ansi) const = 0;
};

}  // namespace kv
