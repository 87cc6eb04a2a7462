// The name service configuration and /etc/passwd, as the user name is read
// from them: the services of a database and the name of a user id.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/linux/system_files.h"
#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using kv::fuzz::Require;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const auto& service : kv::linux_os::ParseNameServices(text, "passwd")) {
    Require(!service.empty(), "a service has a name");
    Require(service.find_first_of(" \t\r\n[#") == std::string::npos,
            "a service name holds no blank, line end, action or comment");
    Require(text.find(service) != std::string_view::npos, "a service is named in the text");
  }
  for (const unsigned long uid : {0ul, 1000ul, 4294967295ul}) {
    const auto name = kv::linux_os::ParsePasswdName(text, uid);
    if (!name) continue;
    Require(!name->empty(), "a user has a name");
    Require(name->find_first_of(":\n") == std::string::npos, "a name is one field of one line");
    // Some line, past its leading blanks, is "name:password:uid..." with this uid.
    bool found = false;
    for (std::size_t at = 0; at <= text.size() && !found;) {
      const std::size_t eol = std::min(text.find('\n', at), text.size());
      std::string line(text.substr(at, eol - at));
      at = eol + 1;
      line.erase(0, line.find_first_not_of(" \t"));
      if (!line.starts_with(*name + ":")) continue;
      const std::size_t id = line.find(':', name->size() + 1);
      if (id == std::string::npos) continue;
      const std::string field = line.substr(id + 1, line.find(':', id + 1) - id - 1);
      char* end = nullptr;
      found = !field.empty() && std::strtoul(field.c_str(), &end, 10) == uid && *end == '\0';
    }
    Require(found, "the name starts an entry of the text with the user id");
  }
  return 0;
}
