// The report as one JSON object (docs/kavreno.schema.json describes it).
#pragma once

#include <string>

#include "app/report/system_report.h"

namespace kv {

// One line of UTF-8 JSON, without a line end. Keys in snake_case; numbers as
// JSON integers; a volume name or file system the system did not answer is
// null. Bytes of a text that are not UTF-8 become U+FFFD.
// With names, every text (not the keys) has them left out as Redact does,
// and "redacted" says so.
std::string JsonReport(const SystemReport& report, const PersonalNames* redactNames = nullptr);

}  // namespace kv
