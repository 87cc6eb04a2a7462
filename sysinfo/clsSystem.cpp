#include "sysinfo/clsSystem.h"

#include <cstdio>
#include <exception>
#include <limits>

#include "platform/errors.h"

namespace kv {
namespace {

// The provider's fixed text buffers: 50 bytes of the ANSI form, NUL included.
constexpr std::size_t kBufferSize = 50;
// A directory longer than the buffer is asked for again with the size the
// system reports, up to the longest path the systems know.
constexpr uint32_t kLongestPath = 32768;
// A name longer than the buffer likewise, up to a length no system gives a
// user or a computer.
constexpr uint32_t kLongestName = 1024;

std::string TrimTrailingSpaces(std::string s) {
  const auto end = s.find_last_not_of(' ');
  s.erase(end == std::string::npos ? 0 : end + 1);
  return s;
}

// Kilobytes of a byte count, rounded half to even, clamped to the largest
// 32-bit signed count.
int32_t Kilobytes(uint64_t bytes) {
  uint64_t q = bytes / 1024;
  const uint64_t r = bytes % 1024;
  if (r > 512 || (r == 512 && (q & 1) != 0)) ++q;
  constexpr auto kMax = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(q > kMax ? kMax : q);
}

int16_t ToInteger(int32_t value) {
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
    throw OverflowError();
  return static_cast<int16_t>(value);
}

uint8_t ToByte(int64_t value) {
  if (value < 0 || value > 255) throw OverflowError();
  return static_cast<uint8_t>(value);
}

}  // namespace

std::string TrimNull(const std::string& s) {
  const auto nul = s.find('\0');
  return nul == std::string::npos ? s : s.substr(0, nul);
}

void clsSystem::FreeMemory(uint8_t& btePercentUsed, int32_t& lngTotalRam,
                           int32_t& lngFreeRam) const {
  const MemoryStatus status = os_.memory.GlobalMemoryStatus();
  btePercentUsed = ToByte(status.memoryLoad);
  lngTotalRam = Kilobytes(status.totalPhys);
  lngFreeRam = Kilobytes(status.availPhys);
}

uint8_t clsSystem::FunctionKeys() const { return ToByte(os_.keyboard.GetKeyboardType(2)); }

std::string clsSystem::KeyboardType() const {
  switch (os_.keyboard.GetKeyboardType(0)) {
    case 1: return "IBM PC/XT or compatible (83 key)";
    case 2: return "Olivetti \"ico\" (102 key)";
    case 3: return "IBM PC/AT or compatible (84 key)";
    case 4: return "IBM enhanced (101 or 102 key)";
    case 5: return "Nokia 1050 or compatible";
    case 6: return "Nokia 9140 or compatible";
    case 7: return "Japanese";
    default: return "";
  }
}

void clsSystem::SystemInfo(std::string& strProcessor, int32_t& lngNumOfProcessors,
                           int32_t& lngActiveProcessor) const {
  const kv::SystemInfo info = os_.processor.GetSystemInfo();
  // The mask's 32 bits pass as they are; the system declares both fields signed.
  lngActiveProcessor = static_cast<int32_t>(info.activeProcessorMask);
  lngNumOfProcessors = static_cast<int32_t>(info.numberOfProcessors);
  switch (info.processorType) {
    case 386: strProcessor = "80386"; break;
    case 486: strProcessor = "80486"; break;
    case 586: strProcessor = "Intel Pentium"; break;
    default: break;
  }
}

std::string clsSystem::DirectoryQuery(Directory which) const {
  auto ask = [&](std::span<char> buffer) -> uint32_t {
    switch (which) {
      case Directory::Temp: return os_.directories.GetTempPathA(buffer);
      case Directory::System: return os_.directories.GetSystemDirectoryA(buffer);
      case Directory::Windows: return os_.directories.GetWindowsDirectoryA(buffer);
    }
    return 0;
  };
  std::string buffer = os_.ansi.ToAnsi(std::string(kBufferSize, ' '));
  uint32_t n = ask(buffer);
  // A path that does not fit: the system answered the size it needs and left
  // the buffer alone. Ask again with a buffer of that size, so that the whole
  // path comes back instead of a lone separator.
  for (int attempt = 0; attempt < 3 && n > buffer.size() && n <= kLongestPath; ++attempt) {
    buffer = os_.ansi.ToAnsi(std::string(n, ' '));
    n = ask(buffer);
  }
  if (static_cast<int32_t>(n) <= 0 || n > buffer.size()) return "";
  std::string s = TrimNull(TrimTrailingSpaces(os_.ansi.FromAnsi(buffer)));
  const char separator = os_.directories.Separator();
  if (s.empty() || s.back() != separator) s += separator;
  return s;
}

template <typename Query>
std::string clsSystem::NameQuery(Query query) const {
  std::string buffer = os_.ansi.ToAnsi(std::string(kBufferSize, ' '));
  uint32_t size = static_cast<uint32_t>(buffer.size());
  int32_t ok = query(std::span<char>(buffer), size);
  // A name that does not fit: the call failed and answered the size it
  // needs. Ask again with a buffer of that size, so that the whole name shows.
  for (int attempt = 0; attempt < 3 && ok <= 0 && size > buffer.size() && size <= kLongestName;
       ++attempt) {
    buffer = os_.ansi.ToAnsi(std::string(size, ' '));
    size = static_cast<uint32_t>(buffer.size());
    ok = query(std::span<char>(buffer), size);
  }
  if (ok <= 0) return "";
  return TrimNull(TrimTrailingSpaces(os_.ansi.FromAnsi(buffer)));
}

std::string clsSystem::TempDir() const { return DirectoryQuery(Directory::Temp); }
std::string clsSystem::SystemDir() const { return DirectoryQuery(Directory::System); }
std::string clsSystem::WinDir() const { return DirectoryQuery(Directory::Windows); }

std::string clsSystem::ComputerName() const {
  return NameQuery([&](std::span<char> b, uint32_t& s) { return os_.names.GetComputerNameA(b, s); });
}

std::string clsSystem::UserName() const {
  return NameQuery([&](std::span<char> b, uint32_t& s) { return os_.names.GetUserNameA(b, s); });
}

std::string clsSystem::SerialNumber(std::string strRoot) const {
  uint32_t serial = 0, maxComponentLength = 0, flags = 0;
  const int32_t ok = os_.volumes.GetVolumeInformationA(os_.ansi.ToAnsi(strRoot), {}, serial,
                                                       maxComponentLength, flags, {});
  if (ok == 0) return "0000-0000";
  char hex[10];
  std::snprintf(hex, sizeof hex, "%04X-%04X", static_cast<unsigned>(serial >> 16),
                static_cast<unsigned>(serial & 0xFFFFu));
  return hex;
}

std::string clsSystem::VolumeLabel(std::string strRoot) const {
  try {
    std::string s = TrimNull(os_.ansi.FromAnsi(os_.volumes.VolumeLabelLookup(os_.ansi.ToAnsi(strRoot))));
    return s.empty() ? "NoName" : s;
  } catch (const std::exception&) {
    // An unreadable root (no such drive, no medium) has no label to show.
    return "";
  }
}

void clsSystem::WinVer(int16_t& intMajor, int16_t& intMinor, std::string& strPlatform) const {
  OsVersionInfo info;
  if (os_.version.GetVersionExA(info) == 0) {
    intMajor = 0;
    intMinor = 0;
    strPlatform.clear();
    return;
  }
  intMajor = ToInteger(info.majorVersion);
  intMinor = ToInteger(info.minorVersion);
  switch (info.platformId) {
    case kPlatformWin32s:
      strPlatform = "Windows " + std::to_string(intMajor) + "." + std::to_string(intMinor);
      break;
    case kPlatformWin32Windows: strPlatform = "Windows 95/98"; break;
    case kPlatformWin32Nt: strPlatform = "Windows NT or Windows 2000"; break;
    default: break;
  }
}

}  // namespace kv
