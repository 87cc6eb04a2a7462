// The operating-system services against the answers of the running system.
#include "platform/win32/os_services.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/factory.h"

namespace kv::win32 {
namespace {

constexpr char kSentinel = '#';

// The queries that run on a worker thread get time enough for a machine under
// load: these tests are about their answers, not about the time limit.
constexpr std::chrono::seconds kPatient{60};

std::vector<char> Sentinels(size_t n) { return std::vector<char>(n, kSentinel); }

bool Untouched(const std::vector<char>& buffer) {
  return std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == kSentinel; });
}

// ---- memory, processor, keyboard ---------------------------------------------

TEST(Memory, ReportsTheFiguresOfTheExtendedQuery) {
  MEMORYSTATUSEX expected{};
  expected.dwLength = sizeof expected;
  ASSERT_TRUE(GlobalMemoryStatusEx(&expected));
  const MemoryStatus status = Memory().GlobalMemoryStatus();
  EXPECT_EQ(status.totalPhys, expected.ullTotalPhys);
  EXPECT_GT(status.availPhys, 0u);
  EXPECT_GE(status.totalPhys, status.availPhys);
  EXPECT_LE(status.memoryLoad, 100u);
}

TEST(Memory, FallsBackToTheOldQueryWithoutTheExtendedOne) {
  const Memory memory([](const std::string&, const char*) -> void* { return nullptr; });
  const MemoryStatus status = memory.GlobalMemoryStatus();
  MEMORYSTATUS old{};
  old.dwLength = sizeof old;
  GlobalMemoryStatus(&old);
  EXPECT_EQ(status.totalPhys, old.dwTotalPhys);
  EXPECT_GT(status.totalPhys, 0u);
  EXPECT_LE(status.totalPhys, 0xFFFFFFFFull);
  EXPECT_GE(status.totalPhys, status.availPhys);
}

TEST(Processor, ReportsTheSystemsFigures) {
  SYSTEM_INFO expected{};
  GetSystemInfo(&expected);
  const SystemInfo info = Processor().GetSystemInfo();
  EXPECT_EQ(info.numberOfProcessors, expected.dwNumberOfProcessors);
  EXPECT_GE(info.numberOfProcessors, 1u);
  EXPECT_EQ(info.activeProcessorMask, static_cast<uint32_t>(expected.dwActiveProcessorMask));
  EXPECT_EQ(static_cast<uint32_t>(std::popcount(info.activeProcessorMask)),
            std::min<uint32_t>(info.numberOfProcessors, 32));
  EXPECT_EQ(info.processorType, expected.dwProcessorType);
}

TEST(Keyboard, ReportsTypeAndFunctionKeys) {
  const Keyboard keyboard;
  const int32_t type = keyboard.GetKeyboardType(0);
  EXPECT_EQ(type, GetKeyboardType(0));
  EXPECT_GE(type, 1);
  EXPECT_LE(type, 7);
  EXPECT_EQ(keyboard.GetKeyboardType(2), GetKeyboardType(2));
  EXPECT_GT(keyboard.GetKeyboardType(2), 0);
}

// ---- directories ------------------------------------------------------------------

struct DirectoryCase {
  const char* name;
  uint32_t (Directories::*query)(std::span<char>) const;
  std::function<std::wstring()> expected;  // the system's UTF-16 answer
  bool endsWithSeparator;
};

std::ostream& operator<<(std::ostream& out, const DirectoryCase& c) { return out << c.name; }

std::wstring WideAnswer(UINT(WINAPI* query)(wchar_t*, UINT)) {
  wchar_t buffer[MAX_PATH + 1];
  return std::wstring(buffer, query(buffer, MAX_PATH + 1));
}

class DirectoryQuery : public testing::TestWithParam<DirectoryCase> {};

TEST_P(DirectoryQuery, WritesThePathInTheAnsiCodePage) {
  const DirectoryCase& c = GetParam();
  const CodePageText ansi;
  const std::string expected = ansi.ToAnsi(Narrow(c.expected()));
  ASSERT_FALSE(expected.empty());
  std::vector<char> buffer = Sentinels(50);
  const uint32_t n = (Directories().*c.query)(buffer);
  ASSERT_EQ(n, expected.size());
  EXPECT_EQ(std::string(buffer.data(), n), expected);
  EXPECT_EQ(buffer[n], '\0');
  EXPECT_EQ(expected.back() == '\\', c.endsWithSeparator);
}

TEST_P(DirectoryQuery, AnswersTheSizeNeededWhenTheBufferIsTooSmall) {
  const DirectoryCase& c = GetParam();
  const std::string expected = CodePageText().ToAnsi(Narrow(c.expected()));
  std::vector<char> buffer = Sentinels(expected.size());  // no room for the NUL
  EXPECT_EQ((Directories().*c.query)(buffer), expected.size() + 1);
  std::vector<char> exact = Sentinels(expected.size() + 1);
  EXPECT_EQ((Directories().*c.query)(exact), expected.size());
}

INSTANTIATE_TEST_SUITE_P(
    Win32, DirectoryQuery,
    testing::Values(DirectoryCase{"temp", &Directories::GetTempPathA,
                                  [] {
                                    wchar_t b[MAX_PATH + 1];
                                    return std::wstring(b, GetTempPathW(MAX_PATH + 1, b));
                                  },
                                  true},
                    DirectoryCase{"system", &Directories::GetSystemDirectoryA,
                                  [] { return WideAnswer(GetSystemDirectoryW); }, false},
                    DirectoryCase{"windows", &Directories::GetWindowsDirectoryA,
                                  [] { return WideAnswer(GetWindowsDirectoryW); }, false}),
    [](const testing::TestParamInfo<DirectoryCase>& info) { return std::string(info.param.name); });

TEST(Directories, SeparatorIsTheBackslash) { EXPECT_EQ(Directories().Separator(), '\\'); }

// ---- names ------------------------------------------------------------------------

struct NameCase {
  const char* name;
  int32_t (Names::*query)(std::span<char>, uint32_t&) const;
  std::function<std::wstring()> expected;
  bool sizeCountsNul;  // GetUserNameA counts the NUL in the size it gives back
};

std::ostream& operator<<(std::ostream& out, const NameCase& c) { return out << c.name; }

class NameQuery : public testing::TestWithParam<NameCase> {};

TEST_P(NameQuery, MatchesTheSystemsUtf16Answer) {
  const NameCase& c = GetParam();
  const CodePageText ansi;
  const std::wstring expected = c.expected();
  ASSERT_FALSE(expected.empty());
  std::vector<char> buffer = Sentinels(50);
  uint32_t size = 50;
  ASSERT_NE((Names().*c.query)(buffer, size), 0);
  const std::string name(buffer.data());
  EXPECT_EQ(ansi.FromAnsi(name), Narrow(expected));
  EXPECT_EQ(size, name.size() + (c.sizeCountsNul ? 1 : 0));
}

TEST_P(NameQuery, FailsWhenTheNameAndItsNulDoNotFit) {
  const NameCase& c = GetParam();
  const std::string name = CodePageText().ToAnsi(Narrow(c.expected()));
  std::vector<char> buffer = Sentinels(name.size());
  uint32_t size = static_cast<uint32_t>(buffer.size());
  EXPECT_EQ((Names().*c.query)(buffer, size), 0);
  EXPECT_GE(size, name.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Win32, NameQuery,
    testing::Values(NameCase{"computer", &Names::GetComputerNameA,
                             [] {
                               wchar_t b[MAX_COMPUTERNAME_LENGTH + 1];
                               DWORD n = MAX_COMPUTERNAME_LENGTH + 1;
                               return GetComputerNameW(b, &n) ? std::wstring(b, n) : L"";
                             },
                             false},
                    NameCase{"user", &Names::GetUserNameA,
                             [] {
                               wchar_t b[257];
                               DWORD n = 257;
                               return GetUserNameW(b, &n) ? std::wstring(b) : L"";
                             },
                             true}),
    [](const testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

// ---- version ------------------------------------------------------------------------

TEST(Version, MatchesTheSystemsAnswer) {
  OSVERSIONINFOW expected{};
  expected.dwOSVersionInfoSize = sizeof expected;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ASSERT_TRUE(GetVersionExW(&expected));
#pragma GCC diagnostic pop
  OsVersionInfo info;
  ASSERT_NE(Version().GetVersionExA(info), 0);
  EXPECT_EQ(info.majorVersion, static_cast<int32_t>(expected.dwMajorVersion));
  EXPECT_EQ(info.minorVersion, static_cast<int32_t>(expected.dwMinorVersion));
  EXPECT_EQ(info.buildNumber, static_cast<int32_t>(expected.dwBuildNumber));
  EXPECT_EQ(info.platformId, kPlatformWin32Nt);
  EXPECT_GE(info.majorVersion, 5);
  EXPECT_EQ(CodePageText().FromAnsi(info.csdVersion), Narrow(expected.szCSDVersion));
}

// ---- drives and volumes -----------------------------------------------------------------

std::vector<std::string> Roots(const std::vector<char>& list, uint32_t length) {
  std::vector<std::string> roots;
  for (size_t i = 0; i < length; i += std::strlen(list.data() + i) + 1)
    roots.emplace_back(list.data() + i);
  return roots;
}

TEST(Drives, ListsTheRootsOfTheDriveLetters) {
  std::vector<char> list = Sentinels(512);
  const uint32_t length = Drives().GetLogicalDriveStringsA(list);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, list.size());
  EXPECT_EQ(list[length], '\0');
  const auto roots = Roots(list, length);
  EXPECT_NE(std::find(roots.begin(), roots.end(), "C:\\"), roots.end());
  EXPECT_NE(std::find(roots.begin(), roots.end(), "Z:\\"), roots.end());
  for (const auto& root : roots) EXPECT_EQ(root.size(), 3u) << root;
}

struct DriveTypeCase {
  const char* root;
  uint32_t type;
};

class DriveType : public testing::TestWithParam<DriveTypeCase> {};

TEST_P(DriveType, IsTheSystemsCode) {
  EXPECT_EQ(Drives().GetDriveTypeA(GetParam().root), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(Win32, DriveType,
                         testing::Values(DriveTypeCase{"C:\\", kDriveFixed},
                                         DriveTypeCase{"c:\\", kDriveFixed},
                                         DriveTypeCase{"Q:\\", kDriveNoRootDir}));

TEST(Volumes, ReadsTheSystemDrive) {
  wchar_t name[MAX_PATH + 1], fileSystem[MAX_PATH + 1];
  DWORD serial = 0, length = 0, flags = 0;
  ASSERT_TRUE(GetVolumeInformationW(L"C:\\", name, MAX_PATH + 1, &serial, &length, &flags,
                                    fileSystem, MAX_PATH + 1));
  const CodePageText ansi;
  std::vector<char> volumeName = Sentinels(127), fileSystemName = Sentinels(127);
  uint32_t gotSerial = 1, gotLength = 1, gotFlags = 1;
  ASSERT_NE(Volumes(kPatient).GetVolumeInformationA("C:\\", volumeName, gotSerial, gotLength,
                                                    gotFlags, fileSystemName),
            0);
  EXPECT_EQ(ansi.FromAnsi(volumeName.data()), Narrow(name));
  EXPECT_EQ(ansi.FromAnsi(fileSystemName.data()), Narrow(fileSystem));
  EXPECT_EQ(gotSerial, serial);
  EXPECT_EQ(gotLength, length);
  EXPECT_EQ(gotFlags, flags);
  EXPECT_EQ(Volumes(kPatient).VolumeLabelLookup("C:\\"), ansi.ToAnsi(Narrow(name)));
}

TEST(Volumes, CutsANameToTheCallersBuffer) {
  wchar_t fileSystem[MAX_PATH + 1];
  ASSERT_TRUE(GetVolumeInformationW(L"C:\\", nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                                    MAX_PATH + 1));
  uint32_t serial = 0, length = 0, flags = 0;
  ASSERT_GT(wcslen(fileSystem), 2u);
  std::vector<char> cut = Sentinels(3);
  ASSERT_NE(Volumes(kPatient).GetVolumeInformationA("C:\\", {}, serial, length, flags, cut), 0);
  EXPECT_EQ(std::string(cut.data()), Narrow(std::wstring(fileSystem, 2)));
}

TEST(Volumes, AnUnreadableRootLeavesEverythingAsItWas) {
  std::vector<char> volumeName = Sentinels(127), fileSystemName = Sentinels(127);
  uint32_t serial = 7, length = 8, flags = 9;
  EXPECT_EQ(Volumes(kPatient).GetVolumeInformationA("Q:\\", volumeName, serial, length, flags,
                                                    fileSystemName),
            0);
  EXPECT_TRUE(Untouched(volumeName));
  EXPECT_TRUE(Untouched(fileSystemName));
  EXPECT_EQ(serial, 7u);
  EXPECT_EQ(length, 8u);
  EXPECT_EQ(flags, 9u);
}

TEST(Volumes, TheLabelLookupOfAnUnreadableRootThrows) {
  try {
    Volumes(kPatient).VolumeLabelLookup("Q:\\");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrDeviceUnavailable);
  }
}

// ---- disk space -----------------------------------------------------------------------

TEST(DiskSpace, ReportsTheSystemDrive) {
  ULARGE_INTEGER available{}, total{}, free{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:\\", &available, &total, &free));
  uint64_t gotAvailable = 0, gotTotal = 0, gotFree = 0;
  ASSERT_NE(DiskSpace(SystemEntryPoint, kPatient)
                .GetDiskFreeSpaceExA("C:\\", gotAvailable, gotTotal, gotFree),
            0);
  EXPECT_EQ(gotTotal, total.QuadPart);
  EXPECT_GT(gotTotal, 0u);
  EXPECT_LE(gotFree, gotTotal);
  EXPECT_LE(gotAvailable, gotTotal);
}

TEST(DiskSpace, ReportsClustersOfTheSystemDrive) {
  DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceW(L"C:\\", &sectors, &bytes, &freeClusters, &totalClusters));
  int32_t s = 0, b = 0, f = 0, t = 0;
  ASSERT_NE(DiskSpace(SystemEntryPoint, kPatient).GetDiskFreeSpaceA("C:\\", s, b, f, t), 0);
  EXPECT_EQ(static_cast<DWORD>(s), sectors);
  EXPECT_EQ(static_cast<DWORD>(b), bytes);
  EXPECT_EQ(static_cast<DWORD>(t), totalClusters);
  EXPECT_GT(s, 0);
  EXPECT_GT(b, 0);
}

TEST(DiskSpace, AnUnreadableRootLeavesTheOutputsAsTheyWere) {
  uint64_t available = 1, total = 2, free = 3;
  EXPECT_EQ(
      DiskSpace(SystemEntryPoint, kPatient).GetDiskFreeSpaceExA("Q:\\", available, total, free), 0);
  EXPECT_EQ(available, 1u);
  EXPECT_EQ(total, 2u);
  EXPECT_EQ(free, 3u);
  int32_t s = 4, b = 5, f = 6, t = 7;
  EXPECT_EQ(DiskSpace(SystemEntryPoint, kPatient).GetDiskFreeSpaceA("Q:\\", s, b, f, t), 0);
  EXPECT_EQ(s + b + f + t, 22);
}

TEST(DiskSpace, ASystemWithoutTheExtendedQueryRaisesTheMissingEntryPoint) {
  int lookups = 0;
  const DiskSpace space(
      [&lookups](const std::string& library, const char* function) -> void* {
        ++lookups;
        EXPECT_EQ(library, "kernel32");
        EXPECT_STREQ(function, "GetDiskFreeSpaceExA");
        return nullptr;
      },
      kPatient);
  uint64_t available = 0, total = 0, free = 0;
  for (int call = 0; call < 2; ++call) {
    try {
      space.GetDiskFreeSpaceExA("C:\\", available, total, free);
      FAIL() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kErrMissingEntryPoint);
      EXPECT_NE(std::string(e.what()).find("GetDiskFreeSpaceExA"), std::string::npos);
      EXPECT_NE(std::string(e.what()).find("kernel32"), std::string::npos);
    }
  }
  EXPECT_EQ(lookups, 1);  // bound at the first call only
  int32_t s = 0, b = 0, f = 0, t = 0;
  EXPECT_NE(space.GetDiskFreeSpaceA("C:\\", s, b, f, t), 0);  // the older query still works
}

// ---- the platform as the program starts it ----------------------------------------------

TEST(OsPlatform, SwitchesCriticalErrorBoxesOff) {
  SetErrorMode(0);
  const auto platform = CreateOsPlatform();
  const UINT mode = GetErrorMode();
  EXPECT_TRUE(mode & SEM_FAILCRITICALERRORS);
  EXPECT_TRUE(mode & SEM_NOOPENFILEERRORBOX);
  const OsServices os = platform->Services();
  EXPECT_EQ(os.directories.Separator(), '\\');
  EXPECT_EQ(os.ansi.ToAnsi("A"), "A");
  EXPECT_TRUE(HasDisplay());
}

}  // namespace
}  // namespace kv::win32
