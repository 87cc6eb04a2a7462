// The separators of the user's locale on Windows.
#pragma once

#include "platform/ansi.h"
#include "platform/os.h"

namespace kv::win32 {

class NumberFormat final : public INumberFormat {
 public:
  // ansi converts the system's answers (ANSI code page) to UTF-8.
  explicit NumberFormat(const IAnsiCodePage& ansi) : ansi_(ansi) {}
  // GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND / LOCALE_SDECIMAL),
  // read at each call; "," and "." where the system answers nothing.
  NumberSeparators Separators() const override;

 private:
  const IAnsiCodePage& ansi_;
};

}  // namespace kv::win32
