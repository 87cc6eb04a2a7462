#include "app/report/json_report.h"

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
          {"free_bytes", d.freeBytes},
          {"available_bytes", d.availableBytes}};
}

void RedactTexts(json& value, const PersonalNames& names) {
  if (value.is_string()) {
    value = Redact(value.get_ref<const std::string&>(), names);
  } else if (value.is_structured()) {
    for (json& item : value) RedactTexts(item, names);
  }
}

}  // namespace

std::string JsonReport(const SystemReport& r, const PersonalNames* redactNames) {
  json drives = json::array();
  for (const DriveRecord& d : r.drives) drives.push_back(Drive(d));
  const SystemDetails& s = r.details.system;
  json report = {
      {"redacted", redactNames != nullptr},
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
      {"drives", std::move(drives)},
      {"details",
       {{"os_name", s.osName},
        {"os_build", s.osBuild},
        {"processor_name", s.processorName},
        {"architecture", s.architecture},
        {"machine", s.machine},
        {"kavreno_version", r.details.kavrenoVersion},
        {"generated_utc", r.details.generatedUtc}}}};
  if (redactNames) RedactTexts(report, *redactNames);
  return report.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace kv
