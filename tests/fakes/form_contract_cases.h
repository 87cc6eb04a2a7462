// The failures ui.h promises for the form operations, as one table that each
// window system's form is run against.
#pragma once

#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/ui.h"

namespace kv::test {

// A form with one control of each kind, and a label in a control array.
inline const layout::Form& ContractLayout() {
  static const layout::Form form = [] {
    layout::Form f = layout::Form::Fixed("frmContract", 4800, 3600, layout::Border::FixedSingle,
                                         false);
    auto add = [&f](layout::Kind kind, const char* name, int index, int top) {
      layout::Control c = layout::MakeControl(kind, name, index);
      c.left = 120, c.top = top, c.width = 1800, c.height = 300;
      f.controls.push_back(c);
    };
    add(layout::Kind::Label, "lblOne", -1, 120);
    add(layout::Kind::Label, "lblRow", 0, 480);
    add(layout::Kind::Frame, "fraBox", -1, 840);
    add(layout::Kind::TextBox, "txtBox", -1, 1200);
    add(layout::Kind::PictureBox, "picBox", -1, 1560);
    add(layout::Kind::CommandButton, "cmdGo", -1, 1920);
    f.controls.push_back(layout::MakeLine("linRule", -1, 0, 0, 4800, 0, {}, layout::kLineSolid, 1));
    return f;
  }();
  return form;
}

// The cases in which form does not keep the contract, each with what it did;
// empty when it keeps it.
inline std::vector<std::string> ContractBreaches(IForm& form) {
  // What is asked of which control (a caption, a text box or a picture), and whether it fails.
  enum Ask { kCaption, kTextBox, kPicture };
  const struct {
    const char* what;
    Ask ask;
    const char* name;
    int index;
    bool fails;
  } cases[] = {
      {"caption of a label", kCaption, "lblOne", -1, false},
      {"caption of an array element", kCaption, "lblRow", 0, false},
      {"caption of a frame", kCaption, "fraBox", -1, false},
      {"caption of a button", kCaption, "cmdGo", -1, false},
      {"caption of an unknown control", kCaption, "lblNone", -1, true},
      {"caption of a missing array element", kCaption, "lblRow", 1, true},
      {"caption of an array without its index", kCaption, "lblRow", -1, true},
      {"caption of a control given an index", kCaption, "lblOne", 0, true},
      {"caption of a text box", kCaption, "txtBox", -1, true},
      {"caption of a picture box", kCaption, "picBox", -1, true},
      {"caption of a line", kCaption, "linRule", -1, true},
      {"text box", kTextBox, "txtBox", -1, false},
      {"text box that is a label", kTextBox, "lblOne", -1, true},
      {"unknown text box", kTextBox, "txtNone", -1, true},
      {"picture box", kPicture, "picBox", -1, false},
      {"picture box that is a label", kPicture, "lblOne", -1, true},
      {"unknown picture box", kPicture, "picNone", -1, true},
  };
  std::vector<std::string> breaches;
  for (const auto& c : cases) {
    std::string outcome = "succeeded";
    try {
      if (c.ask == kCaption) form.SetControlCaption(c.name, c.index, "x");
      if (c.ask == kTextBox) form.TextBox(c.name).SetText("x");
      if (c.ask == kPicture) form.SetPicture(c.name, form.Icon());
    } catch (const Error& e) {
      outcome = e.Number() == kErrInvalidCall ? "failed" : "raised " + std::to_string(e.Number());
    } catch (...) {
      outcome = "threw something else";
    }
    if (outcome != (c.fails ? "failed" : "succeeded")) breaches.push_back(c.what + (": " + outcome));
  }
  return breaches;
}

}  // namespace kv::test
