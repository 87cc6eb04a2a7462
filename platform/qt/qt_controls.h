// The widgets a form is realised with where Qt's own do not draw or behave
// like the layout asks: the form's window, the captioned frame, the line, the
// picture box, and the text box as the program's code sees it.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <string>

#include "platform/ui.h"

class QLineEdit;
class QPlainTextEdit;

namespace kv::qt {

// The top-level window of a form. Closing it (close box, system menu, window
// manager) does not close it: it asks onCloseRequest, which unloads the form.
// Esc presses the cancel button, if the form has one; Enter presses the
// focused button or else the default button (QDialog's rules).
class FormWindow final : public QDialog {
  Q_OBJECT

 public:
  explicit FormWindow(Qt::WindowFlags flags);

  void SetCancelButton(QPushButton* button) { cancel_ = button; }
  std::function<void()> onCloseRequest;
  std::function<void()> onFirstPaint;

 signals:
  // The window was hidden by the program (not minimised by the user).
  void hidden();

 public slots:
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QPointer<QPushButton> cancel_;
  bool painted_ = false;
};

// A frame with a caption: an etched rectangle whose top edge runs through the
// middle of the caption, the caption shown literally.
class FrameBox final : public QGroupBox {
  Q_OBJECT

 public:
  explicit FrameBox(QWidget* parent);
  void SetCaption(const QString& caption);
  QString Caption() const { return caption_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
};

// A label. A single line of text is placed by its ink rather than by the
// font's line box: the tall line boxes of CJK fonts would otherwise push the
// descenders of Latin letters out of the low boxes the layouts give labels.
class CaptionLabel final : public QLabel {
  Q_OBJECT

 public:
  explicit CaptionLabel(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRectF Ink() const;
  int Indent() const;
};

// A straight line, placed over the pixels it covers and transparent to the mouse.
class LineControl final : public QWidget {
  Q_OBJECT

 public:
  // from and to in pixels of the parent; width in pixels.
  LineControl(QWidget* parent, QPoint from, QPoint to, int width, const QColor& colour);
  QColor Colour() const { return colour_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPoint from_, to_;
  int width_;
  QColor colour_;
};

// A picture box showing an icon at its natural size from its top-left corner.
class PictureControl final : public QWidget {
  Q_OBJECT

 public:
  explicit PictureControl(QWidget* parent);
  void SetIcon(const QIcon& icon, QSize naturalSize);
  const QIcon& Icon() const { return icon_; }
  QSize IconSize() const { return size_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QIcon icon_;
  QSize size_;
};

// A text box as the program sees it: the text it last wrote comes back as it
// was written (line breaks CR LF); text the user has changed since comes back
// with CR LF line breaks.
class TextBoxControl final : public ITextBox {
 public:
  explicit TextBoxControl(QPlainTextEdit* multiLine);
  explicit TextBoxControl(QLineEdit* singleLine);
  std::string Text() const override;
  void SetText(std::string text) override;
  QWidget* Widget() const;

 private:
  void Watch();

  QObject context_;  // ends the widget's connections when this object goes
  QPointer<QPlainTextEdit> multiLine_;
  QPointer<QLineEdit> singleLine_;
  std::string written_;
  bool userEdited_ = false;
  bool writing_ = false;
};

}  // namespace kv::qt
