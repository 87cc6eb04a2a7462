#include <cstdio>
#include <string>

#include "app/drives/drives.h"
#include "platform/number_text.h"

namespace kv {
namespace {

// bytes / 1024 written exactly: the whole part, then the fraction (a multiple
// of 1/1024, so at most ten decimals) without trailing zeros.
std::string ExactKilobytes(uint64_t bytes, const std::string& point) {
  std::string text = std::to_string(bytes >> 10);
  const uint64_t rest = bytes & 1023u;
  if (rest != 0) {
    char fraction[16];
    // rest / 1024 = rest * 5^10 / 10^10
    std::snprintf(fraction, sizeof fraction, "%010llu",
                  static_cast<unsigned long long>(rest * 9765625u));
    std::string f = fraction;
    f.erase(f.find_last_not_of('0') + 1);
    text += point;
    text += f;
  }
  return text;
}

// bytes / 1048576 to two decimals, an exact half rounded up, grouped.
std::string Megabytes(uint64_t bytes, const NumberSeparators& separators) {
  const uint64_t whole = bytes >> 20;
  const uint64_t rest = bytes & 0xFFFFFu;
  const uint64_t hundredths = whole * 100 + ((rest * 100 + 0x80000u) >> 20);
  char decimals[4];
  std::snprintf(decimals, sizeof decimals, "%02u", static_cast<unsigned>(hundredths % 100));
  return GroupDigits(hundredths / 100, separators.thousands) + separators.decimal + decimals;
}

}  // namespace

std::string SizeText(uint64_t bytes, const NumberSeparators& separators) {
  if (bytes > 1024) {
    if (bytes > 1048576) return Megabytes(bytes, separators) + "MB";
    return ExactKilobytes(bytes, separators.decimal) + "KB";
  }
  // A space where a minus sign would stand.
  std::string text(1, ' ');
  text += std::to_string(bytes);
  text += "Bytes";
  return text;
}

}  // namespace kv
