// The provider, the drive report and the registry reader with code page 932,
// where double-byte characters whose second byte is a backslash or where a
// byte count differs from a character count catch faults that UTF-8 hides.
#include <gtest/gtest.h>

#include <algorithm>

#include "about/launcher.h"
#include "app/drives/drives.h"
#include "platform/linux/iconv_code_page.h"
#include "sysinfo/clsSystem.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/fake_ui.h"

namespace kv::test {
namespace {

struct Cp932 : ::testing::Test {
  std::string Repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
  }

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
  // Longer in bytes than the 50-byte buffer: comes back whole.
  os.systemDir = {cp932.ToAnsi("C:\\" + Repeated("ソ", 40))};
  EXPECT_EQ(system.SystemDir(), "C:\\" + Repeated("ソ", 40) + "\\");
}

TEST_F(Cp932, TheNameBufferCountsBytes) {
  os.computerName = cp932.ToAnsi(Repeated("名", 24));
  os.userName = cp932.ToAnsi(Repeated("名", 25));
  EXPECT_EQ(system.ComputerName(), Repeated("名", 24));
  // 50 bytes with the NUL: asked again with the size needed.
  EXPECT_EQ(system.UserName(), Repeated("名", 25));
}

TEST_F(Cp932, VolumeLabelsAndReportInJapanese) {
  os.AddRoot("C:\\").label = cp932.ToAnsi("ﾃﾞｰﾀ用ディスク");
  // A label the system handed over with an invalid lead byte at its end.
  os.AddRoot("D:\\").label = std::string("AB\x83", 3);
  EXPECT_EQ(system.VolumeLabel("C:\\"), "ﾃﾞｰﾀ用ディスク");
  FakeTextBox box;
  Drives(services, box);
  EXPECT_NE(box.text.find("  Volume Name: ﾃﾞｰﾀ用ディスク\r\n"), std::string::npos);
  EXPECT_NE(box.text.find("  Volume Name: AB\xEF\xBF\xBD\r\n"), std::string::npos);
  EXPECT_EQ(std::ranges::count(box.text, '\n'), 12);
}

TEST_F(Cp932, RegistryTextIsConverted) {
  FakeRegistry registry;
  registry.keys["K"]["V"] = {kRegSz, cp932.ToAnsi("C:\\ツール\\msinfo32.exe") + '\0'};
  std::string value;
  EXPECT_EQ(GetKeyValue(registry, cp932, kHkeyLocalMachine, "K", "V", value), -1);
  EXPECT_EQ(value, "C:\\ツール\\msinfo32.exe");
}

}  // namespace
}  // namespace kv::test
