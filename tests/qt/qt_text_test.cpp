// The conversions under the Qt window system: twips, line pixels, plain text,
// titles, character sets, readable colours and the font fallback order.
#include "platform/qt/qt_text.h"

#include <QWidget>
#include <QWindow>
#include <QtTest>

using namespace kv::qt;

class QtTextTest : public QObject {
  Q_OBJECT

 private slots:
  void twipsToPixels_data() {
    QTest::addColumn<double>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("zero") << 0.0 << 0;
    QTest::newRow("one pixel") << 15.0 << 1;
    QTest::newRow("below half") << 7.0 << 0;
    QTest::newRow("half rounds up") << 7.5 << 1;
    QTest::newRow("negative half rounds away") << -7.5 << -1;
    QTest::newRow("main client width") << 8160.0 << 544;
    QTest::newRow("main client height") << 4695.0 << 313;
    QTest::newRow("about title top") << 239.0 << 16;
    QTest::newRow("fraction of a twip") << 1784.6 << 119;
  }
  void twipsToPixels() {
    QFETCH(double, twips);
    QFETCH(int, pixels);
    QCOMPARE(TwipsToPixels(twips), pixels);
  }

  void twipsToRect_data() {
    QTest::addColumn<QList<int>>("twips");  // left, top, width, height
    QTest::addColumn<QRect>("pixels");
    QTest::newRow("value label") << QList<int>{2160, 300, 2610, 240} << QRect(144, 20, 174, 16);
    QTest::newRow("title label") << QList<int>{240, 360, 1800, 180} << QRect(16, 24, 120, 12);
    // Edges round on their own: 239 -> 16, 239 + 195 = 434 -> 29.
    QTest::newRow("about title") << QList<int>{1020, 239, 4815, 195} << QRect(68, 16, 321, 13);
    QTest::newRow("text box") << QList<int>{120, 240, 2772, 3915} << QRect(8, 16, 185, 261);
    QTest::newRow("button") << QList<int>{4500, 1920, 1380, 345} << QRect(300, 128, 92, 23);
  }
  void twipsToRect() {
    QFETCH(QList<int>, twips);
    QFETCH(QRect, pixels);
    QCOMPARE(TwipsToRect(twips[0], twips[1], twips[2], twips[3]), pixels);
  }

  void linePixels_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("width");
    QTest::addColumn<QRect>("covered");
    QTest::newRow("1 px, end point left out")
        << QPoint(0, 0) << QPoint(544, 0) << 1 << QRect(0, 0, 544, 1);
    QTest::newRow("2 px grows down")
        << QPoint(68, 120) << QPoint(392, 120) << 2 << QRect(68, 120, 324, 2);
    QTest::newRow("4 px grows one up")
        << QPoint(0, 0) << QPoint(544, 0) << 4 << QRect(0, -1, 544, 4);
    QTest::newRow("drawn right to left")
        << QPoint(50, 5) << QPoint(10, 5) << 1 << QRect(10, 5, 40, 1);
    QTest::newRow("vertical") << QPoint(7, 30) << QPoint(7, 10) << 3 << QRect(6, 10, 3, 20);
    QTest::newRow("zero width counts as one")
        << QPoint(0, 3) << QPoint(5, 3) << 0 << QRect(0, 3, 5, 1);
    QTest::newRow("diagonal bounding box")
        << QPoint(0, 0) << QPoint(10, 20) << 2 << QRect(-2, -2, 15, 25);
  }
  void linePixels() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(int, width);
    QFETCH(QRect, covered);
    QCOMPARE(LinePixels(from, to, width), covered);
  }

  void plainText_data() {
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QString>("shown");
    QTest::newRow("markup stays literal") << QByteArray("<b>x</b>") << QStringLiteral("<b>x</b>");
    QTest::newRow("ampersand") << QByteArray("A&B") << QStringLiteral("A&B");
    QTest::newRow("cut at NUL") << QByteArray("C:\\\0garbage", 11) << QStringLiteral("C:\\");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\nb\n");
    QTest::newRow("lone CR") << QByteArray("a\rb") << QStringLiteral("a\nb");
    QTest::newRow("half-width katakana") << QByteArray("ﾌｧｲﾙ") << QStringLiteral("ﾌｧｲﾙ");
    QTest::newRow("invalid UTF-8") << QByteArray("a\xff") << QStringLiteral("a\uFFFD");
  }
  void plainText() {
    QFETCH(QByteArray, utf8);
    QFETCH(QString, shown);
    QCOMPARE(PlainText(std::string_view(utf8.constData(), utf8.size())), shown);
  }

  void linesBackToProgram() {
    QCOMPARE(FromQtLines(QStringLiteral("Disk C:\\\n  Fixed\n")),
             std::string("Disk C:\\\r\n  Fixed\r\n"));
    QCOMPARE(EscapeMnemonics(QStringLiteral("A&B&&C")), QStringLiteral("A&&B&&&&C"));
  }

  void windowTitleShownLiterally_data() {
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << QStringLiteral("Kavreno");
    QTest::newRow("placeholder") << QStringLiteral("a[*]b");
    QTest::newRow("two placeholders") << QStringLiteral("[*][*]");
    QTest::newRow("markup") << QStringLiteral("<i>Kavreno</i>");
  }
  void windowTitleShownLiterally() {
    QFETCH(QString, title);
    QWidget w;
    w.setWindowModified(true);
    w.setWindowTitle(WindowTitleText(title.toStdString()));
    w.winId();
    QVERIFY(w.windowHandle());
    QCOMPARE(w.windowHandle()->title(), title);
  }

  void decodeBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("codeset");
    QTest::addColumn<QString>("text");
    QTest::newRow("UTF-8") << QByteArray("Kavreno.hlp") << "UTF-8" << QStringLiteral("Kavreno.hlp");
    QTest::newRow("empty codeset is UTF-8")
        << QByteArray("ヘルプ") << "" << QStringLiteral("ヘルプ");
    QTest::newRow("code page 932")
        << QByteArray("\x83\x77\x83\x8b\x83\x76.hlp") << "CP932" << QStringLiteral("ヘルプ.hlp");
    QTest::newRow("EUC-JP") << QByteArray("\xa5\xd8\xa5\xeb\xa5\xd7") << "EUC-JP"
                            << QStringLiteral("ヘルプ");
    QTest::newRow("lone lead byte")
        << QByteArray("ab\x83") << "CP932" << QStringLiteral("ab\uFFFD");
    QTest::newRow("invalid in the middle")
        << QByteArray("a\x80z") << "ASCII" << QStringLiteral("a\uFFFDz");
  }
  void decodeBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, codeset);
    QFETCH(QString, text);
    QCOMPARE(DecodeBytes(std::string_view(bytes.constData(), bytes.size()), codeset.toStdString()),
             text);
  }

  void readableOn_data() {
    QTest::addColumn<QColor>("wanted");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("fallback");
    QTest::addColumn<QColor>("chosen");
    const QColor black(Qt::black), white(Qt::white);
    QTest::newRow("black on light grey stays")
        << black << QColor(0xEF, 0xEF, 0xEF) << white << black;
    QTest::newRow("black on dark grey falls back")
        << black << QColor(0x35, 0x35, 0x35) << QColor(0xE0, 0xE0, 0xE0)
        << QColor(0xE0, 0xE0, 0xE0);
    QTest::newRow("unreadable fallback: white wins")
        << black << QColor(0x20, 0x20, 0x20) << QColor(0x30, 0x30, 0x30) << white;
    QTest::newRow("grey on white stays")
        << QColor(0x70, 0x70, 0x70) << white << black << QColor(0x70, 0x70, 0x70);
    QTest::newRow("yellow on white: black wins")
        << QColor(Qt::yellow) << white << QColor(Qt::yellow) << black;
  }
  void readableOn() {
    QFETCH(QColor, wanted);
    QFETCH(QColor, background);
    QFETCH(QColor, fallback);
    QFETCH(QColor, chosen);
    QCOMPARE(ReadableOn(wanted, background, fallback), chosen);
  }

  void uiFontFamilies_data() {
    QTest::addColumn<QString>("defaultFamily");
    QTest::addColumn<bool>("ideographs");
    QTest::addColumn<QStringList>("japanese");
    QTest::addColumn<QStringList>("families");
    const QStringList jp{"Noto Sans CJK JP", "IPAGothic"};
    QTest::newRow("latin default first")
        << "DejaVu Sans" << false << jp
        << QStringList{"DejaVu Sans", "Noto Sans CJK JP", "IPAGothic"};
    QTest::newRow("Chinese default goes last")
        << "Noto Sans CJK SC" << true << jp
        << QStringList{"Noto Sans CJK JP", "IPAGothic", "Noto Sans CJK SC"};
    QTest::newRow("Japanese default kept first")
        << "IPAGothic" << true << jp << QStringList{"IPAGothic", "Noto Sans CJK JP"};
    QTest::newRow("no Japanese family")
        << "DejaVu Sans" << false << QStringList{} << QStringList{"DejaVu Sans"};
    QTest::newRow("empty default") << "" << false << jp << jp;
  }
  void uiFontFamilies() {
    QFETCH(QString, defaultFamily);
    QFETCH(bool, ideographs);
    QFETCH(QStringList, japanese);
    QFETCH(QStringList, families);
    QCOMPARE(UiFontFamilies(defaultFamily, ideographs, japanese), families);
  }
};

QTEST_MAIN(QtTextTest)
#include "qt_text_test.moc"
