#include "platform/qt/qt_copy_all.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <chrono>

namespace kv::qt {
namespace {

bool HasSelection(QObject* object) {
  if (auto* edit = qobject_cast<QPlainTextEdit*>(object)) return edit->textCursor().hasSelection();
  if (auto* line = qobject_cast<QLineEdit*>(object)) return line->hasSelectedText();
  return false;
}

class CopyAll final : public QObject {
 public:
  CopyAll(QWidget* window, std::function<std::string()> text, ReportSource report)
      : QObject(window), text_(std::move(text)), report_(std::move(report)) {}

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
      QAction* copyReport = menu.addAction(QString::fromUtf8(kCopyReportCaption));
      copyReport->setObjectName(QStringLiteral("copyReport"));
      menu.addSeparator();
      QAction* redact = menu.addAction(QString::fromUtf8(kRedactCaption));
      redact->setObjectName(QStringLiteral("redact"));
      redact->setCheckable(true);
      redact->setChecked(redact_);
      QAction* chosen = menu.exec(static_cast<QContextMenuEvent*>(event)->globalPos());
      if (chosen == copyAll) Copy();
      if (chosen == copyReport) CopyReport();
      if (chosen == redact) redact_ = !redact_;
      return true;
    }
    return false;
  }

 private:
  void Copy() const { CopyText(Leaving(text_())); }
  void CopyReport() const {
    const SystemDetails system = report_.details ? report_.details() : SystemDetails{};
    const ReportDetails details = MakeReportDetails(system, std::chrono::system_clock::now());
    CopyText(Leaving(SupportReport(text_(), details, "\n")));
  }
  // The text as it may leave the window: without the names when asked.
  std::string Leaving(std::string text) const {
    if (!redact_ || !report_.names) return text;
    return Redact(text, report_.names());
  }

  std::function<std::string()> text_;
  ReportSource report_;
  bool redact_ = false;
};

}  // namespace

void InstallCopyAll(QtForm& form, std::function<std::string()> text, ReportSource report) {
  QWidget* window = form.Window();
  auto* filter = new CopyAll(window, std::move(text), std::move(report));
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
