#include "app/frmSystem_layout.h"

#include <array>

namespace kv {
namespace {

struct Row {
  const char* title;
  const char* valueLabel;
};

// Top to bottom; the value label of row n stands at top 300 * (n + 1).
constexpr std::array<Row, 14> kRows{{
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

layout::Form Build() {
  using layout::Border;
  using layout::Color;
  using layout::Control;
  using layout::Kind;

  layout::Form f = layout::Form::Fixed("frmSystem", 8160, 4695, Border::FixedSingle, true);

  // The grey line first, the white one over it.
  f.controls.push_back(layout::MakeLine("Line1", 1, 0, 0, 8160, 0, Color::Rgb(128, 128, 128),
                                        layout::kLineInsideSolid, 1));
  f.controls.push_back(
      layout::MakeLine("Line1", 0, 0, 0, 8160, 0, Color::Rgb(255, 255, 255), layout::kLineSolid, 4));

  for (int i = 0; i < static_cast<int>(kRows.size()); ++i) {
    const int valueTop = 300 * (i + 1);
    Control value = layout::MakeControl(Kind::Label, kRows[i].valueLabel);
    value.left = 2160, value.top = valueTop, value.width = 2610, value.height = 240;
    value.border = Border::FixedSingle;
    value.back = Color::System(layout::kColorCaptionText);
    value.fore = Color::System(layout::kColorButtonText);
    value.tabIndex = i;
    value.buddyName = "lblTitle";
    value.buddyIndex = i;
    f.controls.push_back(value);

    Control title = layout::MakeControl(Kind::Label, "lblTitle", i);
    title.left = 240, title.top = valueTop + 60, title.width = 1800, title.height = 180;
    title.caption = kRows[i].title;
    title.back = Color::System(layout::kColorButtonFace);
    title.fore = Color::System(layout::kColorButtonText);
    title.tabIndex = 14 + i;
    f.controls.push_back(title);
  }

  Control frame = layout::MakeControl(Kind::Frame, "Frame1");
  frame.left = 4920, frame.top = 180, frame.width = 3015, frame.height = 4275;
  frame.caption = "ドライブ情報：";
  frame.tabIndex = 28;
  f.controls.push_back(frame);

  Control text = layout::MakeControl(Kind::TextBox, "Text1");
  text.left = 120, text.top = 240, text.width = 2772, text.height = 3915;
  text.container = "Frame1";
  text.border = Border::FixedSingle;
  text.multiLine = true;
  text.verticalScrollBar = true;
  text.locked = true;
  text.back = Color::Rgb(255, 255, 255);
  text.fore = Color::Rgb(0, 0, 0);
  text.tabIndex = 29;
  f.controls.push_back(text);

  f.menus.push_back({"mnuFile",
                     "ﾌｧｲﾙ(&F)",
                     {{"mnuFileItem", 0, "終了(&X)"},
                      {"mnuFileItem", 1, "-"},
                      {"mnuFileItem", 2, "ﾍﾙﾌﾟ(&H)..."},
                      {"mnuFileItem", 3, "ﾊﾞｰｼﾞｮﾝ情報(&A)..."}}});
  return f;
}

}  // namespace

const layout::Form& frmSystemLayout() {
  static const layout::Form form = Build();
  return form;
}

}  // namespace kv
