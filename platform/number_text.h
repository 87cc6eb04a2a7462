// Writing whole numbers with the locale's thousands separator, shared by the
// drive report and the About dialog.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

// The decimal digits of n, grouped in threes from the right.
inline std::string GroupDigits(uint64_t n, std::string_view separator) {
  const std::string digits = std::to_string(n);
  std::string out;
  out.reserve(digits.size() + separator.size() * (digits.size() / 3));
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

}  // namespace kv
