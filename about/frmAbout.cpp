#include "about/frmAbout.h"

#include "about/frmAbout_layout.h"
#include "about/launcher.h"
#include "platform/app_settings.h"
#include "platform/centre.h"
#include "platform/number_text.h"

namespace kv {

const layout::Form& frmAbout::Layout() const { return frmAboutLayout(); }

void frmAbout::Form_Load() {
  app_.windows.SetMousePointer(kPointerHourglass);
  const std::string title(kApp.title);
  me_->SetCaption(title + "のﾊﾞｰｼﾞｮﾝ情報");
  CentreOnScreen(app_.windows, *me_);
  me_->SetPicture("picIcon", mainWindow_.Icon());
  me_->SetControlCaption("lblTitle", -1, title);
  me_->SetControlCaption("lblVersion", -1,
                         "Version " + std::to_string(kApp.major) + "." +
                             std::to_string(kApp.minor) + "." + std::to_string(kApp.revision));
  me_->SetControlCaption("lblCopyright", -1, std::string(kApp.copyright));
  me_->SetControlCaption("lblDescription", -1, "この製品はフリーソフトウェアです。");
  me_->SetControlCaption("lblDisclaimer", -1,
                         "Windowsが使用できる物理ﾒﾓﾘ: " + GetPhysicalMemoryText() + " KB");
  app_.windows.SetMousePointer(kPointerDefault);
}

std::string frmAbout::GetPhysicalMemoryText() const {
  const uint64_t kilobytes = os_.memory.GlobalMemoryStatus().totalPhys / 1024;
  if (kilobytes == 0) return "";
  return GroupDigits(kilobytes, os_.numbers.Separators().thousands);
}

void frmAbout::Click(std::string_view control, int16_t) {
  if (control == "cmdOK") cmdOK_Click();
  if (control == "cmdSysInfo") cmdSysInfo_Click();
}

void frmAbout::cmdOK_Click() { app_.windows.Unload(*this); }

void frmAbout::cmdSysInfo_Click() { StartSysInfo(app_, os_.ansi); }

}  // namespace kv
