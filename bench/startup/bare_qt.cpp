// The yardstick for the window's start-up: a bare Qt Widgets program with the
// widgets of Kavreno's main window (menu bar, fourteen title and value label
// pairs, a captioned frame with a read-only text box, two lines), built
// directly in code, with no module, no translation and no system queries. It
// ends once its window has been painted for the first time, as Kavreno does
// with KAVRENO_EXIT_AFTER_PAINT=1.
#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>

namespace {

class Window final : public QWidget {
 protected:
  bool event(QEvent* e) override {
    const bool handled = QWidget::event(e);
    if (e->type() == QEvent::Paint && !painted_) {
      painted_ = true;
      QTimer::singleShot(0, [] {
        std::fflush(nullptr);
        std::_Exit(0);
      });
    }
    return handled;
  }

 private:
  bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  Window window;
  window.setWindowTitle(QStringLiteral("Kavreno"));
  auto* box = new QVBoxLayout(&window);
  box->setContentsMargins(0, 0, 0, 0);
  box->setSizeConstraint(QLayout::SetFixedSize);
  auto* bar = new QMenuBar(&window);
  QMenu* file = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
  file->addAction(QStringLiteral("終了(&X)"));
  file->addSeparator();
  file->addAction(QStringLiteral("ﾍﾙﾌﾟ(&H)..."));
  file->addAction(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)..."));
  box->setMenuBar(bar);
  auto* client = new QWidget(&window);
  client->setFixedSize(544, 313);
  box->addWidget(client);

  const char* titles[] = {
      "コンピュータ名：",      "ユーザ名：",           "OS：",
      "OSのバージョン：",      "プロセッサの数：",     "プロセッサのタイプ：",
      "物理メモリの全容量：",  "使用中のメモリ：",     "空きメモリ：",
      "Windowsディレクトリ：", "Systemディレクトリ：", "Temporaryディレクトリ：",
      "キーボードタイプ：",    "Functionキーの数："};
  for (int i = 0; i < 14; ++i) {
    auto* value = new QLabel(QStringLiteral("値 %1").arg(i), client);
    value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    value->setAutoFillBackground(true);
    value->setBackgroundRole(QPalette::Base);
    value->setGeometry(144, 20 * (i + 1), 174, 16);
    auto* title = new QLabel(QString::fromUtf8(titles[i]), client);
    title->setGeometry(16, 20 * (i + 1) + 4, 120, 12);
  }
  auto* frame = new QGroupBox(QStringLiteral("ドライブ情報："), client);
  frame->setGeometry(328, 12, 201, 285);
  auto* text = new QPlainTextEdit(frame);
  text->setGeometry(8, 16, 185, 261);
  text->setReadOnly(true);
  text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text->setPlainText(
      QStringLiteral("Disk /\n  Volume Name: \n  File System: ext4\n  Drive Type:  Fixed\n"
                     "  Total Space: 258,019.61MB\n  Free Space:  230,230.99MB\n"));
  for (int y : {0, 1}) {
    auto* line = new QFrame(client);
    line->setFrameShape(QFrame::HLine);
    line->setGeometry(0, y, 544, 2);
  }
  window.show();
  return app.exec();
}
