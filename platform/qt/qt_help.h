// The help engine of the Qt presentation: the program's help file, an HTML
// document, shown in a help window of its own.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <map>
#include <string>

#include "platform/ui.h"

namespace kv::qt {

class QtHelpEngine final : public IHelpEngine {
 public:
  // A bare help file name is looked for in each of searchDirs, in order; a
  // name with a directory is taken as it is. Names arrive in the ANSI code
  // page, which is ansiCodeset (an iconv name).
  QtHelpEngine(QStringList searchDirs, std::string ansiCodeset);
  ~QtHelpEngine() override;

  // HELP_CONTENTS (and HELP_FINDER) shows the file's first page in its help
  // window, raising the window when it is open already; a file that cannot be
  // found gets the engine's own message box. HELP_QUIT closes the help windows.
  int32_t WinHelpA(std::uintptr_t window, std::string_view helpFile, uint32_t command,
                   std::uintptr_t data) override;

  void CloseAll();
  // The help window showing the file at path, if one is open.
  QWidget* WindowFor(const QString& path) const;
  // The path the engine finds for a help file name; empty when none.
  QString Locate(const QString& helpFile) const;

 private:
  int32_t Contents(const QString& helpFile);

  QStringList searchDirs_;
  std::string ansiCodeset_;
  std::map<QString, QPointer<QWidget>> windows_;
};

}  // namespace kv::qt
