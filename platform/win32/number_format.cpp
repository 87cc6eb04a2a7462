#include "platform/win32/number_format.h"

#include <windows.h>

#include <string>

namespace kv::win32 {
namespace {

// One locale value: empty when the system has none (the answer counts the NUL).
std::string LocaleValue(LCTYPE type) {
  char buffer[16] = {};
  const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer);
  return n > 1 ? std::string(buffer, static_cast<std::size_t>(n - 1)) : std::string();
}

}  // namespace

NumberSeparators NumberFormat::Separators() const {
  const std::string thousands = LocaleValue(LOCALE_STHOUSAND);
  const std::string decimal = LocaleValue(LOCALE_SDECIMAL);
  NumberSeparators separators;
  if (!thousands.empty()) separators.thousands = ansi_.FromAnsi(thousands);
  if (!decimal.empty()) separators.decimal = ansi_.FromAnsi(decimal);
  return separators;
}

}  // namespace kv::win32
