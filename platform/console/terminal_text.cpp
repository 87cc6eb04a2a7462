#include "platform/console/terminal_text.h"

#include <cstddef>
#include <cstdint>

namespace kv::console {
namespace {

void AppendEscaped(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '\\';
  out += 'x';
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at text[pos], whose first byte
// is 0x80 or above, and its code point; 0 when the bytes there are not one.
std::size_t DecodeMultiByte(std::string_view text, std::size_t pos, uint32_t& codePoint) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 0;
  // The range the second byte must fall in, which rules out overlong forms,
  // surrogates and code points past U+10FFFF.
  unsigned char secondMin = 0x80, secondMax = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
    if (lead == 0xE0) secondMin = 0xA0;
    if (lead == 0xED) secondMax = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
    if (lead == 0xF0) secondMin = 0x90;
    if (lead == 0xF4) secondMax = 0x8F;
  } else {
    return 0;  // a continuation byte, C0, C1 or F5..FF as the first byte
  }
  if (text.size() - pos < length) return 0;
  const auto second = static_cast<unsigned char>(text[pos + 1]);
  if (second < secondMin || second > secondMax) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto byte = static_cast<unsigned char>(text[pos + k]);
    if (!IsContinuation(byte)) return 0;
    codePoint = (codePoint << 6) | (byte & 0x3F);
  }
  return length;
}

std::string Escape(std::string_view text, bool crLfBreaksLines) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (crLfBreaksLines && byte == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') {
      out += '\n';
      pos += 2;
    } else if (byte < 0x20 || byte == 0x7F) {
      AppendEscaped(out, byte);
      ++pos;
    } else if (byte < 0x80) {
      out += static_cast<char>(byte);
      ++pos;
    } else {
      uint32_t codePoint = 0;
      const std::size_t length = DecodeMultiByte(text, pos, codePoint);
      if (length == 0) {
        AppendEscaped(out, byte);
        ++pos;
      } else if (codePoint <= 0x9F) {  // a C1 control
        for (std::size_t k = 0; k < length; ++k)
          AppendEscaped(out, static_cast<unsigned char>(text[pos + k]));
        pos += length;
      } else {
        out.append(text.substr(pos, length));
        pos += length;
      }
    }
  }
  return out;
}

}  // namespace

std::string EscapeLine(std::string_view text) { return Escape(text, false); }

std::string EscapeLines(std::string_view text) { return Escape(text, true); }

}  // namespace kv::console
