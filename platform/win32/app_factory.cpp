// The window system and the application services on Windows.
#include <cstdio>

#include "platform/factory.h"
#include "platform/win32/app_services.h"
#include "platform/win32/help_engine.h"
#include "platform/win32/ui/win32_window_system.h"

namespace kv {
namespace {

class Win32AppPlatform final : public AppPlatform {
 public:
  explicit Win32AppPlatform(const OsServices& os)
      : windows_(CreateWin32WindowSystem(ReportSource{
            [&os] { return os.details.Details(); },
            [&os] { return ShownNames(ReadPersonalNames(os)); },
        })),
        help_(os.version, os.ansi) {}
  AppServices Services() override { return {*windows_, help_, registry_, files_, programs_}; }

 private:
  std::unique_ptr<IWindowSystem> windows_;
  win32::HelpEngine help_;
  win32::Registry registry_;
  win32::Files files_;
  win32::Programs programs_;
};

}  // namespace

// Windows always shows the window: the presentation asked for makes no
// difference, and the program has no command line of its own to read.
std::unique_ptr<AppPlatform> CreateAppPlatform(Presentation presentation, int& argc, char** argv,
                                               const OsServices& os, TextFilter textFilter) {
  (void)textFilter;
  (void)presentation;
  (void)argc;
  (void)argv;
  return std::make_unique<Win32AppPlatform>(os);
}

// A GUI program prints only to a standard output it was given; the C
// stream's error flag tells whether the writes reached it. (No C++ streams:
// their library and locales would be loaded and set up at every start.)
void OpenStandardOutput() {}

void WriteStandardOutput(std::string_view text) {
  if (!text.empty()) std::fwrite(text.data(), 1, text.size(), stdout);
}

void WriteStandardError(std::string_view text) {
  if (!text.empty()) std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

std::string FinishStandardOutput() {
  const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
  return failed ? std::string("the output could not be written") : std::string();
}

}  // namespace kv
