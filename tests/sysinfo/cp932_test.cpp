// The provider, the drive report and the registry reader with code page 932,
// where double-byte characters whose second byte is a backslash or where a
// byte count differs from a character count catch faults that UTF-8 hides.
#include <gtest/gtest.h>

#include "about/launcher.h"
#include "app/drives/drives.h"
#include "platform/linux/iconv_code_page.h"
#include "sysinfo/clsSystem.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/fake_ui.h"

namespace kv::test {
namespace {

class Cp932 : public ::testing::Test {
 protected:
  linux_os::IconvCodePage cp932{"CP932"};
  FakeOs os;
  OsServices services = os.Services(cp932);
  clsSystem system{services};
};

TEST_F(Cp932, SoEndsWithBackslashByteButNotWithABackslash) {
  const std::string path = cp932.ToAnsi("C:\\ソ");
  ASSERT_EQ(path, std::string("C:\\\x83\x5C"));
  os.windowsDir = {path};
  EXPECT_EQ(system.WinDir(), "C:\\ソ\\");
  os.tempDir = {cp932.ToAnsi("C:\\表\\")};
  EXPECT_EQ(system.TempDir(), "C:\\表\\");
}

struct NameLength {
  int characters;
  bool fits;
};

class Cp932Names : public Cp932, public ::testing::WithParamInterface<NameLength> {};

TEST_P(Cp932Names, TheBufferCountsBytes) {
  std::string name;
  for (int i = 0; i < GetParam().characters; ++i) name += "名";
  os.computerName = cp932.ToAnsi(name);
  os.userName = cp932.ToAnsi(name);
  EXPECT_EQ(system.ComputerName(), GetParam().fits ? name : "");
  EXPECT_EQ(system.UserName(), GetParam().fits ? name : "");
}

INSTANTIATE_TEST_SUITE_P(Table, Cp932Names,
                         ::testing::Values(NameLength{1, true}, NameLength{24, true},
                                           NameLength{25, false}));

TEST_F(Cp932, LongJapaneseDirectoryComesBackWhole) {
  std::string path = "C:\\";
  for (int i = 0; i < 40; ++i) path += "ソ";
  os.systemDir = {cp932.ToAnsi(path)};
  EXPECT_EQ(system.SystemDir(), path + "\\");
}

TEST_F(Cp932, VolumeLabelsAndReportInJapanese) {
  FakeVolume& c = os.AddRoot("C:\\");
  c.label = cp932.ToAnsi("ﾃﾞｰﾀ用ディスク");
  c.fileSystem = "NTFS";
  c.totalBytes = 1024, c.freeBytes = 0;
  EXPECT_EQ(system.VolumeLabel("C:\\"), "ﾃﾞｰﾀ用ディスク");
  Log log;
  FakeTextBox box(log);
  Drives(services, box);
  EXPECT_NE(box.Text().find("  Volume Name: ﾃﾞｰﾀ用ディスク\r\n"), std::string::npos);
}

TEST_F(Cp932, RegistryTextIsConverted) {
  FakeRegistry registry;
  registry.Set("K", "V", {kRegSz, cp932.ToAnsi("C:\\ツール\\msinfo32.exe") + '\0'});
  std::string value;
  EXPECT_EQ(GetKeyValue(registry, cp932, kHkeyLocalMachine, "K", "V", value), -1);
  EXPECT_EQ(value, "C:\\ツール\\msinfo32.exe");
}

TEST_F(Cp932, CharactersOutsideTheCodePageDoNotBreakTheReport) {
  // A label the system handed over with an invalid lead byte at its end.
  os.AddRoot("C:\\").label = std::string("AB\x83", 3);
  Log log;
  FakeTextBox box(log);
  Drives(services, box);
  EXPECT_NE(box.Text().find("  Volume Name: AB\xEF\xBF\xBD\r\n"), std::string::npos);
  EXPECT_NE(box.Text().find("  Free Space:  "), std::string::npos);
}

}  // namespace
}  // namespace kv::test
