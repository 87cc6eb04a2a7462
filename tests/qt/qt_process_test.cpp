// End, unhandled errors, the measuring exit and the module's entry point, each
// in a process of its own.
#include <QProcess>
#include <QtTest>

class QtProcessTest : public QObject {
  Q_OBJECT

 private slots:
  void scenario_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("output");  // pieces that must appear, in order
    QTest::addColumn<QStringList>("absent");  // pieces that must not appear
    const QString module = QStringLiteral(KAVRENO_QT_MODULE_FILE);
    QTest::newRow("End in the load step ends at once, with status 0")
        << QStringList{"end-in-load"} << 0 << QStringList{"load;", "beforeEnd;"}
        << QStringList{"unload;", "returned", "timeout"};
    QTest::newRow("closing the main window runs its unload step")
        << QStringList{"close-main"} << 0 << QStringList{"unload;", "beforeEnd;"}
        << QStringList{"returned", "timeout"};
    QTest::newRow("an error no handler takes: message, then the end")
        << QStringList{"unhandled"} << 0
        << QStringList{"box=Kavreno|実行時エラー '53':\n\nファイルが見つかりません。;",
                       "beforeEnd;"}
        << QStringList{"after click;", "returned", "timeout"};
    QTest::newRow("the measuring exit after the first paint")
        << QStringList{"exit-after-paint"} << 0 << QStringList{"load;", "beforeEnd;"}
        << QStringList{"returned", "timeout"};
    QTest::newRow("the module: one symbol, Japanese Qt, fonts and icon")
        << QStringList{"module", module} << 0
        << QStringList{"internal=hidden;", "ui=ok;",           "translated=キャンセル;",
                       "families=",        "Noto Sans CJK JP", "menuFamilies=",
                       "Noto Sans CJK JP", "icon=set;",        "locale=ja_JP;",
                       "loaded=1;",        "quit=1;"}
        << QStringList{"timeout"};
    QTest::newRow("the module knows the program's errors")
        << QStringList{"module-unhandled", module} << 0
        << QStringList{"box=実行時エラー '6':\n\nオーバーフローしました。;"}
        << QStringList{"timeout"};
    QTest::newRow("the module without a display answers nullptr")
        << QStringList{"no-display", module} << 0 << QStringList{"ui=null;"} << QStringList{};
  }
  void scenario() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QStringList, output);
    QFETCH(QStringList, absent);
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(QStringLiteral(KAVRENO_TEST_HELPER), arguments);
    QVERIFY(p.waitForFinished(30000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(p.exitStatus() == QProcess::NormalExit, qPrintable(err));
    QVERIFY2(p.exitCode() == status, qPrintable(out + "\n" + err));
    qsizetype from = 0;
    for (const QString& piece : output) {
      const qsizetype at = out.indexOf(piece, from);
      QVERIFY2(at >= 0, qPrintable("missing " + piece + " in " + out));
      from = at + piece.size();
    }
    for (const QString& piece : absent) QVERIFY2(!out.contains(piece), qPrintable(out));
  }
};

QTEST_GUILESS_MAIN(QtProcessTest)
#include "qt_process_test.moc"
