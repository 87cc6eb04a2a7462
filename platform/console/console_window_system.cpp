#include "platform/console/console_window_system.h"

#include <cstdlib>
#include <exception>
#include <ostream>
#include <utility>

#include "platform/app_settings.h"
#include "platform/console/console_windows.h"
#include "platform/visible_text.h"
#include "platform/errors.h"
#include "platform/run_program.h"

namespace kv {
namespace console {
namespace {

// The icon group of a message box style: 16 stop, 32 question, 48 exclamation, 64 information.
constexpr int kMsgBoxIconMask = 0x70;

}  // namespace

ConsoleWindowSystem::ConsoleWindowSystem(std::ostream& out, std::ostream& err, ExitFunction exit)
    : out_(out), err_(err), exit_(std::move(exit)) {}

void ConsoleWindowSystem::Load(FormCode& form) {
  if (forms_.contains(&form)) return;
  auto& loaded = forms_[&form];
  loaded.form = std::make_unique<ConsoleForm>(form.Layout());
  form.Attach(loaded.form.get());
  try {
    form.Form_Load();
  } catch (...) {
    form.Attach(nullptr);
    forms_.erase(&form);
    throw;
  }
}

void ConsoleWindowSystem::Show(FormCode& form, int /*mode*/) {
  Load(form);
  // Form_Load may have unloaded the form again.
  if (auto it = forms_.find(&form); it != forms_.end()) out_ << it->second.form->Render();
}

void ConsoleWindowSystem::Unload(FormCode& form) {
  auto it = forms_.find(&form);
  if (it == forms_.end() || it->second.unloading) return;
  it->second.unloading = true;
  int16_t cancel = 0;
  try {
    form.Form_Unload(cancel);
  } catch (...) {
    if (auto again = forms_.find(&form); again != forms_.end()) again->second.unloading = false;
    throw;
  }
  it = forms_.find(&form);
  if (it == forms_.end()) return;
  if (cancel != 0) {
    it->second.unloading = false;
    return;
  }
  form.Attach(nullptr);
  forms_.erase(it);
}

void ConsoleWindowSystem::End() {
  out_.flush();
  err_.flush();
  exit_(Status());
  std::abort();  // an exit function must not return
}

float ConsoleWindowSystem::ScreenWidth() const { return kScreenWidthTwips; }

float ConsoleWindowSystem::ScreenHeight() const { return kScreenHeightTwips; }

void ConsoleWindowSystem::SetMousePointer(int pointer) {
  // A terminal shows no pointer; the values are those of every window system.
  if (pointer != kPointerDefault && pointer != kPointerHourglass) throw InvalidCallError();
}

void ConsoleWindowSystem::MsgBox(const std::string& text, int style,
                                 std::optional<std::string> title) {
  const std::string shownTitle = title ? std::move(*title) : std::string(kApp.title);
  err_ << VisibleLine(shownTitle) << ": " << VisibleLines(text, "\n") << '\n';
  if (loadingStartup_ && (style & kMsgBoxIconMask) == kMsgBoxExclamation)
    exclamationDuringStartup_ = true;
}

int ConsoleWindowSystem::Run(FormCode& startup) {
  // An error that no handler of the program takes ends it with status 1,
  // after a message box that says so, as in every window system.
  const auto unhandled = [this](const std::exception& e) {
    loadingStartup_ = false;
    MsgBox(UnhandledErrorText(AsError(e)), kMsgBoxOkOnly, std::nullopt);
    out_.flush();
    err_.flush();
    return kUnhandledErrorStatus;
  };
  loadingStartup_ = true;
  try {
    Load(startup);
  } catch (const std::exception& e) {
    return unhandled(e);
  }
  loadingStartup_ = false;
  if (auto it = forms_.find(&startup); it != forms_.end()) out_ << it->second.form->Render();
  out_.flush();
  // The unload step ends the program; should it not, the program ends here.
  try {
    Unload(startup);
  } catch (const std::exception& e) {
    return unhandled(e);
  }
  err_.flush();
  return Status();
}

int32_t ConsoleHelpEngine::WinHelpA(std::uintptr_t /*window*/, std::string_view /*helpFile*/,
                                    uint32_t command, std::uintptr_t /*data*/) {
  return command == kHelpQuit ? 1 : 0;
}

}  // namespace console

std::unique_ptr<IWindowSystem> CreateConsoleWindowSystem(std::ostream& out, std::ostream& err) {
  return std::make_unique<console::ConsoleWindowSystem>(out, err,
                                                        [](int status) { std::exit(status); });
}

std::unique_ptr<IHelpEngine> CreateConsoleHelpEngine() {
  return std::make_unique<console::ConsoleHelpEngine>();
}

}  // namespace kv
