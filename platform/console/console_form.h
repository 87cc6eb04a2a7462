// A form realised on a terminal: its layout data with the captions and texts
// that the form's code has set, printed as plain lines.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "platform/layout.h"
#include "platform/ui.h"

namespace kv::console {

// The nominal screen: 1024 x 768 pixels at 15 twips a pixel.
inline constexpr float kScreenWidthTwips = 1024 * 15;
inline constexpr float kScreenHeightTwips = 768 * 15;

// The nominal window frame around a form's client area, twips: a 3-pixel
// border on every side and a 19-pixel title bar for the bordered kinds, and
// a 19-pixel menu bar when the form has a menu. A borderless form has neither
// border nor title bar.
inline constexpr int kFrameBorderTwips = 3 * 15;
inline constexpr int kTitleBarTwips = 19 * 15;
inline constexpr int kMenuBarTwips = 19 * 15;

int OuterWidth(const layout::Form& form);
int OuterHeight(const layout::Form& form);

// The form as lines of text, each ended by a line feed:
//   - the caption;
//   - the labels and text boxes of the form itself, top to bottom and, at the
//     same top, left to right. A label with a border is a value: it makes one
//     line with the caption of its title label (the label it names as its
//     buddy or, without a buddy, the borderless label to its left whose top
//     falls within the value's height) directly followed by its own caption.
//     A title label is printed only in its value's line; any other label with
//     a caption is a line of its own. A text box prints its text, each CR LF
//     a line break;
//   - then each frame, in the same order: its caption on a line of its own,
//     followed by its contents printed the same way.
// Buttons, lines, picture boxes and menus are not printed. Every text is
// escaped as platform/visible_text.h describes, each CR LF of a text box a
// line feed.
std::string RenderForm(const layout::Form& form);

class ConsoleForm final : public IForm {
 public:
  explicit ConsoleForm(const layout::Form& layout);
  ConsoleForm(const ConsoleForm&) = delete;
  ConsoleForm& operator=(const ConsoleForm&) = delete;

  void SetCaption(const std::string& caption) override;
  float Width() const override;
  float Height() const override;
  void SetTop(float top) override;
  void SetLeft(float left) override;
  void SetControlCaption(std::string_view name, int index, const std::string& caption) override;
  ITextBox& TextBox(std::string_view name) override;
  IconHandle Icon() const override;
  // Nothing is drawn.
  void SetPicture(std::string_view name, IconHandle icon) override;
  std::uintptr_t Handle() const override;

  float Top() const { return top_; }
  float Left() const { return left_; }
  std::string Render() const { return RenderForm(state_); }

 private:
  // A text box's text lives in its control's caption.
  class BoxText final : public ITextBox {
   public:
    explicit BoxText(layout::Control& control) : control_(control) {}
    std::string Text() const override { return control_.caption; }
    void SetText(std::string text) override { control_.caption = std::move(text); }

   private:
    layout::Control& control_;
  };

  layout::Form state_;  // the layout, with the captions and texts as set so far
  float top_ = 0, left_ = 0;
  std::map<const layout::Control*, BoxText> textBoxes_;
};

}  // namespace kv::console
