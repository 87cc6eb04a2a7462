// The module's one exported entry point.
#include "platform/qt_module.h"

#include <QFile>
#include <QStringList>
#include <chrono>
#include <exception>
#include <memory>
#include <string>

#include "platform/qt/qt_display.h"
#include "platform/qt/qt_ui.h"

extern "C" __attribute__((visibility("default"))) kv::QtUi* kavreno_qt_create(
    int* argc, char** argv, const KavrenoQtStart* start, const char** whyNot) {
  static std::string reason;
  const auto refuse = [whyNot](std::string why) -> kv::QtUi* {
    reason = std::move(why);
    if (whyNot) *whyNot = reason.c_str();
    return nullptr;
  };
  if (!argc || !argv || !start) return refuse("no command line");
  // Qt ends the process when it cannot start its platform: the display and
  // the plugin are looked at first.
  QStringList arguments;
  for (int i = 1; i < *argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  std::shared_ptr<void> probe;  // closed once Qt has its own connection
  const QString why = kv::qt::WhyNoWindow(arguments, kv::qt::ProcessEnvironment,
                                          std::chrono::milliseconds(start->queryLimitMs), &probe);
  if (!why.isEmpty()) return refuse(why.toStdString());
  QStringList helpDirs;
  for (const char* const* dir = start->helpDirs; dir && *dir; ++dir)
    helpDirs << QFile::decodeName(*dir);
  try {
    auto* ui = new kv::qt::QtUiImpl(*argc, argv, helpDirs);
    probe.reset();
    return ui;
  } catch (const std::exception& e) {
    return refuse(e.what());
  }
}
