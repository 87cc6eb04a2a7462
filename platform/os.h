// The operating-system services the provider and the drive report query.
//
// Each interface mirrors the system function of the same name as a 32-bit
// Windows program sees it: text goes in and comes back as bytes of the ANSI
// code page (see ansi.h), fixed buffers are filled as the "A" functions fill
// them, and a failure is reported through the result, never by throwing,
// unless a declaration says otherwise. Every declaration states its unit and
// its failure value. The Linux and Win32 layers implement them; tests use the
// scriptable fakes in tests/fakes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ansi.h"

namespace kv {

// ---- memory -----------------------------------------------------------------

struct MemoryStatus {
  uint32_t memoryLoad = 0;  // percent of physical memory in use, 0 to 100
  uint64_t totalPhys = 0;   // bytes of physical memory
  uint64_t availPhys = 0;   // bytes of physical memory available
};

class IMemory {
 public:
  virtual ~IMemory() = default;
  // GlobalMemoryStatus. Cannot fail: a figure the system cannot tell is 0.
  // Byte counts are 64-bit, so machines with more than 4 GiB report the real amount.
  virtual MemoryStatus GlobalMemoryStatus() const = 0;
};

// ---- processors -------------------------------------------------------------

struct SystemInfo {
  uint32_t activeProcessorMask = 0;  // bit n set: processor n is active (bits 0 to 31)
  uint32_t numberOfProcessors = 0;   // logical processors online
  uint32_t processorType = 0;        // 386, 486, 586 (PROCESSOR_INTEL_*), 0 when unknown
};

class IProcessor {
 public:
  virtual ~IProcessor() = default;
  // GetSystemInfo. Cannot fail: a figure the system cannot tell is 0.
  virtual SystemInfo GetSystemInfo() const = 0;
};

// ---- keyboard ---------------------------------------------------------------

class IKeyboard {
 public:
  virtual ~IKeyboard() = default;
  // GetKeyboardType. typeFlag 0: the keyboard type code (4 enhanced 101/102-key,
  // 7 Japanese, ...); typeFlag 2: the number of function keys. 0 on failure.
  virtual int32_t GetKeyboardType(int32_t typeFlag) const = 0;
};

// ---- directories ------------------------------------------------------------

class IDirectories {
 public:
  virtual ~IDirectories() = default;
  // GetTempPathA / GetSystemDirectoryA / GetWindowsDirectoryA.
  // When the path and its NUL fit the buffer: writes them and answers the
  // number of bytes written without the NUL. When they do not fit: leaves the
  // buffer alone and answers the size needed, NUL included (greater than
  // buffer.size()). 0 on failure. The path of the temporary directory ends
  // with the platform's separator; the other two do not.
  virtual uint32_t GetTempPathA(std::span<char> buffer) const = 0;
  virtual uint32_t GetSystemDirectoryA(std::span<char> buffer) const = 0;
  virtual uint32_t GetWindowsDirectoryA(std::span<char> buffer) const = 0;
  // The platform's directory separator: '\\' on Windows, '/' on Linux.
  virtual char Separator() const = 0;
};

// ---- names ------------------------------------------------------------------

class INames {
 public:
  virtual ~INames() = default;
  // GetComputerNameA / GetUserNameA. On entry size is the buffer's size in
  // bytes (buffer.size()). On success writes the name and a NUL and answers
  // nonzero. When the name and its NUL need more than size bytes, or the name
  // cannot be read, answers 0 (the buffer may be left as it was); size is
  // then the size needed where known.
  virtual int32_t GetComputerNameA(std::span<char> buffer, uint32_t& size) const = 0;
  virtual int32_t GetUserNameA(std::span<char> buffer, uint32_t& size) const = 0;
};

// ---- version ----------------------------------------------------------------

inline constexpr int32_t kPlatformWin32s = 0;
inline constexpr int32_t kPlatformWin32Windows = 1;
inline constexpr int32_t kPlatformWin32Nt = 2;
// The platform id the Linux layer reports: none of the Windows families.
inline constexpr int32_t kPlatformLinux = 0x4C58;

struct OsVersionInfo {
  int32_t majorVersion = 0;
  int32_t minorVersion = 0;
  int32_t buildNumber = 0;
  int32_t platformId = 0;
  std::string csdVersion;  // service-pack text, ANSI bytes
};

class IVersion {
 public:
  virtual ~IVersion() = default;
  // GetVersionExA. Nonzero on success with info filled; 0 on failure.
  virtual int32_t GetVersionExA(OsVersionInfo& info) const = 0;
};

// ---- volumes and drives -----------------------------------------------------

// GetDriveTypeA codes.
inline constexpr uint32_t kDriveUnknown = 0;
inline constexpr uint32_t kDriveNoRootDir = 1;
inline constexpr uint32_t kDriveRemovable = 2;
inline constexpr uint32_t kDriveFixed = 3;
inline constexpr uint32_t kDriveRemote = 4;
inline constexpr uint32_t kDriveCdRom = 5;
inline constexpr uint32_t kDriveRamDisk = 6;

class IVolumes {
 public:
  virtual ~IVolumes() = default;
  // The volume-label lookup of a root (ANSI bytes): the label, empty when the
  // volume has none. Throws kv::Error when the root cannot be read (no such
  // drive or mount point, no medium, no answer within the time limit).
  virtual std::string VolumeLabelLookup(std::string_view root) const = 0;
  // GetVolumeInformationA. Nonzero on success: serial, maxComponentLength and
  // flags are set, and each non-empty buffer holds its name (ANSI) and a NUL
  // (a name that does not fit is cut to buffer.size() - 1 bytes). 0 on
  // failure (unreadable root, no medium, no answer within the time limit):
  // the buffers and outputs are left as they were.
  virtual int32_t GetVolumeInformationA(std::string_view root, std::span<char> volumeName,
                                        uint32_t& serial, uint32_t& maxComponentLength,
                                        uint32_t& flags, std::span<char> fileSystemName) const = 0;
};

class IDriveList {
 public:
  virtual ~IDriveList() = default;
  // GetLogicalDriveStringsA. The list is each root (ANSI) followed by a NUL,
  // and one more NUL at the end. When the list fits the buffer: writes it and
  // answers its length without the final NUL. When it does not fit: answers
  // the size needed, final NUL included (greater than buffer.size()), and
  // leaves the buffer alone. 0 on failure.
  virtual uint32_t GetLogicalDriveStringsA(std::span<char> buffer) const = 0;
  // GetDriveTypeA: one of the kDrive* codes; kDriveUnknown when it cannot be told.
  virtual uint32_t GetDriveTypeA(std::string_view root) const = 0;
  // Announces the roots (ANSI) whose type, volume and space are about to be
  // asked, so that the platform asks about all of them at once, under one
  // time limit for them together. The calls on these roots that follow may
  // take those answers. A root that does not answer in time counts as
  // failed there (kDriveUnknown or the type the mount table alone gives, 0
  // from the volume and space calls) and is not asked again.
  virtual void PrepareRoots(const std::vector<std::string>& roots) const { (void)roots; }
  // Starts asking about the roots (ANSI) and returns at once, so that their
  // answers are on their way while the caller does other work; a
  // PrepareRoots with the same roots that follows takes them, its time limit
  // counted from here.
  virtual void StartRoots(const std::vector<std::string>& roots) const { (void)roots; }
};

class IDiskSpace {
 public:
  virtual ~IDiskSpace() = default;
  // GetDiskFreeSpaceExA, bytes. Nonzero on success with the three outputs set;
  // 0 on failure (no medium, unreadable, no answer within the time limit) with
  // the outputs left as they were. Throws kv::Error (missing entry point) on a
  // system that lacks the function.
  virtual int32_t GetDiskFreeSpaceExA(std::string_view root, uint64_t& freeBytesAvailableToCaller,
                                      uint64_t& totalBytes, uint64_t& totalFreeBytes) const = 0;
  // GetDiskFreeSpaceA, clusters. Nonzero on success with the four outputs set
  // (each a 32-bit value, read as signed as the system declares them); 0 on
  // failure with the outputs left as they were.
  virtual int32_t GetDiskFreeSpaceA(std::string_view root, int32_t& sectorsPerCluster,
                                    int32_t& bytesPerSector, int32_t& numberOfFreeClusters,
                                    int32_t& totalNumberOfClusters) const = 0;
};

// ---- number format ----------------------------------------------------------

// The separators of the user's locale, UTF-8 (already converted from the
// code page the system answers in).
struct NumberSeparators {
  std::string thousands = ",";
  std::string decimal = ".";
};

class INumberFormat {
 public:
  virtual ~INumberFormat() = default;
  // The user's thousands separator and decimal point (Windows: the user's
  // locale; Linux: LC_NUMERIC). Cannot fail: where the system has none, or
  // the locale groups no digits (C, POSIX), the answer is "," and ".".
  virtual NumberSeparators Separators() const = 0;
};

// ---- today's facts ----------------------------------------------------------

// What the system says of itself today, for a support report: UTF-8, each
// empty when the system does not say. Never a serial number.
struct SystemDetails {
  std::string osName;         // "Debian GNU/Linux 13 (trixie)", "Windows 11 Pro 24H2"
  std::string osBuild;        // the kernel release; Windows major.minor.build.revision
  std::string processorName;  // the processor's marketing name (or the board's model)
  std::string architecture;   // the machine's own: "x86_64", "aarch64"; "x86", "x64", "ARM64"
  std::string machine;        // vendor and product name
  bool operator==(const SystemDetails&) const = default;
};

class ISystemDetails {
 public:
  virtual ~ISystemDetails() = default;
  // Reads the facts now; cannot fail (what cannot be read is empty). Every
  // read is bounded like the other queries.
  virtual SystemDetails Details() const = 0;
};

// Everything the provider and the drive report ask of the operating system.
struct OsServices {
  const IAnsiCodePage& ansi;
  const IMemory& memory;
  const IProcessor& processor;
  const IKeyboard& keyboard;
  const IDirectories& directories;
  const INames& names;
  const IVersion& version;
  const IVolumes& volumes;
  const IDriveList& drives;
  const IDiskSpace& diskSpace;
  const INumberFormat& numbers;
  const ISystemDetails& details;
};

}  // namespace kv
