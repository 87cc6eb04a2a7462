// The ANSI code page of the Linux layer: conversions between UTF-8 and a
// character set that iconv knows (the locale's character set by default, or
// a named one such as "CP932").
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/ansi.h"

namespace kv::linux_os {

// The character set of the user's locale (LC_CTYPE from the environment),
// without touching the program's own locale. The plain C locale names ASCII,
// which leaves every byte above 127 undefined; file names and labels on Linux
// are UTF-8 by convention, so that case answers "UTF-8".
std::string LocaleCharset();

// UTF-8 as Unicode defines it, each maximal ill-formed part of text replaced
// by U+FFFD: the one rule for bytes that are not text, wherever they come
// from (mount points, labels).
std::string ReplaceIllFormedUtf8(std::string_view text);

class IconvCodePage final : public IAnsiCodePage {
 public:
  // The locale's character set.
  IconvCodePage();
  // A character set by its iconv name ("CP932", "UTF-8", ...). Throws
  // kv::Error when iconv does not know it.
  explicit IconvCodePage(std::string charset);
  ~IconvCodePage() override;
  IconvCodePage(const IconvCodePage&) = delete;
  IconvCodePage& operator=(const IconvCodePage&) = delete;

  const std::string& Charset() const { return charset_; }

  // Lenient both ways: a character the code page cannot hold, or invalid
  // UTF-8, becomes '?'; a byte sequence that is not valid in the code page
  // becomes U+FFFD. UTF-8 is Unicode's: surrogates, code points past
  // U+10FFFF, overlong and 5- or 6-byte forms are invalid, each maximal
  // invalid part one replacement. A stateful code page's text ends in its
  // initial state. NUL passes through.
  std::string ToAnsi(std::string_view utf8) const override;
  std::string FromAnsi(std::string_view ansi) const override;

 private:
  class Converter;
  std::string charset_;
  bool utf8_;  // UTF-8 both sides: checked, never handed to iconv
  std::unique_ptr<Converter> toAnsi_;
  std::unique_ptr<Converter> fromAnsi_;
};

}  // namespace kv::linux_os
