// The text of a form that a window system shows: the form's layout with the
// captions and texts its code has set, printed exactly as the text
// presentation prints the form (RenderForm), for copying the whole window.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/layout.h"
#include "platform/ui.h"

namespace kv::console {

// Stands between a form's code and the form a window system realised:
// passes every call on to shown and keeps what the code wrote.
class TextMirroredForm final : public IForm {
 public:
  // The layout must outlive the object.
  TextMirroredForm(IForm& shown, const layout::Form& layout);
  ~TextMirroredForm() override;
  TextMirroredForm(const TextMirroredForm&) = delete;
  TextMirroredForm& operator=(const TextMirroredForm&) = delete;

  // What the text presentation prints for the form as it is now, each line
  // ended by lineEnd instead of a line feed.
  std::string Text(std::string_view lineEnd) const;

  void SetCaption(const std::string& caption) override;
  float Width() const override { return shown_.Width(); }
  float Height() const override { return shown_.Height(); }
  void SetTop(float top) override { shown_.SetTop(top); }
  void SetLeft(float left) override { shown_.SetLeft(left); }
  void SetControlCaption(std::string_view name, int index, const std::string& caption) override;
  ITextBox& TextBox(std::string_view name) override;
  IconHandle Icon() const override { return shown_.Icon(); }
  void SetPicture(std::string_view name, IconHandle icon) override {
    shown_.SetPicture(name, icon);
  }
  std::uintptr_t Handle() const override { return shown_.Handle(); }

 private:
  class MirroredBox;

  IForm& shown_;
  layout::Form state_;
  std::map<std::string, std::unique_ptr<MirroredBox>, std::less<>> boxes_;
};

}  // namespace kv::console
