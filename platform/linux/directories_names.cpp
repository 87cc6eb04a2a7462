// Directory, name and version queries.
#include <sys/utsname.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/ansi_buffer.h"
#include "platform/linux/system_queries.h"

namespace kv::linux_os {
namespace {

constexpr std::string_view kDefaultTemp = "/tmp/";
constexpr std::string_view kSystemDirectory = "/usr/lib";
constexpr std::string_view kWindowsDirectory = "/";

}  // namespace

EnvLookup ProcessEnvironment() {
  return [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
}

uint32_t LinuxDirectories::GetTempPathA(std::span<char> buffer) const {
  std::string path(kDefaultTemp);
  if (env_) {
    if (auto tmpdir = env_("TMPDIR");
        tmpdir && !tmpdir->empty() && tmpdir->front() == '/' &&
        tmpdir->find('\0') == std::string::npos) {
      const std::optional<bool> isDirectory = files_.IsDirectory(*tmpdir);
      if (!isDirectory) return 0;  // the directory's file system did not answer
      if (*isDirectory) {
        path = std::move(*tmpdir);
        if (path.back() != '/') path += '/';
      }
    }
  }
  return ansi_buffer::WriteText(path, buffer);
}

uint32_t LinuxDirectories::GetSystemDirectoryA(std::span<char> buffer) const {
  return ansi_buffer::WriteText(kSystemDirectory, buffer);
}

uint32_t LinuxDirectories::GetWindowsDirectoryA(std::span<char> buffer) const {
  return ansi_buffer::WriteText(kWindowsDirectory, buffer);
}

int32_t LinuxNames::GetComputerNameA(std::span<char> buffer, uint32_t& size) const {
  struct utsname u {};
  if (uname(&u) != 0) return 0;
  return ansi_buffer::WriteName(std::string_view(u.nodename, strnlen(u.nodename, sizeof u.nodename)), buffer,
                     size);
}

int32_t LinuxNames::GetUserNameA(std::span<char> buffer, uint32_t& size) const {
  const auto name = files_.UserName();
  if (!name) {
    size = 0;
    return 0;
  }
  return ansi_buffer::WriteName(*name, buffer, size);
}

std::optional<OsVersionInfo> ParseKernelRelease(std::string_view release) {
  // Reads a number at the front of s; nullopt when there is none or it is too large.
  auto number = [&release]() -> std::optional<int32_t> {
    int32_t n = 0;
    const auto [end, ec] = std::from_chars(release.data(), release.data() + release.size(), n);
    if (ec != std::errc() || n < 0) return std::nullopt;
    release.remove_prefix(static_cast<std::size_t>(end - release.data()));
    return n;
  };
  auto dotThenNumber = [&]() -> int32_t {
    if (release.size() < 2 || release[0] != '.' || release[1] < '0' || release[1] > '9') return 0;
    release.remove_prefix(1);
    return number().value_or(0);
  };
  if (release.empty() || release[0] < '0' || release[0] > '9') return std::nullopt;
  OsVersionInfo info;
  const auto major = number();
  if (!major) return std::nullopt;
  info.majorVersion = *major;
  info.minorVersion = dotThenNumber();
  info.buildNumber = dotThenNumber();
  info.platformId = kPlatformLinux;
  return info;
}

int32_t LinuxVersion::GetVersionExA(OsVersionInfo& info) const {
  struct utsname u {};
  if (uname(&u) != 0) return 0;
  const std::string_view release(u.release, strnlen(u.release, sizeof u.release));
  auto parsed = ParseKernelRelease(release);
  if (!parsed) return 0;
  parsed->csdVersion = std::string(release.substr(0, 127));
  info = std::move(*parsed);
  return 1;
}

}  // namespace kv::linux_os
