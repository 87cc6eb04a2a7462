// Renders the main window and the About dialog of the Qt presentation to PNG
// files. The forms are the program's own (frmSystem, frmAbout) and the window
// system is the Qt module, loaded as the program loads it; the operating
// system is a sample PC, so the pictures do not depend on the machine that
// makes them.
//
//   kavreno_screenshots OUTPUT_DIR SUFFIX [dark]
//
// writes OUTPUT_DIR/main-SUFFIX.png and OUTPUT_DIR/about-SUFFIX.png. The scale
// comes from Qt (QT_SCALE_FACTOR), the platform from QT_QPA_PLATFORM. With
// "dark", the windows are drawn in the Fusion style (given to Qt as the
// program's users give it, -style Fusion) with a dark palette whose buttons
// are lighter than the window, as in many dark desktop themes.
#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <string>

#include "app/frmSystem.h"
#include "platform/factory.h"
#include "tests/fakes/fake_os.h"

namespace {

QWidget* VisibleWindow(const QString& name) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == name && w->isVisible()) return w;
  }
  return nullptr;
}

bool Save(QWidget* window, const QString& path) {
  const bool ok = window->grab().save(path, "PNG");
  std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "cannot write",
               path.toLocal8Bit().constData());
  return ok;
}

void SamplePc(kv::test::FakeOs& pc) {
  pc.memory = {23, 268435456ull, 206569472ull};
  pc.system = {0x3, 2, 586};
  pc.keyboard = {{0, 7}, {2, 12}};
  pc.tempDir.path = "C:\\TEMP\\";
  pc.systemDir.path = "C:\\WINNT\\system32";
  pc.windowsDir.path = "C:\\WINNT";
  pc.computerName = "YAMADA-PC";
  pc.userName = "yamada";
  pc.version = kv::OsVersionInfo{5, 0, 2195, kv::kPlatformWin32Nt, {}};
  kv::test::FakeVolume floppy;
  floppy.driveType = kv::kDriveRemovable;
  floppy.label.reset();
  floppy.totalBytes.reset();
  floppy.freeBytes.reset();
  pc.AddRoot("A:\\", floppy);
  kv::test::FakeVolume disk;
  disk.label = "SYSTEM";
  disk.fileSystem = "NTFS";
  disk.totalBytes = 20003880960ull;
  disk.freeBytes = 7596408832ull;
  pc.AddRoot("C:\\", disk);
  kv::test::FakeVolume data;
  data.label = "DATA";
  data.fileSystem = "FAT32";
  data.totalBytes = 40007761920ull;
  data.freeBytes = 31138512896ull;
  pc.AddRoot("D:\\", data);
  kv::test::FakeVolume cd;
  cd.driveType = kv::kDriveCdRom;
  cd.label = "KAVRENO";
  cd.fileSystem = "CDFS";
  cd.totalBytes = 681574400ull;
  cd.freeBytes = 0;
  pc.AddRoot("E:\\", cd);
}

QPalette DarkPalette() {
  QPalette p(QColor(0x35, 0x35, 0x35));
  p.setColor(QPalette::Button, QColor(0x45, 0x45, 0x48));
  p.setColor(QPalette::Base, QColor(0x26, 0x26, 0x26));
  p.setColor(QPalette::AlternateBase, QColor(0x42, 0x42, 0x42));
  p.setColor(QPalette::Text, Qt::white);
  p.setColor(QPalette::WindowText, Qt::white);
  p.setColor(QPalette::ButtonText, Qt::white);
  p.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
  p.setColor(QPalette::HighlightedText, Qt::white);
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  const bool dark = argc == 4 && std::string(argv[3]) == "dark";
  if (argc != 3 && !dark) {
    std::fprintf(stderr, "usage: kavreno_screenshots OUTPUT_DIR SUFFIX [dark]\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  const QString suffix = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(dir);

  kv::test::FakeOs pc;
  SamplePc(pc);
  const kv::test::Utf8CodePage utf8;
  const kv::OsServices os = pc.Services(utf8);
  char style[] = "-style", fusion[] = "Fusion";
  char* qtArgv[] = {argv[0], style, fusion, nullptr};
  int qtArgc = dark ? 3 : 1;
  auto platform = kv::CreateAppPlatform(kv::Presentation::Window, qtArgc, qtArgv, os);
  if (dark) QApplication::setPalette(DarkPalette());
  kv::AppServices app = platform->Services();
  kv::frmSystem mainWindow(os, app);

  bool ok = true;
  QTimer::singleShot(300, [&] {
    QWidget* main = VisibleWindow("frmSystem");
    ok = main && Save(main, dir + "/main-" + suffix + ".png") && ok;
    // The About dialog is modal: take it from inside, then press its OK.
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
      QWidget* about = VisibleWindow("frmAbout");
      if (!about) return;
      poll->stop();
      QTimer::singleShot(200, [&, about] {
        ok = Save(about, dir + "/about-" + suffix + ".png") && ok;
        if (auto* button = about->findChild<QPushButton*>("cmdOK")) button->click();
      });
    });
    poll->start(20);
    mainWindow.Click("mnuFileItem", 3);
    std::fflush(stdout);
    if (!ok) std::_Exit(1);
    app.windows.End();
  });
  return app.windows.Run(mainWindow);
}
