// The window system's form lifecycle, modal display, the About dialog's keys,
// closing by the close box, the application-wide pointer and message boxes.
#include "platform/qt/qt_window_system.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "about/frmAbout_layout.h"
#include "platform/errors.h"
#include "test_forms.h"

using namespace kv;
using namespace kv::qt;
using kv::qttest::RecordingForm;
using kv::qttest::SampleLayout;

Q_DECLARE_METATYPE(std::optional<std::string>)

namespace {

// Runs check on the next turn of the event loop that shows a modal widget.
void WhenModal(std::function<void(QWidget*)> check) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, check] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    check(modal);
  });
  timer->start();
}

// Activates a window; asks again when a window that went away in the
// meantime took the activation with it.
bool Activate(QWidget* window) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    window->activateWindow();
    if (QTest::qWaitForWindowActive(window, 200)) return true;
  }
  return false;
}

std::optional<Qt::CursorShape> OverrideShape() {
  const QCursor* c = QGuiApplication::overrideCursor();
  return c ? std::optional<Qt::CursorShape>(c->shape()) : std::nullopt;
}

}  // namespace

class QtWindowSystemTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    // Windows of the previous case go completely before the next one starts.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }

  void loadRunsOnceBeforeTheWindowShows() {
    QtWindowSystem ws;
    RecordingForm form(SampleLayout());
    bool visibleDuringLoad = true;
    form.onLoad = [&](IForm&) { visibleDuringLoad = ws.FormOf(form)->Window()->isVisible(); };
    ws.Load(form);
    ws.Load(form);
    QCOMPARE(form.loads, 1);
    QVERIFY(!visibleDuringLoad);
    QCOMPARE(form.attached.size(), size_t(1));
    QCOMPARE(form.attached[0], static_cast<IForm*>(ws.FormOf(form)));
    ws.Show(form, kModeless);
    QCOMPARE(form.loads, 1);
    QVERIFY(ws.FormOf(form)->Window()->isVisible());
  }

  void modalShowWaitsAndEveryOpeningIsFresh() {
    QtWindowSystem ws;
    RecordingForm main(SampleLayout());
    RecordingForm about(kv::frmAboutLayout());
    about.onClick = [&](const std::string& control, int) {
      if (control == "cmdOK") ws.Unload(about);
    };
    ws.Show(main, kModeless);
    for (int opening = 1; opening <= 2; ++opening) {
      QWidget* modalSeen = nullptr;
      WhenModal([&](QWidget* modal) {
        modalSeen = modal;
        qobject_cast<QPushButton*>(ws.FormOf(about)->Control("cmdOK"))->click();
      });
      ws.Show(about, kModal);
      // Show returned only after the dialog was unloaded.
      QVERIFY(modalSeen);
      QCOMPARE(modalSeen->objectName(), QStringLiteral("frmAbout"));
      QCOMPARE(about.loads, opening);
      QCOMPARE(about.unloads, opening);
      QVERIFY(ws.FormOf(about) == nullptr);
    }
    // Attached, detached, attached to a new form, detached.
    QCOMPARE(about.attached.size(), size_t(4));
    QVERIFY(about.attached[0] && about.attached[2]);
    QVERIFY(!about.attached[1] && !about.attached[3]);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
  }

  void aboutKeys_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("pressed");
    const int none = Qt::NoModifier;
    QTest::newRow("Enter on OK") << "cmdOK" << int(Qt::Key_Return) << none << "cmdOK";
    QTest::newRow("keypad Enter on OK")
        << "cmdOK" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "cmdOK";
    QTest::newRow("Esc on OK") << "cmdOK" << int(Qt::Key_Escape) << none << "cmdOK";
    QTest::newRow("Esc on system information")
        << "cmdSysInfo" << int(Qt::Key_Escape) << none << "cmdOK";
    QTest::newRow("Enter on system information")
        << "cmdSysInfo" << int(Qt::Key_Return) << none << "cmdSysInfo";
    QTest::newRow("Space on system information")
        << "cmdSysInfo" << int(Qt::Key_Space) << none << "cmdSysInfo";
    QTest::newRow("access key S") << "cmdOK" << int(Qt::Key_S) << int(Qt::AltModifier)
                                  << "cmdSysInfo";
  }
  void aboutKeys() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, pressed);
    QtWindowSystem ws;
    RecordingForm about(kv::frmAboutLayout());
    about.onClick = [&](const std::string& control, int) {
      if (control == "cmdOK") ws.Unload(about);
    };
    QString focusAtStart;
    QObject scope;  // ends the timer below with this case
    WhenModal([&](QWidget* modal) {
      // Whatever happens below, the dialog goes in the end, so Show returns.
      QTimer::singleShot(3000, &scope, [&] { ws.Unload(about); });
      QVERIFY(Activate(modal));
      QWidget* start = modal->focusWidget();
      focusAtStart = start ? start->objectName() : QString();
      QWidget* target = ws.FormOf(about)->Control(focus.toStdString());
      target->setFocus();
      QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
      // An access key presses its button with a short animation.
      QTRY_VERIFY(!about.clicks.empty());
      QTimer::singleShot(0, &scope, [&] { ws.Unload(about); });
    });
    ws.Show(about, kModal);
    QCOMPARE(focusAtStart, QStringLiteral("cmdOK"));
    QCOMPARE(about.clicks.size(), size_t(1));
    QCOMPARE(QString::fromStdString(about.clicks[0].first), pressed);
    QCOMPARE(about.clicks[0].second, -1);
  }

  void closeBox_data() {
    QTest::addColumn<int>("cancel");
    QTest::newRow("unload proceeds") << 0;
    QTest::newRow("unload cancelled") << 1;
  }
  void closeBox() {
    QFETCH(int, cancel);
    QtWindowSystem ws;
    RecordingForm form(SampleLayout());
    form.cancelUnload = static_cast<int16_t>(cancel);
    ws.Show(form, kModeless);
    QPointer<FormWindow> window = ws.FormOf(form)->Window();
    QVERIFY(!window->close());  // the window system decides, through Form_Unload
    QCOMPARE(form.unloads, 1);
    QCOMPARE(ws.FormOf(form) == nullptr, cancel == 0);
    QCOMPARE(window->isVisible(), cancel != 0);
    if (cancel == 0) QTRY_VERIFY(window.isNull());  // deleted once control returns
  }

  void unloadInsideItsOwnUnloadRunsOnce() {
    QtWindowSystem ws;
    RecordingForm form(SampleLayout());
    form.onUnload = [&] { ws.Unload(form); };
    ws.Load(form);
    ws.Unload(form);
    QCOMPARE(form.unloads, 1);
    QVERIFY(ws.FormOf(form) == nullptr);
    ws.Unload(form);  // not loaded: nothing to do
    QCOMPARE(form.unloads, 1);
  }

  void clicksReachTheCode_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("index");
    QTest::newRow("menu item") << "menu 0"
                               << "mnuItem" << 0;
    QTest::newRow("last menu item") << "menu 2"
                                    << "mnuItem" << 2;
    QTest::newRow("button") << "button"
                            << "cmdGo" << -1;
  }
  void clicksReachTheCode() {
    QFETCH(QString, what);
    QFETCH(QString, control);
    QFETCH(int, index);
    QtWindowSystem ws;
    RecordingForm form(SampleLayout());
    ws.Show(form, kModeless);
    QtForm* f = ws.FormOf(form);
    if (what == "button") {
      qobject_cast<QPushButton*>(f->Control("cmdGo"))->click();
    } else {
      const int position = what.back().digitValue();
      f->MenuBar()->actions()[0]->menu()->actions()[position]->trigger();
    }
    QCOMPARE(form.clicks.size(), size_t(1));
    QCOMPARE(form.clicks[0], std::make_pair(control.toStdString(), index));
  }

  void unloadFromItsOwnButton() {
    QtWindowSystem ws;
    RecordingForm form(SampleLayout());
    form.onClick = [&](const std::string&, int) { ws.Unload(form); };
    ws.Show(form, kModeless);
    QPointer<QWidget> button = ws.FormOf(form)->Control("cmdGo");
    qobject_cast<QPushButton*>(button.data())->click();
    QVERIFY(ws.FormOf(form) == nullptr);
    QTRY_VERIFY(button.isNull());
  }

  void failedLoadLeavesNothingBehind() {
    QtWindowSystem ws;
    RecordingForm form(SampleLayout());
    std::optional<Qt::CursorShape> during;
    form.onLoad = [&](IForm&) {
      ws.SetMousePointer(kPointerHourglass);
      during = OverrideShape();
      throw kv::OverflowError();
    };
    QVERIFY_THROWS_EXCEPTION(kv::Error, ws.Load(form));
    QCOMPARE(during, std::optional<Qt::CursorShape>(Qt::WaitCursor));
    QCOMPARE(OverrideShape(), std::nullopt);  // restored after the failure
    QVERIFY(ws.FormOf(form) == nullptr);
    QCOMPARE(form.attached.back(), nullptr);
    form.onLoad = nullptr;
    ws.Load(form);
    QCOMPARE(form.loads, 2);
    QVERIFY(ws.FormOf(form) != nullptr);
  }

  void hourglassDuringTheLoadStep() {
    QtWindowSystem ws;
    RecordingForm form(SampleLayout());
    std::optional<Qt::CursorShape> during;
    form.onLoad = [&](IForm&) {
      ws.SetMousePointer(kPointerHourglass);
      during = OverrideShape();
      ws.SetMousePointer(kPointerDefault);
    };
    ws.Load(form);
    QCOMPARE(during, std::optional<Qt::CursorShape>(Qt::WaitCursor));
    QCOMPARE(OverrideShape(), std::nullopt);
  }

  void pointer_data() {
    QTest::addColumn<QList<int>>("pointers");
    QTest::addColumn<int>("shape");  // -1: no override cursor
    QTest::newRow("hourglass") << QList<int>{11} << int(Qt::WaitCursor);
    QTest::newRow("set twice, restored once") << QList<int>{11, 11, 0} << -1;
    QTest::newRow("restored twice") << QList<int>{11, 0, 0} << -1;
    QTest::newRow("default alone") << QList<int>{0} << -1;
    QTest::newRow("changed, not stacked") << QList<int>{11, 13, 0} << -1;
    QTest::newRow("arrow and hourglass") << QList<int>{11, 13} << int(Qt::BusyCursor);
    QTest::newRow("unknown value is the default") << QList<int>{11, 99} << -1;
  }
  void pointer() {
    QFETCH(QList<int>, pointers);
    QFETCH(int, shape);
    {
      QtWindowSystem ws;
      for (int p : pointers) ws.SetMousePointer(p);
      QCOMPARE(OverrideShape(),
               shape < 0 ? std::nullopt : std::optional<Qt::CursorShape>(Qt::CursorShape(shape)));
    }
    QCOMPARE(OverrideShape(), std::nullopt);  // the window system leaves none behind
  }

  void msgBox_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<std::optional<std::string>>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("shownTitle");
    QTest::addColumn<QString>("shownText");
    QTest::newRow("OK only, application title")
        << 0 << std::optional<std::string>() << "hello" << int(QMessageBox::NoIcon) << "Kavreno"
        << "hello";
    QTest::newRow("exclamation, error text") << 48 << std::optional<std::string>("Kavreno")
                                             << "Application Error \r\nオーバーフローしました。"
                                             << int(QMessageBox::Warning) << "Kavreno"
                                             << "Application Error \nオーバーフローしました。";
    QTest::newRow("own title") << 0 << std::optional<std::string>("ｼｽﾃﾑ情報") << "x"
                               << int(QMessageBox::NoIcon) << "ｼｽﾃﾑ情報"
                               << "x";
    QTest::newRow("markup stays literal")
        << 0 << std::optional<std::string>() << "<b>x</b> & <i>y</i>" << int(QMessageBox::NoIcon)
        << "Kavreno"
        << "<b>x</b> & <i>y</i>";
  }
  void msgBox() {
    QFETCH(int, style);
    QFETCH(std::optional<std::string>, title);
    QFETCH(QString, text);
    QFETCH(int, icon);
    QFETCH(QString, shownTitle);
    QFETCH(QString, shownText);
    QtWindowSystem ws;
    QMessageBox::Icon seenIcon = QMessageBox::Critical;
    QString seenTitle, seenText;
    Qt::TextFormat seenFormat = Qt::RichText;
    QList<QAbstractButton*> buttons;
    WhenModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box);
      seenIcon = box->icon();
      seenTitle = box->windowTitle();
      seenText = box->text();
      seenFormat = box->textFormat();
      buttons = box->buttons();
      QVERIFY(buttons.size() == 1);
      buttons[0]->click();
    });
    ws.MsgBox(text.toStdString(), style, title);
    QCOMPARE(int(seenIcon), icon);
    QCOMPARE(seenTitle, shownTitle);
    QCOMPARE(seenText, shownText);
    QCOMPARE(seenFormat, Qt::PlainText);
  }

  void screenInTwips() {
    QtWindowSystem ws;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(ws.ScreenWidth(), float(screen.width() * 15));
    QCOMPARE(ws.ScreenHeight(), float(screen.height() * 15));
  }

  void runShowsTheLoadedFormAndReturnsWhenItGoes() {
    QtWindowSystem ws;
    RecordingForm form(SampleLayout());
    bool visibleWhileRunning = false;
    QTimer::singleShot(0, [&] {
      visibleWhileRunning = ws.FormOf(form) && ws.FormOf(form)->Window()->isVisible();
      ws.Unload(form);
    });
    QCOMPARE(ws.Run(form), 0);
    QCOMPARE(form.loads, 1);
    QVERIFY(visibleWhileRunning);
  }
};

QTEST_MAIN(QtWindowSystemTest)
#include "qt_window_system_test.moc"
