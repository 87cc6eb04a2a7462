// Everything the main window shows, as values: what the provider and the
// drive report compute, with the system's codes behind the texts. For
// presentations that hand the information to other programs.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "app/drives/drives.h"
#include "platform/os.h"
#include "platform/support_report.h"

namespace kv {

struct SystemReport {
  std::string computerName;
  std::string userName;
  struct {
    std::string family;   // the platform text; empty for a platform the provider does not know
    std::string version;  // as the window shows it: major "." minor
    int16_t major = 0;
    int16_t minor = 0;
    int32_t platformId = 0;  // 0 when the version query failed
  } os;
  struct {
    int32_t count = 0;
    std::string type;  // empty for a type the provider does not know
    uint32_t typeCode = 0;
    uint32_t activeMask = 0;
  } processors;
  struct {
    int32_t totalKb = 0;
    int32_t freeKb = 0;
    uint8_t loadPercent = 0;
  } memory;
  struct {
    std::string windows;
    std::string system;
    std::string temporary;
  } directories;
  struct {
    std::string type;  // empty for a type the provider does not know
    int32_t typeCode = 0;
    uint8_t functionKeys = 0;
  } keyboard;
  std::vector<DriveRecord> drives;  // in the report's order, every record complete
  ReportDetails details;            // today's facts, made at now
};

// Asks the provider in the order of the main window's load step, then
// collects the drives, then today's facts. An error of a query passes on.
SystemReport CollectSystemReport(const OsServices& os, std::chrono::system_clock::time_point now =
                                                           std::chrono::system_clock::now());

}  // namespace kv
