// The drive report: one six-line block per drive root in the drive box.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/os.h"
#include "platform/ui.h"

namespace kv {

// Writes the report into text1: empties it, then one block per root in the
// order the system lists them. An error raised while it runs ends it and
// passes to the caller; the lines built so far are then in text1.
void Drives(const OsServices& os, ITextBox& text1);

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
