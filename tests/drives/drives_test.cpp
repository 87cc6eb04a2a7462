#include "app/drives/drives.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_os.h"
#include "tests/fakes/fake_ui.h"

namespace kv::test {
namespace {

// ---- size text ----------------------------------------------------------

struct SizeCase {
  uint64_t bytes;
  const char* text;
};

class SizeTexts : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeTexts, UnitBoundariesAndExactDigits) { EXPECT_EQ(SizeText(GetParam().bytes), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Table, SizeTexts,
    ::testing::Values(SizeCase{0, " 0Bytes"}, SizeCase{1, " 1Bytes"}, SizeCase{1024, " 1024Bytes"},
                      SizeCase{1025, "1.0009765625KB"}, SizeCase{1536, "1.5KB"},
                      SizeCase{1000000, "976.5625KB"}, SizeCase{1048575, "1023.9990234375KB"},
                      SizeCase{1048576, "1024KB"}, SizeCase{1048577, "1.00MB"},
                      SizeCase{1457664, "1.39MB"},
                      SizeCase{1179648, "1.13MB"},  // exactly 1.125: the half rounds up
                      SizeCase{2147450880, "2,047.97MB"}, SizeCase{3221225472ull, "3,072.00MB"},
                      SizeCase{4294967296ull, "4,096.00MB"},
                      SizeCase{40000000000ull, "38,146.97MB"},
                      SizeCase{1099511627776ull, "1,048,576.00MB"},
                      SizeCase{18446744073709551615ull, "17,592,186,044,416.00MB"}));

// ---- disk space ---------------------------------------------------------

class DiskSpace : public ::testing::Test {
 protected:
  Utf8CodePage ansi;
  FakeOs os;
  OsServices services = os.Services(ansi);
};

TEST_F(DiskSpace, SixtyFourBitCountsAreExact) {
  FakeVolume& v = os.AddRoot("C:\\");
  v.totalBytes = 3221225472ull;  // low half read as negative by a signed reader
  v.freeBytes = 4294967296ull;   // high half 1, low half 0
  EXPECT_EQ(DiskTotalSpace(services, "C:\\"), 3221225472ull);
  EXPECT_EQ(DiskFreeSpace(services, "C:\\"), 4294967296ull);
  v.totalBytes = 18446744073709551615ull;
  EXPECT_EQ(DiskTotalSpace(services, "C:\\"), 18446744073709551615ull);
}

TEST_F(DiskSpace, NoAnswerIsZero) {
  os.AddRoot("A:\\").totalBytes = std::nullopt;
  EXPECT_EQ(DiskTotalSpace(services, "A:\\"), 0u);
  EXPECT_EQ(DiskFreeSpace(services, "A:\\"), 0u);
}

TEST_F(DiskSpace, FallsBackToClustersWithoutTheSixtyFourBitQuery) {
  os.hasDiskFreeSpaceEx = false;
  FakeVolume& v = os.AddRoot("C:\\");
  v.sectorsPerCluster = 64, v.bytesPerSector = 512, v.totalClusters = 65535, v.freeClusters = 3;
  EXPECT_EQ(DiskTotalSpace(services, "C:\\"), 2147450880u);
  EXPECT_EQ(DiskFreeSpace(services, "C:\\"), 98304u);
  EXPECT_EQ(SizeText(DiskTotalSpace(services, "C:\\")), "2,047.97MB");
  // Every 32-bit output is unsigned.
  v.sectorsPerCluster = 1, v.bytesPerSector = 1, v.totalClusters = -1;
  EXPECT_EQ(DiskTotalSpace(services, "C:\\"), 4294967295u);
  // A product beyond 64 bits stays at the largest count instead of wrapping.
  v.sectorsPerCluster = -1, v.bytesPerSector = -1, v.totalClusters = -1;
  EXPECT_EQ(DiskTotalSpace(services, "C:\\"), 18446744073709551615ull);
}

TEST_F(DiskSpace, AnErrorOfTheClusterQueryPassesOn) {
  os.hasDiskFreeSpaceEx = false;
  os.AddRoot("C:\\").clusterQueryThrows = true;
  EXPECT_THROW(DiskTotalSpace(services, "C:\\"), Error);
}

// ---- the report ---------------------------------------------------------

class Report : public DiskSpace {
 protected:
  std::string Run() {
    Drives(services, box);
    return box.Text();
  }
  Log log;
  FakeTextBox box{log};
};

TEST_F(Report, OneBlockOfSixLinesPerRoot) {
  FakeVolume& c = os.AddRoot("C:\\");
  c.label = "SYSTEM", c.fileSystem = "NTFS", c.totalBytes = 40000000000ull, c.freeBytes = 1000000;
  EXPECT_EQ(Run(),
            "Disk C:\\\r\n"
            "  Volume Name: SYSTEM\r\n"
            "  File System: NTFS\r\n"
            "  Drive Type:  Fixed\r\n"
            "  Total Space: 38,146.97MB\r\n"
            "  Free Space:  976.5625KB\r\n");
}

TEST_F(Report, DriveWithoutMediumGetsAFullBlock) {
  FakeVolume& d = os.AddRoot("d:\\");
  d.driveType = kDriveCdRom, d.label = std::nullopt, d.totalBytes = std::nullopt;
  FakeVolume& e = os.AddRoot("E:\\");
  e.label = "", e.fileSystem = "FAT32", e.totalBytes = 1024, e.freeBytes = 0;
  EXPECT_EQ(Run(),
            "Disk D:\\\r\n"
            "  Volume Name: -\r\n"
            "  File System: -\r\n"
            "  Drive Type:  CD-Rom\r\n"
            "  Total Space:  0Bytes\r\n"
            "  Free Space:   0Bytes\r\n"
            "Disk E:\\\r\n"
            "  Volume Name: \r\n"
            "  File System: FAT32\r\n"
            "  Drive Type:  Fixed\r\n"
            "  Total Space:  1024Bytes\r\n"
            "  Free Space:   0Bytes\r\n");
  // The lower-case root went to the system exactly as listed.
  EXPECT_EQ(os.volumeQueries.front(), "d:\\");
}

struct TypeCase {
  uint32_t code;
  const char* text;
};

class DriveTypes : public Report, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(DriveTypes, Line4NamesTheType) {
  os.AddRoot("C:\\").driveType = GetParam().code;
  EXPECT_NE(Run().find(std::string("  Drive Type:  ") + GetParam().text + "\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Table, DriveTypes,
                         ::testing::Values(TypeCase{0, "*ERROR*"}, TypeCase{1, "Unknown"},
                                           TypeCase{2, "Removable"}, TypeCase{3, "Fixed"},
                                           TypeCase{4, "Remote"}, TypeCase{5, "CD-Rom"},
                                           TypeCase{6, "RAMdisk"}, TypeCase{7, "*ERROR*"},
                                           TypeCase{0xFFFFFFFF, "*ERROR*"}));

struct RootCountCase {
  int roots;
  std::vector<uint32_t> bufferSizes;  // the lengths the list was asked with
};

class RootCounts : public Report, public ::testing::WithParamInterface<RootCountCase> {};

TEST_P(RootCounts, TheListGrowsUntilItFits) {
  for (int i = 0; i < GetParam().roots; ++i) os.AddRoot(std::string(1, char('C' + i)) + ":\\");
  const std::string text = Run();
  std::size_t blocks = 0;
  for (std::size_t at = text.find("Disk "); at != std::string::npos; at = text.find("Disk ", at + 1))
    ++blocks;
  EXPECT_EQ(blocks, static_cast<std::size_t>(GetParam().roots));
  EXPECT_EQ(os.rootListBufferSizes, GetParam().bufferSizes);
}

INSTANTIATE_TEST_SUITE_P(Table, RootCounts,
                         ::testing::Values(RootCountCase{0, {10}}, RootCountCase{1, {10}},
                                           RootCountCase{2, {10}}, RootCountCase{3, {10, 13}},
                                           RootCountCase{5, {10, 21}},
                                           RootCountCase{24, {10, 97}}));

TEST_F(Report, MoreThanAHundredMountPointsOfAnyLength) {
  for (int i = 0; i < 150; ++i) os.AddRoot("/srv/volume number " + std::to_string(i));
  const std::string text = Run();
  EXPECT_NE(text.find("Disk /srv/volume number 0\r\n"), std::string::npos);
  EXPECT_NE(text.find("Disk /srv/volume number 149\r\n"), std::string::npos);
}

TEST_F(Report, MountPointsAreShownAsMountedAndOnOneLine) {
  os.AddRoot("/media/usb stick").label = "Photos";
  os.AddRoot("/mnt/a\nb").label = "x\ty";
  const std::string text = Run();
  EXPECT_NE(text.find("Disk /media/usb stick\r\n"), std::string::npos);  // not upper-cased
  EXPECT_NE(text.find("Disk /mnt/a\\012b\r\n"), std::string::npos);
  EXPECT_NE(text.find("  Volume Name: x\\011y\r\n"), std::string::npos);
  EXPECT_EQ(os.volumeQueries.back(), "/mnt/a\nb");  // the system still gets the real path
}

TEST_F(Report, AFailingRootListLeavesTheBoxEmpty) {
  os.AddRoot("C:\\");
  os.rootListFails = true;
  box.SetText("old text");
  EXPECT_EQ(Run(), "");
}

TEST_F(Report, AnErrorKeepsTheLinesBuiltSoFar) {
  os.hasDiskFreeSpaceEx = false;
  FakeVolume& c = os.AddRoot("C:\\");
  c.sectorsPerCluster = 8, c.bytesPerSector = 512, c.totalClusters = 100, c.freeClusters = 10;
  os.AddRoot("D:\\").clusterQueryThrows = true;
  EXPECT_THROW(Drives(services, box), Error);
  EXPECT_EQ(box.Text(),
            "Disk C:\\\r\n"
            "  Volume Name: \r\n"
            "  File System: NTFS\r\n"
            "  Drive Type:  Fixed\r\n"
            "  Total Space: 400KB\r\n"
            "  Free Space:  40KB\r\n"
            "Disk D:\\\r\n"
            "  Volume Name: \r\n"
            "  File System: NTFS\r\n"
            "  Drive Type:  Fixed\r\n");
}

TEST_F(Report, NamesLongerThanTheBufferAreCut) {
  os.AddRoot("C:\\").label = std::string(200, 'L');
  EXPECT_NE(Run().find("  Volume Name: " + std::string(126, 'L') + "\r\n"), std::string::npos);
}

}  // namespace
}  // namespace kv::test
