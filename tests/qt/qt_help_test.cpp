// The help engine: the help window opens, comes back to the front when asked
// again and closes; a help file that cannot be found gets the engine's message.
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
  void opensRaisesAndCloses() {
    QTemporaryDir empty, dir;
    const QString path = dir.filePath("Kavreno.hlp");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "<html><head><meta charset=\"utf-8\"><title>手引き</title></head><body>本文</body></html>");
    file.close();
    QtHelpEngine help({empty.path(), dir.path()}, "UTF-8");  // looked for in each, in order
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpContents, 0), 1);
    QPointer<QWidget> window = help.WindowFor(path);
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("手引き"));
    QVERIFY(window->findChild<QTextBrowser*>()->toPlainText().contains(QStringLiteral("本文")));
    window->hide();  // asked again, the same window comes back
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpContents, 0), 1);
    QCOMPARE(help.WindowFor(path), window.data());
    QVERIFY(window->isVisible());
    window->close();  // closed by the user, it opens afresh
    QTRY_VERIFY(window.isNull());
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpContents, 0), 1);
    window = help.WindowFor(path);
    QVERIFY(window && window->isVisible());
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpQuit, 0), 1);
    QTRY_VERIFY(window.isNull());
  }

  void closesWithItsKeys_data() {
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("Esc") << QKeySequence(Qt::Key_Escape);
    QTest::newRow("Ctrl+W") << QKeySequence(Qt::CTRL | Qt::Key_W);
  }
  void closesWithItsKeys() {
    QFETCH(QKeySequence, keys);
    QTemporaryDir dir;
    QFile file(dir.filePath("Kavreno.hlp"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html><body>本文</body></html>");
    file.close();
    QtHelpEngine help({dir.path()}, "UTF-8");
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpContents, 0), 1);
    QPointer<QWidget> window = help.WindowFor(file.fileName());
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto* browser = window->findChild<QTextBrowser*>();
    browser->setFocus();
    QTest::keySequence(browser, keys);
    QTRY_VERIFY(window.isNull());
  }

  void missingFileGetsTheEnginesMessage() {
    QTemporaryDir empty;
    QtHelpEngine help({empty.path()}, "UTF-8");
    QString title, text;
    QObject scope;
    qttest::WhenModal(&scope, [&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      title = modal->windowTitle();
      text = box ? box->text() : QString();
      modal->close();
    });
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpContents, 0), 0);
    QCOMPARE(title, QStringLiteral("ヘルプ"));
    QCOMPARE(text, QStringLiteral("ヘルプ ファイル Kavreno.hlp が見つかりません。"));
  }
};

QTEST_MAIN(QtHelpTest)
#include "qt_help_test.moc"
