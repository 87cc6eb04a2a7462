#include "platform/support_report.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <vector>

#include "platform/app_settings.h"
#include "platform/visible_text.h"

namespace kv {

std::string UtcTimestamp(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm utc{};
#if defined(_WIN32)
  gmtime_s(&utc, &seconds);
#else
  gmtime_r(&seconds, &utc);
#endif
  std::array<char, 32> text{};
  const size_t n = std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &utc);
  return std::string(text.data(), n);
}

ReportDetails MakeReportDetails(const SystemDetails& system,
                                std::chrono::system_clock::time_point now) {
  return {system,
          std::to_string(kApp.major) + "." + std::to_string(kApp.minor) + "." +
              std::to_string(kApp.revision),
          UtcTimestamp(now)};
}

std::string DetailsSection(const ReportDetails& d, std::string_view lineEnd) {
  const std::pair<std::string_view, const std::string&> lines[] = {
      {"OS名：", d.system.osName},
      {"OSのビルド：", d.system.osBuild},
      {"プロセッサ名：", d.system.processorName},
      {"アーキテクチャ：", d.system.architecture},
      {"機種：", d.system.machine},
      {"Kavreno：", d.kavrenoVersion},
      {"作成日時：", d.generatedUtc},
  };
  std::string section = "詳細：";
  section += lineEnd;
  for (const auto& [title, value] : lines) {
    section += title;
    section += VisibleLine(value);
    section += lineEnd;
  }
  return section;
}

std::string SupportReport(std::string_view windowText, const ReportDetails& details,
                          std::string_view lineEnd) {
  std::string report(windowText);
  report += lineEnd;
  report += DetailsSection(details, lineEnd);
  return report;
}

// ---- the facts' texts (every system) ------------------------------------------

namespace {

std::string LowerAscii(std::string_view s) {
  std::string lower(s);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower;
}

}  // namespace

std::string MachineName(std::string_view vendor, std::string_view product) {
  const auto said = [](std::string_view s) {
    s = TrimBlanks(s);
    static constexpr std::string_view kPlaceholders[] = {
        "to be filled by o.e.m.", "default string", "system manufacturer", "system product name",
        "not applicable",         "not specified",  "none",                "unknown",
        "o.e.m.",                 "oem"};
    const std::string lower = LowerAscii(s);
    return std::ranges::find(kPlaceholders, std::string_view(lower)) == std::end(kPlaceholders)
               ? s
               : std::string_view();
  };
  vendor = said(vendor);
  product = said(product);
  if (vendor.empty()) return std::string(product);
  if (product.empty()) return std::string(vendor);
  if (product.starts_with(vendor)) return std::string(product);
  return std::string(vendor) + " " + std::string(product);
}

std::string WindowsOsName(std::string_view productName, std::string_view displayVersion,
                          uint32_t build) {
  std::string name(TrimBlanks(productName));
  constexpr std::string_view kTen = "Windows 10";
  if (const auto at = name.find(kTen); build >= 22000 && at != std::string::npos)
    name.replace(at, kTen.size(), "Windows 11");
  displayVersion = TrimBlanks(displayVersion);
  if (!displayVersion.empty() && name.find(displayVersion) == std::string::npos) {
    if (!name.empty()) name += ' ';
    name += displayVersion;
  }
  return name;
}

// ---- personal names ---------------------------------------------------------

namespace {

// The code point at text[i] and its length in bytes; a byte that does not
// start valid UTF-8 stands alone (length 1, code point 0xFFFD).
std::pair<char32_t, size_t> Decode(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return {lead, 1};
  size_t length = 0;
  char32_t cp = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    cp = lead & 0x07;
  } else {
    return {0xFFFD, 1};
  }
  if (i + length > text.size()) return {0xFFFD, 1};
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return {0xFFFD, 1};
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  return {cp, length};
}

// Where the code point that ends just before position i starts.
size_t PreviousStart(std::string_view text, size_t i) {
  size_t start = i - 1;
  while (start > 0 && i - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
    --start;
  // A start that does not decode to exactly the bytes before i: the last byte alone.
  return start + Decode(text, start).second == i ? start : i - 1;
}

// Part of a word: letters, digits and "_" of ASCII, and everything beyond
// ASCII but punctuation, spaces and symbols (so that kana and ideographs
// are letters, and "：", "、", "「" or a full-width space end a word).
bool IsWordCharacter(char32_t c) {
  if (c < 0x80)
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
  struct Range {
    char32_t first, last;
  };
  static constexpr Range kNotWord[] = {
      {0x0080, 0x00BF}, {0x00D7, 0x00D7}, {0x00F7, 0x00F7}, {0x2000, 0x2BFF}, {0x3000, 0x3003},
      {0x3008, 0x3020}, {0x30FB, 0x30FB}, {0xFE30, 0xFE4F}, {0xFEFF, 0xFEFF}, {0xFF01, 0xFF0F},
      {0xFF1A, 0xFF20}, {0xFF3B, 0xFF40}, {0xFF5B, 0xFF65}, {0xFFF0, 0xFFFF},
  };
  return std::none_of(std::begin(kNotWord), std::end(kNotWord),
                      [c](const Range& r) { return c >= r.first && c <= r.last; });
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameAt(std::string_view text, size_t at, std::string_view name, bool ignoreCase) {
  if (text.size() - at < name.size()) return false;
  for (size_t k = 0; k < name.size(); ++k) {
    const char a = text[at + k], b = name[k];
    if (ignoreCase ? FoldAscii(a) != FoldAscii(b) : a != b) return false;
  }
  return true;
}

struct Replacement {
  std::string_view name;
  std::string_view placeholder;
};

}  // namespace

std::string Redact(std::string_view text, const PersonalNames& names) {
  std::vector<Replacement> order;
  if (!names.user.empty()) order.push_back({names.user, kUserPlaceholder});
  if (!names.computer.empty()) order.push_back({names.computer, kComputerPlaceholder});
  // The longer name first, so that a name holding the other as a word goes whole.
  std::stable_sort(order.begin(), order.end(), [](const Replacement& a, const Replacement& b) {
    return a.name.size() > b.name.size();
  });
  if (order.empty()) return std::string(text);

  std::string out;
  out.reserve(text.size());
  bool afterWord = false;  // the code point before i is part of a word
  size_t i = 0;
  while (i < text.size()) {
    bool replaced = false;
    for (const Replacement& r : order) {
      if (!SameAt(text, i, r.name, names.ignoreCase)) continue;
      const bool nameStartsWord = IsWordCharacter(Decode(r.name, 0).first);
      const bool nameEndsWord =
          IsWordCharacter(Decode(r.name, PreviousStart(r.name, r.name.size())).first);
      const size_t end = i + r.name.size();
      const bool wordAfter = end < text.size() && IsWordCharacter(Decode(text, end).first);
      if ((afterWord && nameStartsWord) || (wordAfter && nameEndsWord)) continue;
      out += r.placeholder;
      afterWord = nameEndsWord;
      i = end;
      replaced = true;
      break;
    }
    if (replaced) continue;
    const auto [c, length] = Decode(text, i);
    out.append(text.substr(i, length));
    afterWord = IsWordCharacter(c);
    i += length;
  }
  return out;
}

namespace {

// A name query ("A" function shape), asked again with the size it needs.
template <typename Query>
std::string ReadName(const OsServices& os, Query query) {
  std::vector<char> buffer(256);
  for (int attempt = 0; attempt < 4; ++attempt) {
    uint32_t size = static_cast<uint32_t>(buffer.size());
    if (query(std::span<char>(buffer), size) != 0) {
      const std::string ansi(buffer.begin(), std::find(buffer.begin(), buffer.end(), '\0'));
      return os.ansi.FromAnsi(ansi);
    }
    if (size <= buffer.size() || size > 65536) break;
    buffer.assign(size, '\0');
  }
  return {};
}

}  // namespace

PersonalNames ReadPersonalNames(const OsServices& os) {
  PersonalNames names;
  names.user = ReadName(
      os, [&](std::span<char> b, uint32_t& size) { return os.names.GetUserNameA(b, size); });
  names.computer = ReadName(
      os, [&](std::span<char> b, uint32_t& size) { return os.names.GetComputerNameA(b, size); });
  names.ignoreCase = os.directories.Separator() == '\\';
  return names;
}

PersonalNames ShownNames(PersonalNames names) {
  names.user = VisibleLine(names.user);
  names.computer = VisibleLine(names.computer);
  return names;
}

std::string_view TrimBlanks(std::string_view s) {
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace kv
