// A main window laid out like the program's own: fourteen title and value rows
// and a drive frame holding a text box. The value labels come first and bottom
// up, so that the stacking order is not the order of the rows.
#pragma once

#include <array>
#include <string>

#include "platform/layout.h"

namespace kv::console::testing {

struct Row {
  const char* title;
  const char* value;
};

inline constexpr std::array<Row, 14> kRows{{
    {"コンピュータ名：", "lblComputerName"}, {"ユーザ名：", "lblUserName"},
    {"OS：", "lblOperatingSystem"}, {"OSのバージョン：", "lblWindowsVersion"},
    {"プロセッサの数：", "lblProcessors"}, {"プロセッサのタイプ：", "lblProcessorType"},
    {"物理メモリの全容量：", "lblTotalMemory"}, {"使用中のメモリ：", "lblUsedMemory"},
    {"空きメモリ：", "lblFreeMemory"}, {"Windowsディレクトリ：", "lblWindowsDirectory"},
    {"Systemディレクトリ：", "lblSystemDirectory"}, {"Temporaryディレクトリ：", "lblTemporaryDirectory"},
    {"キーボードタイプ：", "lblKeyboard"}, {"Functionキーの数：", "lblFunctionKeys"},
}};

// withBuddies: each value label names its title label; without, the rows are
// paired by position only.
inline layout::Form SystemLayout(bool withBuddies = true) {
  using layout::Border, layout::Control, layout::Kind;
  layout::Form f{.name = "frmSystem", .clientWidth = 8160, .clientHeight = 4695, .hasIcon = true};
  f.controls.push_back(Control{.kind = Kind::Frame, .name = "Frame1", .left = 4920, .top = 180,
                               .width = 3015, .height = 4275, .caption = "ドライブ情報："});
  f.controls.push_back(Control{.kind = Kind::TextBox, .name = "Text1", .left = 120, .top = 240,
                               .width = 2772, .height = 3915, .container = "Frame1"});
  for (int i = 13; i >= 0; --i)
    f.controls.push_back(Control{.name = kRows[i].value, .left = 2160, .top = 300 + 300 * i,
                                 .width = 2610, .height = 240, .border = Border::FixedSingle,
                                 .buddyName = withBuddies ? "lblTitle" : "", .buddyIndex = i});
  for (int i = 13; i >= 0; --i)
    f.controls.push_back(Control{.name = "lblTitle", .index = i, .left = 240, .top = 360 + 300 * i,
                                 .width = 1800, .height = 180, .caption = kRows[i].title});
  f.controls.push_back(Control{.kind = Kind::Line, .name = "Line1", .index = 0, .x2 = 8160});
  f.menus.push_back({"mnuFile", "ﾌｧｲﾙ(&F)", {{"mnuFileItem", 0, "終了(&X)"}}});
  return f;
}

// The window as printed when each value label shows its own name, but the
// user name shows userName.
inline std::string Window(const std::string& caption, const std::string& userName,
                          const std::string& drive) {
  std::string s = caption + "\n";
  for (const auto& row : kRows)
    s += row.title + (row.value == std::string("lblUserName") ? userName : row.value) + "\n";
  return s + "ドライブ情報：\n" + drive;
}

}  // namespace kv::console::testing
