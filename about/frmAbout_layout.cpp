#include "about/frmAbout_layout.h"

namespace kv {
namespace {

layout::Form Build() {
  using layout::Border;
  using layout::Color;
  using layout::Control;
  using layout::Kind;

  layout::Form f = layout::Form::Fixed("frmAbout", 6150, 2895, Border::FixedDialog, false);

  auto label = [](const char* name, int left, int top, int width, int height, int tab,
                  const char* placeholder) {
    Control c = layout::MakeControl(Kind::Label, name);
    c.left = left, c.top = top, c.width = width, c.height = height;
    c.tabIndex = tab;
    c.caption = placeholder;
    return c;
  };

  Control icon = layout::MakeControl(Kind::PictureBox, "picIcon");
  icon.left = 300, icon.top = 240, icon.width = 480, icon.height = 480;
  icon.tabIndex = 2;
  f.controls.push_back(icon);

  f.controls.push_back(label("lblTitle", 1020, 239, 4815, 195, 5, "Application Title"));
  f.controls.push_back(label("lblVersion", 1020, 480, 4815, 195, 6, "Version"));
  f.controls.push_back(label("lblCopyright", 1020, 720, 4815, 195, 7, "Copyright"));
  Control description = label("lblDescription", 1020, 960, 4815, 675, 3, "App Description");
  description.fore = Color::Rgb(0, 0, 0);
  f.controls.push_back(description);

  // An etched separator: the grey line, then the white one just below it.
  f.controls.push_back(layout::MakeLine("Line1", 1, 1020, 1785, 5880, 1785,
                                        Color::Rgb(128, 128, 128), layout::kLineInsideSolid, 1));
  f.controls.push_back(layout::MakeLine("Line1", 0, 1020, 1800, 5880, 1800,
                                        Color::Rgb(255, 255, 255), layout::kLineSolid, 2));

  Control disclaimer = label("lblDisclaimer", 1020, 1920, 3270, 780, 4, "Memory");
  disclaimer.fore = Color::Rgb(0, 0, 0);
  f.controls.push_back(disclaimer);

  Control ok = layout::MakeControl(Kind::CommandButton, "cmdOK");
  ok.left = 4500, ok.top = 1920, ok.width = 1380, ok.height = 345;
  ok.caption = "OK";
  ok.tabIndex = 0;
  ok.isDefault = true;
  ok.isCancel = true;
  f.controls.push_back(ok);

  Control sysInfo = layout::MakeControl(Kind::CommandButton, "cmdSysInfo");
  sysInfo.left = 4500, sysInfo.top = 2340, sysInfo.width = 1380, sysInfo.height = 345;
  sysInfo.caption = "ｼｽﾃﾑ情報(&S)...";
  sysInfo.tabIndex = 1;
  f.controls.push_back(sysInfo);
  return f;
}

}  // namespace

const layout::Form& frmAboutLayout() {
  static const layout::Form form = Build();
  return form;
}

}  // namespace kv
