// The window system: the About dialog's keys and focus, every opening running
// the load step afresh, the hourglass around the load step and, in processes
// of their own, End and the module loaded through dlopen.
#include "platform/qt/qt_window_system.h"

#include <QCursor>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include "about/frmAbout_layout.h"
#include "platform/errors.h"
#include "qt_test_support.h"

using namespace kv;
using namespace kv::qt;
using kv::qttest::RecordingForm;

namespace {

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

}  // namespace

class QtWindowSystemTest : public QObject {
  Q_OBJECT

 private slots:
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
    QTest::newRow("End in the load step ends the process at once")
        << QStringList{"end-in-load"} << "load;beforeEnd;";
    QTest::newRow("the module through dlopen")
        << QStringList{"module", KAVRENO_QT_MODULE_FILE} << "ui=ok;loaded=1;";
  }
  void inItsOwnProcess() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    QProcess p;
    p.start(QStringLiteral(KAVRENO_TEST_HELPER), arguments);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), output);
  }
};

QTEST_MAIN(QtWindowSystemTest)
#include "qt_window_system_test.moc"
