// The About dialog: title, version, copyright, description and the physical
// memory line, with OK and the system-information button.
#pragma once

#include <string>

#include "platform/os.h"
#include "platform/ui.h"

namespace kv {

// Where the dialog takes its picture from: the main window's icon.
class IIconSource {
 public:
  virtual ~IIconSource() = default;
  virtual IconHandle Icon() const = 0;
};

class frmAbout : public FormCode {
 public:
  frmAbout(const OsServices& os, AppServices& app, const IIconSource& mainWindow)
      : os_(os), app_(app), mainWindow_(mainWindow) {}

  const layout::Form& Layout() const override;
  void Attach(IForm* form) override { me_ = form; }
  void Form_Load() override;
  void Click(std::string_view control, int16_t index) override;

  void cmdOK_Click();
  void cmdSysInfo_Click();

 private:
  // Total physical memory in KB, grouped in threes; empty for 0.
  std::string GetPhysicalMemoryText() const;

  const OsServices& os_;
  AppServices& app_;
  const IIconSource& mainWindow_;
  IForm* me_ = nullptr;
};

}  // namespace kv
