// Memory, processor, keyboard, directory, name and version queries of the
// Linux layer, answered as Windows answers them for a 32-bit program on the
// same machine. Parsing is kept apart from reading: each parser takes a
// stream or a string, and each reader takes the paths it reads.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/linux/system_files.h"
#include "platform/os.h"

namespace kv::linux_os {

// ---- memory -----------------------------------------------------------------

// /proc/meminfo: total = MemTotal, available = MemAvailable (MemFree on kernels
// that lack it), load = the percentage in use, rounded. Lines it does not know
// or cannot read are skipped; a figure it cannot find is 0.
MemoryStatus ParseMemInfo(std::istream& in);

class LinuxMemory final : public IMemory {
 public:
  explicit LinuxMemory(std::string path = "/proc/meminfo", SystemFiles files = SystemFiles())
      : path_(std::move(path)), files_(std::move(files)) {}
  MemoryStatus GlobalMemoryStatus() const override;

 private:
  std::string path_;
  SystemFiles files_;
};

// ---- processors -------------------------------------------------------------

class LinuxProcessor final : public IProcessor {
 public:
  // Online logical processors; the mask of the processors this process may
  // run on (bits 0 to 31); type 586 on x86 and x86-64, 0 elsewhere.
  SystemInfo GetSystemInfo() const override;
};

// ---- keyboard ---------------------------------------------------------------

// The value of a shell-style assignment NAME=value in a file such as
// /etc/default/keyboard or /etc/vconsole.conf (quotes removed, "export" and
// comments allowed); nullopt when the name is not assigned.
std::optional<std::string> ParseShellAssignment(std::istream& in, std::string_view name);

// The first Option "XkbLayout" of an X11 configuration file; nullopt when none.
std::optional<std::string> ParseXkbLayoutOption(std::istream& in);

// GetKeyboardType(0) of a layout name: 7 for a Japanese layout ("jp",
// "jp106", "jp,us", ...), 4 for any other, 0 for an empty name. A list of
// layouts is judged by its first.
int32_t KeyboardTypeOfLayout(std::string_view layout);

struct KeyboardConfigPaths {
  std::string defaultKeyboard = "/etc/default/keyboard";  // XKBLAYOUT
  std::string vconsole = "/etc/vconsole.conf";            // XKBLAYOUT, KEYMAP
  std::string xorgConfDir = "/etc/X11/xorg.conf.d";       // *.conf, Option "XkbLayout"
};

class LinuxKeyboard final : public IKeyboard {
 public:
  explicit LinuxKeyboard(KeyboardConfigPaths paths = {}, SystemFiles files = SystemFiles())
      : paths_(std::move(paths)), files_(std::move(files)) {}
  // 0: the type (7 Japanese, 4 other); 1: the subtype, 0; 2: 12 function keys.
  // Every answer is 0 when no keyboard configuration can be read.
  int32_t GetKeyboardType(int32_t typeFlag) const override;
  // The configured layout as read from the files, in the order above.
  std::optional<std::string> ConfiguredLayout() const;

 private:
  KeyboardConfigPaths paths_;
  SystemFiles files_;
};

// ---- directories ------------------------------------------------------------

// Looks up an environment variable; nullopt when it is not set.
using EnvLookup = std::function<std::optional<std::string>(const char* name)>;
EnvLookup ProcessEnvironment();

class LinuxDirectories final : public IDirectories {
 public:
  explicit LinuxDirectories(EnvLookup env = ProcessEnvironment(), SystemFiles files = SystemFiles())
      : env_(std::move(env)), files_(std::move(files)) {}
  // $TMPDIR when it names an existing directory by an absolute path, else
  // /tmp; with a trailing '/'. 0 (failed) when the look at $TMPDIR did not
  // answer within the limit.
  uint32_t GetTempPathA(std::span<char> buffer) const override;
  uint32_t GetSystemDirectoryA(std::span<char> buffer) const override;   // /usr/lib
  uint32_t GetWindowsDirectoryA(std::span<char> buffer) const override;  // /
  char Separator() const override { return '/'; }

 private:
  EnvLookup env_;
  SystemFiles files_;
};

// ---- names ------------------------------------------------------------------

class LinuxNames final : public INames {
 public:
  explicit LinuxNames(SystemFiles files = SystemFiles()) : files_(std::move(files)) {}
  // The host name (uname's node name).
  int32_t GetComputerNameA(std::span<char> buffer, uint32_t& size) const override;
  // The name of the effective user, from the user database; 0 when it did
  // not answer within the limit.
  int32_t GetUserNameA(std::span<char> buffer, uint32_t& size) const override;

 private:
  SystemFiles files_;
};

// ---- version ----------------------------------------------------------------

// The first numbers of a kernel release ("6.1.0-18-amd64" gives 6, 1 and 0);
// nullopt when it does not start with a number. A missing minor or build
// number is 0.
std::optional<OsVersionInfo> ParseKernelRelease(std::string_view release);

class LinuxVersion final : public IVersion {
 public:
  // The running kernel's release; platformId is kPlatformLinux.
  int32_t GetVersionExA(OsVersionInfo& info) const override;
};

}  // namespace kv::linux_os
