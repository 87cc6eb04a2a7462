// The composition root's view of the platform: one implementation per
// operating system, picked by CMake.
#pragma once

#include <memory>

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

enum class Presentation { Window, Text };

// True where the program reads its command line (Linux: --text, --help,
// --version). Windows programs of this kind take none: every argument (a
// shortcut's, a file dropped on the program) is ignored there.
bool TakesCommandLine();

// True when a window can be opened (Linux: DISPLAY or WAYLAND_DISPLAY is set;
// Windows: always).
bool HasDisplay();

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
