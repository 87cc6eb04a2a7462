// The failures ui.h promises for the form operations, as one table that each
// window system's form is run against.
#pragma once

#include <functional>
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

struct ContractCase {
  const char* what;
  std::function<void(IForm&)> act;
  bool fails;
};

inline std::vector<ContractCase> ContractCases() {
  auto caption = [](const char* name, int index) {
    return [=](IForm& f) { f.SetControlCaption(name, index, "x"); };
  };
  auto box = [](const char* name) { return [=](IForm& f) { f.TextBox(name).SetText("x"); }; };
  auto picture = [](const char* name) { return [=](IForm& f) { f.SetPicture(name, f.Icon()); }; };
  return {
      {"caption of a label", caption("lblOne", -1), false},
      {"caption of an array element", caption("lblRow", 0), false},
      {"caption of a frame", caption("fraBox", -1), false},
      {"caption of a button", caption("cmdGo", -1), false},
      {"caption of an unknown control", caption("lblNone", -1), true},
      {"caption of a missing array element", caption("lblRow", 1), true},
      {"caption of an array without its index", caption("lblRow", -1), true},
      {"caption of a control given an index", caption("lblOne", 0), true},
      {"caption of a text box", caption("txtBox", -1), true},
      {"caption of a picture box", caption("picBox", -1), true},
      {"caption of a line", caption("linRule", -1), true},
      {"text box", box("txtBox"), false},
      {"text box that is a label", box("lblOne"), true},
      {"unknown text box", box("txtNone"), true},
      {"picture box", picture("picBox"), false},
      {"picture box that is a label", picture("lblOne"), true},
      {"unknown picture box", picture("picNone"), true},
  };
}

// The cases in which form does not keep the contract, each with what it did;
// empty when it keeps it.
inline std::vector<std::string> ContractBreaches(IForm& form) {
  std::vector<std::string> breaches;
  for (const ContractCase& c : ContractCases()) {
    std::string outcome = "succeeded";
    try {
      c.act(form);
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
