// The Qt presentation as a whole: the application object with its Japanese
// fonts, translations and icon, the window system and the help engine.
#pragma once

#include <QApplication>
#include <QTranslator>
#include <memory>

#include "platform/qt/qt_help.h"
#include "platform/qt/qt_window_system.h"
#include "platform/qt_module.h"

namespace kv::qt {

// Gives every caption the platform's user-interface font with the installed
// Japanese families in its fallback list (see UiFontFamilies).
void ConfigureJapaneseFonts();

// The Japanese families of this system that the fallback list may use.
QStringList InstalledJapaneseFamilies();

// Loads Qt's own Japanese translation (standard buttons, context menus,
// dialogs) into translator and installs it; false when it is not installed.
bool LoadQtTranslation(QTranslator& translator);

class QtUiImpl final : public QtUi {
 public:
  // argc and argv must outlive the object. The help file is looked for in
  // helpDirs, in order.
  QtUiImpl(int& argc, char** argv, QStringList helpDirs);
  ~QtUiImpl() override;

  IWindowSystem& Windows() override { return *windows_; }
  IHelpEngine& Help() override { return *help_; }
  void SetReportSource(ReportSource source) override {
    windows_->SetReportSource(std::move(source));
  }
  QtWindowSystem& QtWindows() { return *windows_; }
  QtHelpEngine& QtHelp() { return *help_; }

 private:
  QApplication app_;
  QTranslator translator_;
  std::unique_ptr<QtHelpEngine> help_;
  std::unique_ptr<QtWindowSystem> windows_;
};

}  // namespace kv::qt
