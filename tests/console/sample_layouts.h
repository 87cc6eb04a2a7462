// Layout data for the tests: a main window built like the program's own
// (fourteen title and value rows, a drive frame holding a text box, two lines
// and a menu) and a small dialog of plain labels and buttons.
#pragma once

#include <array>
#include <string>
#include <utility>

#include "platform/layout.h"

namespace kv::console::testing {

struct Row {
  const char* title;
  const char* value;
};

inline constexpr std::array<Row, 14> kRows{{
    {"コンピュータ名：", "lblComputerName"},
    {"ユーザ名：", "lblUserName"},
    {"OS：", "lblOperatingSystem"},
    {"OSのバージョン：", "lblWindowsVersion"},
    {"プロセッサの数：", "lblProcessors"},
    {"プロセッサのタイプ：", "lblProcessorType"},
    {"物理メモリの全容量：", "lblTotalMemory"},
    {"使用中のメモリ：", "lblUsedMemory"},
    {"空きメモリ：", "lblFreeMemory"},
    {"Windowsディレクトリ：", "lblWindowsDirectory"},
    {"Systemディレクトリ：", "lblSystemDirectory"},
    {"Temporaryディレクトリ：", "lblTemporaryDirectory"},
    {"キーボードタイプ：", "lblKeyboard"},
    {"Functionキーの数：", "lblFunctionKeys"},
}};

inline layout::Control Label(std::string name, int index, int left, int top, int width, int height,
                             std::string caption = {}) {
  layout::Control c;
  c.kind = layout::Kind::Label;
  c.name = std::move(name);
  c.index = index;
  c.left = left;
  c.top = top;
  c.width = width;
  c.height = height;
  c.caption = std::move(caption);
  return c;
}

// The main window. withBuddies: each value label names its title label; without,
// the rows are paired by position only. The stacking order is deliberately not the
// order of the rows.
inline layout::Form SystemLayout(bool withBuddies = true) {
  layout::Form f;
  f.name = "frmSystem";
  f.clientWidth = 8160;
  f.clientHeight = 4695;
  f.border = layout::Border::FixedSingle;
  f.hasIcon = true;

  layout::Control frame;
  frame.kind = layout::Kind::Frame;
  frame.name = "Frame1";
  frame.left = 4920;
  frame.top = 180;
  frame.width = 3015;
  frame.height = 4275;
  frame.caption = "ドライブ情報：";
  f.controls.push_back(frame);

  layout::Control text;
  text.kind = layout::Kind::TextBox;
  text.name = "Text1";
  text.left = 120;
  text.top = 240;
  text.width = 2772;
  text.height = 3915;
  text.container = "Frame1";
  text.multiLine = text.verticalScrollBar = text.locked = true;
  f.controls.push_back(text);

  // Rows from the bottom up: value labels first, then the title labels.
  for (int i = 13; i >= 0; --i) {
    auto value = Label(kRows[i].value, -1, 2160, 300 + 300 * i, 2610, 240);
    value.border = layout::Border::FixedSingle;
    value.back = layout::Color::System(layout::kColorCaptionText);
    if (withBuddies) {
      value.buddyName = "lblTitle";
      value.buddyIndex = i;
    }
    f.controls.push_back(value);
  }
  for (int i = 13; i >= 0; --i)
    f.controls.push_back(Label("lblTitle", i, 240, 360 + 300 * i, 1800, 180, kRows[i].title));

  for (int i : {1, 0}) {
    layout::Control line;
    line.kind = layout::Kind::Line;
    line.name = "Line1";
    line.index = i;
    line.x2 = 8160;
    f.controls.push_back(line);
  }
  f.menus.push_back({"mnuFile",
                     "ﾌｧｲﾙ(&F)",
                     {{"mnuFileItem", 0, "終了(&X)"},
                      {"mnuFileItem", 1, "-"},
                      {"mnuFileItem", 2, "ﾍﾙﾌﾟ(&H)..."},
                      {"mnuFileItem", 3, "ﾊﾞｰｼﾞｮﾝ情報(&A)..."}}});
  return f;
}

// A dialog of borderless labels (two of them side by side at one top), a
// picture box, a line and two buttons, in a shuffled stacking order.
inline layout::Form DialogLayout() {
  layout::Form f;
  f.name = "frmDialog";
  f.clientWidth = 6150;
  f.clientHeight = 2895;
  f.border = layout::Border::FixedDialog;
  f.controls.push_back(Label("lblNote", -1, 1020, 1920, 3270, 780, "note"));
  layout::Control ok;
  ok.kind = layout::Kind::CommandButton;
  ok.name = "cmdOK";
  ok.left = 4500;
  ok.top = 1920;
  ok.caption = "OK";
  f.controls.push_back(ok);
  f.controls.push_back(Label("lblRight", -1, 3000, 480, 1000, 195, "right"));
  f.controls.push_back(Label("lblName", -1, 1020, 239, 4815, 195, "name"));
  f.controls.push_back(Label("lblLeft", -1, 1020, 480, 1000, 195, "left"));
  f.controls.push_back(Label("lblEmpty", -1, 1020, 720, 4815, 195, ""));
  layout::Control pic;
  pic.kind = layout::Kind::PictureBox;
  pic.name = "picIcon";
  pic.left = 300;
  pic.top = 240;
  f.controls.push_back(pic);
  layout::Control line;
  line.kind = layout::Kind::Line;
  line.name = "Line1";
  line.index = 0;
  f.controls.push_back(line);
  return f;
}

}  // namespace kv::console::testing
