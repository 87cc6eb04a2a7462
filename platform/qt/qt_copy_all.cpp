#include "platform/qt/qt_copy_all.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <memory>

namespace kv::qt {
namespace {

// A text box's viewport receives its mouse events: the box is meant.
QObject* TextBoxOf(QObject* object) {
  if (object != nullptr && qobject_cast<QPlainTextEdit*>(object->parent()) != nullptr)
    return object->parent();
  return object;
}

bool HasSelection(QObject* object) {
  if (auto* edit = qobject_cast<QPlainTextEdit*>(object)) return edit->textCursor().hasSelection();
  if (auto* line = qobject_cast<QLineEdit*>(object)) return line->hasSelectedText();
  return false;
}

class CopyAll final : public QObject {
 public:
  CopyAll(QWidget* window, std::function<std::string()> text)
      : QObject(window), text_(std::move(text)) {}

  bool eventFilter(QObject* object, QEvent* event) override {
    QObject* watched = TextBoxOf(object);
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy) && !HasSelection(watched)) {
      Copy();
      return true;
    }
    if (event->type() == QEvent::ContextMenu) {
      const auto* menuEvent = static_cast<QContextMenuEvent*>(event);
      std::unique_ptr<QMenu> menu;
      if (auto* edit = qobject_cast<QPlainTextEdit*>(watched)) {
        menu.reset(edit->createStandardContextMenu(menuEvent->pos()));
        menu->addSeparator();
      } else if (auto* line = qobject_cast<QLineEdit*>(watched)) {
        menu.reset(line->createStandardContextMenu());
        menu->addSeparator();
      } else {
        menu = std::make_unique<QMenu>();
      }
      QAction* copyAll = menu->addAction(QString::fromUtf8(kCopyAllCaption));
      copyAll->setObjectName(QStringLiteral("copyAll"));
      if (menu->exec(menuEvent->globalPos()) == copyAll) Copy();
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
  // The text boxes take the keys and their menus before the window does.
  for (auto* edit : window->findChildren<QPlainTextEdit*>()) {
    edit->installEventFilter(filter);
    edit->viewport()->installEventFilter(filter);
  }
  for (auto* line : window->findChildren<QLineEdit*>()) line->installEventFilter(filter);
}

void CopyText(const std::string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  clipboard->setText(shown, QClipboard::Clipboard);
  if (clipboard->supportsSelection()) clipboard->setText(shown, QClipboard::Selection);
}

}  // namespace kv::qt
