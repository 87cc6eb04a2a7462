// The window system: whether a window can open, found before Qt starts (the
// platforms Qt would try, their plugins, the X server and the Wayland
// compositor's socket); the About dialog's keys and focus, every opening
// running the load step afresh, the hourglass around the load step and, in
// processes of their own, End and the module loaded through dlopen; copying the
// whole main window; and the help engine.
#include "platform/qt/qt_window_system.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QClipboard>
#include <QCursor>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>
#include <cstring>
#include <map>
#include <sstream>

#include "about/frmAbout_layout.h"
#include "app/frmSystem_layout.h"
#include "platform/console/console_windows.h"
#include "platform/errors.h"
#include "platform/qt/qt_display.h"
#include "platform/qt/qt_help.h"
#include "qt_test_support.h"

using namespace kv;
using namespace kv::qt;
using kv::qttest::RecordingForm;

namespace {

using Variables = std::map<QByteArray, QByteArray>;

Environment Only(Variables variables) {
  return [variables](const char* name) {
    const auto it = variables.find(name);
    return it == variables.end() ? QByteArray() : it->second;
  };
}

// A Unix socket at path; listening until the returned descriptor is closed.
int Listen(const QByteArray& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 1) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Shows the About dialog modally and runs act while it is up; OK unloads the
// dialog, and so does the end of act. Returns when Show does.
void ShowAbout(QtWindowSystem& ws, RecordingForm& about, std::function<void(QWidget*)> act) {
  about.onClick = [&](const std::string& control) {
    if (control == "cmdOK") ws.Unload(about);
  };
  QObject scope;
  qttest::WhenUp(&scope, &QApplication::activeModalWidget, [&](QWidget* modal) {
    act(modal);
    ws.Unload(about);
  });
  ws.Show(about, kModal);
}

int OverrideShape() {  // -1: none
  const QCursor* c = QGuiApplication::overrideCursor();
  return c ? int(c->shape()) : -1;
}

// Fills the main window as its load step does, with a value that the text
// presentation escapes.
void Fill(IForm& f) {
  f.SetCaption("Kavreno");
  f.SetControlCaption("lblComputerName", -1, "PC\x1b" "01");
  f.SetControlCaption("lblUsedMemory", -1, "37 %");
  f.TextBox("Text1").SetText("Disk C:\\\r\n  Volume Name: \r\n");
}

std::string TextPresentation() {
  RecordingForm form(frmSystemLayout());
  form.onLoad = Fill;
  std::ostringstream out, err;
  console::ConsoleWindowSystem ws(out, err, [](int) {});
  ws.Run(form);
  return out.str();
}

}  // namespace

Q_DECLARE_METATYPE(Variables)

class QtWindowSystemTest : public QObject {
  Q_OBJECT

 private slots:
  // Whether a window can open, found before Qt starts.
  void platformCandidates_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Variables>("env");
    QTest::addColumn<QByteArrayList>("platforms");
    const auto row = [](const char* name, QStringList args, Variables env, QByteArrayList p) {
      QTest::newRow(name) << args << env << p;
    };
    row("X11 by default", {}, {}, {"xcb"});
    row("a Wayland session, X11 after it", {}, {{"XDG_SESSION_TYPE", "wayland"}},
        {"wayland", "xcb"});
    row("GNOME's Wayland session keeps to X11", {},
        {{"XDG_SESSION_TYPE", "wayland"}, {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}}, {"xcb"});
    row("the environment's list, options dropped", {},
        {{"QT_QPA_PLATFORM", "wayland-egl:nodecor;xcb"}}, {"wayland-egl", "xcb"});
    row("the option before the environment", {"-style", "Fusion", "--platform", "offscreen"},
        {{"QT_QPA_PLATFORM", "xcb"}}, {"offscreen"});
  }
  void platformCandidates() {
    QFETCH(QStringList, arguments);
    QFETCH(Variables, env);
    QFETCH(QByteArrayList, platforms);
    QCOMPARE(PlatformCandidates(arguments, Only(env)), platforms);
  }

  void whyNoWindow_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Variables>("env");
    QTest::addColumn<QString>("why");  // "" when a window can open
    const auto row = [](const char* name, QStringList args, Variables env, const char* why) {
      QTest::newRow(name) << args << env << QString::fromUtf8(why);
    };
    row("offscreen needs no display", {}, {{"QT_QPA_PLATFORM", "offscreen"}}, "");
    row("no such plugin", {}, {{"QT_QPA_PLATFORM", "bogus"}},
        "Qt のプラットフォーム プラグイン \"bogus\" がありません");
    row("no such plugin, then one that starts", {}, {{"QT_QPA_PLATFORM", "bogus;offscreen"}}, "");
    row("X11 without DISPLAY", {}, {}, "DISPLAY が設定されていません");
    row("X11 with no server", {}, {{"DISPLAY", ":4321"}},
        "X ディスプレイ \":4321\" に接続できません");
    row("-display before DISPLAY", {"-display", "a::b"}, {{"DISPLAY", ":4321"}},
        "X ディスプレイ名 \"a::b\" が正しくありません");
    row("every reason, in order", {"-platform", "bogus;xcb"}, {},
        "Qt のプラットフォーム プラグイン \"bogus\" がありません; DISPLAY が設定されていません");
  }
  void whyNoWindow() {
    QFETCH(QStringList, arguments);
    QFETCH(Variables, env);
    QFETCH(QString, why);
    QCOMPARE(WhyNoWindow(arguments, Only(env)), why);
  }

  // A plugin that is there but cannot load (a library it needs is missing):
  // a copy of the offscreen plugin under a platform name of its own, needing
  // a Qt library that does not exist.
  void pluginThatCannotLoad() {
    QFile original(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqoffscreen.so");
    QVERIFY(original.open(QIODevice::ReadOnly));
    QByteArray plugin = original.readAll();
    QVERIFY(plugin.contains("libQt6Gui.so.6"));
    plugin.replace("offscreen", "kvbroken1").replace("libQt6Gui.so.6", "libQt6Gux.so.6");
    QTemporaryDir dir;
    QFile copy(dir.filePath("libqkvbroken1.so"));
    QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(plugin) == plugin.size());
    copy.close();
    const QString why =
        WhyNoWindow({"-platformpluginpath", dir.path(), "-platform", "kvbroken1"}, Only({}));
    QVERIFY2(why.startsWith("Qt のプラットフォーム プラグイン \"kvbroken1\" を読み込めません") &&
                 why.contains("libQt6Gux.so.6"),
             qPrintable(why));
  }

  void waylandCompositor() {
    QTemporaryDir runtime;
    const QByteArray dir = QFile::encodeName(runtime.path());
    const int live = Listen(dir + "/wayland-0");
    QVERIFY(live >= 0);
    const int gone = Listen(dir + "/wayland-gone");
    QVERIFY(gone >= 0);
    close(gone);  // the socket file stays, with no compositor behind it
    const struct {
      const char* name;
      Variables env;
      const char* why;  // how the reason starts; "" when a connection was made
    } table[] = {
        {"wayland-0 by default", {{"XDG_RUNTIME_DIR", dir}}, ""},
        {"an absolute path", {{"WAYLAND_DISPLAY", dir + "/wayland-0"}}, ""},
        {"handed down", {{"WAYLAND_SOCKET", "3"}}, ""},
        {"no compositor behind the socket",
         {{"XDG_RUNTIME_DIR", dir}, {"WAYLAND_DISPLAY", "wayland-gone"}},
         "Wayland コンポジタ"},
        {"no socket",
         {{"XDG_RUNTIME_DIR", dir}, {"WAYLAND_DISPLAY", "wayland-1"}},
         "Wayland コンポジタ"},
        {"no runtime folder",
         {{"WAYLAND_DISPLAY", "wayland-0"}},
         "XDG_RUNTIME_DIR が設定されていません"},
    };
    for (const auto& row : table) {
      const QString why = WhyNoWaylandCompositor(Only(row.env));
      QVERIFY2(*row.why ? why.startsWith(QString::fromUtf8(row.why)) : why.isEmpty(),
               qPrintable(QStringLiteral("%1: %2").arg(row.name, why)));
    }
    close(live);
  }

  // The About dialog's keys and focus.
  void aboutKeys_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("pressed");
    const auto row = [](const char* name, const char* focus, QKeySequence keys,
                        const char* pressed) {
      QTest::newRow(name) << QString(focus) << keys << QString(pressed);
    };
    row("Enter on OK", "cmdOK", Qt::Key_Return, "cmdOK");
    row("keypad Enter on OK", "cmdOK", Qt::KeypadModifier | Qt::Key_Enter, "cmdOK");
    row("Esc on OK", "cmdOK", Qt::Key_Escape, "cmdOK");
    row("Esc on system information", "cmdSysInfo", Qt::Key_Escape, "cmdOK");
    row("Enter on system information", "cmdSysInfo", Qt::Key_Return, "cmdSysInfo");
    row("access key S", "cmdOK", Qt::ALT | Qt::Key_S, "cmdSysInfo");
  }
  void aboutKeys() {
    QFETCH(QString, focus);
    QFETCH(QKeySequence, keys);
    QFETCH(QString, pressed);
    QtWindowSystem ws;
    RecordingForm about(frmAboutLayout());
    QString focusAtStart;
    ShowAbout(ws, about, [&](QWidget* modal) {
      // A window that went away just before may take the activation with it.
      for (int i = 0; i < 10 && !QTest::qWaitForWindowActive(modal, 200); ++i)
        modal->activateWindow();
      focusAtStart = modal->focusWidget() ? modal->focusWidget()->objectName() : QString();
      QWidget* target = ws.FormOf(about)->Control(focus.toStdString());
      target->setFocus();
      QTest::keySequence(target, keys);
      QTRY_VERIFY(!about.clicks.empty());  // an access key animates its button first
    });
    QCOMPARE(focusAtStart, QStringLiteral("cmdOK"));
    QCOMPARE(about.clicks.size(), size_t(1));
    QCOMPARE(about.clicks[0], std::make_pair(pressed.toStdString(), -1));
  }

  void everyOpeningRunsTheLoadStep() {
    QtWindowSystem ws;
    RecordingForm about(frmAboutLayout());
    about.onLoad = [&](IForm& f) {
      f.SetControlCaption("lblDisclaimer", -1, std::to_string(about.loads) + " KB");
    };
    for (int opening = 1; opening <= 2; ++opening) {
      QString shown;
      ShowAbout(ws, about, [&](QWidget* modal) {
        shown = modal->findChild<QLabel*>("lblDisclaimer")->text();
        qobject_cast<QPushButton*>(ws.FormOf(about)->Control("cmdOK"))->click();
      });
      QCOMPARE(shown, QStringLiteral("%1 KB").arg(opening));  // Show waited for the dialog
      QVERIFY(ws.FormOf(about) == nullptr);
    }
  }

  void hourglassAroundTheLoadStep_data() {
    QTest::addColumn<bool>("fails");
    QTest::newRow("load step ends normally") << false;
    QTest::newRow("load step fails") << true;
  }
  void hourglassAroundTheLoadStep() {
    QFETCH(bool, fails);
    QtWindowSystem ws;
    RecordingForm form(frmAboutLayout());
    int during = -1;
    form.onLoad = [&](IForm&) {
      ws.SetMousePointer(kPointerHourglass);
      during = OverrideShape();
      if (fails) throw OverflowError();
      ws.SetMousePointer(kPointerDefault);
    };
    if (fails) {
      QVERIFY_THROWS_EXCEPTION(Error, ws.Load(form));
    } else {
      ws.Load(form);
    }
    QCOMPARE(during, int(Qt::WaitCursor));
    QCOMPARE(OverrideShape(), -1);
    QCOMPARE(ws.FormOf(form) == nullptr, fails);  // a form whose load step failed is not kept
  }

  void inItsOwnProcess_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("status");
    QTest::newRow("End in the load step ends the process at once")
        << QStringList{"end-in-load"} << "load;beforeEnd;" << 0;
    QTest::newRow("an error no handler takes ends it with status 1, after a box")
        << QStringList{"error-in-click"}
        << QStringLiteral("box=実行時エラー '6':\n\nオーバーフローしました。;beforeEnd;") << 1;
    QTest::newRow("the module through dlopen")
        << QStringList{"module", KAVRENO_QT_MODULE_FILE} << "ui=ok;loaded=1;" << 0;
  }
  void inItsOwnProcess() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    QFETCH(int, status);
    QProcess p;
    p.start(QStringLiteral(KAVRENO_TEST_HELPER), arguments);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), status);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), output);
  }

  // Ctrl+C without a selection and the window's context menu put exactly what
  // the text presentation prints on the clipboard; with a selection, Ctrl+C
  // copies the selection as before.
  void copies_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("whole");
    QTest::newRow("Ctrl+C without a selection") << "keys" << true;
    QTest::newRow("Ctrl+C with a selection") << "selection" << false;
    QTest::newRow("context menu on a label") << "menu" << true;
  }
  void copies() {
    QFETCH(QString, how);
    QFETCH(bool, whole);
    QGuiApplication::clipboard()->clear();
    QtWindowSystem ws;
    RecordingForm form(frmSystemLayout());
    form.onLoad = Fill;
    QTimer::singleShot(0, [&] {
      QtForm* shown = ws.FormOf(form);
      auto* box = qobject_cast<QPlainTextEdit*>(shown->Control("Text1"));
      box->setFocus();
      if (how == "menu") {
        QWidget* label = shown->Control("lblComputerName");
        QObject scope;
        qttest::WhenUp(&scope, &QApplication::activePopupWidget, [](QWidget* popup) {
          QVERIFY(popup->findChild<QAction*>("copyAll"));
          QTest::keyClick(popup, Qt::Key_C);  // the item's access key
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2),
                                label->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(label, &event);
      } else {
        if (how == "selection") {
          QTextCursor cursor = box->textCursor();
          cursor.setPosition(0);
          cursor.setPosition(4, QTextCursor::KeepAnchor);
          box->setTextCursor(cursor);
        }
        QTest::keySequence(box, QKeySequence::Copy);
      }
      ws.Unload(form);  // ends the event loop
    });
    ws.Run(form);
    const std::string expected = whole ? TextPresentation() : "Disk";
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(expected));
    QVERIFY(QString::fromStdString(expected).contains(whole ? "PC\\x1b01" : "Disk"));
  }

  // The help window opens, comes back to the front when asked again and
  // closes every way it can; a help file that cannot be found gets the engine's
  // message.
  void opensRaisesAndCloses_data() {
    QTest::addColumn<QString>("how");  // keys, or "close" from the title bar, or HELP_QUIT
    for (const char* how : {"Esc", "Ctrl+W", "close", "HELP_QUIT"})
      QTest::newRow(how) << QString(how);
  }
  void opensRaisesAndCloses() {
    QFETCH(QString, how);
    QTemporaryDir empty, dir;
    const QString path = dir.filePath("Kavreno.hlp");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "<html><head><meta charset=\"utf-8\"><title>手引き</title></head><body>本文</body></html>");
    file.close();
    QtHelpEngine help({empty.path(), dir.path()}, "UTF-8");  // looked for in each, in order
    const auto open = [&] { return help.WinHelpA(0, "Kavreno.hlp", kHelpContents, 0); };
    QCOMPARE(open(), 1);
    QPointer<QWidget> window = help.WindowFor(path);
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("手引き"));
    auto* browser = window->findChild<QTextBrowser*>();
    QVERIFY(browser->toPlainText().contains(QStringLiteral("本文")));
    window->hide();  // asked again, the same window comes back
    QCOMPARE(open(), 1);
    QCOMPARE(help.WindowFor(path), window.data());
    QVERIFY(window->isVisible());
    if (how == "HELP_QUIT") {
      QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpQuit, 0), 1);
    } else if (how == "close") {
      window->close();
    } else {
      QVERIFY(QTest::qWaitForWindowActive(window));
      browser->setFocus();
      QTest::keySequence(browser, QKeySequence(how));
    }
    QTRY_VERIFY(window.isNull());
    QCOMPARE(open(), 1);  // closed, it opens afresh
    QVERIFY(help.WindowFor(path) && help.WindowFor(path)->isVisible());
  }

  void missingFileGetsTheEnginesMessage() {
    QTemporaryDir empty;
    QtHelpEngine help({empty.path()}, "UTF-8");
    QString title, text;
    QObject scope;
    qttest::WhenUp(&scope, &QApplication::activeModalWidget, [&](QWidget* modal) {
      title = modal->windowTitle();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) text = box->text();
      modal->close();
    });
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpContents, 0), 0);
    QCOMPARE(title, QStringLiteral("ヘルプ"));
    QCOMPARE(text, QStringLiteral("ヘルプ ファイル Kavreno.hlp が見つかりません。"));
  }
};

QTEST_MAIN(QtWindowSystemTest)
#include "qt_window_system_test.moc"
