#include "app/report/json_report.h"

#include <cstdint>

#include <nlohmann/json.hpp>

namespace kv {
namespace {

// Keys in the order the schema lists them.
using json = nlohmann::ordered_json;

json OrNull(const std::optional<std::string>& text) { return text ? json(*text) : json(nullptr); }

json Drive(const DriveRecord& d) {
  return {{"root", RootCaption(d.root)},
          {"volume_name", OrNull(d.volumeName)},
          {"file_system", OrNull(d.fileSystem)},
          {"drive_type", DriveTypeText(d.driveType)},
          {"drive_type_code", d.driveType},
          {"total_bytes", d.totalBytes},
          {"free_bytes", d.freeBytes}};
}

// The characters that JSON lets pass raw but that must not reach a terminal
// or a reader raw: DEL, the C1 controls, the line and paragraph separators
// (line ends to older JavaScript), the bidirectional controls and the
// zero-width characters, the same set the program escapes wherever it shows
// text. The text is well-formed UTF-8, and these only occur inside strings.
bool EscapedCodePoint(uint32_t c) {
  return c == 0x7F || (c >= 0x80 && c <= 0x9F) || c == 0x061C || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

std::string EscapeHidden(const std::string& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (length > text.size() - i) length = text.size() - i;
    uint32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    if (c <= 0xFFFF && EscapedCodePoint(c)) {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0x0F];
    } else {
      out.append(text, i, length);
    }
    i += length;
  }
  return out;
}

}  // namespace

std::string JsonReport(const SystemReport& r) {
  json drives = json::array();
  for (const DriveRecord& d : r.drives) drives.push_back(Drive(d));
  const json report = {
      {"computer_name", r.computerName},
      {"user_name", r.userName},
      {"os",
       {{"family", r.os.family},
        {"version", r.os.version},
        {"major", r.os.major},
        {"minor", r.os.minor},
        {"platform_id", r.os.platformId}}},
      {"processors",
       {{"count", r.processors.count},
        {"type", r.processors.type},
        {"type_code", r.processors.typeCode},
        {"active_mask", r.processors.activeMask}}},
      {"memory",
       {{"total_kb", r.memory.totalKb},
        {"free_kb", r.memory.freeKb},
        {"load_percent", r.memory.loadPercent}}},
      {"directories",
       {{"windows", r.directories.windows},
        {"system", r.directories.system},
        {"temporary", r.directories.temporary}}},
      {"keyboard",
       {{"type", r.keyboard.type},
        {"type_code", r.keyboard.typeCode},
        {"function_keys", r.keyboard.functionKeys}}},
      {"drives", std::move(drives)}};
  return EscapeHidden(report.dump(-1, ' ', false, json::error_handler_t::replace));
}

}  // namespace kv
