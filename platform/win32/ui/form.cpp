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

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace kv::win32 {
namespace {

constexpr wchar_t kFormClass[] = L"KavrenoForm";

COLORREF SysColor(int index) { return GetSysColor(index); }

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

FormStyles StylesOf(const layout::Form& form) {
  FormStyles s;
  switch (form.border) {
    case layout::Border::None:
      s.style = WS_POPUP;
      return s;
    case layout::Border::FixedSingle:
      s.style = WS_OVERLAPPED | WS_CAPTION;
      s.exStyle = WS_EX_WINDOWEDGE;
      break;
    case layout::Border::FixedDialog:
      s.style = WS_OVERLAPPED | WS_CAPTION;
      s.exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
  }
  if (form.controlBox) {
    s.style |= WS_SYSMENU;
    if (form.minButton) s.style |= WS_MINIMIZEBOX;
    if (form.maxButton) s.style |= WS_MAXIMIZEBOX;
  }
  return s;
}

ControlStyles StylesOf(const layout::Control& control) {
  // Every control is a group of its own, so the arrow keys never move the
  // focus onto a label.
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_GROUP;
  const bool bordered = control.border == layout::Border::FixedSingle;
  switch (control.kind) {
    case layout::Kind::Label:
      // Drawn by the form; '&' is text, not an access key.
      return {L"STATIC", kChild | SS_OWNERDRAW | SS_NOPREFIX,
              bordered ? static_cast<DWORD>(WS_EX_STATICEDGE) : 0};
    case layout::Kind::Frame:
      return {L"BUTTON", kChild | WS_CLIPSIBLINGS | BS_GROUPBOX, 0};
    case layout::Kind::TextBox: {
      DWORD style = kChild | WS_TABSTOP | ES_LEFT;
      style |= control.multiLine ? ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN : ES_AUTOHSCROLL;
      if (control.verticalScrollBar) style |= WS_VSCROLL;
      if (control.locked) style |= ES_READONLY;
      return {L"EDIT", style, bordered ? static_cast<DWORD>(WS_EX_CLIENTEDGE) : 0};
    }
    case layout::Kind::PictureBox:
      return {L"STATIC", kChild | SS_ICON | SS_CENTERIMAGE,
              bordered ? static_cast<DWORD>(WS_EX_CLIENTEDGE) : 0};
    case layout::Kind::CommandButton:
      return {L"BUTTON",
              kChild | WS_TABSTOP | BS_NOTIFY |
                  (control.isDefault ? static_cast<DWORD>(BS_DEFPUSHBUTTON) : BS_PUSHBUTTON),
              0};
    case layout::Kind::Line:
      break;
  }
  return {};
}

void DrawLines(HDC dc, const layout::Resolved& form, UINT dpi) {
  for (const layout::Placed& placed : form.controls) {
    const layout::Control& line = *placed.control;
    if (line.kind != layout::Kind::Line) continue;
    const COLORREF color = ResolveColor(line.fore, COLOR_WINDOWTEXT, SysColor);
    const int width = ScaleFromDefaultDpi(std::max(1, line.lineWidth), dpi);
    const auto [x1, y1, x2, y2] = placed.rect;
    // Solid and inside solid alike: a line has no inside.
    if (x1 == x2 || y1 == y2) {
      // A level or upright line covers the pixels from its coordinate on,
      // rightwards or downwards as wide as it is, without its end point: a
      // grey line above a white one a pixel lower makes an etched groove.
      const RECT band = y1 == y2 ? RECT{std::min(x1, x2), y1, std::max(x1, x2), y1 + width}
                                 : RECT{x1, std::min(y1, y2), x1 + width, std::max(y1, y2)};
      HBRUSH brush = CreateSolidBrush(color);
      FillRect(dc, &band, brush);
      DeleteObject(brush);
      continue;
    }
    HPEN pen;
    if (width == 1) {
      pen = CreatePen(PS_SOLID, 1, color);
    } else {
      LOGBRUSH brush{BS_SOLID, color, 0};
      pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, static_cast<DWORD>(width),
                         &brush, 0, nullptr);
    }
    if (pen == nullptr) continue;
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
}

TextGeometry MeasureFont(HDC dc) {
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  TextGeometry g;
  g.lineHeight = std::max<int>(1, metrics.tmHeight);
  g.ascent = metrics.tmAscent;
  g.inkAbove = 0;
  g.inkBelow = 0;
  // Capitals with accents, descenders, kanji, hiragana and katakana.
  static constexpr wchar_t kSample[] = L"\u00C1gjpyQ\u6F22\u3042\u30A2\uFF8C";
  static constexpr MAT2 kIdentity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  bool measured = false;
  for (const wchar_t ch : std::wstring_view(kSample)) {
    GLYPHMETRICS glyph{};
    if (GetGlyphOutlineW(dc, ch, GGO_METRICS, &glyph, 0, nullptr, &kIdentity) == GDI_ERROR)
      continue;
    measured = true;
    g.inkAbove = std::max<int>(g.inkAbove, glyph.gmptGlyphOrigin.y);
    g.inkBelow =
        std::max<int>(g.inkBelow, static_cast<int>(glyph.gmBlackBoxY) - glyph.gmptGlyphOrigin.y);
  }
  if (!measured || g.inkAbove <= 0) {  // a bitmap font: the whole line is ink
    g.inkAbove = metrics.tmAscent;
    g.inkBelow = metrics.tmDescent;
  }
  return g;
}

void DrawLabel(HDC dc, const RECT& box, std::wstring_view text, COLORREF textColor,
               COLORREF backColor, HFONT font, const TextGeometry& geometry, bool singleLine,
               int padding) {
  HBRUSH back = CreateSolidBrush(backColor);
  FillRect(dc, &box, back);
  DeleteObject(back);
  if (text.empty()) return;

  const int saved = SaveDC(dc);
  IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);
  SetTextColor(dc, textColor);
  SetBkMode(dc, TRANSPARENT);
  SelectObject(dc, font);
  const int length = static_cast<int>(text.size());
  const int inkHeight = geometry.inkAbove + geometry.inkBelow;
  RECT area{box.left + padding, box.top, box.right - padding, box.bottom};
  if (singleLine) {
    // The ink centred in the box, whatever room the font keeps above it.
    const int baseline = box.top + (box.bottom - box.top - inkHeight) / 2 + geometry.inkAbove;
    area.top = baseline - geometry.ascent;
    area.bottom = area.top + geometry.lineHeight;
    // Whatever does not fit is cut at the box's edge (see layout::Resolved::fontScale).
    const UINT format = DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX;
    DrawTextW(dc, text.data(), length, &area, format);
  } else {
    // The first line's ink at the top of the box.
    area.top -= geometry.ascent - geometry.inkAbove;
    DrawTextW(dc, text.data(), length, &area,
              DT_LEFT | DT_TOP | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS);
  }
  RestoreDC(dc, saved);
}

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
    if (!SetWindowTextW(window_, Widen(text).c_str())) throw SystemError("SetWindowTextW");
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
      CreateWindowExW(styles.exStyle, kFormClass, Widen(layout_.caption).c_str(), styles.style,
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
    const std::wstring text = Widen(std::string(utf8));
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
    const std::wstring text = c->kind == layout::Kind::PictureBox ? L"" : Widen(c->caption);
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
  if (hwnd_ != nullptr && !SetWindowTextW(hwnd_, Widen(caption).c_str()))
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
  if (!SetWindowTextW(c->hwnd, Widen(caption).c_str())) throw SystemError("SetWindowTextW");
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

// ---- messages ---------------------------------------------------------------

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Form* self;
  if (message == WM_NCCREATE) {
    self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
  } else {
    self = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  // The form's code may unload the form from here; the object stays until
  // the procedure has returned (see Busy), and an error of the code must not
  // unwind through the system's frames.
  ++self->busy_;
  LRESULT result = 0;
  try {
    result = self->OnMessage(message, wParam, lParam);
  } catch (...) {
    self->host_.Fault(std::current_exception());
  }
  --self->busy_;
  return result;
}

LRESULT Form::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return hwnd_ != nullptr ? DefWindowProcW(hwnd_, message, wParam, lParam) : 0;
}

LRESULT Form::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_CLOSE:
      host_.CloseRequested(code_);
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      return OnControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), message,
                            wParam, lParam);
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd_, &paint);
      DrawLines(dc, resolved_, dpi_);
      EndPaint(hwnd_, &paint);
      return 0;
    }
    case WM_SETCURSOR:
      if (host_.Hourglass()) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) savedFocus_ = focus;
      } else if (HIWORD(wParam) == 0) {
        if (savedFocus_ != nullptr && IsWindow(savedFocus_) && IsChild(hwnd_, savedFocus_))
          SetFocus(savedFocus_);
        else
          FocusFirst();
      }
      return 0;
    case WM_NEXTDLGCTL: {
      HWND target = LOWORD(lParam) != 0
                        ? reinterpret_cast<HWND>(wParam)
                        : GetNextDlgTabItem(hwnd_, GetFocus(), wParam != 0 ? TRUE : FALSE);
      if (target != nullptr && IsChild(hwnd_, target)) FocusControl(target);
      return 0;
    }
    case DM_GETDEFID:
      return currentDefaultId_ != 0 ? MAKELRESULT(currentDefaultId_, DC_HASDEFID) : 0;
    case DM_SETDEFID:
      SetDefaultButton(static_cast<int>(wParam));
      return TRUE;
    case WM_DPICHANGED: {
      const RECT suggested = *reinterpret_cast<const RECT*>(lParam);
      ApplyLayout(HIWORD(wParam));
      SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_NCDESTROY: {
      const LRESULT result = DefWindowProcW(hwnd_, message, wParam, lParam);
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      for (auto& c : controls_) c.hwnd = nullptr;
      return result;
    }
    default:
      break;
  }
  return Default(message, wParam, lParam);
}

void Form::OnCommand(int id, int notification, HWND from) {
  if (from == nullptr) {
    // Enter and Esc, as the dialog keys report them when no button has the
    // identifier: the default and the cancel button.
    if (id == IDOK || id == IDCANCEL) {
      Control* button = FindById(id == IDOK ? currentDefaultId_ : cancelId_);
      if (button != nullptr && IsWindowEnabled(button->hwnd))
        Click(button->layout.name, button->layout.index);
      return;
    }
    for (const auto& command : menuCommands_) {
      if (command.id == id) {
        Click(command.name, command.index);
        return;
      }
    }
    return;
  }
  Control* c = FindById(id);
  if (c == nullptr || c->hwnd != from || c->layout.kind != layout::Kind::CommandButton) return;
  switch (notification) {
    case BN_CLICKED:
    case BN_DOUBLECLICKED:  // the second click of a double click
      Click(c->layout.name, c->layout.index);
      break;
    case BN_SETFOCUS:  // the focused button is the one Enter presses
      SetDefaultButton(id);
      break;
    case BN_KILLFOCUS:
      SetDefaultButton(defaultId_);
      break;
    default:
      break;
  }
}

void Form::Click(const std::string& name, int index) {
  const std::string control = name;  // the form may be unloaded while the code runs
  code_.Click(control, static_cast<int16_t>(index));
}

LRESULT Form::OnControlColor(HDC dc, HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  Control* c = FindByWindow(control);
  if (c == nullptr) return Default(message, wParam, lParam);
  const ControlColors colors = ColorsOf(c->layout, SysColor);
  SetTextColor(dc, colors.text);
  SetBkColor(dc, colors.back);
  SetBkMode(dc, OPAQUE);
  return reinterpret_cast<LRESULT>(Brush(colors.back));
}

void Form::OnDrawItem(const DRAWITEMSTRUCT& item) {
  Control* c = FindByWindow(item.hwndItem);
  if (c == nullptr || c->layout.kind != layout::Kind::Label) return;
  const int length = GetWindowTextLengthW(item.hwndItem);
  std::wstring text(static_cast<size_t>(std::max(length, 0)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(std::max(GetWindowTextW(item.hwndItem, text.data(), length + 1), 0)));
  const ControlColors colors = ColorsOf(c->layout, SysColor);
  // A boxed value keeps a little room from its sunken edge.
  const int padding =
      c->layout.border == layout::Border::FixedSingle ? ScaleFromDefaultDpi(1, dpi_) : 0;
  DrawLabel(item.hDC, item.rcItem, text, colors.text, colors.back, font_, geometry_,
            resolved_.controls[static_cast<size_t>(c->at)].singleLine,
            padding);
}

void Form::SetDefaultButton(int id) {
  Control* target = FindById(id);
  if (target != nullptr && target->layout.kind != layout::Kind::CommandButton) target = nullptr;
  currentDefaultId_ = target != nullptr ? id : 0;
  for (auto& c : controls_) {
    if (c.layout.kind != layout::Kind::CommandButton || c.hwnd == nullptr) continue;
    const DWORD type = &c == target ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((static_cast<DWORD>(GetWindowLongW(c.hwnd, GWL_STYLE)) & BS_TYPEMASK) != type)
      SendMessageW(c.hwnd, BM_SETSTYLE, type, TRUE);
  }
}

void Form::FocusFirst() {
  for (auto& c : controls_) {
    const auto style = static_cast<DWORD>(GetWindowLongW(c.hwnd, GWL_STYLE));
    if ((style & WS_TABSTOP) != 0 && IsWindowVisible(c.hwnd) && IsWindowEnabled(c.hwnd)) {
      SetFocus(c.hwnd);
      return;
    }
  }
  SetFocus(hwnd_);
}

void Form::FocusControl(HWND control) {
  if ((SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0)
    SendMessageW(control, EM_SETSEL, 0, -1);
  SetFocus(control);
}

}  // namespace kv::win32
