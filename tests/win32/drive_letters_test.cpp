// The drive list and the drive report with more roots than the first buffer
// of the report holds. with-drive-letters.sh runs these in a copy of the
// Wine prefix that has three more drive letters:
//   D: a folder (fixed), E: a folder the system takes for a CD drive, F: one
//   it takes for a network drive.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/drives/drives.h"
#include "platform/win32/os_services.h"

namespace kv::win32 {
namespace {

// The system's services, with time enough for each volume query on a machine
// under load: these tests are about the list and the report, not the limit.
class PatientServices {
 public:
  OsServices Services() const {
    return {ansi_,  memory_,  processor_, keyboard_, directories_,
            names_, version_, volumes_,   drives_,   diskSpace_};
  }

 private:
  static constexpr std::chrono::seconds kPatient{60};
  CodePageText ansi_;
  Memory memory_;
  Processor processor_;
  Keyboard keyboard_;
  Directories directories_;
  Names names_;
  Version version_;
  Volumes volumes_{kPatient};
  win32::Drives drives_;
  DiskSpace diskSpace_{SystemEntryPoint, kPatient};
};

class DriveLetters : public testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("KV_DRIVE_LETTERS"))
      GTEST_SKIP() << "runs in the prefix that with-drive-letters.sh prepares";
  }
  PatientServices os_;
};

const std::string kList = std::string("C:\\\0D:\\\0E:\\\0F:\\\0Z:\\\0\0", 21);

TEST_F(DriveLetters, TheFirstBufferOfTenIsTooSmall) {
  std::vector<char> buffer(10, '#');
  EXPECT_EQ(os_.Services().drives.GetLogicalDriveStringsA(buffer), kList.size());
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(10, '#'));
}

TEST_F(DriveLetters, TheSizeItAsksForHoldsTheWholeList) {
  std::vector<char> buffer(kList.size(), '#');
  EXPECT_EQ(os_.Services().drives.GetLogicalDriveStringsA(buffer), kList.size() - 1);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), kList);
}

struct RootCase {
  const char* root;
  uint32_t type;
};

class DriveLetterRoots : public DriveLetters, public testing::WithParamInterface<RootCase> {};

TEST_P(DriveLetterRoots, AnswerForEachRoot) {
  const RootCase& c = GetParam();
  const OsServices os = os_.Services();
  EXPECT_EQ(os.drives.GetDriveTypeA(c.root), c.type);
  char volumeName[127], fileSystem[127];
  uint32_t serial = 0, length = 0, flags = 0;
  EXPECT_NE(os.volumes.GetVolumeInformationA(c.root, volumeName, serial, length, flags, fileSystem),
            0);
  uint64_t available = 0, total = 0, free = 0;
  EXPECT_NE(os.diskSpace.GetDiskFreeSpaceExA(c.root, available, total, free), 0);
  EXPECT_GT(total, 0u);
}

INSTANTIATE_TEST_SUITE_P(DriveLetters, DriveLetterRoots,
                         testing::Values(RootCase{"C:\\", kDriveFixed},
                                         RootCase{"D:\\", kDriveFixed},
                                         RootCase{"E:\\", kDriveCdRom},
                                         RootCase{"F:\\", kDriveRemote},
                                         RootCase{"Z:\\", kDriveFixed}));

class TextBox : public ITextBox {
 public:
  std::string Text() const override { return text_; }
  void SetText(std::string text) override { text_ = std::move(text); }

 private:
  std::string text_;
};

// The report over the real services: one six-line block per root, in the
// order of the list, each with its type.
TEST_F(DriveLetters, TheReportHasABlockForEveryRoot) {
  TextBox box;
  kv::Drives(os_.Services(), box);
  std::vector<std::string> lines;
  std::istringstream in(box.Text());
  for (std::string line; std::getline(in, line);) {
    ASSERT_FALSE(line.empty());
    ASSERT_EQ(line.back(), '\r');
    line.pop_back();
    lines.push_back(line);
  }
  ASSERT_EQ(lines.size(), 30u);
  const char* roots[] = {"C:\\", "D:\\", "E:\\", "F:\\", "Z:\\"};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(lines[i * 6], std::string("Disk ") + roots[i]);
  const char* types[] = {"Fixed", "Fixed", "CD-Rom", "Remote", "Fixed"};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(lines[i * 6 + 3], std::string("  Drive Type:  ") + types[i]);
    EXPECT_EQ(lines[i * 6 + 1].rfind("  Volume Name: ", 0), 0u) << lines[i * 6 + 1];
    EXPECT_NE(lines[i * 6 + 2], "  File System: -");  // every volume answered
    EXPECT_EQ(lines[i * 6 + 4].rfind("  Total Space: ", 0), 0u);
    EXPECT_NE(lines[i * 6 + 4], "  Total Space:  0Bytes");
  }
}

}  // namespace
}  // namespace kv::win32
