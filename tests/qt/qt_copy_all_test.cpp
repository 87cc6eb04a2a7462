// Copying the whole main window: Ctrl+C without a selection and the window's
// context menu put exactly what the text presentation prints on the
// clipboard; with a selection, Ctrl+C copies the selection as before.
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QtTest>
#include <sstream>

#include "app/frmSystem_layout.h"
#include "platform/console/console_windows.h"
#include "platform/qt/qt_window_system.h"
#include "qt_test_support.h"

using namespace kv;
using kv::qttest::RecordingForm;

namespace {

// Fills the main window as its load step does, with a value that the text
// presentation escapes.
void Fill(IForm& f) {
  f.SetCaption("Kavreno");
  f.SetControlCaption("lblComputerName", -1,
                      "PC\x1b"
                      "01");
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

class QtCopyAllTest : public QObject {
  Q_OBJECT

 private slots:
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
    qt::QtWindowSystem ws;
    RecordingForm form(frmSystemLayout());
    form.onLoad = Fill;
    QTimer::singleShot(0, [&] {
      qt::QtForm* shown = ws.FormOf(form);
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
};

QTEST_MAIN(QtCopyAllTest)
#include "qt_copy_all_test.moc"
