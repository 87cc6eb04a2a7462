#include <cstdio>
#include <string>

#include "app/drives/drives.h"

namespace kv {
namespace {

// Digits of n grouped in threes with commas.
std::string Grouped(uint64_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// bytes / 1024 written exactly: the whole part, then the fraction (a multiple
// of 1/1024, so at most ten decimals) without trailing zeros.
std::string ExactKilobytes(uint64_t bytes) {
  std::string text = std::to_string(bytes >> 10);
  const uint64_t rest = bytes & 1023u;
  if (rest != 0) {
    char fraction[16];
    // rest / 1024 = rest * 5^10 / 10^10
    std::snprintf(fraction, sizeof fraction, "%010llu",
                  static_cast<unsigned long long>(rest * 9765625u));
    std::string f = fraction;
    f.erase(f.find_last_not_of('0') + 1);
    text += '.';
    text += f;
  }
  return text;
}

// bytes / 1048576 to two decimals, an exact half rounded up, grouped.
std::string Megabytes(uint64_t bytes) {
  const uint64_t whole = bytes >> 20;
  const uint64_t rest = bytes & 0xFFFFFu;
  const uint64_t hundredths = whole * 100 + ((rest * 100 + 0x80000u) >> 20);
  char decimals[4];
  std::snprintf(decimals, sizeof decimals, "%02u", static_cast<unsigned>(hundredths % 100));
  return Grouped(hundredths / 100) + "." + decimals;
}

}  // namespace

std::string SizeText(uint64_t bytes) {
  if (bytes > 1024) {
    if (bytes > 1048576) return Megabytes(bytes) + "MB";
    return ExactKilobytes(bytes) + "KB";
  }
  // A space where a minus sign would stand.
  std::string text(1, ' ');
  text += std::to_string(bytes);
  text += "Bytes";
  return text;
}

}  // namespace kv
