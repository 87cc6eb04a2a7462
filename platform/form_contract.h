// What the form operations of ui.h accept, checked in one place for every
// window system: each IForm implementation looks its control up here first.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/errors.h"
#include "platform/layout.h"

namespace kv {

// The operations of IForm that name a control.
enum class ControlUse {
  Caption,  // SetControlCaption: a label, a frame or a button
  TextBox,  // TextBox: a text box
  Picture,  // SetPicture: a picture box
};

inline bool Accepts(ControlUse use, layout::Kind kind) {
  switch (use) {
    case ControlUse::Caption:
      return kind == layout::Kind::Label || kind == layout::Kind::Frame ||
             kind == layout::Kind::CommandButton;
    case ControlUse::TextBox:
      return kind == layout::Kind::TextBox;
    case ControlUse::Picture:
      return kind == layout::Kind::PictureBox;
  }
  return false;
}

// The position in form.controls of the control that use acts on. Throws
// InvalidCallError when the form has no control of that name and index, or
// when the control is of a kind the operation does not take.
inline std::size_t RequireControl(const layout::Form& form, std::string_view name, int index,
                                  ControlUse use) {
  for (std::size_t i = 0; i < form.controls.size(); ++i) {
    const layout::Control& c = form.controls[i];
    if (c.name == name && c.index == index) {
      if (!Accepts(use, c.kind)) break;
      return i;
    }
  }
  throw InvalidCallError();
}

}  // namespace kv
