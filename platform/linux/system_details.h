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

// Whether path lies on the kernel's sysfs, as the mount table (the text of
// /proc/self/mountinfo) tells: the mount that holds it, the last of the
// longest mount points above it, is of type sysfs. Such a file is the
// kernel's own memory and is read in the program; anything else mounted
// there (a FUSE file system) is read under the query limit.
bool OnSysfs(std::string_view mountinfo, std::string_view path);

struct SystemDetailPaths {
  std::string osRelease = "/etc/os-release";
  std::string osReleaseFallback = "/usr/lib/os-release";
  std::string cpuinfo = "/proc/cpuinfo";
  // Where /proc/device-tree and /sys/class/dmi/id lead.
  std::string deviceTreeModel = "/sys/firmware/devicetree/base/model";
  std::string dmiVendor = "/sys/devices/virtual/dmi/id/sys_vendor";
  std::string dmiProduct = "/sys/devices/virtual/dmi/id/product_name";
  std::string mountinfo = "/proc/self/mountinfo";
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
  mutable std::optional<std::string> mountinfo_;
};

}  // namespace kv::linux_os
