#include "app/frmSystem.h"

#include <exception>

#include "app/drives/drives.h"
#include "app/frmSystem_layout.h"
#include "platform/app_settings.h"
#include "platform/centre.h"

namespace kv {

const layout::Form& frmSystem::Layout() const { return frmSystemLayout(); }

clsSystem& frmSystem::objSystem() {
  if (!objSystem_) objSystem_.emplace(os_);
  return *objSystem_;
}

void frmSystem::SetLabel(std::string_view name, const std::string& caption) {
  me_->SetControlCaption(name, -1, caption);
}

void frmSystem::Form_Load() {
  try {
    // The drives answer while the labels fill.
    kv::StartDriveQueries(os_);
    app_.windows.SetMousePointer(kPointerHourglass);
    me_->SetCaption(std::string(kApp.title));
    CentreOnScreen(app_.windows, *me_);
    strCrLf_ = "\r\n";

    objSystem().FreeMemory(percentUsed_, totalRam_, freeRam_);
    objSystem().SystemInfo(processor_, numOfProcessors_, activeProcessor_);
    objSystem().WinVer(major_, minor_, platform_);

    SetLabel("lblOperatingSystem", platform_);
    SetLabel("lblWindowsVersion", std::to_string(major_) + "." + std::to_string(minor_));
    SetLabel("lblUserName", objSystem().UserName());
    SetLabel("lblWindowsDirectory", objSystem().WinDir());
    SetLabel("lblSystemDirectory", objSystem().SystemDir());
    SetLabel("lblTemporaryDirectory", objSystem().TempDir());
    SetLabel("lblKeyboard", objSystem().KeyboardType());
    SetLabel("lblFunctionKeys", std::to_string(objSystem().FunctionKeys()));
    SetLabel("lblComputerName", objSystem().ComputerName());
    SetLabel("lblProcessors", std::to_string(numOfProcessors_));
    SetLabel("lblProcessorType", processor_);
    SetLabel("lblTotalMemory", std::to_string(totalRam_) + " KB");
    SetLabel("lblFreeMemory", std::to_string(freeRam_) + " KB");
    SetLabel("lblUsedMemory", std::to_string(percentUsed_) + " %");

    Drives();
    app_.windows.SetMousePointer(kPointerDefault);
  } catch (const std::exception& e) {
    app_.windows.SetMousePointer(kPointerDefault);
    app_.windows.MsgBox("Application Error \r\n" + std::string(e.what()), kMsgBoxExclamation,
                        std::string(kApp.title));
  }
}

void frmSystem::Drives() {
  strCrLf_ = "\r\n";
  kv::WriteDriveReport(os_, me_->TextBox("Text1"));
}

std::string frmSystem::HelpFile() const { return os_.ansi.ToAnsi(kApp.helpFile); }

void frmSystem::Click(std::string_view control, int16_t index) {
  if (control == "mnuFileItem") mnuFileItem_Click(index);
}

void frmSystem::mnuFileItem_Click(int16_t index) {
  switch (index) {
    case 0:
      app_.windows.Unload(*this);
      app_.windows.End();
      break;
    case 2:
      app_.help.WinHelpA(me_->Handle(), HelpFile(), kHelpContents, 0);
      break;
    case 3:
      app_.windows.Show(about_, kModal);
      break;
    default:
      break;
  }
}

void frmSystem::Form_Unload(int16_t&) {
  app_.help.WinHelpA(me_ ? me_->Handle() : 0, HelpFile(), kHelpQuit, 0);
  app_.windows.End();
}

}  // namespace kv
