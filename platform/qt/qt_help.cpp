#include "platform/qt/qt_help.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QMessageBox>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/qt/qt_text.h"

namespace kv::qt {

namespace {

constexpr uint32_t kHelpContext = 0x0001;
constexpr uint32_t kHelpFinder = 0x000B;

class HelpWindow final : public QWidget {
 public:
  explicit HelpWindow(const QString& path) : QWidget(nullptr, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("helpWindow"));
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({QFileInfo(path).absolutePath()});
    // The file is HTML whatever its extension says.
    browser_->setSource(QUrl::fromLocalFile(path), QTextDocument::HtmlResource);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(browser_);
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? QFileInfo(path).fileName() : title);
    resize(640, 520);
    // Esc, Ctrl+W and the platform's own keys for closing a window close it.
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Close);
    for (const QKeySequence& key :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
      if (!keys.contains(key)) keys << key;
    auto* close = new QShortcut(this);
    close->setKeys(keys);
    connect(close, &QShortcut::activated, this, &QWidget::close);
  }

 private:
  QTextBrowser* browser_;
};

}  // namespace

QtHelpEngine::QtHelpEngine(QStringList searchDirs, std::string ansiCodeset)
    : searchDirs_(std::move(searchDirs)), ansiCodeset_(std::move(ansiCodeset)) {}

QtHelpEngine::~QtHelpEngine() { CloseAll(); }

QString QtHelpEngine::Locate(const QString& helpFile) const {
  if (helpFile.isEmpty()) return {};
  if (helpFile.contains(QChar(u'/'))) {
    const QFileInfo info(helpFile);
    return info.isFile() ? info.absoluteFilePath() : QString();
  }
  for (const QString& dir : searchDirs_) {
    const QFileInfo info(QDir(dir), helpFile);
    if (info.isFile()) return info.absoluteFilePath();
  }
  return {};
}

int32_t QtHelpEngine::WinHelpA(std::uintptr_t, std::string_view helpFile, uint32_t command,
                               std::uintptr_t) {
  switch (command) {
    case kHelpContents:
    case kHelpFinder:
    case kHelpContext:
      return Contents(DecodeBytes(helpFile, ansiCodeset_));
    case kHelpQuit:
      CloseAll();
      return 1;
    default:
      return 0;
  }
}

int32_t QtHelpEngine::Contents(const QString& helpFile) {
  const QString path = Locate(helpFile);
  if (path.isEmpty()) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("ヘルプ"),
                    QStringLiteral("ヘルプ ファイル %1 が見つかりません。").arg(helpFile),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return 0;
  }
  QPointer<QWidget>& window = windows_[path];
  if (!window) window = new HelpWindow(path);
  window->show();
  window->raise();
  window->activateWindow();
  return 1;
}

void QtHelpEngine::CloseAll() {
  for (auto& [path, window] : windows_) {
    if (window) window->close();  // deletes itself
  }
  windows_.clear();
}

QWidget* QtHelpEngine::WindowFor(const QString& path) const {
  const auto it = windows_.find(QFileInfo(path).absoluteFilePath());
  return it == windows_.end() ? nullptr : it->second.data();
}

}  // namespace kv::qt
