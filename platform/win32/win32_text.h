// Text at the Windows boundary: UTF-8 inside the program, UTF-16 for the "W"
// functions, and the system's ANSI code page for the "A" functions.
#pragma once

#include <string>
#include <string_view>

#include "platform/ansi.h"

namespace kv::win32 {

// UTF-8 to UTF-16; an invalid sequence becomes U+FFFD.
std::wstring Widen(std::string_view utf8);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view utf16);

// The conversions of one code page, through UTF-16.
class CodePageText final : public IAnsiCodePage {
 public:
  // codePage 0 (CP_ACP) is the system's ANSI code page.
  explicit CodePageText(unsigned codePage = 0);
  std::string ToAnsi(std::string_view utf8) const override;
  std::string FromAnsi(std::string_view ansi) const override;
  unsigned CodePage() const { return codePage_; }

 private:
  std::wstring DecodeLenient(std::string_view ansi) const;
  unsigned codePage_;
};

}  // namespace kv::win32
