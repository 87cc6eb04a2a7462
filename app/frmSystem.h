// The main window: fills its fourteen labels and the drive report when it
// loads, and handles the File menu and the shutdown.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "about/frmAbout.h"
#include "platform/os.h"
#include "platform/ui.h"
#include "sysinfo/clsSystem.h"

namespace kv {

class frmSystem : public FormCode, public IIconSource {
 public:
  frmSystem(const OsServices& os, AppServices& app) : os_(os), app_(app), about_(os, app, *this) {}

  const layout::Form& Layout() const override;
  void Attach(IForm* form) override { me_ = form; }
  void Form_Load() override;
  void Form_Unload(int16_t& cancel) override;
  void Click(std::string_view control, int16_t index) override;

  void mnuFileItem_Click(int16_t index);
  // Writes the drive report into Text1.
  void Drives();

  IconHandle Icon() const override { return me_ ? me_->Icon() : 0; }
  frmAbout& About() { return about_; }

 private:
  // The one provider instance, created at its first use.
  clsSystem& objSystem();
  void SetLabel(std::string_view name, const std::string& caption);
  std::string HelpFile() const;

  const OsServices& os_;
  AppServices& app_;
  frmAbout about_;
  IForm* me_ = nullptr;
  std::optional<clsSystem> objSystem_;
  std::string strCrLf_;

  // What the multi-output queries answered.
  uint8_t percentUsed_ = 0;
  int32_t totalRam_ = 0;
  int32_t freeRam_ = 0;
  std::string processor_;
  int32_t numOfProcessors_ = 0;
  int32_t activeProcessor_ = 0;
  int16_t major_ = 0;
  int16_t minor_ = 0;
  std::string platform_;
};

}  // namespace kv
