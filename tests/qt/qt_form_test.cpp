// The real main window and About dialog layouts realised as Qt windows:
// geometry in device-independent pixels (run at 100 % and at 200 %), captions,
// the menu and its access keys, plain text, the read-only drive box, colours,
// accessibility, focus and fonts.
#include "platform/qt/qt_form.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRawFont>
#include <QScrollBar>
#include <QTextLayout>
#include <QtTest>
#include <memory>

#include "about/frmAbout_layout.h"
#include "app/frmSystem_layout.h"
#include "platform/errors.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_ui.h"

using namespace kv;
using namespace kv::qt;

namespace {

struct Events : FormEvents {
  std::vector<std::pair<std::string, int>> clicks;
  int closeRequests = 0;
  void FormClick(QtForm&, std::string_view control, int index) override {
    clicks.emplace_back(std::string(control), index);
  }
  void FormCloseRequested(QtForm&) override { ++closeRequests; }
};

double ScaleFactor() {
  const QByteArray env = qgetenv("QT_SCALE_FACTOR");
  return env.isEmpty() ? 1.0 : env.toDouble();
}

// The ink of the rendered text: the columns where a pixel differs from the
// background in the middle row of the widget.
int InkWidth(QWidget* w) {
  const QImage image = w->grab().toImage();
  const QColor background = image.pixelColor(image.width() - 2, image.height() / 2);
  int left = image.width(), right = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 2; x < image.width() - 2; ++x) {
      if (image.pixelColor(x, y) != background) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
  }
  return right < left ? 0 : right - left + 1;
}

}  // namespace

class QtFormTest : public QObject {
  Q_OBJECT

 private:
  IconTable icons_;
  IconHandle programIcon_ = 0;
  Events events_;
  std::unique_ptr<QtForm> main_;
  std::unique_ptr<QtForm> about_;

  QtForm& Main() { return *main_; }
  QtForm& About() { return *about_; }
  QtForm& FormNamed(const QString& name) { return name == "frmAbout" ? About() : Main(); }

 private slots:
  void initTestCase() {
    ConfigureJapaneseFonts();
    static QTranslator translator;
    LoadQtTranslation(translator);
    programIcon_ = icons_.Add(ProgramIcon(), kProgramIconSize);
  }

  void init() {
    events_ = Events{};
    main_ = std::make_unique<QtForm>(frmSystemLayout(), icons_, programIcon_, events_);
    about_ = std::make_unique<QtForm>(frmAboutLayout(), icons_, programIcon_, events_);
  }

  void cleanup() {
    main_.reset();
    about_.reset();
  }

  void scale() {
    Main().Window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(Main().Window()));
    QCOMPARE(Main().Window()->devicePixelRatioF(), ScaleFactor());
    // A grab has the device pixels: twice the device-independent size at 200 %.
    const QPixmap shot = Main().Client()->grab();
    QCOMPARE(shot.size(), QSize(544, 313) * ScaleFactor());
  }

  void clientArea_data() {
    QTest::addColumn<QString>("form");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<bool>("menuBar");
    QTest::newRow("main window") << "frmSystem" << QSize(544, 313) << true;
    QTest::newRow("About dialog") << "frmAbout" << QSize(410, 193) << false;
  }
  void clientArea() {
    QFETCH(QString, form);
    QFETCH(QSize, client);
    QFETCH(bool, menuBar);
    QtForm& f = FormNamed(form);
    f.Window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.Window()));
    QCOMPARE(f.Client()->size(), client);
    QCOMPARE(f.MenuBar() != nullptr, menuBar);
    // The client area lies below the menu bar, and the window cannot be resized.
    const int menuHeight = menuBar ? f.MenuBar()->height() : 0;
    QVERIFY(!menuBar || menuHeight > 10);
    QCOMPARE(f.Client()->geometry().topLeft(), QPoint(0, menuHeight));
    QCOMPARE(f.Window()->size(), QSize(client.width(), client.height() + menuHeight));
    QCOMPARE(f.Window()->minimumSize(), f.Window()->size());
    QCOMPARE(f.Window()->maximumSize(), f.Window()->size());
  }

  void controlGeometry_data() {
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("pixels");  // in the container's coordinates
    QTest::newRow("first value") << "frmSystem"
                                 << "lblComputerName" << -1 << QRect(144, 20, 174, 16);
    QTest::newRow("last value") << "frmSystem"
                                << "lblFunctionKeys" << -1 << QRect(144, 280, 174, 16);
    QTest::newRow("drive frame") << "frmSystem"
                                 << "Frame1" << -1 << QRect(328, 12, 201, 285);
    QTest::newRow("drive box in frame") << "frmSystem"
                                        << "Text1" << -1 << QRect(8, 16, 185, 261);
    QTest::newRow("white line") << "frmSystem"
                                << "Line1" << 0 << QRect(0, -1, 544, 4);
    QTest::newRow("grey line") << "frmSystem"
                               << "Line1" << 1 << QRect(0, 0, 544, 1);
    QTest::newRow("icon box") << "frmAbout"
                              << "picIcon" << -1 << QRect(20, 16, 32, 32);
    QTest::newRow("description") << "frmAbout"
                                 << "lblDescription" << -1 << QRect(68, 64, 321, 45);
    QTest::newRow("memory line") << "frmAbout"
                                 << "lblDisclaimer" << -1 << QRect(68, 128, 218, 52);
    QTest::newRow("OK") << "frmAbout"
                        << "cmdOK" << -1 << QRect(300, 128, 92, 23);
    QTest::newRow("system information") << "frmAbout"
                                        << "cmdSysInfo" << -1 << QRect(300, 156, 92, 23);
    QTest::newRow("etched grey") << "frmAbout"
                                 << "Line1" << 1 << QRect(68, 119, 324, 1);
    QTest::newRow("etched white") << "frmAbout"
                                  << "Line1" << 0 << QRect(68, 120, 324, 2);
  }
  void controlGeometry() {
    QFETCH(QString, form);
    QFETCH(QString, control);
    QFETCH(int, index);
    QFETCH(QRect, pixels);
    QtForm& f = FormNamed(form);
    f.Window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.Window()));
    QWidget* w = f.Control(control.toStdString(), index);
    QVERIFY(w);
    QCOMPARE(w->geometry(), pixels);
  }

  void longValueKeepsItsBox() {
    Main().SetControlCaption("lblTemporaryDirectory", -1, std::string(300, 'x'));
    Main().Window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(Main().Window()));
    QCOMPARE(Main().Control("lblTemporaryDirectory")->geometry(), QRect(144, 240, 174, 16));
    QCOMPARE(Main().Client()->size(), QSize(544, 313));
  }

  void captionsFitTheirLabels_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("adjusted");
    QTest::newRow("short title as it is") << "lblTitle" << 1 << "ユーザ名：" << false;
    QTest::newRow("long title set tighter")
        << "lblTitle" << 11 << "Temporaryディレクトリ：" << true;
    QTest::newRow("long value is cut, not adjusted")
        << "lblTemporaryDirectory" << -1 << "/var/tmp/a-long-temporary-directory/of-the-user/"
        << false;
  }
  void captionsFitTheirLabels() {
    QFETCH(QString, control);
    QFETCH(int, index);
    QFETCH(QString, caption);
    QFETCH(bool, adjusted);
    Main().SetControlCaption(control.toStdString(), index, caption.toStdString());
    auto* label = qobject_cast<CaptionLabel*>(Main().Control(control.toStdString(), index));
    QVERIFY(label);
    const QFont form = Main().Client()->font();
    const QFont font = label->font();
    QCOMPARE(font.pointSizeF() < form.pointSizeF() || font.letterSpacing() != form.letterSpacing(),
             adjusted);
    QVERIFY(font.pointSizeF() >= form.pointSizeF() * 0.75);
    QCOMPARE(font.families(), form.families());
    QCOMPARE(label->NeededWidth() <= label->width(), index >= 0);
  }

  void captionInkInsideItsLabel_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("index");
    QTest::newRow("title label") << "lblTitle" << 5;
    QTest::newRow("value box") << "lblProcessorType" << -1;
    QTest::newRow("about title") << "lblTitle" << -1;
  }
  void captionInkInsideItsLabel() {
    QFETCH(QString, control);
    QFETCH(int, index);
    QtForm& f = index == -1 && control == "lblTitle" ? About() : Main();
    const std::string name = control.toStdString();
    f.SetControlCaption(name, index, "Typeプロセッサjgy");
    auto* label = qobject_cast<CaptionLabel*>(f.Control(name, index));
    QVERIFY(label);
    // The ink fits the contents: nothing of it is cut at the top or bottom, and
    // the label keeps the middle the layout gave it.
    QVERIFY(label->InkHeight() <= label->contentsRect().height());
    const layout::Control* data = f.Data().Find(name, index);
    const QRect laid = TwipsToRect(data->left, data->top, data->width, data->height);
    QVERIFY(qAbs(label->geometry().center().y() - laid.center().y()) <= 1);
    QCOMPARE(label->geometry().left(), laid.left());
    QCOMPARE(label->geometry().width(), laid.width());
  }

  void linePixels_data() {
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("y");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("equal");
    QTest::newRow("main: white from row 0") << "frmSystem" << 0 << QColor(Qt::white) << true;
    QTest::newRow("main: white row 2") << "frmSystem" << 2 << QColor(Qt::white) << true;
    QTest::newRow("main: row 3 is the window") << "frmSystem" << 3 << QColor(Qt::white) << false;
    QTest::newRow("about: grey above") << "frmAbout" << 119 << QColor(128, 128, 128) << true;
    QTest::newRow("about: white below") << "frmAbout" << 120 << QColor(Qt::white) << true;
    QTest::newRow("about: white two rows") << "frmAbout" << 121 << QColor(Qt::white) << true;
    QTest::newRow("about: then the window") << "frmAbout" << 122 << QColor(Qt::white) << false;
  }
  void linePixels() {
    QFETCH(QString, form);
    QFETCH(int, y);
    QFETCH(QColor, colour);
    QFETCH(bool, equal);
    QtForm& f = FormNamed(form);
    const QImage image = f.Client()->grab().toImage();
    const double s = image.devicePixelRatio();
    const QColor pixel = image.pixelColor(int(200 * s), int(y * s));
    QCOMPARE(pixel == colour, equal);
  }

  void windowKind_data() {
    QTest::addColumn<QString>("form");
    QTest::addColumn<bool>("dialog");
    QTest::addColumn<bool>("icon");
    QTest::newRow("main window") << "frmSystem" << false << true;
    QTest::newRow("About dialog") << "frmAbout" << true << false;
  }
  void windowKind() {
    QFETCH(QString, form);
    QFETCH(bool, dialog);
    QFETCH(bool, icon);
    QtForm& f = FormNamed(form);
    const Qt::WindowFlags flags = f.Window()->windowFlags();
    QCOMPARE(f.Window()->windowType() == Qt::Dialog, dialog);
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(f.Icon() != 0, icon);
  }

  void menu_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("key");  // 0: a separator
    QTest::newRow("exit first") << 0 << "終了(&X)" << int(Qt::Key_X);
    QTest::newRow("then the separator") << 1 << "" << 0;
    QTest::newRow("help") << 2 << "ﾍﾙﾌﾟ(&H)..." << int(Qt::Key_H);
    QTest::newRow("About last") << 3 << "ﾊﾞｰｼﾞｮﾝ情報(&A)..." << int(Qt::Key_A);
  }
  void menu() {
    QFETCH(int, position);
    QFETCH(QString, caption);
    QFETCH(int, key);
    const QList<QAction*> menus = Main().MenuBar()->actions();
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus[0]->text(), QStringLiteral("ﾌｧｲﾙ(&F)"));
    QCOMPARE(QKeySequence::mnemonic(menus[0]->text()), QKeySequence(Qt::ALT | Qt::Key_F));
    const QList<QAction*> items = menus[0]->menu()->actions();
    QCOMPARE(items.size(), 4);
    QAction* item = items[position];
    QCOMPARE(item->isSeparator(), key == 0);
    QCOMPARE(item->data().toInt(), position);
    if (key == 0) return;
    QCOMPARE(item->text(), caption);
    QCOMPARE(QKeySequence::mnemonic(item->text()), QKeySequence(Qt::ALT | key));
    QVERIFY(item->shortcut().isEmpty());
    QVERIFY(!item->isCheckable());
    QVERIFY(item->isEnabled());
  }

  void menuClick_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("clicks");
    QTest::newRow("exit") << 0 << 1;
    QTest::newRow("separator raises nothing") << 1 << 0;
    QTest::newRow("help") << 2 << 1;
    QTest::newRow("About") << 3 << 1;
  }
  void menuClick() {
    QFETCH(int, position);
    QFETCH(int, clicks);
    QAction* item = Main().MenuBar()->actions()[0]->menu()->actions()[position];
    item->trigger();
    QCOMPARE(int(events_.clicks.size()), clicks);
    if (clicks) QCOMPARE(events_.clicks[0], std::make_pair(std::string("mnuFileItem"), position));
  }

  void menuByKeyboard_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("index");
    QTest::newRow("Alt+F X") << int(Qt::Key_X) << 0;
    QTest::newRow("Alt+F H") << int(Qt::Key_H) << 2;
    QTest::newRow("Alt+F A") << int(Qt::Key_A) << 3;
  }
  void menuByKeyboard() {
    QFETCH(int, key);
    QFETCH(int, index);
    FormWindow* w = Main().Window();
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key(key));
    QTRY_COMPARE(int(events_.clicks.size()), 1);
    QCOMPARE(events_.clicks[0], std::make_pair(std::string("mnuFileItem"), index));
  }

  void captionsAreLiteral_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    QTest::newRow("markup") << "lblComputerName"
                            << "<b>x</b>";
    QTest::newRow("ampersand") << "lblUserName"
                               << "A&B";
    QTest::newRow("entity") << "lblOperatingSystem"
                            << "&lt;p&gt;";
    QTest::newRow("title label") << "lblTitle"
                                 << "<i>&T</i>";
  }
  void captionsAreLiteral() {
    QFETCH(QString, control);
    QFETCH(QString, caption);
    const int index = control == "lblTitle" ? 0 : -1;
    Main().SetControlCaption(control.toStdString(), index, caption.toStdString());
    auto* label = qobject_cast<QLabel*>(Main().Control(control.toStdString(), index));
    QVERIFY(label);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(label->text(), caption);
    // A value label is named by its title and describes its value; a title
    // label is named by its own caption.
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(label);
    QCOMPARE(a->text(index == 0 ? QAccessible::Name : QAccessible::Description), caption);
    // Drawn as the characters themselves: far wider than the one or two
    // letters that rich text would leave.
    Main().Window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(Main().Window()));
    const int ink = InkWidth(label);
    QVERIFY2(
        ink > label->fontMetrics().horizontalAdvance(caption) * label->devicePixelRatioF() * 0.7,
        qPrintable(QString::number(ink)));
  }

  void frameAndButtonCaptions() {
    Main().SetControlCaption("Frame1", -1, "A&B");
    auto* frame = qobject_cast<FrameBox*>(Main().Control("Frame1"));
    QVERIFY(frame);
    QCOMPARE(frame->Caption(), QStringLiteral("A&B"));
    QCOMPARE(frame->title(), QStringLiteral("A&&B"));  // no access key
    auto* button = qobject_cast<QPushButton*>(About().Control("cmdSysInfo"));
    QVERIFY(button);
    QCOMPARE(QKeySequence::mnemonic(button->text()), QKeySequence(Qt::ALT | Qt::Key_S));
  }

  void unknownControlsAreErrors() {
    QVERIFY_THROWS_EXCEPTION(kv::Error, Main().SetControlCaption("lblNothing", -1, "x"));
    QVERIFY_THROWS_EXCEPTION(kv::Error, Main().SetControlCaption("lblTitle", 14, "x"));
    QVERIFY_THROWS_EXCEPTION(kv::Error, Main().TextBox("lblComputerName"));
    QVERIFY_THROWS_EXCEPTION(kv::Error, About().SetPicture("lblTitle", programIcon_));
  }

  void driveBox() {
    auto* edit = qobject_cast<QPlainTextEdit*>(Main().Control("Text1"));
    QVERIFY(edit);
    QVERIFY(edit->isReadOnly());
    QVERIFY(edit->textInteractionFlags().testFlag(Qt::TextSelectableByKeyboard));
    QVERIFY(edit->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    QCOMPARE(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(edit->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(edit->focusPolicy(), Qt::StrongFocus);

    std::string report;
    for (int i = 0; i < 40; ++i) report += "Disk " + std::string(1, char('C' + i % 20)) + ":\\\r\n";
    Main().TextBox("Text1").SetText(report);
    QCOMPARE(Main().TextBox("Text1").Text(), report);
    QCOMPARE(edit->toPlainText(), QString::fromStdString(report).replace("\r\n", "\n"));

    FormWindow* w = Main().Window();
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    edit->setFocus();
    QVERIFY(edit->verticalScrollBar()->maximum() > 0);  // reached with the scroll bar
    // Typing changes nothing; the keyboard moves the text cursor and selects.
    QTest::keyClicks(edit, "typed");
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(Main().TextBox("Text1").Text(), report);
    QTest::keyClick(edit, Qt::Key_Down);
    QVERIFY(edit->textCursor().position() > 0);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), edit->toPlainText());
  }

  void colours_data() {
    QTest::addColumn<bool>("dark");
    QTest::newRow("light theme") << false;
    QTest::newRow("dark theme") << true;
  }
  void colours() {
    QFETCH(bool, dark);
    const QPalette original = QApplication::palette();
    if (dark) {
      QPalette p;
      p.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
      p.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
      p.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
      for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(role, QColor(0xE0, 0xE0, 0xE0));
      QApplication::setPalette(p);
    }
    init();  // realise the forms in this theme
    const QPalette app = QApplication::palette();
    QLabel* value = qobject_cast<QLabel*>(Main().Control("lblComputerName"));
    QVERIFY(value->autoFillBackground());
    QCOMPARE(value->palette().color(value->backgroundRole()), app.color(QPalette::Base));
    QVERIFY(ContrastRatio(value->palette().color(value->foregroundRole()),
                          value->palette().color(value->backgroundRole())) >= 4.5);
    // The description asks for black text: kept where it reads, replaced where not.
    QLabel* description = qobject_cast<QLabel*>(About().Control("lblDescription"));
    const QColor text = description->palette().color(description->foregroundRole());
    QCOMPARE(text == QColor(Qt::black), !dark);
    QVERIFY(ContrastRatio(text, app.color(QPalette::Window)) >= 3.0);
    // The drive box is white with black text in every theme.
    QWidget* box = Main().Control("Text1");
    QCOMPARE(box->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(box->palette().color(QPalette::Text), QColor(Qt::black));
    QApplication::setPalette(original);
  }

  void accessibleNames_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::newRow("computer name") << "lblComputerName"
                                   << "コンピュータ名：";
    QTest::newRow("free memory") << "lblFreeMemory"
                                 << "空きメモリ：";
    QTest::newRow("function keys") << "lblFunctionKeys"
                                   << "Functionキーの数：";
    QTest::newRow("drive box") << "Text1"
                               << "ドライブ情報：";
  }
  void accessibleNames() {
    QFETCH(QString, control);
    QFETCH(QString, name);
    QWidget* w = Main().Control(control.toStdString());
    QCOMPARE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name), name);
  }

  void focusAndTabOrder_data() {
    QTest::addColumn<QString>("form");
    QTest::addColumn<QStringList>("order");  // the focus at first, then after each Tab
    QTest::newRow("About: OK first") << "frmAbout" << QStringList{"cmdOK", "cmdSysInfo", "cmdOK"};
    QTest::newRow("main: only the drive box") << "frmSystem" << QStringList{"Text1", "Text1"};
  }
  void focusAndTabOrder() {
    QFETCH(QString, form);
    QFETCH(QStringList, order);
    QtForm& f = FormNamed(form);
    f.Window()->show();
    f.Window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.Window()));
    for (int i = 0; i < order.size(); ++i) {
      if (i > 0) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QVERIFY(QApplication::focusWidget());
      QCOMPARE(QApplication::focusWidget()->objectName(), order[i]);
    }
  }

  void japaneseShapes_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("kanji") << "直情報";
    QTest::newRow("half-width katakana") << "ﾌｧｲﾙﾊﾞｰｼﾞｮﾝ";
    QTest::newRow("full-width colon") << "：";
  }
  void japaneseShapes() {
    QFETCH(QString, text);
    QLabel* title = qobject_cast<QLabel*>(Main().Control("lblTitle", 0));
    QVERIFY(title->font().families().contains(QStringLiteral("Noto Sans CJK JP")));
    QTextLayout layout(text, title->font());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const auto runs = layout.glyphRuns();
    QVERIFY(!runs.isEmpty());
    for (const QGlyphRun& run : runs) {
      QCOMPARE(run.rawFont().familyName(), QStringLiteral("Noto Sans CJK JP"));
      for (quint32 glyph : run.glyphIndexes()) QVERIFY(glyph != 0);  // no missing-glyph box
    }
  }

  void positionInTwips_data() {
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::addColumn<QPoint>("pixels");
    QTest::newRow("whole pixels") << 1500.0f << 3000.0f << QPoint(100, 200);
    QTest::newRow("fractions") << 1507.5f << 22.4f << QPoint(101, 1);
    QTest::newRow("negative, not clamped") << -750.0f << -15.0f << QPoint(-50, -1);
  }
  void positionInTwips() {
    QFETCH(float, left);
    QFETCH(float, top);
    QFETCH(QPoint, pixels);
    Main().SetLeft(left);
    Main().SetTop(top);
    QCOMPARE(Main().Window()->pos(), pixels);
    // The outer size, in twips, before the window is shown.
    QCOMPARE(Main().Width(), float(Main().Window()->frameGeometry().width() * 15));
    QVERIFY(Main().Width() >= 8160.0f);
    QVERIFY(Main().Height() > 4695.0f);
  }

  void picture() {
    QCOMPARE(About().Icon(), IconHandle(0));
    About().SetPicture("picIcon", Main().Icon());
    About().Window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(About().Window()));
    const QImage shot = About().Control("picIcon")->grab().toImage();
    const double s = shot.devicePixelRatio();
    auto at = [&](int x, int y) { return shot.pixelColor(int(x * s + s / 2), int(y * s + s / 2)); };
    QCOMPARE(at(1, 0), QColor(Qt::black));   // the case's outline
    QCOMPARE(at(7, 6), QColor(0, 0, 128));   // the screen
    QCOMPARE(at(9, 14), QColor(0, 255, 0));  // the first bar
    About().SetPicture("picIcon", 0);
    QVERIFY(static_cast<PictureControl*>(About().Control("picIcon"))->Icon().isNull());
  }
};

QTEST_MAIN(QtFormTest)
#include "qt_form_test.moc"
