// The drive report: one six-line block per drive root in the drive box.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os.h"
#include "platform/ui.h"

namespace kv {

// What the system answered for one root, in the order the report asks.
struct DriveRecord {
  std::string root;  // UTF-8, as the system listed it
  uint32_t driveType = kDriveUnknown;
  // Empty optionals: the volume query failed (the report shows "-").
  std::optional<std::string> volumeName;
  std::optional<std::string> fileSystem;
  // Set once both byte counts have been asked for.
  bool spaceKnown = false;
  uint64_t totalBytes = 0;
  uint64_t freeBytes = 0;
  // The free space the calling user may use (a quota or the blocks kept for
  // the system make it less than freeBytes), as the total's query answered.
  uint64_t availableBytes = 0;
};

// Asks the system about every root it lists, in its order: drive type,
// volume, then total and free space. Each record joins records as soon as its
// volume is known and is completed with its space. An error raised on the
// way passes on, leaving in records what was collected so far.
void CollectDrives(const OsServices& os, std::vector<DriveRecord>& records);

// The report's text for the records: six lines per root, each ended by CR LF;
// a record whose space is not known yet gets its first four lines only.
std::string DriveReportText(const std::vector<DriveRecord>& records,
                            const NumberSeparators& separators);

// A drive-letter root in upper case; a mount point exactly as mounted.
std::string RootCaption(const std::string& root);

// The text of a GetDriveTypeA code ("Fixed", "*ERROR*" for unknown codes).
const char* DriveTypeText(uint32_t type);

// Starts the questions about every root the system lists, so that a report
// made soon after finds the answers on their way. Raises nothing: an error is
// left for the report to meet.
void StartDriveQueries(const OsServices& os);

// Writes the report into text1: empties it, then one block per root in the
// order the system lists them. An error raised while it runs ends it and
// passes to the caller; the lines built so far are then in text1.
void WriteDriveReport(const OsServices& os, ITextBox& text1);

// Exact byte counts of the volume at root (UTF-8): its size, and all of its
// free space. 0 when the system cannot answer. Falls back to the cluster query
// on a system without the 64-bit one; an error of that query passes on.
uint64_t DiskTotalSpace(const OsServices& os, std::string_view root);
uint64_t DiskFreeSpace(const OsServices& os, std::string_view root);

// The size text of a byte count: " 0Bytes" to " 1024Bytes", then exact
// kilobytes ("976.5625KB"), then megabytes with two decimals ("38,146.97MB"),
// written with the locale's separators.
std::string SizeText(uint64_t bytes, const NumberSeparators& separators = {});

}  // namespace kv
