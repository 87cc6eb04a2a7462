// /proc/meminfo: whatever the text, the figures stay consistent.
#include <sstream>
#include <string>

#include "platform/linux/system_queries.h"
#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kv::fuzz;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const kv::MemoryStatus status = kv::linux_os::ParseMemInfo(in);
  Require(status.memoryLoad <= 100, "the load is a percentage");
  Require(status.availPhys <= status.totalPhys, "no more memory available than there is");
  Require(status.totalPhys > 0 || status.memoryLoad == 0, "no load without memory");
  return 0;
}
