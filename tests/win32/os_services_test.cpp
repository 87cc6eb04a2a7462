// The operating-system services against the answers of the running system,
// in the code page of the run: 932 under the Japanese locale, 1252 without.
#include "platform/win32/os_services.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/drives/drives.h"
#include "fakes/fake_ui.h"
#include "platform/errors.h"
#include "sysinfo/clsSystem.h"

namespace kv::win32 {
namespace {

using namespace std::chrono_literals;

// The services as the program starts them.
const OsServices& Os() {
  static const std::unique_ptr<OsPlatform> platform = CreateOsPlatform();
  static const OsServices os = platform->Services();
  return os;
}

// What the provider shows, and what the system's "W" function writes (and
// the provider adds: a directory ends with a backslash).
struct Answer {
  const char* name;
  std::string (clsSystem::*shown)() const;
  void (*query)(wchar_t* buffer, DWORD& size);
  const char* added;
};

class ProviderAnswer : public testing::TestWithParam<Answer> {};

TEST_P(ProviderAnswer, IsTheSystemsOwn) {
  wchar_t buffer[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH;
  GetParam().query(buffer, size);
  ASSERT_NE(buffer[0], L'\0');
  EXPECT_EQ((clsSystem(Os()).*GetParam().shown)(), Narrow(buffer) + GetParam().added);
}

INSTANTIATE_TEST_SUITE_P(
    Win32, ProviderAnswer,
    testing::Values(Answer{"temp", &clsSystem::TempDir,
                           [](wchar_t* b, DWORD& n) { GetTempPathW(n, b); }, ""},
                    Answer{"system", &clsSystem::SystemDir,
                           [](wchar_t* b, DWORD& n) { GetSystemDirectoryW(b, n); }, "\\"},
                    Answer{"windows", &clsSystem::WinDir,
                           [](wchar_t* b, DWORD& n) { GetWindowsDirectoryW(b, n); }, "\\"},
                    Answer{"computer", &clsSystem::ComputerName,
                           [](wchar_t* b, DWORD& n) { GetComputerNameW(b, &n); }, ""},
                    Answer{"user", &clsSystem::UserName,
                           [](wchar_t* b, DWORD& n) { GetUserNameW(b, &n); }, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A name that does not fit fails and answers the size it needs, NUL
// included, so that the provider can ask again and show it whole.
TEST(Provider, NamesTooLongForTheBufferAnswerTheSizeNeeded) {
  const struct {
    const char* name;
    int32_t (INames::*query)(std::span<char>, uint32_t&) const;
  } kNames[] = {{"computer", &INames::GetComputerNameA}, {"user", &INames::GetUserNameA}};
  for (const auto& c : kNames) {
    std::vector<char> whole(256, ' ');
    uint32_t wholeSize = static_cast<uint32_t>(whole.size());
    ASSERT_NE((Os().names.*c.query)(whole, wholeSize), 0) << c.name;
    const std::size_t length = std::strlen(whole.data());
    ASSERT_GT(length, 1u) << c.name;
    std::vector<char> small(2, ' ');
    uint32_t size = 2;
    EXPECT_EQ((Os().names.*c.query)(small, size), 0) << c.name;
    EXPECT_EQ(size, length + 1) << c.name;
  }
}

TEST(Provider, MemoryAndVersionAreTheSystems) {
  const clsSystem provider(Os());
  uint8_t load = 0;
  int32_t total = 0, free = 0;
  provider.FreeMemory(load, total, free);
  MEMORYSTATUSEX memory{sizeof memory};
  ASSERT_TRUE(GlobalMemoryStatusEx(&memory));
  EXPECT_NEAR(total, memory.ullTotalPhys / 1024.0, 1);
  EXPECT_GT(free, 0);
  EXPECT_GE(total, free);
  EXPECT_LE(load, 100);

  int16_t major = 0, minor = 0;
  std::string platform;
  provider.WinVer(major, minor, platform);
  OSVERSIONINFOW version{sizeof version};
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ASSERT_TRUE(GetVersionExW(&version));
  EXPECT_EQ(major, static_cast<int16_t>(version.dwMajorVersion));
  EXPECT_EQ(minor, static_cast<int16_t>(version.dwMinorVersion));
  EXPECT_EQ(platform, "Windows NT or Windows 2000");
}

// Today's facts, from the system's own registry and calls: the version the
// prefix plays (KV_EXPECT_OS_BUILD starts the build, KV_EXPECT_OS_NAME is in
// the name), the machine's architecture whatever the program's bitness, the
// processor's name without its padding. Printed, so that a run shows them.
TEST(SystemDetails, AreTheSystemsOwn) {
  const SystemDetails d = Os().details.Details();
  std::printf("OS: %s | build: %s | processor: %s | architecture: %s | machine: %s\n",
              d.osName.c_str(), d.osBuild.c_str(), d.processorName.c_str(),
              d.architecture.c_str(), d.machine.c_str());
  EXPECT_TRUE(std::regex_match(d.osBuild, std::regex(R"(\d+\.\d+\.\d+(\.\d+)?)"))) << d.osBuild;
  EXPECT_NE(d.osName, "");
  if (const char* build = std::getenv("KV_EXPECT_OS_BUILD")) {
    EXPECT_TRUE(d.osBuild.starts_with(build)) << d.osBuild;
  }
  if (const char* name = std::getenv("KV_EXPECT_OS_NAME")) {
    EXPECT_NE(d.osName.find(name), std::string::npos) << d.osName;
  }
  // A 32-bit program on a 64-bit system is told the truth, not its own view.
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  if (sizeof(void*) == 8 || wow64) {
    EXPECT_TRUE(d.architecture == "x64" || d.architecture == "ARM64") << d.architecture;
  } else {
    EXPECT_EQ(d.architecture, "x86");
  }
  EXPECT_NE(d.processorName, "");
  EXPECT_FALSE(d.processorName.starts_with(" ") || d.processorName.ends_with(" "));
}

TEST(Drives, ListTheSystemDriveWithItsTypeAndSpace) {
  std::vector<char> list(512, '#');
  const uint32_t length = Os().drives.GetLogicalDriveStringsA(list);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, list.size());
  const std::string roots = '\0' + std::string(list.data(), length);  // each after a NUL
  EXPECT_NE(roots.find(std::string("\0C:\\\0", 5)), std::string::npos) << "C:\\ is listed";

  const std::pair<const char*, uint32_t> kTypes[] = {
      {"C:\\", kDriveFixed}, {"Z:\\", kDriveFixed}, {"Q:\\", kDriveNoRootDir}};
  for (const auto& [root, type] : kTypes) EXPECT_EQ(Os().drives.GetDriveTypeA(root), type) << root;

  ULARGE_INTEGER available{}, total{}, free{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:\\", &available, &total, &free));
  uint64_t ourAvailable = 0, ourTotal = 0, ourFree = 0;
  // Time enough on a loaded machine: this is about the answer, not the limit.
  ASSERT_NE(
      FileSystems(SystemEntryPoint, 60s).GetDiskFreeSpaceExA("C:\\", ourAvailable, ourTotal, ourFree),
      0);
  EXPECT_GT(ourTotal, 0u);
  EXPECT_EQ(ourTotal, total.QuadPart);
}

// The run's code page, and text of it both ways. The second byte of "ソ" is
// the byte of the backslash.
TEST(SystemCodePage, IsTheRunsAndConvertsBothWays) {
  if (const char* expected = std::getenv("KV_EXPECT_ACP")) {
    ASSERT_EQ(GetACP(), std::strtoul(expected, nullptr, 10)) << "the run's locale";
  }
  const struct {
    unsigned codePage;
    std::string utf8, ansi;
  } kRows[] = {{932, "ソフト\\表", "\x83\x5C\x83\x74\x83\x67\\\x95\x5C"},
               {932, "ｼｽﾃﾑ情報：", "\xBC\xBD\xC3\xD1\x8F\xEE\x95\xF1\x81\x46"},
               {1252, "Café €", "Caf\xE9 \x80"}};
  const CodePageText text;
  for (const auto& row : kRows) {
    if (row.codePage != GetACP()) continue;
    EXPECT_EQ(text.ToAnsi(row.utf8), row.ansi);
    EXPECT_EQ(text.FromAnsi(row.ansi), row.utf8);
  }
}

// One limit for a whole batch: queries that have not answered by then fail,
// their threads are abandoned (they run on to their end later, on what they
// own), and their keys are not asked again. A key's queries share a thread;
// the keys after one that hangs are taken by workers that join meanwhile.
TEST(ThreadQueries, GiveUpOnQueriesThatHang) {
  const auto release =
      std::shared_ptr<void>(CreateEventW(nullptr, TRUE, FALSE, nullptr), CloseHandle);
  const auto threads = std::make_shared<std::map<std::string, DWORD>>();  // request -> thread
  const auto threadsMutex = std::make_shared<std::mutex>();
  const ThreadQueries queries(
      [release, threads, threadsMutex](std::string_view request) -> QueryAnswer {
        {
          std::lock_guard lock(*threadsMutex);
          (*threads)[std::string(request)] = GetCurrentThreadId();
        }
        if (request.starts_with("hang")) WaitForSingleObject(release.get(), INFINITE);
        return "answer " + std::string(request);
      },
      300ms);
  // Eight drives that hang between two that answer, two queries each for A:
  // and for a hanging C:.
  std::vector<BlockingQuery> asked{{"A:\\", "A"}};
  for (char drive = 'C'; drive < 'K'; ++drive)
    asked.push_back({drive + std::string(":\\"), "hang"});
  asked.push_back({"Z:\\", "Z"});
  asked.push_back({"A:\\", "A2"});
  asked.push_back({"C:\\", "C2"});
  const ULONGLONG start = GetTickCount64();
  const auto answers = queries.AskAll(asked);
  EXPECT_LT(GetTickCount64() - start, 2000u);  // one limit for all, not 8 x 300 ms
  std::vector<QueryAnswer> expected(12);
  expected[0] = "answer A", expected[9] = "answer Z", expected[10] = "answer A2";
  EXPECT_EQ(answers, expected);
  {
    std::lock_guard lock(*threadsMutex);
    EXPECT_EQ(threads->at("A"), threads->at("A2")) << "a key's queries on one thread";
    EXPECT_FALSE(threads->contains("C2")) << "asked after its key's query that hangs";
  }
  // The stalled drive is not asked again: asked, it would answer now.
  EXPECT_EQ(queries.Ask("C:\\", "C again"), std::nullopt);
  SetEvent(release.get());
}

// The threads a batch's queries ran on.
struct ThreadLog {
  std::mutex mutex;
  std::set<DWORD> threads;
  void Note() {
    std::lock_guard lock(mutex);
    threads.insert(GetCurrentThreadId());
  }
  std::size_t Count() {
    std::lock_guard lock(mutex);
    return threads.size();
  }
};

// An answerer that notes its thread and, after a while, echoes the request.
QueryAnswerer EchoAfter(std::shared_ptr<ThreadLog> log, DWORD milliseconds) {
  return [log, milliseconds](std::string_view request) -> QueryAnswer {
    log->Note();
    Sleep(milliseconds);
    return std::string(request);
  };
}

std::vector<BlockingQuery> Drives(const std::string& letters, const std::string& request) {
  std::vector<BlockingQuery> asked;
  for (const char letter : letters)
    asked.push_back({letter + std::string(":\\"), request + letter});
  return asked;
}

// A batch whose drives answer in good time takes one thread, however many
// drives it asks about (a thread costs milliseconds under Wine); none is the
// caller's. Each answer takes a little while, so that threads started for
// the other drives would be seen taking some.
TEST(ThreadQueries, AQuickBatchTakesOneThread) {
  const auto log = std::make_shared<ThreadLog>();
  const ThreadQueries queries(EchoAfter(log, 20), 60s, 10s);
  auto asked = Drives("CDEFGH", "V");
  const auto more = Drives("CDEFGH", "S");
  asked.insert(asked.end(), more.begin(), more.end());
  const auto answers = queries.AskAll(asked);
  for (std::size_t i = 0; i < asked.size(); ++i) EXPECT_EQ(answers[i], asked[i].request);
  EXPECT_EQ(log->Count(), 1u);
  EXPECT_FALSE(log->threads.contains(GetCurrentThreadId()));
}

// Drives that are slow but answer: while drives wait for a worker, more
// workers join, so every one answers within the limit (one worker alone
// would get through about half of them).
TEST(ThreadQueries, SlowDrivesGetMoreWorkers) {
  const auto log = std::make_shared<ThreadLog>();
  const ThreadQueries queries(EchoAfter(log, 100), 1000ms, 20ms);
  const auto asked = Drives("CDEFGHIJKLMN", "V");
  const auto answers = queries.AskAll(asked);
  for (std::size_t i = 0; i < asked.size(); ++i) EXPECT_EQ(answers[i], asked[i].request) << i;
  EXPECT_GT(log->Count(), 1u);
}

// The limit counts from the start of the batch: a caller that did other work
// meanwhile waits only for what is left of it. A drive that hangs fails as in
// any batch, and the drives after it get a worker once the caller waits.
TEST(ThreadQueries, TheLimitCountsFromTheStart) {
  const auto release =
      std::shared_ptr<void>(CreateEventW(nullptr, TRUE, FALSE, nullptr), CloseHandle);
  const ThreadQueries queries(
      [release](std::string_view request) -> QueryAnswer {
        if (request == "hang") WaitForSingleObject(release.get(), INFINITE);
        if (request == "slow") Sleep(150);
        return std::string(request);
      },
      400ms);
  auto pending = queries.Begin({{"C:\\", "slow"}, {"N:\\", "hang"}, {"D:\\", "quick"}});
  Sleep(300);  // the caller's own work, most of the limit
  const ULONGLONG start = GetTickCount64();
  const auto answers = queries.Finish(pending);
  EXPECT_LT(GetTickCount64() - start, 250u) << "400 ms from the start, not from the wait";
  EXPECT_EQ(answers, (std::vector<QueryAnswer>{"slow", std::nullopt, "quick"}));
  EXPECT_EQ(queries.Ask("N:\\", "again"), std::nullopt) << "the drive that hung is not asked again";
  SetEvent(release.get());
}

// GetDiskFreeSpaceExA is bound by name at its first call, from the system
// directory only: a library beside the program is not the system's.
TEST(SystemEntryPoint, BindsByNameFromTheSystemDirectoryOnly) {
  std::vector<std::string> lookups;
  const FileSystems space(
      [&lookups](const std::string& library, const char* function) -> void* {
        lookups.push_back(library + "!" + function);
        return nullptr;
      },
      60s);
  EXPECT_TRUE(lookups.empty());
  uint64_t available = 0, total = 0, free = 0;
  try {
    space.GetDiskFreeSpaceExA("C:\\", available, total, free);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrMissingEntryPoint);
  }
  EXPECT_EQ(lookups, std::vector<std::string>{"kernel32!GetDiskFreeSpaceExA"});

  EXPECT_NE(SystemEntryPoint("kernel32", "GetDiskFreeSpaceExA"), nullptr);
  EXPECT_EQ(SystemEntryPoint("kvplanted", "kv_planted"), nullptr);
  const HMODULE planted = LoadLibraryW(L"kvplanted.dll");
  EXPECT_NE(planted, nullptr) << "the ordinary search finds it";
  if (planted) FreeLibrary(planted);
}

// with-drive-letters.sh runs this in a copy of the prefix with three more
// drive letters (D: a folder, E: one typed as a CD drive, F: one typed as a
// network drive): the list no longer fits the report's first buffer of ten.
TEST(DriveLetters, TheReportAsksAgainAndHasABlockForEveryRoot) {
  if (!std::getenv("KV_DRIVE_LETTERS")) GTEST_SKIP() << "runs under with-drive-letters.sh";
  test::FakeTextBox box;
  kv::WriteDriveReport(Os(), box);
  const char* const kTypes[] = {"Fixed", "Fixed", "CD-Rom", "Remote", "Fixed"};
  std::string blocks;
  for (int i = 0; i < 5; ++i)
    blocks += std::string("Disk ") + "CDEFZ"[i] +
              ":\\\\\r\n.*\r\n.*\r\n  Drive Type:  " + kTypes[i] + "\r\n.*\r\n.*\r\n";
  EXPECT_TRUE(std::regex_match(box.text, std::regex(blocks))) << box.text;
}

}  // namespace
}  // namespace kv::win32
