// The help engine: the help window opens, comes back to the front when asked
// again and closes every way it can; a help file that cannot be found gets the
// engine's message.
#include "platform/qt/qt_help.h"

#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include "qt_test_support.h"

using namespace kv;
using namespace kv::qt;

class QtHelpTest : public QObject {
  Q_OBJECT

 private slots:
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

QTEST_MAIN(QtHelpTest)
#include "qt_help_test.moc"
