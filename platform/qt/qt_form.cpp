#include "platform/qt/qt_form.h"

#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "platform/colors.h"
#include "platform/form_contract.h"
#include "platform/qt/qt_text.h"

namespace kv::qt {

namespace {

// The palette role standing in for each Windows system colour (GetSysColor)
// the layouts name. The button face (15) is what forms are filled with, so it
// is the role a form's own background takes, Window (Qt's Windows theme fills
// both from it): a control painted in it shows no patch, whatever the palette.
// The active title bar's text (9) has no role of its own; the text on the
// selection, which title bars share their colours with, stands in for it.
QPalette::ColorRole SystemColourRole(uint32_t index) {
  switch (index) {
    case layout::kColorWindow:
      return QPalette::Base;
    case layout::kColorCaptionText:
      return QPalette::HighlightedText;
    case layout::kColorButtonText:
      return QPalette::ButtonText;
    default:  // the button face
      return QPalette::Window;
  }
}

// The role a control kind paints its surface and its text with.
QPalette::ColorRole SurfaceRole(layout::Kind kind) {
  switch (kind) {
    case layout::Kind::TextBox:
      return QPalette::Base;
    case layout::Kind::CommandButton:
      return QPalette::Button;
    default:
      return QPalette::Window;
  }
}

// The role a control kind paints its text with: the one that belongs with its surface.
QPalette::ColorRole TextRole(layout::Kind kind) {
  switch (SurfaceRole(kind)) {
    case QPalette::Base:
      return QPalette::Text;
    case QPalette::Button:
      return QPalette::ButtonText;
    default:
      return QPalette::WindowText;
  }
}

QColor RgbColour(uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

using layout::TakesFocus;

QRect ToQRect(const layout::Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// What the layout resolution needs to know of a form's font, in device-independent pixels.
layout::FontMetrics MetricsOf(const QFont& font) {
  layout::FontMetrics m;
  m.pixelsPerInch = static_cast<int>(std::lround(1440 / kTwipsPerPixel));
  const QFontMetricsF metrics(font);
  m.lineHeight = static_cast<int>(std::ceil(metrics.lineSpacing()));
  // Ideographs reach highest and lowest among CJK text, capitals and
  // descenders among Latin text; a pixel each side for antialiasing.
  m.inkHeight =
      static_cast<int>(std::ceil(metrics.tightBoundingRect(QStringLiteral("国Hgyp")).height())) + 2;
  m.textWidth = [metrics](std::string_view utf8) {
    return metrics.tightBoundingRect(PlainText(std::string(utf8))).right() + 1;
  };
  return m;
}

}  // namespace

QtForm::QtForm(const layout::Form& data, const IconTable& icons, IconHandle formIcon,
               FormEvents& events)
    : data_(data), icons_(icons), formIcon_(formIcon), events_(events) {
  BuildWindow();
  resolved_ = layout::Resolve(data_, MetricsOf(client_->font()));
  if (resolved_.fontScale < 1.0) {
    QFont font = client_->font();
    const qreal size = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
    font.setPointSizeF(size * resolved_.fontScale);
    client_->setFont(font);
  }
  BuildMenus();
  BuildControls();
  LinkBuddies();
  SetTabOrder();
  window_->layout()->activate();
}

QtForm::~QtForm() {
  if (!window_) return;
  window_->onCloseRequest = nullptr;
  window_->onFirstPaint = nullptr;
  window_->hide();
  window_->deleteLater();
}

void QtForm::BuildWindow() {
  Qt::WindowFlags flags;
  switch (data_.border) {
    case layout::Border::None:
      flags = Qt::Window | Qt::FramelessWindowHint;
      break;
    case layout::Border::FixedDialog:
      flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
      break;
    case layout::Border::FixedSingle:
      flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
      break;
  }
  if (data_.border != layout::Border::None) {
    if (data_.controlBox) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (data_.controlBox && data_.minButton) flags |= Qt::WindowMinimizeButtonHint;
  }
  window_ = new FormWindow(flags);
  window_->setObjectName(QString::fromStdString(data_.name));
  window_->setWindowTitle(WindowTitleText(data_.caption));
  if (data_.hasIcon) {
    if (const auto* icon = icons_.Find(formIcon_)) window_->setWindowIcon(icon->icon);
  }
  window_->onCloseRequest = [this] { events_.FormCloseRequested(*this); };

  client_ = new QWidget(window_);
  client_->setObjectName(QStringLiteral("client"));
  client_->setFixedSize(TwipsToPixels(data_.clientWidth), TwipsToPixels(data_.clientHeight));
  auto* box = new QVBoxLayout(window_);
  box->setContentsMargins(0, 0, 0, 0);
  box->setSpacing(0);
  box->setSizeConstraint(QLayout::SetFixedSize);
  box->addWidget(client_);
}

void QtForm::BuildMenus() {
  if (data_.menus.empty()) return;
  menuBar_ = new QMenuBar(window_);
  for (const layout::Menu& menu : data_.menus) {
    QMenu* m = menuBar_->addMenu(QString::fromStdString(menu.caption));
    m->setObjectName(QString::fromStdString(menu.name));
    for (const layout::MenuItem& item : menu.items) {
      QAction* action = nullptr;
      if (item.caption == "-") {
        action = m->addSeparator();
      } else {
        action = m->addAction(QString::fromStdString(item.caption));
        QObject::connect(action, &QAction::triggered, &context_,
                         [this, &item] { events_.FormClick(*this, item.name, item.index); });
      }
      action->setObjectName(QString::fromStdString(item.name));
      action->setData(item.index);
    }
  }
  window_->layout()->setMenuBar(menuBar_);
}

void QtForm::BuildControls() {
  controls_.reserve(data_.controls.size());
  for (const layout::Control& c : data_.controls) {
    controls_.push_back({&c, nullptr, nullptr});
    controls_.back().widget = CreateControl(c, controls_.back());
  }
  // Place each control in its container (a frame) and stack them in layout order.
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    Realised& r = controls_[i];
    const layout::Placed& placed = resolved_.controls[i];
    if (placed.container >= 0 && controls_[placed.container].widget != r.widget)
      r.widget->setParent(controls_[placed.container].widget);
    if (r.data->kind != layout::Kind::Line) r.widget->setGeometry(ToQRect(placed.local));
    r.widget->show();
    r.widget->raise();
    // Single-line labels centre their line; labels with room for two lines or
    // more wrap at word boundaries from the top.
    if (auto* label = qobject_cast<QLabel*>(r.widget)) {
      label->setWordWrap(!placed.singleLine);
      label->setAlignment(Qt::AlignLeft | (placed.singleLine ? Qt::AlignVCenter : Qt::AlignTop));
    }
  }
}

QWidget* QtForm::CreateControl(const layout::Control& c, Realised& slot) {
  QWidget* w = nullptr;
  switch (c.kind) {
    case layout::Kind::Label: {
      auto* label = new CaptionLabel(client_);
      label->setText(PlainText(c.caption));
      if (c.border == layout::Border::FixedSingle) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(1);
      }
      w = label;
      break;
    }
    case layout::Kind::Frame: {
      auto* frame = new FrameBox(client_);
      frame->SetCaption(PlainText(c.caption));
      w = frame;
      break;
    }
    case layout::Kind::TextBox: {
      if (c.multiLine) {
        auto* edit = new QPlainTextEdit(client_);
        edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        edit->setVerticalScrollBarPolicy(c.verticalScrollBar ? Qt::ScrollBarAlwaysOn
                                                             : Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setTabChangesFocus(true);
        if (c.locked) {
          edit->setReadOnly(true);
          // Read-only, yet with a text cursor, so keyboard and screen-reader
          // users can move through the text and select it.
          edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        }
        slot.textBox = std::make_unique<TextBoxControl>(edit);
        w = edit;
      } else {
        auto* edit = new QLineEdit(client_);
        edit->setReadOnly(c.locked);
        slot.textBox = std::make_unique<TextBoxControl>(edit);
        w = edit;
      }
      slot.textBox->SetText(c.caption);
      break;
    }
    case layout::Kind::Line: {
      const layout::Rect& ends = resolved_.controls[controls_.size() - 1].local;
      const QPoint from(ends.left, ends.top);
      const QPoint to(ends.right, ends.bottom);
      const layout::Color& colour = c.fore.type != layout::Color::Type::Default ? c.fore : c.back;
      QColor qc = QApplication::palette().color(QPalette::WindowText);
      if (colour.type == layout::Color::Type::Rgb) qc = RgbColour(colour.value);
      if (colour.type == layout::Color::Type::System)
        qc = QApplication::palette().color(SystemColourRole(colour.value));
      w = new LineControl(client_, from, to, c.lineWidth, qc);
      break;
    }
    case layout::Kind::PictureBox:
      w = new PictureControl(client_);
      break;
    case layout::Kind::CommandButton: {
      auto* button = new QPushButton(QString::fromStdString(c.caption), client_);
      button->setAutoDefault(true);
      button->setDefault(c.isDefault);
      if (c.isCancel) window_->SetCancelButton(button);
      QObject::connect(button, &QPushButton::clicked, &context_,
                       [this, &c] { events_.FormClick(*this, c.name, c.index); });
      w = button;
      break;
    }
  }
  w->setObjectName(QString::fromStdString(c.name));
  w->setProperty("kvIndex", c.index);
  w->setFocusPolicy(TakesFocus(c.kind) ? Qt::StrongFocus : Qt::NoFocus);
  if (c.kind != layout::Kind::Line) ApplyColours(c, w);
  return w;
}

void QtForm::ApplyColours(const layout::Control& c, QWidget* w) {
  using Type = layout::Color::Type;
  if (c.back.type == Type::Default && c.fore.type == Type::Default) return;
  QPalette pal = w->palette();
  const QPalette::ColorRole surface = SurfaceRole(c.kind);
  const QPalette::ColorRole textRole = TextRole(c.kind);

  QColor back = pal.color(surface);
  if (c.back.type == Type::Rgb) back = RgbColour(c.back.value);
  if (c.back.type == Type::System) back = pal.color(SystemColourRole(c.back.value));
  QColor fore = pal.color(textRole);
  if (c.fore.type == Type::Rgb) fore = RgbColour(c.fore.value);
  if (c.fore.type == Type::System) fore = pal.color(SystemColourRole(c.fore.value));
  // A theme's colour behind the text must keep it readable in that theme
  // (dark themes included), by the rule every window system follows.
  auto rgb = [](const QColor& q) {
    return colors::Rgb{static_cast<uint8_t>(q.red()), static_cast<uint8_t>(q.green()),
                       static_cast<uint8_t>(q.blue())};
  };
  const colors::Rgb readable = colors::ReadableBackground(
      rgb(back), rgb(fore), c.back.type == Type::System, rgb(pal.color(QPalette::Base)));
  back = QColor(readable.red, readable.green, readable.blue);
  pal.setColor(surface, back);
  pal.setColor(textRole, fore);
  if (c.kind == layout::Kind::TextBox) {
    pal.setColor(QPalette::Window, back);  // behind the document margin
  }
  w->setPalette(pal);
  if (c.back.type != Type::Default && c.kind != layout::Kind::TextBox) {
    w->setBackgroundRole(surface);
    w->setAutoFillBackground(true);
  }
}

void QtForm::LinkBuddies() {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const int title = resolved_.controls[i].title;
    if (title < 0) continue;
    Realised& r = controls_[i];
    QWidget* titleWidget = controls_[title].widget;
    if (auto* label = qobject_cast<QLabel*>(titleWidget)) {
      r.widget->setAccessibleName(label->text());
      if (auto* self = qobject_cast<QLabel*>(r.widget))
        self->setAccessibleDescription(self->text());
      if (TakesFocus(r.data->kind)) label->setBuddy(r.widget);
    } else if (auto* frame = qobject_cast<FrameBox*>(titleWidget)) {
      r.widget->setAccessibleName(frame->Caption());
    }
  }
}

void QtForm::SetTabOrder() {
  const std::vector<int>& order = resolved_.tabOrder;
  for (std::size_t i = 1; i < order.size(); ++i)
    QWidget::setTabOrder(controls_[order[i - 1]].widget, controls_[order[i]].widget);
  // The focus starts on the first control in the tab order.
  if (!order.empty()) controls_[order.front()].widget->setFocus(Qt::OtherFocusReason);
}

QtForm::Realised* QtForm::Find(std::string_view name, int index) {
  for (Realised& r : controls_) {
    if (r.data->name == name && r.data->index == index) return &r;
  }
  return nullptr;
}

const QtForm::Realised* QtForm::Find(std::string_view name, int index) const {
  return const_cast<QtForm*>(this)->Find(name, index);
}

QWidget* QtForm::Control(std::string_view name, int index) const {
  const Realised* r = Find(name, index);
  return r ? r->widget : nullptr;
}

void QtForm::SetCaption(const std::string& caption) {
  window_->setWindowTitle(WindowTitleText(caption));
}

float QtForm::Width() const {
  return static_cast<float>(PixelsToTwips(window_->frameGeometry().width()));
}

float QtForm::Height() const {
  return static_cast<float>(PixelsToTwips(window_->frameGeometry().height()));
}

void QtForm::SetTop(float top) { window_->move(window_->pos().x(), TwipsToPixels(top)); }

void QtForm::SetLeft(float left) { window_->move(TwipsToPixels(left), window_->pos().y()); }

void QtForm::SetControlCaption(std::string_view name, int index, const std::string& caption) {
  const std::size_t at = RequireControl(data_, name, index, ControlUse::Caption);
  Realised* r = &controls_[at];
  QString accessibleName;
  if (auto* label = qobject_cast<QLabel*>(r->widget)) {
    label->setText(PlainText(caption));
    accessibleName = label->text();
    // A label named by its title carries its value as the description.
    if (!label->accessibleName().isEmpty()) label->setAccessibleDescription(label->text());
  } else if (auto* frame = qobject_cast<FrameBox*>(r->widget)) {
    frame->SetCaption(PlainText(caption));
    accessibleName = frame->Caption();
  } else if (auto* button = qobject_cast<QPushButton*>(r->widget)) {
    button->setText(QString::fromStdString(caption));
    return;
  }
  // Controls this one names for the user follow its new caption.
  for (std::size_t i = 0; i < controls_.size(); ++i)
    if (resolved_.controls[i].title == static_cast<int>(at))
      controls_[i].widget->setAccessibleName(accessibleName);
}

ITextBox& QtForm::TextBox(std::string_view name) {
  return *controls_[RequireControl(data_, name, -1, ControlUse::TextBox)].textBox;
}

IconHandle QtForm::Icon() const { return data_.hasIcon ? formIcon_ : 0; }

void QtForm::SetPicture(std::string_view name, IconHandle icon) {
  auto* picture = static_cast<PictureControl*>(
      controls_[RequireControl(data_, name, -1, ControlUse::Picture)].widget);
  if (const auto* entry = icons_.Find(icon)) {
    picture->SetIcon(entry->icon, entry->naturalSize);
  } else {
    picture->SetIcon(QIcon(), QSize());
  }
}

std::uintptr_t QtForm::Handle() const { return static_cast<std::uintptr_t>(window_->winId()); }

}  // namespace kv::qt
