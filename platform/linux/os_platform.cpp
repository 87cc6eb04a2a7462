// The composition of the Linux operating-system services.
#include <cstdlib>

#include "platform/factory.h"
#include "platform/linux/iconv_code_page.h"
#include "platform/linux/system_queries.h"
#include "platform/linux/volumes.h"

namespace kv {
namespace {

class LinuxOsPlatform final : public OsPlatform {
 public:
  LinuxOsPlatform() : fileSystems_(ansi_) {}

  OsServices Services() const override {
    return OsServices{ansi_,  memory_, processor_,   keyboard_,    directories_,
                      names_, version_, fileSystems_, fileSystems_, fileSystems_};
  }

 private:
  linux_os::IconvCodePage ansi_;
  linux_os::LinuxMemory memory_;
  linux_os::LinuxProcessor processor_;
  linux_os::LinuxKeyboard keyboard_;
  linux_os::LinuxDirectories directories_;
  linux_os::LinuxNames names_;
  linux_os::LinuxVersion version_;
  linux_os::LinuxFileSystems fileSystems_;
};

bool NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

std::unique_ptr<OsPlatform> CreateOsPlatform() { return std::make_unique<LinuxOsPlatform>(); }

bool HasDisplay() {
  return NonEmptyEnv("DISPLAY") || NonEmptyEnv("WAYLAND_DISPLAY") ||
         NonEmptyEnv("WAYLAND_SOCKET") || NonEmptyEnv("QT_QPA_PLATFORM");
}

}  // namespace kv
