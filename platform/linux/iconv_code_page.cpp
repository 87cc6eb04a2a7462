#include "platform/linux/iconv_code_page.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <mutex>

#include "platform/errors.h"

namespace kv::linux_os {
namespace {

constexpr std::string_view kUtf8 = "UTF-8";
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the UTF-8 sequence at p when it is well formed (wellFormed
// set); otherwise the length of its maximal ill-formed prefix (at least 1),
// which is replaced as one character.
std::size_t Utf8Sequence(const unsigned char* p, std::size_t n, bool& wellFormed) {
  const unsigned char c = p[0];
  std::size_t len = 0;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  wellFormed = false;
  if (c < 0x80) {
    wellFormed = true;
    return 1;
  }
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    if (c == 0xE0) lo = 0xA0;  // overlong
    if (c == 0xED) hi = 0x9F;  // surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    if (c == 0xF0) lo = 0x90;  // overlong
    if (c == 0xF4) hi = 0x8F;  // past U+10FFFF
  } else {
    return 1;  // continuation byte, overlong lead, or a 5- or 6-byte form's lead
  }
  std::size_t i = 1;
  for (; i < len && i < n; ++i) {
    const unsigned char b = p[i];
    if (i == 1 ? (b < lo || b > hi) : !IsContinuation(b)) return i;
  }
  wellFormed = i == len;
  return i;  // the whole sequence, or what there is of it at the end
}

// UTF-8 as Unicode defines it: every maximal ill-formed part of the input
// replaced. glibc's converter lets 5- and 6-byte forms and code points past
// U+10FFFF through, so UTF-8 is checked here and not left to it.
std::string WellFormedUtf8(std::string_view input, std::string_view replacement) {
  std::string out;
  out.reserve(input.size());
  const auto* p = reinterpret_cast<const unsigned char*>(input.data());
  for (std::size_t pos = 0; pos < input.size();) {
    bool wellFormed = false;
    const std::size_t len = Utf8Sequence(p + pos, input.size() - pos, wellFormed);
    if (wellFormed)
      out.append(input.substr(pos, len));
    else
      out.append(replacement);
    pos += len;
  }
  return out;
}

bool IsUtf8(std::string_view charset) {
  std::string name;
  for (char c : charset)
    if (c != '-' && c != '_') name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return name == "utf8";
}

}  // namespace

std::string ReplaceIllFormedUtf8(std::string_view text) {
  return WellFormedUtf8(text, kReplacementUtf8);
}

namespace {

iconv_t Open(const std::string& to, const std::string& from) {
  return iconv_open(to.c_str(), from.c_str());
}

}  // namespace

// One direction of conversion. iconv descriptors carry state, so each is
// used by one caller at a time.
class IconvCodePage::Converter {
 public:
  Converter(iconv_t cd, bool inputIsUtf8, std::string_view replacement)
      : cd_(cd), inputIsUtf8_(inputIsUtf8), replacement_(replacement) {}
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  std::string Convert(std::string_view text) {
    // Input that is not UTF-8 as Unicode defines it never reaches iconv.
    const std::string checked = inputIsUtf8_ ? WellFormedUtf8(text, replacement_) : std::string();
    const std::string_view input = inputIsUtf8_ ? std::string_view(checked) : text;
    std::lock_guard lock(mutex_);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out(input.size() + input.size() / 2 + 16, '\0');
    std::size_t used = 0;
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();

    auto grow = [&] { out.resize(out.size() * 2); };
    auto put = [&](std::string_view bytes) {
      while (out.size() - used < bytes.size()) grow();
      out.replace(used, bytes.size(), bytes);
      used += bytes.size();
    };

    // Once the input is used up, a last call with no input writes what
    // returns a stateful code page to its initial state (ISO-2022-JP's ESC ( B).
    bool flushing = false;
    while (true) {
      char* outPtr = out.data() + used;
      std::size_t outLeft = out.size() - used;
      if (inLeft == 0) flushing = true;
      const std::size_t r = flushing ? iconv(cd_, nullptr, nullptr, &outPtr, &outLeft)
                                     : iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
      const int err = errno;
      used = static_cast<std::size_t>(outPtr - out.data());
      if (r != static_cast<std::size_t>(-1)) {
        if (flushing) break;
        continue;
      }
      if (err == E2BIG) {
        grow();
      } else if ((err == EILSEQ || err == EINVAL) && inLeft > 0) {
        bool wellFormed = false;
        const std::size_t skip =
            inputIsUtf8_ ? Utf8Sequence(reinterpret_cast<const unsigned char*>(in), inLeft,
                                        wellFormed)
                         : 1;
        put(replacement_);
        in += skip;
        inLeft -= skip;
      } else {
        break;  // not one of iconv's documented errors: keep what there is
      }
    }
    out.resize(used);
    return out;
  }

 private:
  std::mutex mutex_;
  iconv_t cd_;
  bool inputIsUtf8_;
  std::string replacement_;
};

std::string LocaleCharset() {
  std::string charset;
  locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (loc != static_cast<locale_t>(nullptr)) {
    if (const char* cs = nl_langinfo_l(CODESET, loc)) charset = cs;
    freelocale(loc);
  }
  if (charset.empty() || charset == "ANSI_X3.4-1968" || charset == "ASCII" ||
      charset == "US-ASCII")
    return std::string(kUtf8);
  // A character set iconv cannot convert is read as UTF-8 as well.
  iconv_t probe = Open(std::string(kUtf8), charset);
  if (probe == reinterpret_cast<iconv_t>(-1)) return std::string(kUtf8);
  iconv_close(probe);
  return charset;
}

IconvCodePage::IconvCodePage() : IconvCodePage(LocaleCharset()) {}

IconvCodePage::IconvCodePage(std::string charset)
    : charset_(std::move(charset)), utf8_(IsUtf8(charset_)) {
  const std::string utf8(kUtf8);
  iconv_t to = Open(charset_, utf8);
  if (to == reinterpret_cast<iconv_t>(-1))
    throw CharsetError(charset_, true);
  iconv_t from = Open(utf8, charset_);
  if (from == reinterpret_cast<iconv_t>(-1)) {
    iconv_close(to);
    throw CharsetError(charset_, false);
  }
  toAnsi_ = std::make_unique<Converter>(to, true, "?");
  fromAnsi_ = std::make_unique<Converter>(from, false, kReplacementUtf8);
}

IconvCodePage::~IconvCodePage() = default;

std::string IconvCodePage::ToAnsi(std::string_view utf8) const {
  if (utf8_) return WellFormedUtf8(utf8, "?");
  return toAnsi_->Convert(utf8);
}

std::string IconvCodePage::FromAnsi(std::string_view ansi) const {
  if (utf8_) return WellFormedUtf8(ansi, kReplacementUtf8);
  return fromAnsi_->Convert(ansi);
}

}  // namespace kv::linux_os
