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

#include "platform/errors.h"
#include "platform/qt/qt_text.h"

namespace kv::qt {

namespace {

// The palette role standing in for a Windows system colour index (GetSysColor).
// The button face (15) is what forms are filled with, so it is the role a
// form's own background takes, Window (Qt's Windows theme fills both from
// it): a control painted in it shows no patch, whatever the palette. The
// colour of active title-bar text (9) has no role of its own; value boxes
// painted in it take the base colour, which text in the text colour reads on
// in light and dark themes alike.
QPalette::ColorRole SystemColourRole(uint32_t index) {
  switch (index) {
    case 1:
    case 4:
    case 10:
    case 11:
    case 15:
      return QPalette::Window;
    case 2:
    case 13:
      return QPalette::Highlight;
    case 3:
    case 12:
      return QPalette::Mid;
    case 5:
    case 9:
      return QPalette::Base;
    case 6:
    case 21:
      return QPalette::Shadow;
    case 7:
    case 19:
      return QPalette::WindowText;
    case 8:
      return QPalette::Text;
    case 14:
      return QPalette::HighlightedText;
    case 0:
      return QPalette::Button;
    case 16:
      return QPalette::Dark;
    case 17:
      return QPalette::PlaceholderText;
    case 18:
      return QPalette::ButtonText;
    case 20:
      return QPalette::Light;
    case 22:
      return QPalette::Midlight;
    case 23:
      return QPalette::ToolTipText;
    case 24:
      return QPalette::ToolTipBase;
    default:
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

// The text role that belongs with a surface role.
QPalette::ColorRole TextRoleOn(QPalette::ColorRole surface) {
  switch (surface) {
    case QPalette::Base:
    case QPalette::AlternateBase:
      return QPalette::Text;
    case QPalette::Button:
      return QPalette::ButtonText;
    case QPalette::Highlight:
      return QPalette::HighlightedText;
    case QPalette::ToolTipBase:
      return QPalette::ToolTipText;
    default:
      return QPalette::WindowText;
  }
}

// The role a control kind paints its text with: the one that belongs with its surface.
QPalette::ColorRole TextRole(layout::Kind kind) { return TextRoleOn(SurfaceRole(kind)); }

QColor RgbColour(uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

bool TakesFocus(layout::Kind kind) {
  return kind == layout::Kind::TextBox || kind == layout::Kind::CommandButton;
}

}  // namespace

QtForm::QtForm(const layout::Form& data, const IconTable& icons, IconHandle formIcon,
               FormEvents& events)
    : data_(data), icons_(icons), formIcon_(formIcon), events_(events) {
  BuildWindow();
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
  for (Realised& r : controls_) {
    if (!r.data->container.empty()) {
      const Realised* holder = Find(r.data->container, -1);
      if (holder && holder->widget != r.widget) r.widget->setParent(holder->widget);
    }
    if (r.data->kind != layout::Kind::Line) {
      r.widget->setGeometry(TwipsToRect(r.data->left, r.data->top, r.data->width, r.data->height));
    }
    r.widget->show();
    r.widget->raise();
  }
  // Single-line labels centre their line; labels with room for two lines or more
  // wrap at word boundaries from the top.
  for (Realised& r : controls_) {
    auto* label = qobject_cast<QLabel*>(r.widget);
    if (!label || r.data->kind != layout::Kind::Label) continue;
    const bool multiLine = label->contentsRect().height() >= 2 * label->fontMetrics().lineSpacing();
    label->setWordWrap(multiLine);
    label->setAlignment(Qt::AlignLeft | (multiLine ? Qt::AlignTop : Qt::AlignVCenter));
    FitCaption(r);
  }
}

// The layouts were drawn for a font smaller than most Linux desktops use.
// A caption label (one without a border) whose single line does not fit its
// width is set tighter, to 90 % letter spacing, and then a little smaller, to
// three quarters of the form's size at the least, rather than cut off; and it
// grows about its middle to the height of its font's ink when the layout made
// it lower. Value boxes keep the form's font and their box: a value longer
// than its box is cut at the box's edge.
void QtForm::FitCaption(const Realised& r) {
  auto* label = qobject_cast<CaptionLabel*>(r.widget);
  if (!label || r.data->border != layout::Border::None || label->wordWrap()) return;
  const QRect laid = TwipsToRect(r.data->left, r.data->top, r.data->width, r.data->height);
  QFont font = client_->font();
  label->setFont(font);
  const qreal room = laid.width();
  const qreal size = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
  for (int spacing = 99; spacing >= 90 && label->NeededWidth() > room; --spacing) {
    font.setLetterSpacing(QFont::PercentageSpacing, spacing);
    label->setFont(font);
  }
  for (qreal s = size - 0.25; s >= size * 0.75 && label->NeededWidth() > room; s -= 0.25) {
    font.setPointSizeF(s);
    label->setFont(font);
  }
  const int inkHeight = static_cast<int>(std::ceil(label->InkHeight())) + 2;
  QRect placed = laid;
  if (placed.height() < inkHeight) {
    placed.setTop(laid.top() - (inkHeight - laid.height()) / 2);
    placed.setHeight(inkHeight);
  }
  label->setGeometry(placed);
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
      const QPoint from(TwipsToPixels(c.x1), TwipsToPixels(c.y1));
      const QPoint to(TwipsToPixels(c.x2), TwipsToPixels(c.y2));
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
  QPalette::ColorRole backRole = surface;
  if (c.back.type == Type::Rgb) back = RgbColour(c.back.value);
  if (c.back.type == Type::System) {
    backRole = SystemColourRole(c.back.value);
    back = pal.color(backRole);
  }
  // The text colour that goes with the surface when the layout names none.
  const QColor pairedText =
      pal.color(c.back.type == Type::System ? TextRoleOn(backRole) : textRole);
  QColor fore = pairedText;
  if (c.fore.type == Type::Rgb) fore = RgbColour(c.fore.value);
  if (c.fore.type == Type::System) fore = pal.color(SystemColourRole(c.fore.value));
  // Colours fixed on both sides stay as given; a colour set against a theme's
  // colour must stay readable in that theme (dark themes included).
  if (!(c.back.type == Type::Rgb && c.fore.type == Type::Rgb)) {
    fore = ReadableOn(fore, back, pairedText);
  }
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
  for (Realised& r : controls_) {
    const Realised* buddy = nullptr;
    if (!r.data->buddyName.empty()) {
      buddy = Find(r.data->buddyName, r.data->buddyIndex);
    } else if (TakesFocus(r.data->kind) && !r.data->container.empty()) {
      buddy = Find(r.data->container, -1);  // a control in a frame is named by its caption
    }
    if (!buddy) continue;
    if (auto* label = qobject_cast<QLabel*>(buddy->widget)) {
      r.widget->setAccessibleName(label->text());
      if (auto* self = qobject_cast<QLabel*>(r.widget))
        self->setAccessibleDescription(self->text());
      if (TakesFocus(r.data->kind)) label->setBuddy(r.widget);
    } else if (auto* frame = qobject_cast<FrameBox*>(buddy->widget)) {
      r.widget->setAccessibleName(frame->Caption());
    }
  }
}

void QtForm::SetTabOrder() {
  std::vector<const Realised*> order;
  for (const Realised& r : controls_) {
    if (TakesFocus(r.data->kind)) order.push_back(&r);
  }
  std::stable_sort(order.begin(), order.end(), [](const Realised* a, const Realised* b) {
    const int ta = a->data->tabIndex < 0 ? INT32_MAX : a->data->tabIndex;
    const int tb = b->data->tabIndex < 0 ? INT32_MAX : b->data->tabIndex;
    return ta < tb;
  });
  for (size_t i = 1; i < order.size(); ++i) {
    QWidget::setTabOrder(order[i - 1]->widget, order[i]->widget);
  }
  // The focus starts on the first control in the tab order.
  if (!order.empty()) order.front()->widget->setFocus(Qt::OtherFocusReason);
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
  Realised* r = Find(name, index);
  if (!r) throw InvalidCallError();
  if (r->textBox) {
    r->textBox->SetText(caption);
    return;
  }
  QString accessibleName;
  if (auto* label = qobject_cast<QLabel*>(r->widget)) {
    label->setText(PlainText(caption));
    FitCaption(*r);
    accessibleName = label->text();
    // A label named by its title carries its value as the description.
    if (!label->accessibleName().isEmpty()) label->setAccessibleDescription(label->text());
  } else if (auto* frame = qobject_cast<FrameBox*>(r->widget)) {
    frame->SetCaption(PlainText(caption));
    accessibleName = frame->Caption();
  } else if (auto* button = qobject_cast<QPushButton*>(r->widget)) {
    button->setText(QString::fromStdString(caption));
    return;
  } else {
    throw InvalidCallError();
  }
  // Controls this one names for the user follow its new caption.
  for (Realised& other : controls_) {
    const bool namedByThis =
        other.data->buddyName.empty()
            ? (index == -1 && TakesFocus(other.data->kind) && other.data->container == name)
            : (other.data->buddyName == name && other.data->buddyIndex == index);
    if (namedByThis) {
      other.widget->setAccessibleName(accessibleName);
    }
  }
}

ITextBox& QtForm::TextBox(std::string_view name) {
  Realised* r = Find(name, -1);
  if (!r || !r->textBox) throw InvalidCallError();
  return *r->textBox;
}

IconHandle QtForm::Icon() const { return data_.hasIcon ? formIcon_ : 0; }

void QtForm::SetPicture(std::string_view name, IconHandle icon) {
  Realised* r = Find(name, -1);
  auto* picture = r ? qobject_cast<PictureControl*>(r->widget) : nullptr;
  if (!picture) throw InvalidCallError();
  if (const auto* entry = icons_.Find(icon)) {
    picture->SetIcon(entry->icon, entry->naturalSize);
  } else {
    picture->SetIcon(QIcon(), QSize());
  }
}

std::uintptr_t QtForm::Handle() const { return static_cast<std::uintptr_t>(window_->winId()); }

}  // namespace kv::qt
