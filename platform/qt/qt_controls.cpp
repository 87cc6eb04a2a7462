#include "platform/qt/qt_controls.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QFontMetricsF>
#include <QHideEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyle>

#include "platform/qt/qt_text.h"

namespace kv::qt {

// ---- FormWindow --------------------------------------------------------------

namespace {

// A form's window that is not a dialog is the application's window: screen
// readers are to hear a frame (QAccessible::Window), not the dialog that its
// base class would announce.
QAccessibleInterface* FormWindowAccessible(const QString& className, QObject* object) {
  if (className != QLatin1String(FormWindow::staticMetaObject.className())) return nullptr;
  auto* window = static_cast<FormWindow*>(object);
  if (window->windowType() == Qt::Dialog) return nullptr;
  return new QAccessibleWidget(window, QAccessible::Window);
}

}  // namespace

FormWindow::FormWindow(Qt::WindowFlags flags) : QDialog(nullptr, flags) {
  QAccessible::installFactory(FormWindowAccessible);  // once; later calls change nothing
  setSizeGripEnabled(false);
}

void FormWindow::reject() {
  // Esc: the cancel button, when there is one; a form without one stays.
  if (cancel_ && cancel_->isEnabled() && cancel_->isVisible()) cancel_->click();
}

void FormWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (onCloseRequest) onCloseRequest();
}

void FormWindow::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) emit hidden();
}

bool FormWindow::event(QEvent* event) {
  const bool handled = QDialog::event(event);
  if (event->type() == QEvent::Paint && !painted_) {
    painted_ = true;
    if (onFirstPaint) onFirstPaint();
  }
  return handled;
}

// ---- FrameBox ----------------------------------------------------------------

FrameBox::FrameBox(QWidget* parent) : QGroupBox(parent) { setFocusPolicy(Qt::NoFocus); }

void FrameBox::SetCaption(const QString& caption) {
  caption_ = caption;
  // QGroupBox reads '&' as an access key; the frame's caption is literal.
  setTitle(EscapeMnemonics(caption));
  update();
}

void FrameBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QFontMetrics fm = fontMetrics();
  const int top = fm.height() / 2;
  // Etched: a dark rectangle with a light one one pixel inside and below it.
  const QRect outer(0, top, width() - 1, height() - top - 1);
  p.setPen(palette().color(QPalette::Dark));
  p.drawRect(outer.adjusted(0, 0, -1, -1));
  p.setPen(palette().color(QPalette::Light));
  p.drawRect(outer.adjusted(1, 1, 0, 0));
  if (caption_.isEmpty()) return;
  const int textLeft = fm.averageCharWidth() + 2;
  const int textWidth = std::min(fm.horizontalAdvance(caption_), width() - 2 * textLeft);
  const QRect textRect(textLeft, 0, std::max(textWidth, 0), fm.height());
  p.fillRect(textRect.adjusted(-2, 0, 2, 0), palette().brush(backgroundRole()));
  p.setPen(palette().color(foregroundRole()));
  p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption_);
}

// ---- CaptionLabel -------------------------------------------------------------

CaptionLabel::CaptionLabel(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

QRectF CaptionLabel::Ink() const {
  // Ideographs reach highest and lowest among CJK text, capitals and
  // descenders among Latin text.
  return QFontMetricsF(font()).tightBoundingRect(QStringLiteral("国Hgyp"));
}

int CaptionLabel::Indent() const {
  if (indent() >= 0) return indent();
  return frameWidth() > 0 ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0;
}

void CaptionLabel::paintEvent(QPaintEvent* event) {
  if (wordWrap() || text().isEmpty()) {
    QLabel::paintEvent(event);
    return;
  }
  QPainter p(this);
  drawFrame(&p);
  const QRect room = contentsRect();
  const QRectF ink = Ink();
  const qreal baseline = room.top() + (room.height() - ink.height()) / 2 - ink.top();
  p.setClipRect(room);
  p.setPen(palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled, foregroundRole()));
  p.setFont(font());
  p.drawText(QPointF(room.left() + Indent(), baseline), text().section(QChar(u'\n'), 0, 0));
}

// ---- LineControl ---------------------------------------------------------------

LineControl::LineControl(QWidget* parent, QPoint from, QPoint to, int width, const QColor& colour)
    : QWidget(parent), width_(std::max(width, 1)), colour_(colour) {
  const QRect covered = LinePixels(from, to, width_);
  // An empty (zero-length) line still gets a widget; it just draws nothing.
  setGeometry(covered.isEmpty() ? QRect(covered.topLeft(), QSize(1, 1)) : covered);
  from_ = from - geometry().topLeft();
  to_ = to - geometry().topLeft();
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

void LineControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (from_.y() == to_.y() || from_.x() == to_.x()) {
    // Axis-parallel: exactly the covered pixels.
    const QRect covered = LinePixels(from_, to_, width_);
    p.fillRect(covered, colour_);
    return;
  }
  QPen pen(colour_, width_);
  pen.setCapStyle(Qt::FlatCap);
  p.setPen(pen);
  p.drawLine(from_, to_);
}

// ---- PictureControl --------------------------------------------------------------

PictureControl::PictureControl(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::NoFocus); }

void PictureControl::SetIcon(const QIcon& icon, QSize naturalSize) {
  icon_ = icon;
  size_ = naturalSize;
  update();
}

void PictureControl::paintEvent(QPaintEvent*) {
  if (icon_.isNull()) return;
  QPainter p(this);
  icon_.paint(&p, QRect(QPoint(0, 0), size_), Qt::AlignLeft | Qt::AlignTop);
}

// ---- TextBoxControl ----------------------------------------------------------------

TextBoxControl::TextBoxControl(QPlainTextEdit* multiLine) : multiLine_(multiLine) { Watch(); }

TextBoxControl::TextBoxControl(QLineEdit* singleLine) : singleLine_(singleLine) { Watch(); }

void TextBoxControl::Watch() {
  auto edited = [this] {
    if (!writing_) userEdited_ = true;
  };
  if (multiLine_) QObject::connect(multiLine_, &QPlainTextEdit::textChanged, &context_, edited);
  if (singleLine_) QObject::connect(singleLine_, &QLineEdit::textChanged, &context_, edited);
}

QWidget* TextBoxControl::Widget() const {
  if (multiLine_) return multiLine_;
  return singleLine_;
}

std::string TextBoxControl::Text() const {
  if (!userEdited_) return written_;
  if (multiLine_) return FromQtLines(multiLine_->toPlainText());
  if (singleLine_) return singleLine_->text().toStdString();
  return written_;
}

void TextBoxControl::SetText(std::string text) {
  writing_ = true;
  const QString shown = PlainText(text);
  if (multiLine_) multiLine_->setPlainText(shown);
  if (singleLine_) {
    QString line = shown;
    line.replace(QChar(u'\n'), QChar(u' '));
    singleLine_->setText(line);
  }
  writing_ = false;
  written_ = std::move(text);
  userEdited_ = false;
}

}  // namespace kv::qt
