#include "platform/console/form_text.h"

#include "platform/console/console_form.h"

namespace kv::console {

class TextMirroredForm::MirroredBox final : public ITextBox {
 public:
  MirroredBox(ITextBox& shown, std::string& text) : shown_(shown), text_(text) {}
  std::string Text() const override { return shown_.Text(); }
  void SetText(std::string text) override {
    text_ = text;
    shown_.SetText(std::move(text));
  }

 private:
  ITextBox& shown_;
  std::string& text_;
};

TextMirroredForm::TextMirroredForm(IForm& shown, const layout::Form& layout)
    : shown_(shown), state_(layout) {}

TextMirroredForm::~TextMirroredForm() = default;

std::string TextMirroredForm::Text(std::string_view lineEnd) const {
  // Every text in the rendering is escaped, so each line feed in it ends a line.
  const std::string lines = RenderForm(state_);
  std::string text;
  text.reserve(lines.size() + lines.size() / 16);
  for (char c : lines) {
    if (c == '\n') {
      text += lineEnd;
    } else {
      text += c;
    }
  }
  return text;
}

void TextMirroredForm::SetCaption(const std::string& caption) {
  shown_.SetCaption(caption);
  state_.caption = caption;
}

void TextMirroredForm::SetControlCaption(std::string_view name, int index,
                                         const std::string& caption) {
  shown_.SetControlCaption(name, index, caption);
  for (auto& c : state_.controls)
    if (c.name == name && c.index == index) c.caption = caption;
}

ITextBox& TextMirroredForm::TextBox(std::string_view name) {
  ITextBox& shown = shown_.TextBox(name);
  if (auto it = boxes_.find(name); it != boxes_.end()) return *it->second;
  for (auto& c : state_.controls) {
    if (c.name == name && c.index == -1 && c.kind == layout::Kind::TextBox) {
      c.caption = shown.Text();
      auto& box = boxes_[std::string(name)];
      box = std::make_unique<MirroredBox>(shown, c.caption);
      return *box;
    }
  }
  return shown;
}

}  // namespace kv::console
