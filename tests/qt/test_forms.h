// Form code for the Qt window system's tests: records what the window system
// does to it and runs hooks the tests set.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/layout.h"
#include "platform/ui.h"

namespace kv::qttest {

class RecordingForm : public FormCode {
 public:
  explicit RecordingForm(const layout::Form& data) : data_(data) {}

  const layout::Form& Layout() const override { return data_; }
  void Attach(IForm* form) override {
    form_ = form;
    attached.push_back(form);
  }
  void Form_Load() override {
    ++loads;
    if (onLoad) onLoad(*form_);
  }
  void Form_Unload(int16_t& cancel) override {
    ++unloads;
    cancel = cancelUnload;
    if (onUnload) onUnload();
  }
  void Click(std::string_view control, int16_t index) override {
    clicks.emplace_back(std::string(control), index);
    if (onClick) onClick(std::string(control), index);
  }

  IForm* form() const { return form_; }

  std::function<void(IForm&)> onLoad;
  std::function<void()> onUnload;
  std::function<void(const std::string&, int)> onClick;
  int16_t cancelUnload = 0;
  int loads = 0;
  int unloads = 0;
  std::vector<IForm*> attached;
  std::vector<std::pair<std::string, int>> clicks;

 private:
  const layout::Form& data_;
  IForm* form_ = nullptr;
};

// A small window with a menu, a label, a frame holding a text box, and a button.
inline const layout::Form& SampleLayout() {
  static const layout::Form form = [] {
    using layout::Kind;
    layout::Form f;
    f.name = "frmSample";
    f.clientWidth = 3000;
    f.clientHeight = 1500;
    f.hasIcon = true;
    auto label = layout::MakeControl(Kind::Label, "lblName");
    label.left = 150, label.top = 150, label.width = 1500, label.height = 240;
    label.border = layout::Border::FixedSingle;
    f.controls.push_back(label);
    auto frame = layout::MakeControl(Kind::Frame, "fraBox");
    frame.left = 150, frame.top = 450, frame.width = 1500, frame.height = 900;
    frame.caption = "枠";
    f.controls.push_back(frame);
    auto text = layout::MakeControl(Kind::TextBox, "txtEdit");
    text.left = 120, text.top = 240, text.width = 1200, text.height = 600;
    text.container = "fraBox";
    text.multiLine = true;
    f.controls.push_back(text);
    auto button = layout::MakeControl(Kind::CommandButton, "cmdGo");
    button.left = 1800, button.top = 150, button.width = 1000, button.height = 345;
    button.caption = "実行(&G)";
    f.controls.push_back(button);
    f.menus.push_back(
        {"mnuMain",
         "操作(&O)",
         {{"mnuItem", 0, "開く(&O)"}, {"mnuItem", 1, "-"}, {"mnuItem", 2, "閉じる(&C)"}}});
    return f;
  }();
  return form;
}

}  // namespace kv::qttest
