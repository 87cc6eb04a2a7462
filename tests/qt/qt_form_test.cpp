// The main window and About dialog layouts realised as Qt windows: geometry in
// device-independent pixels (run at 100 % and at 200 %), the menu and its
// access keys, captions shown literally, the read-only drive box, colours in
// a dark palette, how screen readers see the windows, and the program's icon files.
#include "platform/qt/qt_form.h"

#include <QAccessible>
#include <QBitmap>
#include <QClipboard>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QWindow>
#include <QtTest>
#include <memory>

#include "about/frmAbout_layout.h"
#include "app/frmSystem_layout.h"
#include "platform/qt/qt_controls.h"
#include "tests/fakes/form_contract_cases.h"

using namespace kv;
using namespace kv::qt;

namespace {

struct Events : FormEvents {
  std::vector<std::pair<std::string, int>> clicks;
  void FormClick(QtForm&, std::string_view control, int index) override {
    clicks.emplace_back(std::string(control), index);
  }
  void FormCloseRequested(QtForm&) override {}
};

// The width of the text drawn inside a label's border, in device pixels.
int InkWidth(QLabel* label) {
  const QImage image = label->grab(label->contentsRect()).toImage();
  const QImage ink = image.createMaskFromColor(image.pixel(image.width() - 1, 0), Qt::MaskInColor);
  return QRegion(QBitmap::fromImage(ink)).boundingRect().width();
}

}  // namespace

class QtFormTest : public QObject {
  Q_OBJECT

  IconTable icons_;
  Events events_;
  std::unique_ptr<QtForm> main_, about_;

 private slots:
  void keepsTheFormContract() {
    QtForm form(test::ContractLayout(), icons_, 0, events_);
    const std::vector<std::string> breaches = test::ContractBreaches(form);
    QVERIFY2(breaches.empty(), breaches.empty() ? "" : breaches.front().c_str());
  }

  void init() {
    events_ = Events{};
    const IconHandle icon = icons_.Add(ProgramIcon(), kProgramIconSize);
    main_ = std::make_unique<QtForm>(frmSystemLayout(), icons_, icon, events_);
    about_ = std::make_unique<QtForm>(frmAboutLayout(), icons_, icon, events_);
  }

  void geometry_data() {
    QTest::addColumn<bool>("about");
    QTest::addColumn<QString>("control");  // empty: the client area
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("pixels");  // in the container's coordinates
    const auto row = [](const char* name, bool about, const char* control, int index, QRect px) {
      QTest::newRow(name) << about << QString(control) << index << px;
    };
    row("main client area", false, "", -1, {0, 0, 544, 313});
    row("last value", false, "lblFunctionKeys", -1, {144, 280, 174, 16});
    row("drive frame", false, "Frame1", -1, {328, 12, 201, 285});
    row("drive box in its frame", false, "Text1", -1, {8, 16, 185, 261});
    row("4 px line grows up", false, "Line1", 0, {0, -1, 544, 4});
    row("About client area", true, "", -1, {0, 0, 410, 193});
    row("icon box", true, "picIcon", -1, {20, 16, 32, 32});
    row("description", true, "lblDescription", -1, {68, 64, 321, 45});
    row("OK", true, "cmdOK", -1, {300, 128, 92, 23});
    row("etched grey line", true, "Line1", 1, {68, 119, 324, 1});
  }
  void geometry() {
    QFETCH(bool, about);
    QFETCH(QString, control);
    QFETCH(int, index);
    QFETCH(QRect, pixels);
    QtForm& f = about ? *about_ : *main_;
    f.Window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.Window()));
    QWidget* w = control.isEmpty() ? f.Client() : f.Control(control.toStdString(), index);
    QVERIFY(w);
    QCOMPARE(control.isEmpty() ? QRect(QPoint(), w->size()) : w->geometry(), pixels);
    // Device pixels follow the scale factor: twice as many at 200 %.
    const double scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
    QCOMPARE(w->grab().size(), pixels.size() * scale);
    QCOMPARE(f.Window()->minimumSize(), f.Window()->maximumSize());  // not resizable
  }

  void menu_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("key");  // 0: a separator
    QTest::newRow("exit first") << 0 << "終了(&X)" << int(Qt::Key_X);
    QTest::newRow("then a separator") << 1 << "" << 0;
    QTest::newRow("help") << 2 << "ﾍﾙﾌﾟ(&H)..." << int(Qt::Key_H);
    QTest::newRow("About last") << 3 << "ﾊﾞｰｼﾞｮﾝ情報(&A)..." << int(Qt::Key_A);
  }
  void menu() {
    QFETCH(int, position);
    QFETCH(QString, caption);
    QFETCH(int, key);
    const QList<QAction*> menus = main_->MenuBar()->actions();
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus[0]->text(), QStringLiteral("ﾌｧｲﾙ(&F)"));
    const QList<QAction*> items = menus[0]->menu()->actions();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items[position]->isSeparator(), key == 0);
    if (key == 0) return;
    QCOMPARE(items[position]->text(), caption);
    // Alt+F opens the menu and the item's access key chooses it.
    main_->Window()->show();
    main_->Window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main_->Window()));
    QTest::keyClick(main_->Window(), Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key(key));
    QTRY_COMPARE(events_.clicks.size(), size_t(1));
    QCOMPARE(events_.clicks[0], std::make_pair(std::string("mnuFileItem"), position));
  }

  void captionsAreLiteral_data() {
    QTest::addColumn<QString>("control");  // empty: the window's title
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("caption");
    QTest::addColumn<QString>("shown");  // the text Qt is given
    const auto row = [](const char* name, const char* control, int index, QByteArray caption,
                        const char* shown) {
      QTest::newRow(name) << QString(control) << index << caption << QString(shown);
    };
    row("markup", "lblComputerName", -1, "<b>x</b>", "<b>x</b>");
    row("image", "lblUserName", -1, "<img src=\"x.png\">", "<img src=\"x.png\">");
    row("ampersand in a title", "lblTitle", 0, "A&B", "A&B");
    row("cut at NUL", "lblWindowsDirectory", -1, {"C:\\\0WINDOWS", 11}, "C:\\");
    row("ampersand in a frame", "Frame1", -1, "A&B", "A&&B");
    row("window title", "", -1, "<i>a</i>[*]", "<i>a</i>[*]");
  }
  void captionsAreLiteral() {
    QFETCH(QString, control);
    QFETCH(int, index);
    QFETCH(QByteArray, caption);
    QFETCH(QString, shown);
    const std::string name = control.toStdString(), text = caption.toStdString();
    QWidget* w = control.isEmpty() ? main_->Window() : main_->Control(name, index);
    if (control.isEmpty()) {
      main_->SetCaption(text);
    } else {
      main_->SetControlCaption(name, index, text);
    }
    main_->Window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_->Window()));
    auto* label = qobject_cast<QLabel*>(w);
    auto* frame = qobject_cast<QGroupBox*>(w);
    QCOMPARE(label ? label->text() : frame ? frame->title() : w->windowHandle()->title(), shown);
    if (!label) return;
    QCOMPARE(label->textFormat(), Qt::PlainText);
    // Drawn as the characters themselves, far wider than rich text would be.
    QVERIFY(InkWidth(label) >
            label->fontMetrics().horizontalAdvance(shown) * label->devicePixelRatioF() * 0.7);
  }

  // The whole form takes one font, at which every title fits its label.
  void titlesShareOneFontAndFit() {
    for (int i = 0; i < 14; ++i) {
      auto* title = qobject_cast<QLabel*>(main_->Control("lblTitle", i));
      QCOMPARE(title->font(), main_->Client()->font());
      QVERIFY2(QFontMetricsF(title->font()).tightBoundingRect(title->text()).right() <
                   title->width(),
               qPrintable(title->text()));
    }
  }

  void driveBoxIsReadOnly() {
    auto* edit = qobject_cast<QPlainTextEdit*>(main_->Control("Text1"));
    QVERIFY(edit && edit->isReadOnly());
    // Only CR LF breaks a line; a separator from the system shows as the
    // terminal shows it.
    const std::string report = "C:\\\r\n  Fixed\u2028x\r\nD:\\\r\n";
    main_->TextBox("Text1").SetText(report);
    QCOMPARE(edit->toPlainText(), QStringLiteral("C:\\\n  Fixed\\u2028x\nD:\\\n"));
    QTest::keyClicks(edit, "typed");
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(main_->TextBox("Text1").Text(), report);
    // The keyboard still selects and copies.
    QTest::keyClick(edit, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("C:\\\n"));
  }

  // Title labels stand on the form's own background, not on patches of
  // another colour, in a palette whose button colour differs from its window
  // colour (Fusion's dark); the layout's fixed colours stay as given.
  void coloursInADarkPalette() {
    QPalette palette(QColor(0x35, 0x35, 0x35));
    palette.setColor(QPalette::Button, QColor(0x50, 0x50, 0x58));
    palette.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    palette.setColor(QPalette::Text, Qt::white);
    const auto restore =
        qScopeGuard([before = QApplication::palette()] { QApplication::setPalette(before); });
    QApplication::setPalette(palette);
    IconTable icons;
    QtForm form(frmSystemLayout(), icons, 0, events_);
    form.Window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.Window()));
    const QImage shot = form.Client()->grab().toImage();
    const auto at = [&](QWidget* w, QPoint p) {
      return QColor(shot.pixel(w->mapTo(form.Client(), p) * shot.devicePixelRatio()));
    };
    const QColor background = at(form.Client(), {4, 150});  // left of every label
    QCOMPARE(background, palette.color(QPalette::Window));
    for (int i = 0; i < 14; ++i) {
      QWidget* title = form.Control("lblTitle", i);
      QCOMPARE(at(title, {title->width() - 1, 1}), background);
    }
    auto* box = form.Control("Text1");
    QCOMPARE(box->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(box->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(static_cast<LineControl*>(form.Control("Line1", 0))->Colour(), QColor(Qt::white));
    QCOMPARE(static_cast<LineControl*>(form.Control("Line1", 1))->Colour(), QColor(128, 128, 128));
  }

  // The main window is the application's frame, titled with its caption; the
  // About dialog is a dialog.
  void announcedToScreenReaders() {
    main_->SetCaption("Kavreno");
    about_->SetCaption("Kavreno のバージョン情報");
    const std::tuple<QtForm*, QAccessible::Role, QString> table[] = {
        {main_.get(), QAccessible::Window, "Kavreno"},
        {about_.get(), QAccessible::Dialog, "Kavreno のバージョン情報"}};
    for (const auto& [form, role, name] : table) {
      form->Window()->show();
      QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form->Window());
      QVERIFY(window);
      QCOMPARE(window->role(), role);
      QCOMPARE(window->text(QAccessible::Name), name);
    }
  }

  // The Windows icon holds the 16 and 32 pixel PNG renderings, pixel for pixel.
  void iconFilesAgree() {
    const QString data = QStringLiteral(KAVRENO_TEST_DATA_DIR "/icons/");
    QImageReader ico(data + "kavreno.ico");
    QSet<int> sizes;
    for (int i = 0; i < ico.imageCount(); ++i) {
      QVERIFY(ico.jumpToImage(i));
      const QImage image = ico.read().convertToFormat(QImage::Format_ARGB32);
      const QImage png(data + QStringLiteral("hicolor/%1x%1/apps/kavreno.png").arg(image.width()));
      QCOMPARE(image, png.convertToFormat(QImage::Format_ARGB32));
      sizes << image.width();
    }
    QCOMPARE(sizes, (QSet<int>{16, 32}));
  }
};

QTEST_MAIN(QtFormTest)
#include "qt_form_test.moc"
