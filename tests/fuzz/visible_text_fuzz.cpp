// The escaping of text from the system: what comes out can be shown as it
// is, escaping it again changes nothing, and text that needs no escape
// passes unchanged.
#include <string>

#include "platform/visible_text.h"
#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kv::fuzz;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string line = kv::VisibleLine(text);
  Require(Shown(line, false), "one line holds no raw control, separator or invalid byte");
  Require(kv::VisibleLine(line) == line, "escaping twice changes nothing");
  Require(!Shown(text, false) || line == text, "text that needs no escape passes unchanged");
  const std::string lines = kv::VisibleLines(text, "\r\n");
  Require(Shown(lines, true), "lines hold nothing raw but CR LF");
  return 0;
}
