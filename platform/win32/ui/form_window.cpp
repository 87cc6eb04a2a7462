// A form's window procedure: the messages of its window and of its controls.
#include <algorithm>
#include <string>

#include "platform/win32/ui/colors.h"
#include "platform/win32/ui/form.h"
#include "platform/win32/ui/metrics.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace kv::win32 {

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

}  // namespace kv::win32
