// Keyboard configuration: shell-style files and X11 configuration, and the
// keyboard type of the layout found.
#include <sstream>
#include <string>

#include "platform/linux/system_queries.h"
#include "tests/fuzz/fuzz_checks.h"

namespace {

void CheckLayout(const std::optional<std::string>& layout) {
  using kv::fuzz::Require;
  if (!layout) return;
  const int32_t type = kv::linux_os::KeyboardTypeOfLayout(*layout);
  Require(type == 0 || type == 4 || type == 7, "the type is 0, 4 or 7");
  Require(!layout->empty() || type == 0, "no layout, no type");
  Require(type == kv::linux_os::KeyboardTypeOfLayout(layout->substr(0, layout->find(','))),
          "a list of layouts is judged by its first");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const char* name : {"XKBLAYOUT", "KEYMAP"}) {
    std::istringstream in(text);
    CheckLayout(kv::linux_os::ParseShellAssignment(in, name));
  }
  std::istringstream in(text);
  CheckLayout(kv::linux_os::ParseXkbLayoutOption(in));
  return 0;
}
