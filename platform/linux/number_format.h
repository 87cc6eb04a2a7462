// The separators of the user's numeric locale (LC_NUMERIC).
#pragma once

#include <string_view>

#include "platform/ansi.h"
#include "platform/os.h"

namespace kv::linux_os {

// The pair a locale's thousands separator and decimal point make, in the
// locale's character set: a locale that groups no digits (C, POSIX) gives
// the usual "," and ".".
NumberSeparators ChooseSeparators(std::string_view thousands, std::string_view decimal);

class LinuxNumberFormat final : public INumberFormat {
 public:
  // charset converts the locale's bytes to UTF-8.
  explicit LinuxNumberFormat(const IAnsiCodePage& charset) : charset_(charset) {}
  // LC_NUMERIC as the environment sets it (localeconv), read at each call;
  // the program's own locale stays as it is.
  NumberSeparators Separators() const override;

 private:
  const IAnsiCodePage& charset_;
};

}  // namespace kv::linux_os
