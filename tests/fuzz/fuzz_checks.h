// The properties the fuzz targets hold their code to. A violation aborts, so
// libFuzzer records the input that broke it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace kv::fuzz {

inline void Require(bool ok, const char* property) {
  if (ok) return;
  std::fprintf(stderr, "property violated: %s\n", property);
  std::abort();
}

// The code point of the well-formed UTF-8 sequence at text[pos] and its
// length; length 0 when the bytes there are not one. Written apart from the
// program's own decoders, to check them.
inline std::size_t DecodeUtf8(std::string_view text, std::size_t pos, uint32_t& c) {
  const auto b0 = static_cast<unsigned char>(text[pos]);
  std::size_t n = b0 < 0x80 ? 1 : (b0 >> 5) == 6 ? 2 : (b0 >> 4) == 14 ? 3 : (b0 >> 3) == 30 ? 4 : 0;
  if (n == 0 || text.size() - pos < n) return 0;
  c = n == 1 ? b0 : b0 & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(text[pos + k]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  static constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return n;
}

inline bool WellFormedUtf8(std::string_view text) {
  uint32_t c = 0;
  for (std::size_t pos = 0, n = 0; pos < text.size(); pos += n)
    if ((n = DecodeUtf8(text, pos, c)) == 0) return false;
  return true;
}

// Text a reader can be shown as it is: well-formed UTF-8 without controls,
// separators, bidi controls or zero-width characters; CR LF pairs allowed
// where lines is set.
inline bool Shown(std::string_view text, bool lines) {
  uint32_t c = 0;
  for (std::size_t pos = 0, n = 0; pos < text.size(); pos += n) {
    if (lines && text.substr(pos, 2) == "\r\n") {
      n = 2;
      continue;
    }
    if ((n = DecodeUtf8(text, pos, c)) == 0) return false;
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || (c >= 0x200B && c <= 0x200F) ||
        (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF)
      return false;
  }
  return true;
}

}  // namespace kv::fuzz
