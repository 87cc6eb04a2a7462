// The help engine: the help window opens, comes to the front again and
// closes; the file is looked for in order; a missing file gets the engine's
// own message; the program's help file explains every field and the menu.
#include "platform/qt/qt_help.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include "app/frmSystem_layout.h"

using namespace kv;
using namespace kv::qt;

namespace {

void WriteFile(const QString& path, const QByteArray& content) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(content);
}

QByteArray Page(const char* title) {
  return QByteArray("<html><head><meta charset=\"utf-8\"><title>") + title +
         "</title></head><body><p>本文</p></body></html>";
}

QTextBrowser* BrowserOf(QWidget* window) {
  return window ? window->findChild<QTextBrowser*>() : nullptr;
}

// Answers the next modal widget with check, then closes it.
void WhenModal(std::function<void(QWidget*)> check) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, check] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    check(modal);
    modal->close();
  });
  timer->start();
}

// A caption as the help text names it: no access key, no full-width colon, no dots.
QString Named(const std::string& caption) {
  QString s = QString::fromStdString(caption);
  s.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
  s.remove(QStringLiteral("..."));
  s.remove(QChar(u'：'));
  return s;
}

}  // namespace

class QtHelpTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir first_, second_;

 private slots:
  void cleanup() {
    QDir(first_.path()).removeRecursively();
    QDir(second_.path()).removeRecursively();
    QDir().mkpath(first_.path());
    QDir().mkpath(second_.path());
  }

  void contentsOpensRaisesAndQuits() {
    WriteFile(second_.filePath("Kavreno.hlp"), Page("手引き"));
    QtHelpEngine help({first_.path(), second_.path()}, "UTF-8");
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpContents, 0), 1);
    QPointer<QWidget> window = help.WindowFor(second_.filePath("Kavreno.hlp"));
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("手引き"));
    QVERIFY(BrowserOf(window)->toPlainText().contains(QStringLiteral("本文")));
    // A second call brings the same window back, even after it was hidden.
    window->hide();
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpContents, 0), 1);
    QCOMPARE(help.WindowFor(second_.filePath("Kavreno.hlp")), window.data());
    QVERIFY(window->isVisible());
    QCOMPARE(QApplication::topLevelWidgets().count(QPointer<QWidget>(window).data()), 1);
    // The program no longer needs help: the window closes.
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpQuit, 0), 1);
    QTRY_VERIFY(window.isNull());
    QVERIFY(help.WindowFor(second_.filePath("Kavreno.hlp")) == nullptr);
  }

  void closedByTheUserThenOpenedAgain() {
    WriteFile(first_.filePath("Kavreno.hlp"), Page("a"));
    QtHelpEngine help({first_.path()}, "UTF-8");
    help.WinHelpA(0, "Kavreno.hlp", kHelpContents, 0);
    QPointer<QWidget> window = help.WindowFor(first_.filePath("Kavreno.hlp"));
    window->close();
    QTRY_VERIFY(window.isNull());
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpContents, 0), 1);
    QVERIFY(help.WindowFor(first_.filePath("Kavreno.hlp")));
    QVERIFY(help.WindowFor(first_.filePath("Kavreno.hlp"))->isVisible());
  }

  void quitWithoutContents() {
    QtHelpEngine help({first_.path()}, "UTF-8");
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpQuit, 0), 1);
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", 0x7777, 0), 0);  // a command it does not know
  }

  void searchOrder_data() {
    QTest::addColumn<QStringList>("present");  // where the file is
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("found");  // "first", "second", "" or "path"
    QTest::newRow("only in the second folder") << QStringList{"second"} << "Kavreno.hlp"
                                               << "second";
    QTest::newRow("first folder wins") << QStringList{"first", "second"} << "Kavreno.hlp"
                                       << "first";
    QTest::newRow("nowhere") << QStringList{} << "Kavreno.hlp"
                             << "";
    QTest::newRow("a folder of that name is no file") << QStringList{"dir"} << "Kavreno.hlp"
                                                      << "";
    QTest::newRow("a path is taken as it is") << QStringList{"first", "second"} << "path"
                                              << "second";
  }
  void searchOrder() {
    QFETCH(QStringList, present);
    QFETCH(QString, name);
    QFETCH(QString, found);
    if (present.contains("first")) WriteFile(first_.filePath("Kavreno.hlp"), Page("1"));
    if (present.contains("second")) WriteFile(second_.filePath("Kavreno.hlp"), Page("2"));
    if (present.contains("dir")) QDir(first_.path()).mkdir("Kavreno.hlp");
    QtHelpEngine help({first_.path(), second_.path()}, "UTF-8");
    const QString asked = name == "path" ? second_.filePath("Kavreno.hlp") : name;
    const QString expected = found == "first"    ? first_.filePath("Kavreno.hlp")
                             : found == "second" ? second_.filePath("Kavreno.hlp")
                                                 : QString();
    QCOMPARE(help.Locate(asked), expected);
  }

  void missingFileGetsTheEnginesMessage() {
    QtHelpEngine help({first_.path()}, "UTF-8");
    QString title, text;
    int icon = -1;
    WhenModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box);
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
    });
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpContents, 0), 0);
    QCOMPARE(title, QStringLiteral("ヘルプ"));
    QCOMPARE(text, QStringLiteral("ヘルプ ファイル Kavreno.hlp が見つかりません。"));
    QCOMPARE(icon, int(QMessageBox::Warning));
  }

  void fileNameInTheAnsiCodePage() {
    WriteFile(first_.filePath(QStringLiteral("ヘルプ.hlp")), Page("cp932"));
    QtHelpEngine help({first_.path()}, "CP932");
    QCOMPARE(help.WinHelpA(0, "\x83\x77\x83\x8b\x83\x76.hlp", kHelpContents, 0), 1);
    QVERIFY(help.WindowFor(first_.filePath(QStringLiteral("ヘルプ.hlp"))));
  }

  void defaultFolders() {
    const QStringList dirs = DefaultHelpDirs();
    QVERIFY(dirs.size() >= 2);
    QCOMPARE(dirs[0], QCoreApplication::applicationDirPath());
    QCOMPARE(dirs[1],
             QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/kavreno"));
    QVERIFY(dirs.last().endsWith(QStringLiteral("/share/kavreno")));
  }

  void programHelpFileExplainsTheWindow_data() {
    QTest::addColumn<QString>("topic");
    for (const auto& c : kv::frmSystemLayout().controls) {
      if (c.name == "lblTitle" || c.kind == kv::layout::Kind::Frame) {
        QTest::newRow(c.caption.c_str()) << Named(c.caption);
      }
    }
    for (const auto& menu : kv::frmSystemLayout().menus) {
      QTest::newRow(menu.caption.c_str()) << Named(menu.caption);
      for (const auto& item : menu.items) {
        if (item.caption != "-") QTest::newRow(item.caption.c_str()) << Named(item.caption);
      }
    }
    for (const char* line : {"Volume Name", "File System", "Drive Type", "Total Space",
                             "Free Space", "Removable", "Fixed", "Remote", "CD-Rom", "RAMdisk",
                             "Unknown", "*ERROR*", "Bytes", "KB", "MB", "ｼｽﾃﾑ情報", "OK"}) {
      QTest::newRow(line) << QString::fromUtf8(line);
    }
  }
  void programHelpFileExplainsTheWindow() {
    QFETCH(QString, topic);
    QtHelpEngine help({QStringLiteral(KAVRENO_TEST_DATA_DIR)}, "UTF-8");
    QCOMPARE(help.WinHelpA(0, "Kavreno.hlp", kHelpContents, 0), 1);
    QWidget* window = help.WindowFor(QStringLiteral(KAVRENO_TEST_DATA_DIR "/Kavreno.hlp"));
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Kavreno ヘルプ"));
    QVERIFY2(BrowserOf(window)->toPlainText().contains(topic), qPrintable(topic));
  }
};

QTEST_MAIN(QtHelpTest)
#include "qt_help_test.moc"
