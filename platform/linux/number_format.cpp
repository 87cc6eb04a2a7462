#include "platform/linux/number_format.h"

#include <locale.h>

#include <clocale>
#include <string>

namespace kv::linux_os {

NumberSeparators ChooseSeparators(std::string_view thousands, std::string_view decimal) {
  if (thousands.empty() || decimal.empty()) return {};
  return {std::string(thousands), std::string(decimal)};
}

NumberSeparators LinuxNumberFormat::Separators() const {
  // LC_NUMERIC from the environment, set for this thread only while the
  // separators are read: the program's own locale, and other threads, stay
  // as they are.
  const locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (numeric == static_cast<locale_t>(0)) return {};
  const locale_t previous = uselocale(numeric);
  const std::lconv* conv = std::localeconv();
  const std::string thousands = conv->thousands_sep ? conv->thousands_sep : "";
  const std::string decimal = conv->decimal_point ? conv->decimal_point : "";
  uselocale(previous);
  freelocale(numeric);
  const NumberSeparators chosen = ChooseSeparators(thousands, decimal);
  return {charset_.FromAnsi(chosen.thousands), charset_.FromAnsi(chosen.decimal)};
}

}  // namespace kv::linux_os
