// The dialog manager's part of a form: which button Enter presses, and where
// the focus goes.
#include "platform/win32/ui/form.h"

namespace kv::win32 {

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
