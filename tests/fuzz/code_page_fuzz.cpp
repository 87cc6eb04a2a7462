// The code-page conversion: the first byte chooses the code page, the rest is
// converted both ways. What comes back to the program is well-formed UTF-8;
// UTF-8 itself passes unchanged exactly when it is well formed.
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/iconv_code_page.h"
#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kv::fuzz;
  static const char* const kCharsets[] = {"UTF-8", "CP932", "EUC-JP", "ISO-2022-JP"};
  static const auto pages = [] {
    std::vector<std::unique_ptr<kv::linux_os::IconvCodePage>> p;
    for (const char* charset : kCharsets)
      p.push_back(std::make_unique<kv::linux_os::IconvCodePage>(charset));
    return p;
  }();
  if (size == 0) return 0;
  const auto& page = *pages[data[0] % pages.size()];
  const bool utf8 = data[0] % pages.size() == 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  const std::string text = page.FromAnsi(bytes);
  Require(WellFormedUtf8(text), "text from the code page is well-formed UTF-8");
  if (utf8) Require((text == bytes) == WellFormedUtf8(bytes), "UTF-8 passes unchanged when valid");
  const std::string ansi = page.ToAnsi(bytes);  // the same bytes, read as UTF-8
  if (utf8) Require(WellFormedUtf8(ansi), "UTF-8 out of the UTF-8 code page is well formed");
  Require(WellFormedUtf8(page.FromAnsi(page.ToAnsi(text))), "a round trip stays well formed");
  return 0;
}
