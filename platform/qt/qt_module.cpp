// The module's one exported entry point.
#include "platform/qt_module.h"

#include <cstdlib>

#include "platform/qt/qt_ui.h"

extern "C" __attribute__((visibility("default"))) kv::QtUi* kavreno_qt_create(int* argc,
                                                                              char** argv) {
  if (!argc || !argv) return nullptr;
  // Without a display (and no platform chosen by hand) Qt would abort the
  // process; the caller gets nullptr instead.
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
  };
  if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM")) return nullptr;
  try {
    return new kv::qt::QtUiImpl(*argc, argv);
  } catch (...) {
    return nullptr;
  }
}
