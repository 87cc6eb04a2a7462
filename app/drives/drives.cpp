#include "app/drives/drives.h"

#include <exception>
#include <limits>
#include <vector>

#include "platform/trim_null.h"
#include "platform/visible_text.h"

namespace kv {
namespace {

constexpr std::size_t kNameBufferSize = 127;
constexpr uint32_t kFirstListLength = 10;

struct Root {
  std::string ansi;  // as the system listed it; passed back unchanged
  std::string text;  // UTF-8, for the report
};

// The roots the system lists, in its order. The list is asked for with a
// small buffer first and again with the length the system reports while it
// does not fit. Entries are split at their NULs, so roots of any length and
// any number of them come through.
std::vector<Root> RootList(const OsServices& os) {
  uint32_t n = kFirstListLength;
  std::string buffer;
  uint32_t r = 0;
  for (int attempt = 0; attempt < 16; ++attempt) {
    buffer = os.ansi.ToAnsi(std::string(n, ' '));
    r = os.drives.GetLogicalDriveStringsA(buffer);
    if (r <= n) break;
    n = r;
  }
  std::vector<Root> roots;
  if (r > buffer.size()) return roots;
  const std::string_view list(buffer.data(), r);
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = list.find('\0', start);
    if (end == std::string_view::npos) end = list.size();
    if (end > start) {
      std::string ansi(list.substr(start, end - start));
      std::string text = os.ansi.FromAnsi(ansi);
      roots.push_back({std::move(ansi), std::move(text)});
    }
    start = end + 1;
  }
  return roots;
}

std::vector<std::string> AnsiRoots(const std::vector<Root>& roots) {
  std::vector<std::string> ansi;
  for (const Root& root : roots) ansi.push_back(root.ansi);
  return ansi;
}

}  // namespace

void StartDriveQueries(const OsServices& os) {
  try {
    os.drives.StartRoots(AnsiRoots(RootList(os)));
  } catch (const std::exception&) {
    // Only a head start: the report asks again and meets the error there.
  }
}

std::string RootCaption(const std::string& root) {
  const bool driveLetter =
      root.size() >= 2 && root[1] == ':' &&
      ((root[0] >= 'a' && root[0] <= 'z') || (root[0] >= 'A' && root[0] <= 'Z'));
  if (!driveLetter) return root;
  std::string upper = root;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

const char* DriveTypeText(uint32_t type) {
  switch (type) {
    case kDriveNoRootDir:
      return "Unknown";
    case kDriveRemovable:
      return "Removable";
    case kDriveFixed:
      return "Fixed";
    case kDriveRemote:
      return "Remote";
    case kDriveCdRom:
      return "CD-Rom";
    case kDriveRamDisk:
      return "RAMdisk";
    default:
      return "*ERROR*";
  }
}

namespace {

uint64_t SaturatingProduct(uint64_t a, uint64_t b) {
  if (a != 0 && b > std::numeric_limits<uint64_t>::max() / a)
    return std::numeric_limits<uint64_t>::max();
  return a * b;
}

uint64_t Unsigned(int32_t half) { return static_cast<uint32_t>(half); }

enum class Space { Total, Free };

// One of the space figures; *available (when given) gets the caller's free
// space from the same answer.
uint64_t SpaceQuery(const OsServices& os, const std::string& rootAnsi, Space which,
                    uint64_t* available = nullptr) {
  try {
    uint64_t availableToCaller = 0, total = 0, totalFree = 0;
    os.diskSpace.GetDiskFreeSpaceExA(rootAnsi, availableToCaller, total, totalFree);
    if (available) *available = availableToCaller;
    return which == Space::Total ? total : totalFree;
  } catch (const std::exception&) {
    // A system without the 64-bit query: count by clusters instead.
  }
  int32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  os.diskSpace.GetDiskFreeSpaceA(rootAnsi, sectorsPerCluster, bytesPerSector, freeClusters,
                                 totalClusters);
  const uint64_t clusterBytes = Unsigned(sectorsPerCluster) * Unsigned(bytesPerSector);
  // The clusters' count is the caller's.
  if (available) *available = SaturatingProduct(clusterBytes, Unsigned(freeClusters));
  return SaturatingProduct(clusterBytes,
                           Unsigned(which == Space::Total ? totalClusters : freeClusters));
}

}  // namespace

uint64_t DiskTotalSpace(const OsServices& os, std::string_view root) {
  return SpaceQuery(os, os.ansi.ToAnsi(root), Space::Total);
}

uint64_t DiskFreeSpace(const OsServices& os, std::string_view root) {
  return SpaceQuery(os, os.ansi.ToAnsi(root), Space::Free);
}

void CollectDrives(const OsServices& os, std::vector<DriveRecord>& records) {
  const std::string spaces = os.ansi.ToAnsi(std::string(kNameBufferSize, ' '));
  const std::string blank(kNameBufferSize, ' ');
  // A name buffer the volume query left as it was: the query failed.
  auto name = [&](const std::string& buffer) -> std::optional<std::string> {
    std::string text = os.ansi.FromAnsi(buffer);
    if (text == blank) return std::nullopt;
    return TrimNull(text);
  };
  const std::vector<Root> roots = RootList(os);
  os.drives.PrepareRoots(AnsiRoots(roots));  // all roots at once, under one time limit
  for (const Root& root : roots) {
    std::string volumeName = spaces;
    std::string fileSystemName = spaces;
    const uint32_t type = os.drives.GetDriveTypeA(root.ansi);
    uint32_t serial = 0, maxComponentLength = 0, flags = 0;
    os.volumes.GetVolumeInformationA(root.ansi, volumeName, serial, maxComponentLength, flags,
                                     fileSystemName);
    DriveRecord& record = records.emplace_back();
    record.root = root.text;
    record.driveType = type;
    record.volumeName = name(volumeName);
    record.fileSystem = name(fileSystemName);
    record.totalBytes = SpaceQuery(os, root.ansi, Space::Total, &record.availableBytes);
    record.freeBytes = SpaceQuery(os, root.ansi, Space::Free);
    record.spaceKnown = true;
  }
}

std::string DriveReportText(const std::vector<DriveRecord>& records,
                            const NumberSeparators& separators) {
  const std::string crlf = "\r\n";
  std::string report;
  auto append = [&](const std::string& line) {
    report += line;
    report += crlf;
  };
  for (const DriveRecord& r : records) {
    append("Disk " + VisibleLine(RootCaption(r.root)));
    append("  Volume Name: " + VisibleLine(r.volumeName.value_or("-")));
    append("  File System: " + VisibleLine(r.fileSystem.value_or("-")));
    append(std::string("  Drive Type:  ") + DriveTypeText(r.driveType));
    if (!r.spaceKnown) break;
    append("  Total Space: " + SizeText(r.totalBytes, separators));
    append("  Free Space:  " + SizeText(r.freeBytes, separators));
  }
  return report;
}

void WriteDriveReport(const OsServices& os, ITextBox& text1) {
  text1.SetText("");
  // The report is collected first and handed to the box whole, so that it
  // grows in linear time; when an error ends it, the box receives the lines
  // built so far before the error passes on.
  std::vector<DriveRecord> records;
  NumberSeparators separators;
  try {
    separators = os.numbers.Separators();
    CollectDrives(os, records);
  } catch (...) {
    text1.SetText(DriveReportText(records, separators));
    throw;
  }
  text1.SetText(DriveReportText(records, separators));
}

}  // namespace kv
