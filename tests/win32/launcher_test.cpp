// The registry reader and the launcher of the system-information tool, with
// the real registry, file system and program start. The values are written
// as an installation writes them: with the system's reg.exe, in the 32-bit
// view that a 32-bit program reads.
#include "about/launcher.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_ui.h"
#include "platform/errors.h"
#include "platform/win32/app_services.h"
#include "platform/win32/win32_text.h"
#include "win32/wine_test_support.h"

namespace kv::win32 {
namespace {

const std::wstring kToolKey = L"HKLM\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::wstring kFolderKey = L"HKLM\\SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr const char* kUnavailable = "現時点ではｼｽﾃﾑ情報を使用できません";

long Reg(const std::wstring& arguments) {
  return test::RunAndWait(L"\"" + test::SystemFolder() + L"reg.exe\" " + arguments);
}

// reg add of one value; view is "32" or "64".
void AddValue(const std::wstring& key, const std::wstring& name, const std::wstring& type,
              const std::wstring& data, const std::wstring& view = L"32") {
  ASSERT_EQ(Reg(L"add \"" + key + L"\" /v " + name + L" /t " + type + L" /d \"" + data +
                L"\" /f /reg:" + view),
            0)
      << Narrow(name);
}

void DeleteValue(const std::wstring& key, const std::wstring& name) {
  for (const wchar_t* view : {L"32", L"64"})
    Reg(L"delete \"" + key + L"\" /v " + name + L" /f /reg:" + view);
}

// Writes a value the way reg.exe cannot: exactly these bytes (text values as
// UTF-16, with a terminating zero only where the bytes end with one).
void SetRawValue(const wchar_t* subKey, const wchar_t* name, DWORD type, const std::string& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, nullptr, 0,
                            KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  std::string stored = bytes;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    const std::wstring text = Widen(bytes);
    stored.assign(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  }
  // The system adds the terminating zero of a text when the byte count leaves
  // it out but the memory after the data holds it: that memory holds none.
  const std::string memory = stored + "xx";
  EXPECT_EQ(RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(memory.data()),
                           static_cast<DWORD>(stored.size())),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

// Program start that remembers the processes it started, so that the test
// can wait for them.
class WaitablePrograms : public IPrograms {
 public:
  uint32_t Shell(std::string_view path, int showMode) override {
    const uint32_t id = real_.Shell(path, showMode);
    started.push_back(id);
    return id;
  }
  void WaitForAll() {
    for (const uint32_t id : started) test::WaitForProcess(id);
  }
  std::vector<uint32_t> started;

 private:
  Programs real_;
};

class LauncherTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearValues();
    const std::wstring root =
        L"C:\\Program Files\\Kavreno Test " + std::to_wstring(GetCurrentProcessId()) + L"\\";
    toolFolder_ = root + L"System Tools";
    japaneseFolder_ = root + L"\u30BD\u30D5\u30C8 \u8868";  // ソフト 表
    decoys_ = {L"C:\\Program.exe", L"C:\\Program Files\\Kavreno.exe"};
    for (const auto& decoy : decoys_) test::CopyInto(test::MarkerProgram(), decoy);
    testRoot_ = root;
  }
  void TearDown() override {
    ClearValues();
    for (const auto& decoy : decoys_) {
      DeleteFileW(decoy.c_str());
      DeleteFileW((decoy + L".started").c_str());
    }
    test::RemoveTree(testRoot_);
  }
  static void ClearValues() {
    DeleteValue(kToolKey, L"PATH");
    DeleteValue(kFolderKey, L"MSINFO");
  }
  // Places the tool at folder\MSINFO32.EXE; answers its path.
  std::wstring InstallTool(const std::wstring& folder) {
    const std::wstring tool = folder + L"\\MSINFO32.EXE";
    test::CopyInto(test::MarkerProgram(), tool);
    return tool;
  }
  // Runs the launcher; answers the message boxes it showed.
  std::vector<std::string> Launch() {
    test::Log log;
    test::RecordingWindowSystem windows(log);
    test::FakeHelp help(log);
    Registry registry;
    Files files;
    AppServices app{windows, help, registry, files, programs_};
    StartSysInfo(app, ansi_);
    programs_.WaitForAll();
    std::vector<std::string> boxes;
    for (const auto& line : log)
      if (line.rfind("msgbox ", 0) == 0) boxes.push_back(line);
    return boxes;
  }
  bool AnyDecoyStarted() const {
    for (const auto& decoy : decoys_)
      if (test::Exists(decoy + L".started")) return true;
    return false;
  }
  static std::string UnavailableBox() { return "msgbox 0 (app) " + std::string(kUnavailable); }

  CodePageText ansi_;
  WaitablePrograms programs_;
  std::wstring testRoot_, toolFolder_, japaneseFolder_;
  std::vector<std::wstring> decoys_;
};

// ---- the launcher ------------------------------------------------------------------

TEST_F(LauncherTest, StartsTheToolNamedByItsPathValue) {
  const std::wstring tool = InstallTool(toolFolder_);
  AddValue(kToolKey, L"PATH", L"REG_SZ", tool);
  // The folder value would lead elsewhere: it is not read.
  const std::wstring other = InstallTool(toolFolder_ + L" Other");
  AddValue(kFolderKey, L"MSINFO", L"REG_SZ", toolFolder_ + L" Other");

  EXPECT_TRUE(Launch().empty());
  EXPECT_EQ(test::MarkerReport(tool), "\"" + Narrow(tool) + "\"\n1\n");
  EXPECT_EQ(test::MarkerReport(other), "");
  EXPECT_FALSE(AnyDecoyStarted());
}

TEST_F(LauncherTest, APathValueNamingAMissingFileDoesNotFallBack) {
  AddValue(kToolKey, L"PATH", L"REG_SZ", toolFolder_ + L"\\MISSING.EXE");
  const std::wstring tool = InstallTool(toolFolder_);
  AddValue(kFolderKey, L"MSINFO", L"REG_SZ", toolFolder_);

  EXPECT_EQ(Launch(), std::vector<std::string>{UnavailableBox()});
  EXPECT_EQ(test::MarkerReport(tool), "");
  EXPECT_TRUE(programs_.started.empty());
}

TEST_F(LauncherTest, StartsTheToolInTheFolderOfTheLocationValue) {
  const std::wstring tool = InstallTool(toolFolder_);
  AddValue(kFolderKey, L"MSINFO", L"REG_SZ", toolFolder_);

  EXPECT_TRUE(Launch().empty());
  EXPECT_EQ(test::MarkerReport(tool), "\"" + Narrow(tool) + "\"\n1\n");
  EXPECT_FALSE(AnyDecoyStarted());
}

TEST_F(LauncherTest, FindsTheToolInAJapaneseFolder) {
  if (GetACP() != 932) GTEST_SKIP() << "the folder's name needs code page 932";
  const std::wstring tool = InstallTool(japaneseFolder_);
  AddValue(kFolderKey, L"MSINFO", L"REG_SZ", japaneseFolder_);

  EXPECT_TRUE(Launch().empty());
  EXPECT_EQ(test::MarkerReport(tool), "\"" + Narrow(tool) + "\"\n1\n");
}

TEST_F(LauncherTest, AFolderWithoutTheToolShowsTheMessage) {
  CreateDirectoryW(testRoot_.c_str(), nullptr);
  CreateDirectoryW(toolFolder_.c_str(), nullptr);
  AddValue(kFolderKey, L"MSINFO", L"REG_SZ", toolFolder_);

  EXPECT_EQ(Launch(), std::vector<std::string>{UnavailableBox()});
  EXPECT_TRUE(programs_.started.empty());
}

TEST_F(LauncherTest, NeitherValueShowsTheMessage) {
  EXPECT_EQ(Launch(), std::vector<std::string>{UnavailableBox()});
  EXPECT_TRUE(programs_.started.empty());
}

TEST_F(LauncherTest, APathValueOfAnotherTypeShowsTheMessage) {
  const std::wstring tool = InstallTool(toolFolder_);
  AddValue(kToolKey, L"PATH", L"REG_EXPAND_SZ", tool);

  EXPECT_EQ(Launch(), std::vector<std::string>{UnavailableBox()});
  EXPECT_EQ(test::MarkerReport(tool), "");
  EXPECT_FALSE(AnyDecoyStarted());
}

TEST_F(LauncherTest, APathValueLongerThanTheBufferCountsAsMissing) {
  const std::wstring tool = InstallTool(toolFolder_);
  AddValue(kToolKey, L"PATH", L"REG_SZ", toolFolder_ + L"\\" + std::wstring(1100, L'x') + L".exe");
  AddValue(kFolderKey, L"MSINFO", L"REG_SZ", toolFolder_);

  EXPECT_TRUE(Launch().empty());
  EXPECT_EQ(test::MarkerReport(tool), "\"" + Narrow(tool) + "\"\n1\n");
}

TEST_F(LauncherTest, AValueInThe64BitViewOnlyIsNotSeen) {
  const std::wstring tool = InstallTool(toolFolder_);
  AddValue(kToolKey, L"PATH", L"REG_SZ", tool, L"64");

  EXPECT_EQ(Launch(), std::vector<std::string>{UnavailableBox()});
  EXPECT_EQ(test::MarkerReport(tool), "");
}

// ---- the registry reader -------------------------------------------------------------

struct ValueCase {
  const char* name;
  DWORD type;
  std::string bytes;  // as stored
  int16_t result;
  std::string value;  // KeyVal afterwards (it starts as "before")
};

std::ostream& operator<<(std::ostream& out, const ValueCase& c) { return out << c.name; }

class ReaderTest : public testing::TestWithParam<ValueCase> {
 protected:
  void TearDown() override { DeleteValue(L"HKLM\\SOFTWARE\\Kavreno Test", L"Value"); }
};

TEST_P(ReaderTest, ReadsTheStoredValue) {
  const ValueCase& c = GetParam();
  SetRawValue(L"SOFTWARE\\Kavreno Test", L"Value", c.type, c.bytes);
  Registry registry;
  const CodePageText ansi;
  std::string value = "before";
  EXPECT_EQ(
      GetKeyValue(registry, ansi, kHkeyLocalMachine, "SOFTWARE\\Kavreno Test", "Value", value),
      c.result);
  EXPECT_EQ(value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Win32, ReaderTest,
    testing::Values(
        ValueCase{"text_with_zero", REG_SZ, std::string("C:\\Tools\\MSINFO32.EXE\0", 22), -1,
                  "C:\\Tools\\MSINFO32.EXE"},
        ValueCase{"text_without_zero", REG_SZ, "C:\\Tools\\MSINFO32.EXE", -1,
                  "C:\\Tools\\MSINFO32.EXE"},
        ValueCase{"text_of_1024_bytes", REG_SZ, std::string(1024, 'a'), -1, std::string(1024, 'a')},
        ValueCase{"text_of_1025_bytes", REG_SZ, std::string(1025, 'a'), 0, ""},
        ValueCase{"number_256", REG_DWORD, std::string("\x00\x01\x00\x00", 4), -1, "&h000100"},
        ValueCase{"number_large", REG_DWORD, "\x78\x56\x34\x12", -1, "&h12345678"},
        ValueCase{"expandable_text", REG_EXPAND_SZ, std::string("%SystemRoot%\0", 13), -1,
                  "before"},
        ValueCase{"binary", REG_BINARY, "\x01\x02", -1, "before"}),
    [](const testing::TestParamInfo<ValueCase>& info) { return std::string(info.param.name); });

TEST(Reader, JapaneseTextComesBackAsUtf8) {
  if (GetACP() != 932) GTEST_SKIP() << "needs code page 932";
  AddValue(L"HKLM\\SOFTWARE\\Kavreno Test", L"Value", L"REG_SZ", L"C:\\\u30BD\u30D5\u30C8\\\u8868");
  Registry registry;
  const CodePageText ansi;
  std::string value;
  EXPECT_EQ(
      GetKeyValue(registry, ansi, kHkeyLocalMachine, "SOFTWARE\\Kavreno Test", "Value", value), -1);
  EXPECT_EQ(value, "C:\\ソフト\\表");
  DeleteValue(L"HKLM\\SOFTWARE\\Kavreno Test", L"Value");
}

TEST(Reader, AnEmptyValueRaisesAnError) {
  SetRawValue(L"SOFTWARE\\Kavreno Test", L"Value", REG_BINARY, "");
  Registry registry;
  const CodePageText ansi;
  std::string value;
  EXPECT_THROW(
      GetKeyValue(registry, ansi, kHkeyLocalMachine, "SOFTWARE\\Kavreno Test", "Value", value),
      Error);
  DeleteValue(L"HKLM\\SOFTWARE\\Kavreno Test", L"Value");
}

TEST(Reader, AMissingKeyOrValueIsFalseWithAnEmptyText) {
  Registry registry;
  const CodePageText ansi;
  std::string value = "before";
  EXPECT_EQ(
      GetKeyValue(registry, ansi, kHkeyLocalMachine, "SOFTWARE\\Kavreno Missing", "Value", value),
      0);
  EXPECT_EQ(value, "");
  value = "before";
  EXPECT_EQ(GetKeyValue(registry, ansi, kHkeyLocalMachine, "SOFTWARE\\Microsoft", "Kavreno", value),
            0);
  EXPECT_EQ(value, "");
}

}  // namespace
}  // namespace kv::win32
