// A form realised as a native window: its creation from the resolved layout,
// its menu, its place and size, and the operations its code calls.
#include "platform/win32/ui/form.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

#include "platform/errors.h"
#include "platform/form_contract.h"
#include "platform/win32/ui/colors.h"
#include "platform/win32/ui/metrics.h"
#include "platform/win32/ui/resource_ids.h"
#include "platform/win32/ui/wide.h"

namespace kv::win32 {
namespace {

constexpr wchar_t kFormClass[] = L"KavrenoForm";

// A failing system call, described by the system.
Error SystemError(const char* function) {
  const DWORD code = GetLastError();
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message;
  if (text != nullptr) {
    message = text;
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n')) {
      message.pop_back();
    }
  }
  return SystemCallError(function, Narrow(message));
}

HICON ProgramIcon(int widthIndex, int heightIndex) {
  HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_KAVRENO), IMAGE_ICON,
                           GetSystemMetrics(widthIndex), GetSystemMetrics(heightIndex), LR_SHARED);
  // A program built without its icon shows the system's application icon.
  if (icon == nullptr) return LoadIconW(nullptr, IDI_APPLICATION);
  return static_cast<HICON>(icon);
}

}  // namespace

// ---- the text box -----------------------------------------------------------

class Form::EditBox final : public ITextBox {
 public:
  explicit EditBox(HWND window) : window_(window) {}

  std::string Text() const override {
    const int length = GetWindowTextLengthW(window_);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window_, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return Narrow(text);
  }

  void SetText(std::string text) override {
    if (!SetWindowTextW(window_, ShownText(text).c_str())) throw SystemError("SetWindowTextW");
  }

 private:
  HWND window_;
};

// ---- the form ---------------------------------------------------------------

Form::Form(FormHost& host, FormCode& code, uint64_t serial)
    : host_(host), code_(code), serial_(serial) {}

Form::~Form() {
  EndModal();
  Destroy();
}

void Form::Create() {
  static const ATOM formClass = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Form::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kFormClass;
    return RegisterClassExW(&wc);
  }();
  if (formClass == 0) throw SystemError("RegisterClassExW");

  layout_ = code_.Layout();
  const FormStyles styles = StylesOf(layout_);
  dpi_ = ScreenDpiY();
  HMENU menu = BuildMenu();
  RECT outer{0, 0, TwipsToPixels(layout_.clientWidth, dpi_),
             TwipsToPixels(layout_.clientHeight, dpi_)};
  AdjustWindowRectForDpi(outer, styles.style, menu != nullptr, styles.exStyle, dpi_);
  HWND window =
      CreateWindowExW(styles.exStyle, kFormClass, ShownLine(layout_.caption).c_str(), styles.style,
                      CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left,
                      outer.bottom - outer.top, nullptr, menu, GetModuleHandleW(nullptr), this);
  if (window == nullptr) {
    if (menu != nullptr) DestroyMenu(menu);
    menuCommands_.clear();
    throw SystemError("CreateWindowExW");
  }
  try {
    dpi_ = WindowDpi(hwnd_);
    if (layout_.hasIcon) {
      bigIcon_ = ProgramIcon(SM_CXICON, SM_CYICON);
      smallIcon_ = ProgramIcon(SM_CXSMICON, SM_CYSMICON);
      SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
      SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    }
    CreateControls();
    FitClientArea();
  } catch (...) {
    Destroy();
    throw;
  }
}

HMENU Form::BuildMenu() {
  if (layout_.menus.empty()) return nullptr;
  HMENU bar = CreateMenu();
  if (bar == nullptr) throw SystemError("CreateMenu");
  int next = kFirstMenuId;
  for (const auto& menu : layout_.menus) {
    const std::wstring caption = Widen(menu.caption);
    if (menu.items.empty()) {
      const int id = next++;
      AppendMenuW(bar, MF_STRING, static_cast<UINT_PTR>(id), caption.c_str());
      menuCommands_.push_back({id, menu.name, -1});
      continue;
    }
    HMENU popup = CreatePopupMenu();
    if (popup == nullptr) {
      DestroyMenu(bar);
      throw SystemError("CreatePopupMenu");
    }
    for (const auto& item : menu.items) {
      if (item.caption == "-") {
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      const int id = next++;
      AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(id), Widen(item.caption).c_str());
      menuCommands_.push_back({id, item.name, item.index});
    }
    AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), caption.c_str());
  }
  return bar;
}

void Form::ResolveLayout(UINT dpi) {
  dpi_ = dpi;
  SetFont(dpi, 1.0);
  layout::FontMetrics metrics;
  metrics.pixelsPerInch = static_cast<int>(dpi);
  metrics.lineHeight = geometry_.lineHeight;
  metrics.inkHeight = geometry_.inkAbove + geometry_.inkBelow;
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, font_);
  metrics.textWidth = [screen](std::string_view utf8) {
    const std::wstring text = Widen(utf8);
    SIZE extent{};
    GetTextExtentPoint32W(screen, text.data(), static_cast<int>(text.size()), &extent);
    return static_cast<double>(extent.cx);
  };
  resolved_ = layout::Resolve(layout_, metrics);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  if (resolved_.fontScale < 1.0) SetFont(dpi, resolved_.fontScale);
}

void Form::SetFont(UINT dpi, double scale) {
  LOGFONTW logFont = MessageFontForDpi(dpi);
  logFont.lfHeight = static_cast<LONG>(logFont.lfHeight * scale);  // toward zero: never larger
  HFONT font = CreateFontIndirectW(&logFont);
  if (font == nullptr) throw SystemError("CreateFontIndirectW");
  if (font_ != nullptr) DeleteObject(font_);
  font_ = font;
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, font_);
  geometry_ = MeasureFont(screen);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
}

void Form::CreateControls() {
  ResolveLayout(dpi_);

  // Sibling order is tab order: the dialog keys walk the siblings; and each
  // label that names a control comes right before it, where screen readers
  // look for a control's name (labels take no focus, so the keys' order stays).
  std::vector<const layout::Control*> order;
  for (const int at : resolved_.readingOrder) order.push_back(&layout_.controls[at]);
  // A frame lies under what it holds: its children come before it, and it
  // paints around them (frames take no focus either).
  for (size_t i = 0; i < order.size(); ++i) {
    const layout::Control* frame = order[i];
    if (frame->kind != layout::Kind::Frame) continue;
    size_t last = i;
    for (size_t j = i + 1; j < order.size(); ++j)
      if (order[j]->container == frame->name) last = j;
    if (last == i) continue;
    order.erase(order.begin() + static_cast<std::ptrdiff_t>(i));
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(last), frame);
    --i;  // the control now at i has not been looked at
  }

  controls_.reserve(order.size());
  int id = kFirstControlId;
  for (const layout::Control* c : order) {
    Control control;
    control.layout = *c;
    control.at = static_cast<int>(c - layout_.controls.data());
    control.id = id++;
    const RECT place = Place(control.at);
    const ControlStyles styles = StylesOf(*c);
    const std::wstring text = c->kind == layout::Kind::PictureBox ? L"" : ShownText(c->caption);
    control.hwnd =
        CreateWindowExW(styles.exStyle, styles.windowClass, text.c_str(), styles.style, place.left,
                        place.top, place.right - place.left, place.bottom - place.top, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                        GetModuleHandleW(nullptr), nullptr);
    if (control.hwnd == nullptr) throw SystemError("CreateWindowExW");
    SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (c->kind == layout::Kind::TextBox) {
      SendMessageW(control.hwnd, EM_SETLIMITTEXT, 0, 0);
      control.textBox = std::make_unique<EditBox>(control.hwnd);
    }
    if (c->kind == layout::Kind::CommandButton) {
      if (c->isDefault && defaultId_ == 0) defaultId_ = control.id;
      if (c->isCancel && cancelId_ == 0) cancelId_ = control.id;
    }
    controls_.push_back(std::move(control));
  }
  currentDefaultId_ = defaultId_;
}

void Form::ApplyLayout(UINT dpi) {
  // The controls keep the old font until they have the new one.
  HFONT old = std::exchange(font_, nullptr);
  ResolveLayout(dpi);
  for (auto& c : controls_) {
    const RECT place = Place(c.at);
    SetWindowPos(c.hwnd, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }
  if (old != nullptr) DeleteObject(old);
  FitClientArea();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

RECT Form::Place(int at) const {
  const layout::Rect& r = resolved_.controls[static_cast<size_t>(at)].rect;
  return RECT{r.left, r.top, r.right, r.bottom};
}

void Form::FitClientArea() {
  const int wantWidth = TwipsToPixels(layout_.clientWidth, dpi_);
  const int wantHeight = TwipsToPixels(layout_.clientHeight, dpi_);
  // The menu bar's height is known only once it is laid out at the window's
  // width, so the first size may be off by the difference; twice settles it.
  for (int pass = 0; pass < 2; ++pass) {
    RECT client;
    RECT outer;
    GetClientRect(hwnd_, &client);
    GetWindowRect(hwnd_, &outer);
    const int dx = wantWidth - (client.right - client.left);
    const int dy = wantHeight - (client.bottom - client.top);
    if (dx == 0 && dy == 0) return;
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left + dx, outer.bottom - outer.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Form::Destroy() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  for (auto& c : controls_) c.hwnd = nullptr;
  if (font_ != nullptr) DeleteObject(font_);
  font_ = nullptr;
  for (auto& [color, brush] : brushes_) DeleteObject(brush);
  brushes_.clear();
}

void Form::Present() {
  if (hwnd_ == nullptr) return;
  ShowWindow(hwnd_, shown_ ? SW_SHOW : SW_SHOWNORMAL);
  shown_ = true;
  SetForegroundWindow(hwnd_);
  if (GetActiveWindow() == hwnd_) {
    HWND focus = GetFocus();
    if (focus == nullptr || !IsChild(hwnd_, focus)) FocusFirst();
  }
  UpdateWindow(hwnd_);
}

void Form::BeginModal(HWND owner, std::vector<HWND> disabled) {
  if (hwnd_ == nullptr) return;
  if (owner != nullptr)
    SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  for (HWND window : disabled) EnableWindow(window, FALSE);
  disabled_ = std::move(disabled);
  modal_ = true;
}

void Form::EndModal() {
  if (!modal_) return;
  modal_ = false;
  // Enabled again before this window goes, so that the system hands the
  // activation back to them rather than to another program.
  for (HWND window : disabled_)
    if (IsWindow(window)) EnableWindow(window, TRUE);
  disabled_.clear();
}

bool Form::Visible() const { return hwnd_ != nullptr && IsWindowVisible(hwnd_); }

// ---- IForm ------------------------------------------------------------------

void Form::SetCaption(const std::string& caption) {
  layout_.caption = caption;
  if (hwnd_ != nullptr && !SetWindowTextW(hwnd_, ShownLine(caption).c_str()))
    throw SystemError("SetWindowTextW");
}

float Form::Width() const {
  RECT r{};
  if (hwnd_ != nullptr) GetWindowRect(hwnd_, &r);
  return PixelsToTwips(r.right - r.left, dpi_);
}

float Form::Height() const {
  RECT r{};
  if (hwnd_ != nullptr) GetWindowRect(hwnd_, &r);
  return PixelsToTwips(r.bottom - r.top, dpi_);
}

void Form::SetTop(float top) {
  const int y = TwipsToPixels(top, dpi_);
  RECT r{};
  GetWindowRect(hwnd_, &r);
  if (!SetWindowPos(hwnd_, nullptr, r.left, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE))
    throw SystemError("SetWindowPos");
}

void Form::SetLeft(float left) {
  const int x = TwipsToPixels(left, dpi_);
  RECT r{};
  GetWindowRect(hwnd_, &r);
  if (!SetWindowPos(hwnd_, nullptr, x, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE))
    throw SystemError("SetWindowPos");
}

void Form::SetControlCaption(std::string_view name, int index, const std::string& caption) {
  RequireControl(layout_, name, index, ControlUse::Caption);
  Control* c = Find(name, index);
  c->layout.caption = caption;
  if (!SetWindowTextW(c->hwnd, ShownText(caption).c_str())) throw SystemError("SetWindowTextW");
  if (c->layout.kind == layout::Kind::Label) InvalidateRect(c->hwnd, nullptr, TRUE);
}

ITextBox& Form::TextBox(std::string_view name) {
  RequireControl(layout_, name, -1, ControlUse::TextBox);
  return *Find(name, -1)->textBox;
}

IconHandle Form::Icon() const { return reinterpret_cast<IconHandle>(bigIcon_); }

void Form::SetPicture(std::string_view name, IconHandle icon) {
  RequireControl(layout_, name, -1, ControlUse::Picture);
  SendMessageW(Find(name, -1)->hwnd, STM_SETICON, static_cast<WPARAM>(icon), 0);
}

std::uintptr_t Form::Handle() const { return reinterpret_cast<std::uintptr_t>(hwnd_); }

// ---- lookups ----------------------------------------------------------------

Form::Control* Form::Find(std::string_view name, int index) {
  for (auto& c : controls_)
    if (c.layout.name == name && c.layout.index == index) return &c;
  return nullptr;
}

Form::Control* Form::FindById(int id) {
  for (auto& c : controls_)
    if (c.id == id) return &c;
  return nullptr;
}

Form::Control* Form::FindByWindow(HWND window) {
  for (auto& c : controls_)
    if (c.hwnd == window) return &c;
  return nullptr;
}

HBRUSH Form::Brush(COLORREF color) {
  auto it = brushes_.find(color);
  if (it != brushes_.end()) return it->second;
  HBRUSH brush = CreateSolidBrush(color);
  brushes_.emplace(color, brush);
  return brush;
}

}  // namespace kv::win32
