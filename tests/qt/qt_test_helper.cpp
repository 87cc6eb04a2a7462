// Scenarios the tests run in a process of their own: End and unhandled errors
// end the process, and the module brings its own QApplication. Each prints
// what it saw to stdout; qt_process_test checks the output and exit status.
#include <dlfcn.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/errors.h"
#include "platform/qt/qt_window_system.h"
#include "platform/qt_module.h"
#include "test_forms.h"

using namespace kv;
using kv::qttest::RecordingForm;
using kv::qttest::SampleLayout;

namespace {

void Print(const QString& text) { std::fputs(text.toUtf8().constData(), stdout); }

// Fails the scenario if it has not ended by itself in time.
void Deadline() {
  QTimer::singleShot(20000, [] {
    Print("timeout;");
    std::fflush(stdout);
    std::_Exit(3);
  });
}

int Module(int argc, char** argv) {
  void* module = dlopen(argv[2], RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    Print(QString("dlopen failed: %1").arg(dlerror()));
    return 2;
  }
  auto create = reinterpret_cast<QtUi* (*)(int*, char**)>(dlsym(module, kKavrenoQtEntry));
  Print(QString("internal=%1;")
            .arg(dlsym(module, "_ZN2kv2qt9PlainTextESt17basic_string_viewIcSt11char_traitsIcEE")
                     ? "visible"
                     : "hidden"));
  if (!create) return 2;
  static int qtArgc = 1;
  QtUi* ui = create(&qtArgc, argv);
  (void)argc;
  if (!ui) {
    Print("ui=null;");
    return 0;
  }
  Print("ui=ok;");
  Print(QString("translated=%1;").arg(QCoreApplication::translate("QPlatformTheme", "Cancel")));
  Print(QString("families=%1;").arg(QApplication::font().families().join("|")));
  Print(QString("menuFamilies=%1;").arg(QApplication::font("QMenu").families().join("|")));
  Print(QString("icon=%1;").arg(QApplication::windowIcon().isNull() ? "none" : "set"));
  Print(QString("locale=%1;").arg(QLocale().name()));
  RecordingForm form(SampleLayout());
  ui->Windows().Load(form);
  Print(QString("loaded=%1;").arg(form.loads));
  ui->Windows().Unload(form);
  Print(QString("quit=%1;").arg(ui->Help().WinHelpA(0, "Kavreno.hlp", kHelpQuit, 0)));
  delete ui;
  return 0;
}

// An error thrown by the program's code and let through to the module's
// event dispatch: the module must know it as kv::Error across the library
// boundary, show its number and description, and end the program.
int ModuleUnhandled(char** argv) {
  void* module = dlopen(argv[2], RTLD_NOW | RTLD_LOCAL);
  auto create =
      module ? reinterpret_cast<QtUi* (*)(int*, char**)>(dlsym(module, kKavrenoQtEntry)) : nullptr;
  if (!create) return 2;
  static int qtArgc = 1;
  QtUi* ui = create(&qtArgc, argv);
  if (!ui) return 2;
  Deadline();
  RecordingForm form(SampleLayout());
  form.onClick = [](const std::string&, int) { throw kv::OverflowError(); };
  QTimer::singleShot(0, [] {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      poll->stop();
      Print(QString("box=%1;").arg(box->text()));
      box->buttons().first()->click();
    });
    poll->start(5);
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() != "frmSample") continue;
      if (auto* button = w->findChild<QPushButton*>("cmdGo")) button->click();
    }
  });
  return ui->Windows().Run(form) + 10;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string scenario = argc > 1 ? argv[1] : "";
  if (scenario == "module") return argc > 2 ? Module(argc, argv) : 2;
  if (scenario == "module-unhandled") return argc > 2 ? ModuleUnhandled(argv) : 2;
  if (scenario == "no-display") {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) unsetenv(name);
    void* module = argc > 2 ? dlopen(argv[2], RTLD_NOW | RTLD_LOCAL) : nullptr;
    auto create = module ? reinterpret_cast<QtUi* (*)(int*, char**)>(dlsym(module, kKavrenoQtEntry))
                         : nullptr;
    if (!create) return 2;
    static int qtArgc = 1;
    Print(create(&qtArgc, argv) ? "ui=ok;" : "ui=null;");
    return 0;
  }

  QApplication app(argc, argv);
  Deadline();
  qt::WindowSystemOptions options;
  options.exitAfterFirstPaint = scenario == "exit-after-paint";
  options.beforeEnd = [] { Print("beforeEnd;"); };
  qt::QtWindowSystem ws(std::move(options));
  RecordingForm form(SampleLayout());
  form.onUnload = [&] { Print("unload;"); };

  if (scenario == "end-in-load") {
    form.onLoad = [&](IForm&) {
      Print("load;");
      ws.End();
    };
  } else if (scenario == "close-main") {
    form.onUnload = [&] {
      Print("unload;");
      ws.End();
    };
    QTimer::singleShot(0, [&] { ws.FormOf(form)->Window()->close(); });
  } else if (scenario == "unhandled") {
    form.onClick = [](const std::string&, int) { throw kv::FileNotFoundError(); };
    QTimer::singleShot(0, [&] {
      auto* poll = new QTimer;
      QObject::connect(poll, &QTimer::timeout, [poll] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        poll->stop();
        Print(QString("box=%1|%2;").arg(box->windowTitle(), box->text()));
        box->buttons().first()->click();
      });
      poll->start(5);
      qobject_cast<QPushButton*>(ws.FormOf(form)->Control("cmdGo"))->click();
      Print("after click;");
    });
  } else if (scenario == "exit-after-paint") {
    form.onLoad = [&](IForm&) { Print("load;"); };
  } else {
    return 2;
  }
  const int status = ws.Run(form);
  Print(QString("returned %1;").arg(status));
  return 7;
}
