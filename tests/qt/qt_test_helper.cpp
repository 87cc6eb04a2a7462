// Scenarios qt_window_system_test runs in a process of their own: End ends
// the process, an error no handler takes ends it too, and the module brings
// its own QApplication. Each prints what it saw to stdout.
#include <dlfcn.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <string>

#include "about/frmAbout_layout.h"
#include "platform/errors.h"
#include "platform/qt/qt_window_system.h"
#include "platform/qt_module.h"
#include "qt_test_support.h"

int main(int argc, char** argv) {
  const std::string scenario = argc > 1 ? argv[1] : "";
  kv::qttest::RecordingForm form(kv::frmAboutLayout());
  if (scenario == "module" && argc > 2) {
    void* module = dlopen(argv[2], RTLD_NOW | RTLD_LOCAL);
    void* entry = module ? dlsym(module, kKavrenoQtEntry) : nullptr;
    static int qtArgc = 1;
    kv::QtUi* ui =
        entry ? reinterpret_cast<decltype(&kavreno_qt_create)>(entry)(&qtArgc, argv, nullptr)
              : nullptr;
    if (!ui) return 2;
    std::printf("ui=ok;");
    ui->Windows().Load(form);
    std::printf("loaded=%d;", form.loads);
    ui->Windows().Unload(form);
    delete ui;
    return 0;
  }
  if (scenario != "end-in-load" && scenario != "error-in-click") return 2;
  QApplication app(argc, argv);
  kv::qt::QtWindowSystem ws({false, [] { std::printf("beforeEnd;"); }});
  if (scenario == "error-in-click") {
    // The button's click raises an error that nothing handles: a message box
    // says so, and OK on it ends the program.
    form.onClick = [](const std::string&) { throw kv::OverflowError(); };
    QObject scope;
    kv::qttest::WhenUp(&scope, &QApplication::activeModalWidget, [](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      std::printf("box=%s;", box ? box->text().toUtf8().constData() : "?");
      if (box) box->button(QMessageBox::Ok)->click();
    });
    QTimer::singleShot(0, [&] {
      qobject_cast<QPushButton*>(ws.FormOf(form)->Control("cmdOK"))->click();
    });
    std::printf("returned %d;", ws.Run(form));
    return 0;
  }
  form.onLoad = [&](kv::IForm&) {
    std::printf("load;");
    ws.End();
  };
  std::printf("returned %d;", ws.Run(form));
  return 7;
}
