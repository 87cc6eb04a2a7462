#include "app/drives/drives.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/fakes/fake_os.h"
#include "tests/fakes/fake_ui.h"

namespace kv::test {
namespace {

// A byte count, its text, and the user's locale's separators: the default,
// German with points and commas swapped, or a separator of more than one byte
// (a narrow no-break space).
struct Size { uint64_t bytes; const char* text; NumberSeparators separators = {}; };

class SizeTexts : public ::testing::TestWithParam<Size> {};

TEST_P(SizeTexts, UnitBoundariesExactDigitsAndLocaleSeparators) {
  EXPECT_EQ(SizeText(GetParam().bytes, GetParam().separators), GetParam().text);
}

const NumberSeparators kGerman{".", ","};

// 1179648 bytes are exactly 1.125 MB: the half rounds up.
INSTANTIATE_TEST_SUITE_P(
    Table, SizeTexts,
    ::testing::Values(Size{0, " 0Bytes"}, Size{1024, " 1024Bytes"}, Size{1025, "1.0009765625KB"},
                      Size{1048575, "1023.9990234375KB"}, Size{1048576, "1024KB"},
                      Size{1048577, "1.00MB"}, Size{1179648, "1.13MB"},
                      Size{2147450880, "2,047.97MB"}, Size{4294967296ull, "4,096.00MB"},
                      Size{18446744073709551615ull, "17,592,186,044,416.00MB"},
                      Size{1048577, "1,00MB", kGerman}, Size{1000000, "976,5625KB", kGerman},
                      Size{1024, " 1024Bytes", kGerman},
                      Size{40000000000ull, "38\u202f146,97MB", {"\u202f", ","}}));

struct DiskSpace : ::testing::Test, FakePc {
  std::string Run() {
    WriteDriveReport(services, box);
    return box.text;
  }

  FakeTextBox box;
};

TEST_F(DiskSpace, SixtyFourBitCountsAreExact) {
  // A low half read as negative by a signed reader; a high half 1 with a low half 0.
  os.AddRoot("C:\\", {.totalBytes = 3221225472ull, .freeBytes = 4294967296ull});
  EXPECT_EQ(DiskTotalSpace(services, "C:\\"), 3221225472ull);
  EXPECT_EQ(DiskFreeSpace(services, "C:\\"), 4294967296ull);
  os.AddRoot("A:\\").totalBytes = std::nullopt;  // no answer
  EXPECT_EQ(DiskTotalSpace(services, "A:\\"), 0u);
  EXPECT_EQ(DiskFreeSpace(services, "A:\\"), 0u);
}

TEST_F(DiskSpace, FallsBackToClustersWithoutTheSixtyFourBitQuery) {
  os.hasDiskFreeSpaceEx = false;
  FakeVolume& v = os.AddRoot("C:\\");
  v.sectorsPerCluster = 64, v.bytesPerSector = 512, v.totalClusters = 65535, v.freeClusters = 3;
  EXPECT_EQ(DiskTotalSpace(services, "C:\\"), 2147450880u);
  EXPECT_EQ(DiskFreeSpace(services, "C:\\"), 98304u);
  // Every 32-bit output is unsigned.
  v.sectorsPerCluster = 1, v.bytesPerSector = 1, v.totalClusters = -1;
  EXPECT_EQ(DiskTotalSpace(services, "C:\\"), 4294967295u);
  // A product beyond 64 bits stays at the largest count instead of wrapping.
  v.sectorsPerCluster = -1, v.bytesPerSector = -1;
  EXPECT_EQ(DiskTotalSpace(services, "C:\\"), 18446744073709551615ull);
  v.clusterQueryThrows = true;
  EXPECT_THROW(DiskTotalSpace(services, "C:\\"), Error);
}

// In the user's locale (German here): the report asks the system for its separators.
TEST_F(DiskSpace, ReportHasOneBlockOfSixLinesPerRoot) {
  os.separators = kGerman;
  os.AddRoot("C:\\", {.label = "SYSTEM", .totalBytes = 40000000000ull, .freeBytes = 1000000});
  // A CD drive without a disc.
  os.AddRoot("d:\\", {.driveType = kDriveCdRom, .label = std::nullopt, .totalBytes = std::nullopt});
  os.AddRoot("E:\\", {.fileSystem = "FAT32", .totalBytes = 1024});
  EXPECT_EQ(Run(),
            "Disk C:\\\r\n  Volume Name: SYSTEM\r\n  File System: NTFS\r\n"
            "  Drive Type:  Fixed\r\n  Total Space: 38.146,97MB\r\n  Free Space:  976,5625KB\r\n"
            "Disk D:\\\r\n  Volume Name: -\r\n  File System: -\r\n"
            "  Drive Type:  CD-Rom\r\n  Total Space:  0Bytes\r\n  Free Space:   0Bytes\r\n"
            "Disk E:\\\r\n  Volume Name: \r\n  File System: FAT32\r\n"
            "  Drive Type:  Fixed\r\n  Total Space:  1024Bytes\r\n  Free Space:   0Bytes\r\n");
  // The lower-case root went to the system exactly as listed.
  EXPECT_EQ(os.volumeQueries[1], "d:\\");
  // Every root was announced once, before the first volume query.
  EXPECT_EQ(os.preparedRoots, (std::vector<std::vector<std::string>>{{"C:\\", "d:\\", "E:\\"}}));
  EXPECT_EQ(os.volumeQueriesWhenPrepared, 0u);
}

TEST_F(DiskSpace, AnErrorKeepsTheLinesBuiltSoFar) {
  os.hasDiskFreeSpaceEx = false;
  FakeVolume& c = os.AddRoot("C:\\");
  c.sectorsPerCluster = 8, c.bytesPerSector = 512, c.totalClusters = 100, c.freeClusters = 10;
  os.AddRoot("D:\\").clusterQueryThrows = true;
  EXPECT_THROW(WriteDriveReport(services, box), Error);
  EXPECT_EQ(box.text,
            "Disk C:\\\r\n  Volume Name: \r\n  File System: NTFS\r\n"
            "  Drive Type:  Fixed\r\n  Total Space: 400KB\r\n  Free Space:  40KB\r\n"
            "Disk D:\\\r\n  Volume Name: \r\n  File System: NTFS\r\n  Drive Type:  Fixed\r\n");
}

const std::string kLong(126, 'L');

// A root with its volume, and a line the report must hold.
struct ReportCase { const char* name; std::string root; FakeVolume volume; std::string line; };

class ReportLines : public DiskSpace, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(ReportLines, HoldsTheLine) {
  os.AddRoot(GetParam().root, GetParam().volume);
  EXPECT_NE(Run().find(GetParam().line + "\r\n"), std::string::npos) << box.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReportLines,
    ::testing::ValuesIn(std::vector<ReportCase>{
        // Fixed and CD-Rom: see ReportHasOneBlockOfSixLinesPerRoot.
        {"Type0", "C:\\", {.driveType = 0}, "  Drive Type:  *ERROR*"},
        {"Type1", "C:\\", {.driveType = 1}, "  Drive Type:  Unknown"},
        {"Type2", "C:\\", {.driveType = 2}, "  Drive Type:  Removable"},
        {"Type4", "C:\\", {.driveType = 4}, "  Drive Type:  Remote"},
        {"Type6", "C:\\", {.driveType = 6}, "  Drive Type:  RAMdisk"},
        {"Type7", "C:\\", {.driveType = 7}, "  Drive Type:  *ERROR*"},
        // Mount points are shown as mounted (not upper-cased), each on one line.
        {"MountPoint", "/media/usb stick", {}, "Disk /media/usb stick"},
        {"Newline", "/mnt/a\nb", {}, "Disk /mnt/a\\x0ab"},
        {"Tab", "/mnt", {.label = "x\ty"}, "  Volume Name: x\\x09y"},
        {"LineSeparator", "/mnt/a\u2028b", {}, "Disk /mnt/a\\u2028b"},
        {"BidiOverride", "/mnt", {.label = "\u202egpj.exe"}, "  Volume Name: \\u202egpj.exe"},
        // The 127-byte name buffer holds 126 characters and the NUL.
        {"LongLabelCut", "C:\\", {.label = kLong + "L"}, "  Volume Name: " + kLong}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DiskSpace, MoreThanAHundredMountPointsOfAnyLength) {
  for (int i = 0; i < 150; ++i) os.AddRoot("/srv/volume number " + std::to_string(i));
  os.AddRoot("/mnt/a\nb");
  EXPECT_NE(Run().find("Disk /srv/volume number 149\r\n"), std::string::npos);
  EXPECT_EQ(os.volumeQueries.back(), "/mnt/a\nb");  // the system still gets the real path
}

// A number of roots, and the lengths the list is asked with.
using Growth = std::pair<int, std::vector<uint32_t>>;

class RootCounts : public DiskSpace, public ::testing::WithParamInterface<Growth> {};

TEST_P(RootCounts, TheListGrowsUntilItFits) {
  const auto& [roots, bufferSizes] = GetParam();
  for (int i = 0; i < roots; ++i) os.AddRoot(std::string(1, char('C' + i)) + ":\\");
  EXPECT_EQ(std::ranges::count(Run(), '\n'), 6 * roots);
  EXPECT_EQ(os.rootListBufferSizes, bufferSizes);
}

INSTANTIATE_TEST_SUITE_P(Table, RootCounts,
                         ::testing::ValuesIn(std::vector<Growth>{
                             {1, {10}}, {2, {10}}, {3, {10, 13}}, {5, {10, 21}}, {24, {10, 97}}}));

}  // namespace
}  // namespace kv::test
