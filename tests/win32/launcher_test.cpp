// The launcher of the system-information tool with the real registry, file
// system and program start. The tool is the marker program: it proves that it
// was started by writing "<its path>.started" with its command line and show
// mode. It lies below "C:\Program Files\Kavreno Test <id>\", and decoys wait
// where a command line split at its spaces would lead.
#include "about/launcher.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_ui.h"
#include "platform/errors.h"
#include "platform/win32/app_services.h"
#include "platform/win32/win32_text.h"

namespace kv::win32 {
namespace {

namespace fs = std::filesystem;

const wchar_t kPathKey[] = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const wchar_t kFolderKey[] = L"SOFTWARE\\Microsoft\\Shared Tools Location";

std::wstring Root() {
  return L"C:\\Program Files\\Kavreno Test " + std::to_wstring(GetCurrentProcessId()) + L"\\";
}
// The tool's two folders: B has a Japanese name where the code page holds it.
std::wstring FolderA() { return Root() + L"Tool A"; }
std::wstring FolderB() {
  return Root() + (GetACP() == 932 ? L"\u30BD\u30D5\u30C8 \u8868" : L"Tool B");
}
const std::vector<std::wstring> kDecoys = {L"C:\\Program.exe", L"C:\\Program Files\\Kavreno.exe"};

std::string StartedReport(const std::wstring& program) {
  std::ifstream in(fs::path(program + L".started"), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Program start that waits for what it started, so that its report is there.
struct WaitingPrograms : IPrograms {
  uint32_t Shell(std::string_view path, int showMode) override {
    const uint32_t id = Programs().Shell(path, showMode);
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    WaitForSingleObject(process, 60000);
    CloseHandle(process);
    ++started;
    return id;
  }
  int started = 0;
};

struct LaunchCase {
  const char* name;
  std::wstring path;  // the PATH value; empty: none
  DWORD pathType;
  std::wstring folder;   // the MSINFO value; empty: none
  std::wstring started;  // the tool that runs; empty: none, the message box instead
};

std::ostream& operator<<(std::ostream& out, const LaunchCase& c) { return out << c.name; }

class Launcher : public testing::TestWithParam<LaunchCase> {
 protected:
  static void SetUpTestSuite() {
    wchar_t self[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path marker = fs::path(self).replace_filename("kv_started_marker.exe");
    for (const auto& folder : {FolderA(), FolderB()}) {
      fs::create_directories(folder);
      fs::copy_file(marker, folder + L"\\MSINFO32.EXE", fs::copy_options::overwrite_existing);
    }
    for (const auto& decoy : kDecoys)
      fs::copy_file(marker, decoy, fs::copy_options::overwrite_existing);
  }
  static void TearDownTestSuite() {
    fs::remove_all(Root());
    for (const auto& decoy : kDecoys) fs::remove(decoy);
  }
  void TearDown() override {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kPathKey, L"PATH");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kFolderKey, L"MSINFO");
    for (const auto& folder : {FolderA(), FolderB()})
      fs::remove(folder + L"\\MSINFO32.EXE.started");
  }
  static void SetValue(const wchar_t* key, const wchar_t* name, DWORD type,
                       const std::wstring& data) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, type, data.c_str(),
                              static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }
};

TEST_P(Launcher, StartsTheToolOrTellsTheUser) {
  const LaunchCase& c = GetParam();
  if (!c.path.empty()) SetValue(kPathKey, L"PATH", c.pathType, c.path);
  if (!c.folder.empty()) SetValue(kFolderKey, L"MSINFO", REG_SZ, c.folder);
  test::Log log;
  test::RecordingWindowSystem windows(log);
  test::FakeHelp help(log);
  Registry registry;
  Files files;
  WaitingPrograms programs;
  AppServices app{windows, help, registry, files, programs};
  StartSysInfo(app, CodePageText());

  EXPECT_EQ(programs.started, c.started.empty() ? 0 : 1);
  EXPECT_EQ(log, c.started.empty()
                     ? test::Lines("msgbox 0 (app) 現時点ではｼｽﾃﾑ情報を使用できません")
                     : test::Log{});
  if (!c.started.empty()) {
    EXPECT_EQ(StartedReport(c.started), "\"" + Narrow(c.started) + "\"\n1\n");
  }
  for (const auto& decoy : kDecoys) EXPECT_EQ(StartedReport(decoy), "") << Narrow(decoy);
}

INSTANTIATE_TEST_SUITE_P(
    Win32, Launcher,
    testing::Values(
        // The PATH value as it stands; the folder value is not read then.
        LaunchCase{"path", FolderA() + L"\\MSINFO32.EXE", REG_SZ, FolderB(),
                   FolderA() + L"\\MSINFO32.EXE"},
        LaunchCase{"path_to_a_missing_file", FolderA() + L"\\MISSING.EXE", REG_SZ, FolderA(), L""},
        LaunchCase{"folder_only", L"", 0, FolderB(), FolderB() + L"\\MSINFO32.EXE"},
        LaunchCase{"neither", L"", 0, L"", L""},
        // Read with nothing taken from it: an empty path, which cannot start.
        LaunchCase{"path_of_another_type", FolderA() + L"\\MSINFO32.EXE", REG_EXPAND_SZ, L"", L""},
        // More than the reader's 1024 bytes: as if there were none.
        LaunchCase{"path_too_long", FolderA() + L"\\" + std::wstring(1100, L'x') + L".EXE", REG_SZ,
                   FolderA(), FolderA() + L"\\MSINFO32.EXE"}),
    [](const auto& info) { return std::string(info.param.name); });

// The file test on a share whose server is gone, where listing a folder
// never returns: the listings of the test's own, which hang for the server
// "dead", answer .EXE files as there, and raise the errors of a drive D: that
// is not ready.
struct Listings {
  std::mutex mutex;
  std::vector<std::string> asked;
  HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // never set: outlives the test
};

FileLister ListingsOf(std::shared_ptr<Listings> listings) {
  return [listings](std::string_view path) {
    {
      const std::lock_guard lock(listings->mutex);
      listings->asked.emplace_back(path);
    }
    if (StallKey(path).starts_with("\\\\dead\\")) WaitForSingleObject(listings->never, INFINITE);
    if (path.starts_with("D:")) throw DiskNotReadyError();
    return path.ends_with(".EXE");
  };
}

TEST(FileTest, AListingThatNeverAnswersFailsAndItsShareIsNotAskedAgain) {
  auto listings = std::make_shared<Listings>();
  const Files files(ListingsOf(listings));  // under the program's own limit
  const struct {
    const char* path;
    std::optional<bool> exists;  // nullopt: the error below
    int32_t error;
    bool asked;  // whether the listing was started
  } kCases[] = {
      {"\\\\dead\\share\\MSINFO\\MSINFO32.EXE", std::nullopt, kErrDeviceUnavailable, true},
      // The same share, however spelled, is not asked again.
      {"\\\\DEAD\\Share\\other\\MSINFO32.EXE", std::nullopt, kErrDeviceUnavailable, false},
      {"//dead/share/MSINFO32.EXE", std::nullopt, kErrDeviceUnavailable, false},
      // Another share of the server, another server, the drives: each asked.
      {"\\\\dead\\public\\MSINFO32.EXE", std::nullopt, kErrDeviceUnavailable, true},
      {"\\\\live\\share\\MSINFO32.EXE", true, 0, true},
      {"C:\\Tools\\MSINFO32.EXE", true, 0, true},
      {"C:\\Tools\\readme.txt", false, 0, true},
      {"D:\\MSINFO32.EXE", std::nullopt, kErrDiskNotReady, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.path);
    const std::size_t before = listings->asked.size();
    if (c.exists) {
      EXPECT_EQ(files.FileExists(c.path), *c.exists);
    } else {
      try {
        files.FileExists(c.path);
        ADD_FAILURE() << "no error";
      } catch (const Error& e) {
        EXPECT_EQ(e.Number(), c.error);
      }
    }
    const std::lock_guard lock(listings->mutex);
    EXPECT_EQ(listings->asked.size() - before, c.asked ? 1u : 0u);
  }
}

// The launcher that finds the tool's folder on such a share tells the user,
// as for any other failure, rather than wait for the share.
TEST(FileTest, TheLauncherTellsTheUserWhenTheToolsShareDoesNotAnswer) {
  test::Log log;
  test::RecordingWindowSystem windows(log);
  test::FakeHelp help(log);
  test::FakeRegistry registry;
  registry.keys["SOFTWARE\\Microsoft\\Shared Tools Location"]["MSINFO"] = {
      kRegSz, std::string("\\\\dead\\share\\MSINFO") + '\0'};
  auto listings = std::make_shared<Listings>();
  Files files(ListingsOf(listings));
  test::FakeApp programs;
  AppServices app{windows, help, registry, files, programs};
  StartSysInfo(app, CodePageText());
  EXPECT_EQ(log, test::Lines("msgbox 0 (app) 現時点ではｼｽﾃﾑ情報を使用できません"));
  EXPECT_EQ(programs.log, test::Log{});
  const std::lock_guard lock(listings->mutex);
  EXPECT_EQ(listings->asked, std::vector<std::string>{"\\\\dead\\share\\MSINFO\\MSINFO32.EXE"});
}

}  // namespace
}  // namespace kv::win32
