// Today's facts of a Linux system for the support report: the OS's own name
// (os-release), the kernel, the processor's name, the architecture and the
// machine (DMI). Parsing is kept apart from reading, so that fixtures feed
// the parsers; the reader takes the paths it reads.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/system_files.h"
#include "platform/os.h"

namespace kv::linux_os {

// The value of a key in an os-release file (KEY=value lines; the value
// unquoted as a shell would: double quotes with \" \\ \$ \` escapes, single
// quotes taken literally); nullopt when the key is not there.
std::optional<std::string> ParseOsReleaseValue(std::string_view text, std::string_view key);

// The first "model name" of /proc/cpuinfo, its runs of blanks made one;
// empty when there is none.
std::string ParseCpuModelName(std::string_view cpuinfo);

// A text the kernel gives as a file: a device-tree string (ends with NUL) or
// a DMI field (ends with a line feed), without them and surrounding blanks.
std::string TrimFactText(std::string_view text);

struct SystemDetailPaths {
  std::string osRelease = "/etc/os-release";
  std::string osReleaseFallback = "/usr/lib/os-release";
  std::string cpuinfo = "/proc/cpuinfo";
  std::string deviceTreeModel = "/proc/device-tree/model";
  std::string dmiVendor = "/sys/class/dmi/id/sys_vendor";
  std::string dmiProduct = "/sys/class/dmi/id/product_name";
};

class LinuxSystemDetails final : public ISystemDetails {
 public:
  // files: the bounded reader every file goes through.
  explicit LinuxSystemDetails(SystemDetailPaths paths = {}, SystemFiles files = SystemFiles())
      : paths_(std::move(paths)), files_(std::move(files)) {}
  // The kernel release and machine come from uname.
  SystemDetails Details() const override;

 private:
  // Reads one of the files the facts come from.
  std::optional<std::string> ReadFactFile(const std::string& path) const;
  SystemDetailPaths paths_;
  SystemFiles files_;
};

}  // namespace kv::linux_os
