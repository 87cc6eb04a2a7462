#include "platform/win32/ui/win32_window_system.h"

#include <windows.h>
// After windows.h:
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include "platform/app_settings.h"
#include "platform/console/form_text.h"
#include "platform/errors.h"
#include "platform/win32/ui/copy_all.h"
#include "platform/win32/ui/form.h"
#include "platform/win32/ui/metrics.h"
#include "platform/win32/ui/wide.h"

namespace kv {
namespace {

using win32::Form;

BOOL CALLBACK CollectEnabled(HWND window, LPARAM param) {
  auto& windows = *reinterpret_cast<std::vector<HWND>*>(param);
  if (IsWindowVisible(window) && IsWindowEnabled(window)) windows.push_back(window);
  return TRUE;
}

class Win32WindowSystem final : public IWindowSystem, private win32::FormHost {
 public:
  Win32WindowSystem() {
    // The common controls of the program's manifest (visual styles).
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
  }

  void Load(FormCode& code) override {
    if (Find(code) != nullptr) return;
    auto owned = std::make_unique<Form>(static_cast<win32::FormHost&>(*this), code, ++serial_);
    owned->Create();
    Form* form = owned.get();
    forms_.push_back(std::move(owned));
    if (&code == startup_) {
      // The start-up form's code sees its form through a mirror that keeps
      // the form's text, which the window copies whole.
      startupText_ = std::make_unique<console::TextMirroredForm>(*form, code.Layout());
      win32::InstallCopyAll(form->Window(),
                            [mirror = startupText_.get()] { return mirror->Text("\r\n"); });
      code.Attach(startupText_.get());
    } else {
      code.Attach(form);
    }
    try {
      code.Form_Load();
    } catch (...) {
      // A form whose load step failed is not left half filled.
      if (Find(code) == form) Discard(form);
      throw;
    }
  }

  void Show(FormCode& code, int mode) override {
    if (mode != kModeless && mode != kModal) throw InvalidCallError();
    Load(code);
    Form* form = Find(code);
    if (form == nullptr) return;  // its load step unloaded it
    if (mode == kModeless) {
      form->Present();
      return;
    }
    if (form->Visible()) throw InvalidCallError();  // a shown form cannot turn modal
    RunModal(code, form);
  }

  void Unload(FormCode& code) override {
    if (Find(code) == nullptr) return;
    int16_t cancel = 0;
    code.Form_Unload(cancel);
    if (cancel != 0) return;
    if (Form* form = Find(code)) Discard(form);
  }

  [[noreturn]] void End() override {
    for (auto& form : forms_) {
      form->EndModal();
      form->Destroy();
    }
    ExitProcess(0);
  }

  float ScreenWidth() const override {
    return win32::PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), win32::ScreenDpiX());
  }

  float ScreenHeight() const override {
    return win32::PixelsToTwips(GetSystemMetrics(SM_CYSCREEN), win32::ScreenDpiY());
  }

  void SetMousePointer(int pointer) override {
    if (pointer != kPointerDefault && pointer != kPointerHourglass) throw InvalidCallError();
    pointer_ = pointer;
    SetCursor(LoadCursorW(nullptr, pointer == kPointerHourglass ? IDC_WAIT : IDC_ARROW));
  }

  void MsgBox(const std::string& text, int style, std::optional<std::string> title) override {
    HWND owner = GetActiveWindow();
    if (owner != nullptr && FindByWindow(owner) == nullptr) owner = nullptr;
    const std::wstring caption = win32::ShownLine(title ? *title : std::string(kApp.title));
    MessageBoxW(owner, win32::ShownText(text).c_str(), caption.c_str(), static_cast<UINT>(style));
  }

  int Run(FormCode& startup) override {
    startup_ = &startup;
    running_ = true;
    struct Stop {
      bool& running;
      ~Stop() { running = false; }
    } stop{running_};
    Load(startup);
    if (Find(startup) != nullptr) Show(startup, kModeless);
    MSG message{};
    if (ExitAfterFirstPaint()) {
      // For the start-up benchmark: every pending message, paints included,
      // then the end of the process, with the windows still up, as the bare
      // Win32 yardstick ends: the clock stops at the first paint, not after
      // the windows are torn down.
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) Dispatch(message);
      GdiFlush();
      std::exit(0);
    }
    for (;;) {
      const BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got == 0) return static_cast<int>(message.wParam);
      if (got == -1) return 1;
      Dispatch(message);
    }
  }

 private:
  static bool ExitAfterFirstPaint() {
    wchar_t value[8] = {};
    return GetEnvironmentVariableW(L"KAVRENO_EXIT_AFTER_PAINT", value, 8) > 0 && value[0] != L'0';
  }

  // FormHost
  bool Hourglass() const override { return pointer_ == kPointerHourglass; }
  void CloseRequested(FormCode& code) override { Unload(code); }
  void Fault(std::exception_ptr error) override {
    if (!fault_) fault_ = std::move(error);
  }

  Form* Find(const FormCode& code) const {
    for (const auto& form : forms_)
      if (&form->Code() == &code) return form.get();
    return nullptr;
  }

  Form* FindByWindow(HWND window) const {
    for (const auto& form : forms_)
      if (form->Window() == window) return form.get();
    return nullptr;
  }

  // Destroys the form's window and forgets the form; the object itself goes
  // once none of its window procedures runs any more.
  void Discard(Form* form) {
    form->EndModal();
    form->Destroy();
    form->Code().Attach(nullptr);
    if (&form->Code() == startup_) startupText_.reset();
    auto it = std::find_if(forms_.begin(), forms_.end(),
                           [form](const auto& owned) { return owned.get() == form; });
    if (it != forms_.end()) {
      retired_.push_back(std::move(*it));
      forms_.erase(it);
    }
    if (running_ && forms_.empty()) PostQuitMessage(0);
  }

  void RunModal(FormCode& code, Form* form) {
    const uint64_t serial = form->Serial();
    HWND owner = GetActiveWindow();
    if (owner == form->Window() || FindByWindow(owner) == nullptr) owner = nullptr;
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
    disabled.erase(std::remove(disabled.begin(), disabled.end(), form->Window()), disabled.end());
    if (owner == nullptr) {
      for (const auto& other : forms_) {
        if (other.get() != form && other->Visible()) {
          owner = other->Window();
          break;
        }
      }
    }
    form->BeginModal(owner, std::move(disabled));
    auto stillShown = [&] {
      Form* current = Find(code);
      return current != nullptr && current->Serial() == serial && current->Visible();
    };
    try {
      form->Present();
      MSG message{};
      while (stillShown()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
          PostQuitMessage(static_cast<int>(message.wParam));  // for the outer loop
          break;
        }
        if (got == -1) break;
        Dispatch(message);
      }
    } catch (...) {
      if (Form* current = Find(code); current != nullptr && current->Serial() == serial)
        current->EndModal();
      throw;
    }
    if (Form* current = Find(code); current != nullptr && current->Serial() == serial)
      current->EndModal();
    if (owner != nullptr && IsWindow(owner) && IsWindowVisible(owner)) SetActiveWindow(owner);
  }

  void Dispatch(MSG& message) {
    HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    // Tab, Enter, Esc and the access keys of the form's buttons.
    if (root == nullptr || FindByWindow(root) == nullptr || !IsDialogMessageW(root, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    retired_.erase(std::remove_if(retired_.begin(), retired_.end(),
                                  [](const auto& form) { return form->Busy() == 0; }),
                   retired_.end());
    RethrowFault();
  }

  void RethrowFault() {
    if (!fault_) return;
    std::exception_ptr error = std::exchange(fault_, nullptr);
    std::rethrow_exception(error);
  }

  std::vector<std::unique_ptr<Form>> forms_;
  std::vector<std::unique_ptr<Form>> retired_;
  FormCode* startup_ = nullptr;
  std::unique_ptr<console::TextMirroredForm> startupText_;
  std::exception_ptr fault_;
  uint64_t serial_ = 0;
  int pointer_ = kPointerDefault;
  bool running_ = false;
};

}  // namespace

std::unique_ptr<IWindowSystem> CreateWin32WindowSystem() {
  return std::make_unique<Win32WindowSystem>();
}

}  // namespace kv
