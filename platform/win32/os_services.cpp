#include "platform/win32/os_services.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/ansi_buffer.h"
#include "platform/errors.h"

namespace kv::win32 {

// The records as a 32-bit program exchanges them with the system.
static_assert(sizeof(void*) != 4 || sizeof(MEMORYSTATUS) == 32);
static_assert(sizeof(void*) != 4 || sizeof(SYSTEM_INFO) == 36);
static_assert(sizeof(OSVERSIONINFOA) == 148);

namespace {

DWORD Size(std::span<char> buffer) {
  return buffer.size() > MAXDWORD ? MAXDWORD : static_cast<DWORD>(buffer.size());
}

}  // namespace

// ---- memory -----------------------------------------------------------------

void* Memory::StatusEx() const {
  std::call_once(bound_, [this] { statusEx_ = resolve_("kernel32", "GlobalMemoryStatusEx"); });
  return statusEx_;
}

MemoryStatus Memory::GlobalMemoryStatus() const {
  using StatusExFn = BOOL(WINAPI*)(LPMEMORYSTATUSEX);
  // A function bound by name gets no check from the compiler at its call:
  // its type must be the system's declaration, calling convention included
  // (a missing WINAPI differs only in the 32-bit program).
  static_assert(std::is_same_v<StatusExFn, decltype(&::GlobalMemoryStatusEx)>);
  if (const auto statusEx = reinterpret_cast<StatusExFn>(StatusEx())) {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (statusEx(&status)) return {status.dwMemoryLoad, status.ullTotalPhys, status.ullAvailPhys};
  }
  MEMORYSTATUS status{};
  status.dwLength = sizeof status;
  ::GlobalMemoryStatus(&status);
  return {status.dwMemoryLoad, status.dwTotalPhys, status.dwAvailPhys};
}

// ---- processors, keyboard -----------------------------------------------------

SystemInfo Processor::GetSystemInfo() const {
  SYSTEM_INFO info{};
  ::GetSystemInfo(&info);
  return {static_cast<uint32_t>(info.dwActiveProcessorMask), info.dwNumberOfProcessors,
          info.dwProcessorType};
}

int32_t Keyboard::GetKeyboardType(int32_t typeFlag) const { return ::GetKeyboardType(typeFlag); }

// ---- directories, names, version ---------------------------------------------

uint32_t Directories::GetTempPathA(std::span<char> buffer) const {
  return ::GetTempPathA(Size(buffer), buffer.data());
}

uint32_t Directories::GetSystemDirectoryA(std::span<char> buffer) const {
  return ::GetSystemDirectoryA(buffer.data(), Size(buffer));
}

uint32_t Directories::GetWindowsDirectoryA(std::span<char> buffer) const {
  return ::GetWindowsDirectoryA(buffer.data(), Size(buffer));
}

namespace {

// A name query's size after the call: on success the name's length; when the
// name did not fit, the size it needs (the caller asks again with it); after
// any other failure 0, so that no size is taken for one.
uint32_t NameSize(BOOL ok, DWORD n) {
  if (ok) return n;
  const DWORD error = GetLastError();
  return error == ERROR_BUFFER_OVERFLOW || error == ERROR_INSUFFICIENT_BUFFER ||
                 error == ERROR_MORE_DATA
             ? n
             : 0;
}

}  // namespace

int32_t Names::GetComputerNameA(std::span<char> buffer, uint32_t& size) const {
  DWORD n = size < Size(buffer) ? size : Size(buffer);
  const BOOL ok = ::GetComputerNameA(buffer.data(), &n);
  size = NameSize(ok, n);
  return ok;
}

int32_t Names::GetUserNameA(std::span<char> buffer, uint32_t& size) const {
  DWORD n = size < Size(buffer) ? size : Size(buffer);
  const BOOL ok = ::GetUserNameA(buffer.data(), &n);
  size = NameSize(ok, n);
  return ok;
}

int32_t Version::GetVersionExA(OsVersionInfo& info) const {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExA(&version)) return 0;
#pragma GCC diagnostic pop
  info.majorVersion = static_cast<int32_t>(version.dwMajorVersion);
  info.minorVersion = static_cast<int32_t>(version.dwMinorVersion);
  info.buildNumber = static_cast<int32_t>(version.dwBuildNumber);
  info.platformId = static_cast<int32_t>(version.dwPlatformId);
  info.csdVersion.assign(version.szCSDVersion,
                         strnlen(version.szCSDVersion, sizeof version.szCSDVersion));
  return 1;
}

// ---- drives, volumes, disk space ------------------------------------------------

namespace {

using FreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
static_assert(std::is_same_v<FreeSpaceExFn, decltype(&::GetDiskFreeSpaceExA)>);  // bound by name

// The queries, asked on the query threads with what they own: 'T' the drive
// type (it opens the root, which a network drive whose server is gone can
// hold), 'V' the volume (asked with buffers of the largest size the system
// fills), 'S' the 64-bit space query, 'C' the cluster query.
QueryAnswer AnswerQuery(std::string_view request, FreeSpaceExFn freeSpaceEx) {
  if (request.empty()) return std::nullopt;
  const std::string root(request.substr(1));
  WireWriter out;
  switch (request.front()) {
    case 'T':
      return out.Number(::GetDriveTypeA(root.c_str())).Done();
    case 'V': {
      char volume[MAX_PATH + 1] = {}, fileSystem[MAX_PATH + 1] = {};
      DWORD serial = 0, maxComponentLength = 0, flags = 0;
      if (!::GetVolumeInformationA(root.c_str(), volume, sizeof volume, &serial,
                                   &maxComponentLength, &flags, fileSystem, sizeof fileSystem))
        return std::nullopt;
      return out.Number(serial).Number(maxComponentLength).Number(flags)
          .Text(std::string_view(volume, strnlen(volume, sizeof volume)))
          .Text(std::string_view(fileSystem, strnlen(fileSystem, sizeof fileSystem))).Done();
    }
    case 'S': {
      ULARGE_INTEGER available{}, total{}, free{};
      if (!freeSpaceEx || !freeSpaceEx(root.c_str(), &available, &total, &free)) return std::nullopt;
      return out.Number(available.QuadPart).Number(total.QuadPart).Number(free.QuadPart).Done();
    }
    case 'C': {
      DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
      if (!::GetDiskFreeSpaceA(root.c_str(), &sectors, &bytes, &freeClusters, &totalClusters))
        return std::nullopt;
      return out.Number(sectors).Number(bytes).Number(freeClusters).Number(totalClusters).Done();
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

FileSystems::FileSystems(EntryPointResolver resolve, std::chrono::milliseconds limit)
    : binding_(std::make_shared<Binding>(std::move(resolve))),
      queries_([binding = binding_](std::string_view request) {
        return AnswerQuery(request, reinterpret_cast<FreeSpaceExFn>(binding->FreeSpaceEx()));
      }, limit) {}

void* FileSystems::Binding::FreeSpaceEx() {
  std::call_once(bound, [this] { freeSpaceEx = resolve("kernel32", "GetDiskFreeSpaceExA"); });
  return freeSpaceEx;
}

QueryAnswer FileSystems::Answer(char op, std::string_view root) const {
  const std::string request = op + std::string(root);
  {
    std::lock_guard lock(preparedMutex_);
    if (const auto it = prepared_.find(request); it != prepared_.end()) return it->second;
  }
  return queries_.Ask(std::string(root), request);
}

std::vector<BlockingQuery> FileSystems::RootQueries(const std::vector<std::string>& roots) const {
  const char space = binding_->FreeSpaceEx() ? 'S' : 'C';
  std::vector<BlockingQuery> asked;
  for (const auto& root : roots)
    for (const char op : {'T', 'V', space}) asked.push_back({root, op + root});
  return asked;
}

void FileSystems::StartRoots(const std::vector<std::string>& roots) const {
  auto pending = queries_.Begin(RootQueries(roots));
  std::lock_guard lock(preparedMutex_);
  started_ = Started{roots, std::move(pending)};
}

void FileSystems::PrepareRoots(const std::vector<std::string>& roots) const {
  std::optional<Started> started;
  {
    std::lock_guard lock(preparedMutex_);
    started.swap(started_);
  }
  std::vector<BlockingQuery> asked = RootQueries(roots);
  std::vector<QueryAnswer> answers = started && started->roots == roots
                                         ? queries_.Finish(started->pending)
                                         : queries_.AskAll(asked);
  std::map<std::string, QueryAnswer, std::less<>> prepared;
  for (std::size_t i = 0; i < asked.size(); ++i)
    prepared[std::move(asked[i].request)] = std::move(answers[i]);
  std::lock_guard lock(preparedMutex_);
  prepared_ = std::move(prepared);
}

std::string FileSystems::VolumeLabelLookup(std::string_view root) const {
  const auto answer = Answer('V', root);
  if (!answer) throw DeviceUnavailableError();
  WireReader in(*answer);
  in.Number(), in.Number(), in.Number();
  return in.Text();
}

int32_t FileSystems::GetVolumeInformationA(std::string_view root, std::span<char> volumeName,
                                           uint32_t& serial, uint32_t& maxComponentLength,
                                           uint32_t& flags, std::span<char> fileSystemName) const {
  const auto answer = Answer('V', root);
  if (!answer) return 0;
  WireReader in(*answer);
  const auto s = in.Number(), m = in.Number(), f = in.Number();
  const std::string volume = in.Text(), fileSystem = in.Text();
  if (!in.Ok()) return 0;
  serial = static_cast<uint32_t>(s);
  maxComponentLength = static_cast<uint32_t>(m);
  flags = static_cast<uint32_t>(f);
  ansi_buffer::WriteCut(volume, volumeName);
  ansi_buffer::WriteCut(fileSystem, fileSystemName);
  return 1;
}

uint32_t FileSystems::GetLogicalDriveStringsA(std::span<char> buffer) const {
  return ::GetLogicalDriveStringsA(Size(buffer), buffer.data());
}

uint32_t FileSystems::GetDriveTypeA(std::string_view root) const {
  const auto answer = Answer('T', root);
  if (!answer) return DRIVE_UNKNOWN;
  WireReader in(*answer);
  const auto type = in.Number();
  return in.Ok() ? static_cast<uint32_t>(type) : DRIVE_UNKNOWN;
}

int32_t FileSystems::GetDiskFreeSpaceExA(std::string_view root,
                                         uint64_t& freeBytesAvailableToCaller,
                                         uint64_t& totalBytes, uint64_t& totalFreeBytes) const {
  if (!binding_->FreeSpaceEx()) throw MissingEntryPointError("kernel32", "GetDiskFreeSpaceExA");
  const auto answer = Answer('S', root);
  if (!answer) return 0;
  WireReader in(*answer);
  const auto a = in.Number(), t = in.Number(), f = in.Number();
  if (!in.Ok()) return 0;
  freeBytesAvailableToCaller = a;
  totalBytes = t;
  totalFreeBytes = f;
  return 1;
}

int32_t FileSystems::GetDiskFreeSpaceA(std::string_view root, int32_t& sectorsPerCluster,
                                       int32_t& bytesPerSector, int32_t& numberOfFreeClusters,
                                       int32_t& totalNumberOfClusters) const {
  const auto answer = Answer('C', root);
  if (!answer) return 0;
  WireReader in(*answer);
  const auto s = in.Number(), b = in.Number(), f = in.Number(), t = in.Number();
  if (!in.Ok()) return 0;
  sectorsPerCluster = static_cast<int32_t>(s);
  bytesPerSector = static_cast<int32_t>(b);
  numberOfFreeClusters = static_cast<int32_t>(f);
  totalNumberOfClusters = static_cast<int32_t>(t);
  return 1;
}

// ---- all of them ------------------------------------------------------------------

OsServices OsServicesSet::Services() const {
  return {ansi_,  memory_,  processor_,   keyboard_,    directories_,
          names_, version_, fileSystems_, fileSystems_, fileSystems_, numbers_,
          details_};
}

}  // namespace kv::win32
