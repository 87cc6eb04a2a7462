#include "platform/win32/win32_text.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace kv::win32 {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

int Length(size_t size) {
  if (size > static_cast<size_t>(INT_MAX)) throw std::length_error("text too long to convert");
  return static_cast<int>(size);
}

std::wstring ToUtf16(UINT codePage, DWORD flags, std::string_view text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, flags, text.data(), Length(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), Length(text.size()), out.data(), n);
  return out;
}

std::string FromUtf16(UINT codePage, DWORD flags, std::wstring_view text, const char* defaultChar) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(codePage, flags, text.data(), Length(text.size()), nullptr, 0,
                                    defaultChar, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, text.data(), Length(text.size()), out.data(), n, defaultChar,
                      nullptr);
  return out;
}

}  // namespace

std::wstring Widen(std::string_view utf8) { return ToUtf16(CP_UTF8, 0, utf8); }

std::string Narrow(std::wstring_view utf16) { return FromUtf16(CP_UTF8, 0, utf16, nullptr); }

CodePageText::CodePageText(unsigned codePage)
    : codePage_(codePage == CP_ACP ? GetACP() : codePage) {}

std::string CodePageText::ToAnsi(std::string_view utf8) const {
  const std::wstring wide = Widen(utf8);
  if (codePage_ == CP_UTF8) {
    // The code page is UTF-8 itself: only the invalid input needs replacing.
    std::wstring cleaned = wide;
    for (auto& c : cleaned)
      if (c == kReplacement) c = L'?';
    return Narrow(cleaned);
  }
  // No best-fit mapping: a character the code page lacks becomes '?', not a
  // look-alike. The U+FFFD that stands for invalid input becomes '?' too.
  return FromUtf16(codePage_, WC_NO_BEST_FIT_CHARS, wide, "?");
}

std::string CodePageText::FromAnsi(std::string_view ansi) const {
  if (ansi.empty()) return {};
  // Valid text converts whole; otherwise it is taken apart.
  const std::wstring wide = ToUtf16(codePage_, MB_ERR_INVALID_CHARS, ansi);
  return Narrow(wide.empty() ? DecodeLenient(ansi) : wide);
}

// Character by character, so that each invalid sequence becomes one U+FFFD
// instead of the code page's own default character (U+30FB for 932).
std::wstring CodePageText::DecodeLenient(std::string_view ansi) const {
  std::wstring out;
  size_t i = 0;
  while (i < ansi.size()) {
    const auto byte = static_cast<BYTE>(ansi[i]);
    size_t length = IsDBCSLeadByteEx(codePage_, byte) ? 2 : 1;
    if (codePage_ == CP_UTF8) {
      length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    }
    if (i + length > ansi.size()) length = 1;
    std::wstring piece = ToUtf16(codePage_, MB_ERR_INVALID_CHARS, ansi.substr(i, length));
    if (piece.empty() && length > 1) {
      // A lead byte whose trail is not valid: the lead byte alone is invalid,
      // and the next byte is read afresh.
      length = 1;
      piece = ToUtf16(codePage_, MB_ERR_INVALID_CHARS, ansi.substr(i, 1));
    }
    if (piece.empty()) piece.assign(1, kReplacement);
    out += piece;
    i += length;
  }
  return out;
}

}  // namespace kv::win32
