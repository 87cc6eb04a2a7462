// Layout data: a form's window, controls, menu and their properties, in twips
// (1/1440 inch; 15 twips are one pixel at 96 DPI). Each form declares its
// layout once as data; every window system realises the same data.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kv::layout {

enum class Kind { Label, Frame, TextBox, Line, PictureBox, CommandButton };

enum class Border {
  None,
  FixedSingle,  // windows: title bar and thin border, no resizing; labels: sunken 3-D box
  FixedDialog,  // windows: dialog frame, no resizing
};

// Windows system colour indices (GetSysColor) the layouts name.
inline constexpr int kColorWindow = 5;
inline constexpr int kColorCaptionText = 9;  // text of an active title bar
inline constexpr int kColorButtonFace = 15;
inline constexpr int kColorButtonText = 18;

struct Color {
  enum class Type { Default, System, Rgb };
  Type type = Type::Default;  // Default: the control kind's own colour
  uint32_t value = 0;         // System: a kColor* index; Rgb: 0x00RRGGBB

  static Color System(int index) { return {Type::System, static_cast<uint32_t>(index)}; }
  static Color Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return {Type::Rgb, (uint32_t{r} << 16) | (uint32_t{g} << 8) | b};
  }
  bool operator==(const Color&) const = default;
};

// Line styles.
inline constexpr int kLineSolid = 0;
inline constexpr int kLineInsideSolid = 6;

struct Control {
  Kind kind = Kind::Label;
  std::string name;
  int index = -1;  // element of a control array; -1 when the control is not one
  // Position of the top-left corner relative to the container's client area,
  // and size; twips. Lines use x1, y1, x2, y2 instead.
  int left = 0, top = 0, width = 0, height = 0;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::string caption;    // label, frame and button caption; text box text
  std::string container;  // the frame that holds the control; empty: the form
  Border border = Border::None;
  Color back;
  Color fore;
  int tabIndex = -1;  // position in the tab order
  bool isDefault = false;  // button pressed by Enter
  bool isCancel = false;   // button pressed by Esc
  bool multiLine = false, verticalScrollBar = false, locked = false;  // text box
  int lineStyle = kLineSolid;  // lines
  int lineWidth = 1;           // lines, pixels
  // The label that names this control for the user (a value label's title),
  // for screen readers; empty when none.
  std::string buddyName;
  int buddyIndex = -1;
};

inline Control MakeControl(Kind kind, std::string name, int index = -1) {
  Control c;
  c.kind = kind;
  c.name = std::move(name);
  c.index = index;
  return c;
}

// A line from (x1, y1) to (x2, y2) in twips, of a colour, style and width in pixels.
inline Control MakeLine(std::string name, int index, int x1, int y1, int x2, int y2, Color color,
                        int style, int widthPixels) {
  Control c = MakeControl(Kind::Line, std::move(name), index);
  c.x1 = x1, c.y1 = y1, c.x2 = x2, c.y2 = y2;
  c.fore = color;
  c.lineStyle = style;
  c.lineWidth = widthPixels;
  return c;
}

struct MenuItem {
  std::string name;
  int index = -1;
  std::string caption;  // "-" is a separator line; '&' marks the access key
};

struct Menu {
  std::string name;
  std::string caption;
  std::vector<MenuItem> items;
};

struct Form {
  std::string name;
  int clientWidth = 0, clientHeight = 0;  // twips, below the menu bar
  Border border = Border::FixedSingle;
  bool controlBox = true;  // system menu and close box
  bool minButton = false, maxButton = false;
  bool hasIcon = false;  // shows the program's icon in its title bar
  std::string caption;
  std::vector<Control> controls;  // in stacking order: later ones are drawn later
  std::vector<Menu> menus;

  // A fixed-size window with a system menu and close box, no minimize or maximize button.
  static Form Fixed(std::string formName, int width, int height, Border frame, bool withIcon) {
    Form f;
    f.name = std::move(formName);
    f.clientWidth = width;
    f.clientHeight = height;
    f.border = frame;
    f.hasIcon = withIcon;
    return f;
  }

  const Control* Find(const std::string& controlName, int controlIndex = -1) const {
    for (const auto& c : controls)
      if (c.name == controlName && c.index == controlIndex) return &c;
    return nullptr;
  }
};

}  // namespace kv::layout
