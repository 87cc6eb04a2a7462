#include "platform/console/console_form.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

#include "platform/visible_text.h"
#include "platform/errors.h"
#include "platform/form_contract.h"
#include "platform/layout_resolve.h"

namespace kv::console {
namespace {

using layout::Border;
using layout::Control;
using layout::Kind;

bool IsValueLabel(const Control& c) { return c.kind == Kind::Label && c.border != Border::None; }

class Renderer {
 public:
  // A terminal has no fonts: the resolution gives the titles, not the places.
  explicit Renderer(const layout::Form& form)
      : form_(form), resolved_(layout::Resolve(form, {})) {
    for (const auto& c : form_.controls)
      if (IsValueLabel(c))
        if (const Control* title = TitleOf(c)) titles_.insert(title);
  }

  std::string Render() {
    out_ = VisibleLine(form_.caption) + '\n';
    RenderContainer("");
    return std::move(out_);
  }

 private:
  struct Entry {
    const Control* control;
    std::size_t order;
    auto Key() const { return std::tie(control->top, control->left, order); }
  };

  const Control* TitleOf(const Control& value) const {
    const int title = resolved_.controls[static_cast<std::size_t>(&value - form_.controls.data())].title;
    return title >= 0 ? &form_.controls[static_cast<std::size_t>(title)] : nullptr;
  }

  std::vector<Entry> Sorted(const std::string& container, bool frames) const {
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < form_.controls.size(); ++i) {
      const Control& c = form_.controls[i];
      if (c.container == container && (c.kind == Kind::Frame) == frames) entries.push_back({&c, i});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.Key() < b.Key(); });
    return entries;
  }

  void RenderContainer(const std::string& container) {
    for (const Entry& e : Sorted(container, false)) {
      const Control& c = *e.control;
      if (c.kind == Kind::Label) {
        if (IsValueLabel(c)) {
          const Control* title = TitleOf(c);
          out_ += VisibleLine(title != nullptr ? title->caption : std::string()) +
                  VisibleLine(c.caption) + '\n';
        } else if (!titles_.contains(&c) && !c.caption.empty()) {
          out_ += VisibleLine(c.caption) + '\n';
        }
      } else if (c.kind == Kind::TextBox && !c.caption.empty()) {
        out_ += VisibleLines(c.caption, "\n");
        if (out_.back() != '\n') out_ += '\n';
      }
    }
    for (const Entry& e : Sorted(container, true)) {
      const Control& frame = *e.control;
      // A frame is printed once, even if the layout data were to nest frames in a cycle.
      if (!framesDone_.insert(&frame).second) continue;
      if (!frame.caption.empty()) out_ += VisibleLine(frame.caption) + '\n';
      RenderContainer(frame.name);
    }
  }

  const layout::Form& form_;
  const layout::Resolved resolved_;
  std::set<const Control*> titles_;
  std::set<const Control*> framesDone_;
  std::string out_;
};

}  // namespace

int OuterWidth(const layout::Form& form) {
  const int border = form.border == Border::None ? 0 : 2 * kFrameBorderTwips;
  return form.clientWidth + border;
}

int OuterHeight(const layout::Form& form) {
  const int frame = form.border == Border::None ? 0 : 2 * kFrameBorderTwips + kTitleBarTwips;
  const int menu = form.menus.empty() ? 0 : kMenuBarTwips;
  return form.clientHeight + frame + menu;
}

std::string RenderForm(const layout::Form& form) { return Renderer(form).Render(); }

ConsoleForm::ConsoleForm(const layout::Form& layout) : state_(layout) {
  for (auto& c : state_.controls)
    if (c.kind == Kind::TextBox) textBoxes_.emplace(&c, c);
}

void ConsoleForm::SetCaption(const std::string& caption) { state_.caption = caption; }

float ConsoleForm::Width() const { return static_cast<float>(OuterWidth(state_)); }

float ConsoleForm::Height() const { return static_cast<float>(OuterHeight(state_)); }

void ConsoleForm::SetTop(float top) { top_ = top; }

void ConsoleForm::SetLeft(float left) { left_ = left; }

void ConsoleForm::SetControlCaption(std::string_view name, int index, const std::string& caption) {
  state_.controls[RequireControl(state_, name, index, ControlUse::Caption)].caption = caption;
}

ITextBox& ConsoleForm::TextBox(std::string_view name) {
  return textBoxes_.at(&state_.controls[RequireControl(state_, name, -1, ControlUse::TextBox)]);
}

IconHandle ConsoleForm::Icon() const { return 0; }

void ConsoleForm::SetPicture(std::string_view name, IconHandle /*icon*/) {
  RequireControl(state_, name, -1, ControlUse::Picture);  // nothing is drawn
}

std::uintptr_t ConsoleForm::Handle() const { return 0; }

}  // namespace kv::console
