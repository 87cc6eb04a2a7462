// The composition root's view of the platform: one implementation per
// operating system, picked by CMake.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <string>

#include "platform/os.h"
#include "platform/ui.h"

namespace kv {

class OsPlatform {
 public:
  virtual ~OsPlatform() = default;
  virtual OsServices Services() const = 0;
};

// The operating system's services, owned by the returned object.
std::unique_ptr<OsPlatform> CreateOsPlatform();

// When the program was started as a helper of the platform's own (the
// command line tells), serves as one and ends the process; returns
// otherwise. Called first thing in main.
void RunPlatformHelperIfAsked(int argc, char** argv);

enum class Presentation { Window, Text };

// True where the program reads its command line (Linux: --text, --help,
// --version). Windows programs of this kind take none: every argument (a
// shortcut's, a file dropped on the program) is ignored there.
bool TakesCommandLine();

// True when a display is designated, so that a window is to be tried (Linux:
// DISPLAY, WAYLAND_DISPLAY, WAYLAND_SOCKET or QT_QPA_PLATFORM is set; Windows:
// always). Whether it can be reached is found when the window system starts.
bool HasDisplay();

// The program's standard output, for what it prints (the text presentation,
// --help, --version), and its standard error. OpenStandardOutput comes
// first, before any file is opened.
void OpenStandardOutput();
void WriteStandardOutput(std::string_view text);
void WriteStandardError(std::string_view text);

// Writes out what is still held for the standard output and answers why the
// output could not all be written: "" when it was (or nothing was written),
// else the system's description of the failure.
std::string FinishStandardOutput();

class AppPlatform {
 public:
  virtual ~AppPlatform() = default;
  virtual AppServices Services() = 0;
};

// The window system of the given presentation and the application services.
// With a text filter, the text presentation's whole output passes through it
// before it reaches the standard output, however the program ends (for the
// support report and for leaving the names out). A window's context menu
// makes the support report from os.
// Throws kv::Error when the presentation cannot be started (no window system
// library, no display).
using TextFilter = std::function<std::string(std::string text)>;
std::unique_ptr<AppPlatform> CreateAppPlatform(Presentation presentation, int& argc, char** argv,
                                               const OsServices& os, TextFilter textFilter = {});

}  // namespace kv
