#include "platform/win32/os_services.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

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

// The root as the system wants it, NUL-terminated, and a copy that a worker
// thread can own.
std::string Terminated(std::string_view text) { return std::string(text); }

}  // namespace

// ---- memory -----------------------------------------------------------------

void* Memory::StatusEx() const {
  std::call_once(bound_, [this] { statusEx_ = resolve_("kernel32", "GlobalMemoryStatusEx"); });
  return statusEx_;
}

MemoryStatus Memory::GlobalMemoryStatus() const {
  using StatusExFn = BOOL(WINAPI*)(LPMEMORYSTATUSEX);
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

int32_t Names::GetComputerNameA(std::span<char> buffer, uint32_t& size) const {
  DWORD n = size < Size(buffer) ? size : Size(buffer);
  const BOOL ok = ::GetComputerNameA(buffer.data(), &n);
  size = n;
  return ok;
}

int32_t Names::GetUserNameA(std::span<char> buffer, uint32_t& size) const {
  DWORD n = size < Size(buffer) ? size : Size(buffer);
  const BOOL ok = ::GetUserNameA(buffer.data(), &n);
  size = n;
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

// ---- volumes ------------------------------------------------------------------

namespace {

// One volume query with buffers of its own, so that a query abandoned after
// the time limit writes only into memory that it owns.
struct VolumeAnswer {
  BOOL ok = FALSE;
  std::vector<char> volumeName, fileSystemName;
  DWORD serial = 0, maxComponentLength = 0, flags = 0;
};

std::optional<VolumeAnswer> QueryVolume(std::string_view root, size_t volumeNameSize,
                                        size_t fileSystemNameSize,
                                        std::chrono::milliseconds limit) {
  return CallWithTimeLimit(
      [root = Terminated(root), volumeNameSize, fileSystemNameSize] {
        VolumeAnswer a;
        a.volumeName.assign(volumeNameSize, '\0');
        a.fileSystemName.assign(fileSystemNameSize, '\0');
        a.ok = ::GetVolumeInformationA(
            root.c_str(), a.volumeName.empty() ? nullptr : a.volumeName.data(),
            static_cast<DWORD>(a.volumeName.size()), &a.serial, &a.maxComponentLength, &a.flags,
            a.fileSystemName.empty() ? nullptr : a.fileSystemName.data(),
            static_cast<DWORD>(a.fileSystemName.size()));
        return a;
      },
      limit);
}

// The name as the system wrote it, cut to fit the caller's buffer, with its NUL.
void CopyName(const std::vector<char>& name, std::span<char> buffer) {
  if (buffer.empty()) return;
  const size_t length = strnlen(name.data(), name.size());
  const size_t n = length < buffer.size() ? length : buffer.size() - 1;
  std::copy_n(name.begin(), n, buffer.begin());
  buffer[n] = '\0';
}

}  // namespace

std::string Volumes::VolumeLabelLookup(std::string_view root) const {
  const auto answer = QueryVolume(root, MAX_PATH + 1, 0, limit_);
  if (!answer || !answer->ok) throw DeviceUnavailableError();
  return std::string(answer->volumeName.data(),
                     strnlen(answer->volumeName.data(), answer->volumeName.size()));
}

int32_t Volumes::GetVolumeInformationA(std::string_view root, std::span<char> volumeName,
                                       uint32_t& serial, uint32_t& maxComponentLength,
                                       uint32_t& flags, std::span<char> fileSystemName) const {
  // The system is asked with buffers of the largest size it fills, and the
  // names are cut to the caller's buffers afterwards.
  const size_t volumeSize = volumeName.empty() ? 0 : MAX_PATH + 1;
  const size_t fileSystemSize = fileSystemName.empty() ? 0 : MAX_PATH + 1;
  const auto answer = QueryVolume(root, volumeSize, fileSystemSize, limit_);
  if (!answer || !answer->ok) return 0;
  serial = answer->serial;
  maxComponentLength = answer->maxComponentLength;
  flags = answer->flags;
  CopyName(answer->volumeName, volumeName);
  CopyName(answer->fileSystemName, fileSystemName);
  return 1;
}

// ---- drives -------------------------------------------------------------------

uint32_t Drives::GetLogicalDriveStringsA(std::span<char> buffer) const {
  return ::GetLogicalDriveStringsA(Size(buffer), buffer.data());
}

uint32_t Drives::GetDriveTypeA(std::string_view root) const {
  return ::GetDriveTypeA(Terminated(root).c_str());
}

// ---- disk space ----------------------------------------------------------------

void* DiskSpace::FreeSpaceEx() const {
  std::call_once(bound_, [this] { freeSpaceEx_ = resolve_("kernel32", "GetDiskFreeSpaceExA"); });
  return freeSpaceEx_;
}

int32_t DiskSpace::GetDiskFreeSpaceExA(std::string_view root, uint64_t& freeBytesAvailableToCaller,
                                       uint64_t& totalBytes, uint64_t& totalFreeBytes) const {
  using FreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
  const auto freeSpaceEx = reinterpret_cast<FreeSpaceExFn>(FreeSpaceEx());
  if (!freeSpaceEx) throw MissingEntryPointError("kernel32", "GetDiskFreeSpaceExA");
  struct Answer {
    BOOL ok = FALSE;
    ULARGE_INTEGER available{}, total{}, free{};
  };
  const auto answer = CallWithTimeLimit(
      [root = Terminated(root), freeSpaceEx] {
        Answer a;
        a.ok = freeSpaceEx(root.c_str(), &a.available, &a.total, &a.free);
        return a;
      },
      limit_);
  if (!answer || !answer->ok) return 0;
  freeBytesAvailableToCaller = answer->available.QuadPart;
  totalBytes = answer->total.QuadPart;
  totalFreeBytes = answer->free.QuadPart;
  return 1;
}

int32_t DiskSpace::GetDiskFreeSpaceA(std::string_view root, int32_t& sectorsPerCluster,
                                     int32_t& bytesPerSector, int32_t& numberOfFreeClusters,
                                     int32_t& totalNumberOfClusters) const {
  struct Answer {
    BOOL ok = FALSE;
    DWORD sectors = 0, bytes = 0, free = 0, total = 0;
  };
  const auto answer = CallWithTimeLimit(
      [root = Terminated(root)] {
        Answer a;
        a.ok = ::GetDiskFreeSpaceA(root.c_str(), &a.sectors, &a.bytes, &a.free, &a.total);
        return a;
      },
      limit_);
  if (!answer || !answer->ok) return 0;
  sectorsPerCluster = static_cast<int32_t>(answer->sectors);
  bytesPerSector = static_cast<int32_t>(answer->bytes);
  numberOfFreeClusters = static_cast<int32_t>(answer->free);
  totalNumberOfClusters = static_cast<int32_t>(answer->total);
  return 1;
}

// ---- all of them ------------------------------------------------------------------

OsServices OsServicesSet::Services() const {
  return {ansi_,  memory_,  processor_, keyboard_, directories_,
          names_, version_, volumes_,   drives_,   diskSpace_};
}

}  // namespace kv::win32
