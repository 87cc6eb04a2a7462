// The Qt window system lives in a module of its own (libkavreno-qt.so), which
// the Linux platform loads with dlopen only when a window opens, so that the
// text presentation, --help and --version never load Qt.
#pragma once

#include "platform/support_report.h"
#include "platform/ui.h"

namespace kv {

class QtUi {
 public:
  virtual ~QtUi() = default;
  virtual IWindowSystem& Windows() = 0;
  virtual IHelpEngine& Help() = 0;
  // Where the window's context menu takes the support report's facts and
  // the names it may leave out; asked only when the user chooses an item.
  virtual void SetReportSource(ReportSource source) = 0;
};

}  // namespace kv

// What the program tells the module as it starts it.
struct KavrenoQtStart {
  // How long the display may take to answer, in milliseconds.
  long queryLimitMs;
  // The folders the help file is looked for in, in order, ending with nullptr.
  const char* const* helpDirs;
};

// The module's one exported symbol. Makes sure a window can open (within the
// query limit), creates the QApplication (argc and argv must outlive the
// returned object) and answers the window system; nullptr when no window can
// be opened, with *whyNot set to the reason (one line, UTF-8, owned by the
// module).
extern "C" kv::QtUi* kavreno_qt_create(int* argc, char** argv, const KavrenoQtStart* start,
                                       const char** whyNot);
inline constexpr const char* kKavrenoQtModule = "libkavreno-qt.so";
inline constexpr const char* kKavrenoQtEntry = "kavreno_qt_create";
