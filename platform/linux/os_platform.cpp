// The composition of the Linux operating-system services.
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "platform/factory.h"
#include "platform/linux/helper_process.h"
#include "platform/linux/iconv_code_page.h"
#include "platform/linux/number_format.h"
#include "platform/linux/system_queries.h"
#include "platform/linux/volumes.h"

namespace kv {
namespace {

QueryAnswerer Answerer() {
  return [statVfs = linux_os::SystemStatVfs()](std::string_view request) {
    if (linux_os::IsSystemQuery(request)) return linux_os::AnswerSystemQuery(request);
    return linux_os::AnswerFileSystemQuery(request, statVfs);
  };
}

class LinuxOsPlatform final : public OsPlatform {
 public:
  // The helper starts now, while the program has one thread: a copy of the
  // program is ready long before the drive report asks, where a new program
  // started at the first query would add a whole program start.
  LinuxOsPlatform()
      : queries_(std::make_shared<linux_os::HelperProcessQueries>(
            linux_os::QueryHelperCommand(), linux_os::QueryLimit(), Answerer())),
        files_(queries_),
        memory_("/proc/meminfo", files_),
        keyboard_({}, files_),
        directories_(linux_os::ProcessEnvironment(), files_),
        names_(files_),
        fileSystems_(ansi_, {.queries = queries_}),
        numbers_(ansi_) {
    queries_->StartEarly();
  }

  OsServices Services() const override {
    return OsServices{ansi_,    memory_,      processor_,   keyboard_,    directories_, names_,
                      version_, fileSystems_, fileSystems_, fileSystems_, numbers_};
  }

 private:
  std::shared_ptr<linux_os::HelperProcessQueries> queries_;
  linux_os::IconvCodePage ansi_;
  linux_os::SystemFiles files_;
  linux_os::LinuxMemory memory_;
  linux_os::LinuxProcessor processor_;
  linux_os::LinuxKeyboard keyboard_;
  linux_os::LinuxDirectories directories_;
  linux_os::LinuxNames names_;
  linux_os::LinuxVersion version_;
  linux_os::LinuxFileSystems fileSystems_;
  linux_os::LinuxNumberFormat numbers_;
};

bool NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

std::unique_ptr<OsPlatform> CreateOsPlatform() { return std::make_unique<LinuxOsPlatform>(); }

bool TakesCommandLine() { return true; }

void RunPlatformHelperIfAsked(int argc, char** argv) {
  if (argc != 2 || argv[1] != linux_os::kQueryHelperArgument) return;
  linux_os::ServeQueries(STDIN_FILENO, Answerer());
  _exit(0);  // at once: threads stuck on a dead mount are not waited for
}

bool HasDisplay() {
  return NonEmptyEnv("DISPLAY") || NonEmptyEnv("WAYLAND_DISPLAY") ||
         NonEmptyEnv("WAYLAND_SOCKET") || NonEmptyEnv("QT_QPA_PLATFORM");
}

}  // namespace kv
