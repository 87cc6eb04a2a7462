// Memory and processor queries.
#include <sched.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>

#include "platform/linux/system_queries.h"

namespace kv::linux_os {
namespace {

// "   24683772 kB" -> bytes; nullopt when the value is not a number.
std::optional<uint64_t> MemInfoBytes(std::string_view value) {
  const auto start = value.find_first_not_of(" \t");
  if (start == std::string_view::npos) return std::nullopt;
  value.remove_prefix(start);
  uint64_t n = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (ec == std::errc::result_out_of_range) return std::numeric_limits<uint64_t>::max();
  if (ec != std::errc()) return std::nullopt;
  std::string_view unit(end, static_cast<std::size_t>(value.data() + value.size() - end));
  const auto unitStart = unit.find_first_not_of(" \t");
  unit = unitStart == std::string_view::npos ? std::string_view() : unit.substr(unitStart);
  if (unit.starts_with("kB") || unit.starts_with("KB")) {
    if (n > std::numeric_limits<uint64_t>::max() / 1024) return std::numeric_limits<uint64_t>::max();
    n *= 1024;
  }
  return n;
}

}  // namespace

MemoryStatus ParseMemInfo(std::istream& in) {
  std::optional<uint64_t> total, available, free;
  std::string line;
  while (std::getline(in, line)) {
    const std::string_view l(line);
    const auto colon = l.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view key = l.substr(0, colon);
    const std::string_view value = l.substr(colon + 1);
    if (key == "MemTotal" && !total) total = MemInfoBytes(value);
    else if (key == "MemAvailable" && !available) available = MemInfoBytes(value);
    else if (key == "MemFree" && !free) free = MemInfoBytes(value);
  }
  MemoryStatus status;
  status.totalPhys = total.value_or(0);
  status.availPhys = available ? *available : free.value_or(0);
  if (status.availPhys > status.totalPhys) status.availPhys = status.totalPhys;
  if (status.totalPhys > 0) {
    const double used = static_cast<double>(status.totalPhys - status.availPhys);
    const double load = std::round(100.0 * used / static_cast<double>(status.totalPhys));
    status.memoryLoad = static_cast<uint32_t>(load < 0 ? 0 : (load > 100 ? 100 : load));
  }
  return status;
}

MemoryStatus LinuxMemory::GlobalMemoryStatus() const {
  const auto text = files_.Read(path_);
  if (!text) return {};
  std::istringstream in(*text);
  return ParseMemInfo(in);
}

SystemInfo LinuxProcessor::GetSystemInfo() const {
  SystemInfo info;
  const long online = sysconf(_SC_NPROCESSORS_ONLN);
  if (online > 0)
    info.numberOfProcessors =
        static_cast<uint32_t>(std::min<long>(online, std::numeric_limits<int32_t>::max()));
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    for (int cpu = 0; cpu < 32; ++cpu)
      if (CPU_ISSET(cpu, &set)) info.activeProcessorMask |= (1u << cpu);
  }
#if defined(__i386__) || defined(__x86_64__)
  info.processorType = 586;  // PROCESSOR_INTEL_PENTIUM, as Windows reports every x86 since
#else
  info.processorType = 0;
#endif
  return info;
}

}  // namespace kv::linux_os
