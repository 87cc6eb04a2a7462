#include "platform/qt/qt_copy_all.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>

namespace kv::qt {
namespace {

bool HasSelection(QObject* object) {
  if (auto* edit = qobject_cast<QPlainTextEdit*>(object)) return edit->textCursor().hasSelection();
  if (auto* line = qobject_cast<QLineEdit*>(object)) return line->hasSelectedText();
  return false;
}

class CopyAll final : public QObject {
 public:
  CopyAll(QWidget* window, std::function<std::string()> text)
      : QObject(window), text_(std::move(text)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy) && !HasSelection(watched)) {
      Copy();
      return true;
    }
    // The window's own menu, for every place without a menu of its own (the
    // text boxes keep theirs).
    if (event->type() == QEvent::ContextMenu && watched == parent()) {
      QMenu menu;
      QAction* copyAll = menu.addAction(QString::fromUtf8(kCopyAllCaption));
      copyAll->setObjectName(QStringLiteral("copyAll"));
      if (menu.exec(static_cast<QContextMenuEvent*>(event)->globalPos()) == copyAll) Copy();
      return true;
    }
    return false;
  }

 private:
  void Copy() const { CopyText(text_()); }

  std::function<std::string()> text_;
};

}  // namespace

void InstallCopyAll(QtForm& form, std::function<std::string()> text) {
  QWidget* window = form.Window();
  auto* filter = new CopyAll(window, std::move(text));
  window->installEventFilter(filter);
  // The text boxes take the keys before the window does.
  for (auto* edit : window->findChildren<QPlainTextEdit*>()) edit->installEventFilter(filter);
  for (auto* line : window->findChildren<QLineEdit*>()) line->installEventFilter(filter);
}

void CopyText(const std::string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  clipboard->setText(shown, QClipboard::Clipboard);
  if (clipboard->supportsSelection()) clipboard->setText(shown, QClipboard::Selection);
}

}  // namespace kv::qt
