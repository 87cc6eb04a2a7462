#include "platform/linux/system_details.h"

#include <sys/utsname.h>

#include <algorithm>

#include "platform/support_report.h"

namespace kv::linux_os {
namespace {

std::string Unquote(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\'') {
      const auto close = value.find('\'', i + 1);
      if (close == std::string_view::npos) return out + std::string(value.substr(i + 1));
      out += value.substr(i + 1, close - i - 1);
      i = close;
    } else if (c == '"') {
      for (++i; i < value.size() && value[i] != '"'; ++i) {
        if (value[i] == '\\' && i + 1 < value.size() &&
            std::string_view("\"\\$`").find(value[i + 1]) != std::string_view::npos)
          ++i;
        out += value[i];
      }
    } else if (c == '\\' && i + 1 < value.size()) {
      out += value[++i];
    } else if (c == '#' && (i == 0 || value[i - 1] == ' ' || value[i - 1] == '\t')) {
      break;  // a comment after the value
    } else {
      out += c;
    }
  }
  return std::string(TrimBlanks(out));
}

}  // namespace

std::optional<std::string> ParseOsReleaseValue(std::string_view text, std::string_view key) {
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = TrimBlanks(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos || TrimBlanks(line.substr(0, eq)) != key) continue;
    return Unquote(TrimBlanks(line.substr(eq + 1)));
  }
  return std::nullopt;
}

std::string ParseCpuModelName(std::string_view cpuinfo) {
  while (!cpuinfo.empty()) {
    const auto end = cpuinfo.find('\n');
    const std::string_view line = cpuinfo.substr(0, end);
    cpuinfo = end == std::string_view::npos ? std::string_view() : cpuinfo.substr(end + 1);
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || TrimBlanks(line.substr(0, colon)) != "model name") continue;
    std::string name;
    for (const char c : TrimBlanks(line.substr(colon + 1))) {
      const bool blank = c == ' ' || c == '\t';
      if (blank && !name.empty() && name.back() == ' ') continue;
      name += blank ? ' ' : c;
    }
    if (!name.empty()) return name;
  }
  return {};
}

std::string TrimFactText(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  return std::string(TrimBlanks(text));
}

bool OnSysfs(std::string_view mountinfo, std::string_view path) {
  std::size_t longest = 0;
  std::string_view type;
  while (!mountinfo.empty()) {
    const auto end = mountinfo.find('\n');
    std::string_view line = mountinfo.substr(0, end);
    mountinfo = end == std::string_view::npos ? std::string_view() : mountinfo.substr(end + 1);
    // ID PARENT MAJOR:MINOR ROOT MOUNT_POINT OPTIONS [TAGS...] - TYPE SOURCE OPTIONS
    std::string_view field[5];
    for (auto& f : field) {
      line = line.substr(std::min(line.size(), line.find_first_not_of(' ')));
      const auto space = line.find(' ');
      f = line.substr(0, space);
      line = space == std::string_view::npos ? std::string_view() : line.substr(space);
    }
    const auto dash = line.find(" - ");
    if (dash == std::string_view::npos) continue;
    std::string_view rest = line.substr(dash + 3);
    const std::string_view point = field[4];
    const bool above = point == "/" || path == point ||
                       (path.starts_with(point) && path.size() > point.size() &&
                        path[point.size()] == '/');
    if (!above || point.size() < longest) continue;
    longest = point.size();
    type = rest.substr(0, rest.find(' '));
  }
  return type == "sysfs";
}

std::optional<std::string> LinuxSystemDetails::ReadFactFile(const std::string& path) const {
  if (path.starts_with("/sys/")) {
    if (!mountinfo_) mountinfo_ = files_.Read(paths_.mountinfo).value_or("");
    if (OnSysfs(*mountinfo_, path)) return ReadRegularFile(path);
  }
  return files_.Read(path);
}

SystemDetails LinuxSystemDetails::Details() const {
  mountinfo_.reset();  // the mount table of now
  SystemDetails d;
  auto release = ReadFactFile(paths_.osRelease);
  if (!release) release = ReadFactFile(paths_.osReleaseFallback);
  if (release) d.osName = ParseOsReleaseValue(*release, "PRETTY_NAME").value_or("");

  struct utsname uts {};
  if (uname(&uts) == 0) {
    d.osBuild = uts.release;
    d.architecture = uts.machine;
  }

  if (const auto cpuinfo = ReadFactFile(paths_.cpuinfo))
    d.processorName = ParseCpuModelName(*cpuinfo);
  if (d.processorName.empty()) {
    if (const auto model = ReadFactFile(paths_.deviceTreeModel))
      d.processorName = TrimFactText(*model);
  }

  const auto vendor = ReadFactFile(paths_.dmiVendor);
  const auto product = ReadFactFile(paths_.dmiProduct);
  d.machine = MachineName(TrimFactText(vendor.value_or("")), TrimFactText(product.value_or("")));
  return d;
}

}  // namespace kv::linux_os
