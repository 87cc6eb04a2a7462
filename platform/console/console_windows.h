// The window system and help engine of the text presentation, as classes.
// CreateConsoleWindowSystem builds the window system with the process's own
// exit; whoever needs to observe the end of the program instead gives it an
// exit function of its own.
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/console/console_form.h"
#include "platform/ui.h"

namespace kv::console {

// Ends the program with the given status. It must not return; it may throw.
using ExitFunction = std::function<void(int status)>;

class ConsoleWindowSystem final : public IWindowSystem {
 public:
  ConsoleWindowSystem(std::ostream& out, std::ostream& err, ExitFunction exit);

  // Creates the form from its layout, attaches it and runs Form_Load. When
  // Form_Load fails, the form is detached and forgotten again and the error
  // passes on.
  void Load(FormCode& form) override;
  // Loads the form when needed and prints it to out. The terminal has no
  // events to wait for, so a modal show returns at once.
  void Show(FormCode& form, int mode) override;
  void Unload(FormCode& form) override;
  // Flushes out and err and calls the exit function with the status Run
  // answers. Does not return.
  [[noreturn]] void End() override;
  float ScreenWidth() const override;
  float ScreenHeight() const override;
  // A terminal has no mouse pointer to change.
  void SetMousePointer(int pointer) override;
  // Prints "title: text" and a line feed to err; the title defaults to the
  // application title.
  void MsgBox(const std::string& text, int style, std::optional<std::string> title) override;
  // Loads the start-up form, prints it to out, then unloads it, which ends
  // the program through its unload step. The status is 0, or 1 when a message
  // box with the exclamation icon was shown while the start-up form loaded.
  // An error that the load or unload step leaves unhandled is shown as the
  // window systems show it ("実行時エラー 'n':" and its description) and
  // answers 1; a form whose load step failed is not printed.
  int Run(FormCode& startup) override;

 private:
  struct Loaded {
    std::unique_ptr<ConsoleForm> form;
    bool unloading = false;
  };

  int Status() const { return exclamationDuringStartup_ ? 1 : 0; }

  std::ostream& out_;
  std::ostream& err_;
  ExitFunction exit_;
  std::map<FormCode*, Loaded> forms_;
  bool loadingStartup_ = false;
  bool exclamationDuringStartup_ = false;
};

// WinHelpA on a terminal: no help window opens or closes and nothing is
// printed. HELP_CONTENTS answers 0 (failed: no help was shown), HELP_QUIT
// answers 1 (nothing is left open), anything else 0.
class ConsoleHelpEngine final : public IHelpEngine {
 public:
  int32_t WinHelpA(std::uintptr_t window, std::string_view helpFile, uint32_t command,
                   std::uintptr_t data) override;
};

}  // namespace kv::console
