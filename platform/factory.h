// The composition root's view of the platform: one implementation per
// operating system, picked by CMake.
#pragma once

#include <memory>
#include <ostream>
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

// True when a display is designated, so that a window is to be tried (Linux:
// DISPLAY, WAYLAND_DISPLAY, WAYLAND_SOCKET or QT_QPA_PLATFORM is set; Windows:
// always). Whether it can be reached is found when the window system starts.
bool HasDisplay();

// The program's standard output, for what it prints (the text presentation,
// --help, --version). Call it first, before any file is opened.
std::ostream& StandardOutput();

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
// Throws kv::Error when the presentation cannot be started (no window system
// library, no display).
std::unique_ptr<AppPlatform> CreateAppPlatform(Presentation presentation, int& argc, char** argv,
                                               const OsServices& os);

}  // namespace kv
