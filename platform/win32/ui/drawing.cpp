// Drawing a form: the window styles its controls are created with, its lines,
// and its labels.
#include "platform/win32/ui/drawing.h"

#include <algorithm>

#include "platform/win32/ui/colors.h"
#include "platform/win32/ui/metrics.h"

namespace kv::win32 {

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

}  // namespace kv::win32
