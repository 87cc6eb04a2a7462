// The window system of the Qt presentation: forms realised as Qt windows, the
// application-wide pointer, message boxes, the screen and the event loop.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/console/form_text.h"
#include "platform/errors.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/qt_icons.h"
#include "platform/ui.h"

namespace kv::qt {

struct WindowSystemOptions {
  // Run: end the program once the start-up form has been painted for the
  // first time (for measuring the start-up).
  bool exitAfterFirstPaint = false;
  // End: runs before the process goes (closes the help windows).
  std::function<void()> beforeEnd;
};

class QtWindowSystem final : public IWindowSystem, private FormEvents {
 public:
  // A QApplication must exist for the window system's lifetime.
  explicit QtWindowSystem(WindowSystemOptions options = {});
  ~QtWindowSystem() override;

  void Load(FormCode& form) override;
  void Show(FormCode& form, int mode) override;
  void Unload(FormCode& form) override;
  [[noreturn]] void End() override;
  float ScreenWidth() const override;
  float ScreenHeight() const override;
  void SetMousePointer(int pointer) override;
  void MsgBox(const std::string& text, int style, std::optional<std::string> title) override;
  int Run(FormCode& startup) override;

  // The realised form of loaded form code; nullptr when it is not loaded.
  QtForm* FormOf(const FormCode& code) const;
  // The handle of the program's icon.
  IconHandle ProgramIconHandle() const { return programIcon_; }

 private:
  void FormClick(QtForm& form, std::string_view control, int index) override;
  void FormCloseRequested(QtForm& form) override;
  FormCode* CodeOf(const QtForm& form) const;
  void Destroy(FormCode& code);
  // Runs an event procedure; an error it lets through ends the program after
  // a message box, with status 1, as nothing else is left to handle it.
  void Dispatch(const std::function<void()>& procedure);
  [[noreturn]] void Unhandled(const Error& error);
  // End, with the process's exit status.
  [[noreturn]] void EndWith(int status);

  WindowSystemOptions options_;
  IconTable icons_;
  IconHandle programIcon_ = 0;
  std::map<FormCode*, std::unique_ptr<QtForm>> forms_;
  // The start-up form's code sees its form through a mirror that keeps the
  // form's text, which the window copies whole.
  FormCode* startup_ = nullptr;
  std::unique_ptr<console::TextMirroredForm> startupText_;
  std::set<FormCode*> unloading_;  // forms whose Form_Unload is running
  std::optional<int> pointer_;     // the override cursor this window system set
  bool running_ = false;
};

}  // namespace kv::qt
