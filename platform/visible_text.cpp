#include "platform/visible_text.h"

#include <cstddef>
#include <cstdint>

namespace kv {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendByte(std::string& out, unsigned char byte) {
  out += '\\';
  out += 'x';
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

void AppendCodePoint(std::string& out, uint32_t c) {
  out += '\\';
  out += 'u';
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0x0F];
}

bool Hidden(uint32_t c) {
  return (c >= 0x80 && c <= 0x9F) || c == 0x061C || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

// The length of the well-formed UTF-8 sequence at text[pos], whose first byte
// is 0x80 or above, and its code point; 0 when the bytes there are not one.
std::size_t Decode(std::string_view text, std::size_t pos, uint32_t& codePoint) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 0;
  // The range of the second byte, which rules out overlong forms, surrogates
  // and code points past U+10FFFF.
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;  // a continuation byte, C0, C1 or F5..FF as the first byte
  }
  if (text.size() - pos < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto byte = static_cast<unsigned char>(text[pos + k]);
    if (k == 1 ? (byte < low || byte > high) : (byte & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte & 0x3F);
  }
  return length;
}

std::string Escape(std::string_view text, const std::string_view* lineBreak) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (lineBreak && byte == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') {
      out += *lineBreak;
      pos += 2;
    } else if (byte < 0x20 || byte == 0x7F) {
      AppendByte(out, byte);
      ++pos;
    } else if (byte < 0x80) {
      out += static_cast<char>(byte);
      ++pos;
    } else {
      uint32_t codePoint = 0;
      const std::size_t length = Decode(text, pos, codePoint);
      if (length == 0) {
        AppendByte(out, byte);
        ++pos;
        continue;
      }
      if (Hidden(codePoint))
        AppendCodePoint(out, codePoint);
      else
        out.append(text.substr(pos, length));
      pos += length;
    }
  }
  return out;
}

}  // namespace

std::string VisibleLine(std::string_view text) { return Escape(text, nullptr); }

std::string VisibleLines(std::string_view text, std::string_view lineBreak) {
  return Escape(text, &lineBreak);
}

}  // namespace kv
