// The window and application services the forms' code needs: forms realised
// from layout data, their controls, the screen, the mouse pointer, message
// boxes, the help engine, the registry, the file test and program start.
// All text is UTF-8 unless a declaration says it is ANSI.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/layout.h"

namespace kv {

// Mouse pointers.
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;

// Message box styles.
inline constexpr int kMsgBoxOkOnly = 0;
inline constexpr int kMsgBoxExclamation = 48;

// Form display modes.
inline constexpr int kModeless = 0;
inline constexpr int kModal = 1;

// Program window show modes.
inline constexpr int kShowNormalFocus = 1;

// A text box, read and written whole.
class ITextBox {
 public:
  virtual ~ITextBox() = default;
  virtual std::string Text() const = 0;
  virtual void SetText(std::string text) = 0;
};

// An opaque icon handle; 0 when none.
using IconHandle = std::uintptr_t;

// A form realised by a window system, as the form's code sees it. An
// operation that names a control (by name and control-array index, -1 for a
// control that is not in an array) throws InvalidCallError (number 5) when
// the form has no such control, or when the control is not of a kind the
// operation takes (form_contract.h); nothing has changed then.
class IForm {
 public:
  virtual ~IForm() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  // The outer size of the window, twips.
  virtual float Width() const = 0;
  virtual float Height() const = 0;
  // The position of the window's top-left corner on the screen, twips; may be
  // negative or fractional.
  virtual void SetTop(float top) = 0;
  virtual void SetLeft(float left) = 0;
  // The caption of a label, frame or button; any other kind fails.
  virtual void SetControlCaption(std::string_view name, int index, const std::string& caption) = 0;
  // A text box (not in a control array); any other kind fails.
  virtual ITextBox& TextBox(std::string_view name) = 0;
  // The form's icon; and showing an icon in a picture box (not in a control
  // array); any other kind fails.
  virtual IconHandle Icon() const = 0;
  virtual void SetPicture(std::string_view name, IconHandle icon) = 0;
  // The native window handle (0 where there is none).
  virtual std::uintptr_t Handle() const = 0;
};

// The code behind a form: its layout and its event procedures. The window
// system attaches the realised form before it runs Form_Load.
class FormCode {
 public:
  virtual ~FormCode() = default;
  virtual const layout::Form& Layout() const = 0;
  virtual void Attach(IForm* form) = 0;  // nullptr when the form is destroyed
  virtual void Form_Load() = 0;
  // Runs when the form is unloaded; setting cancel to nonzero keeps it.
  virtual void Form_Unload(int16_t& cancel) { (void)cancel; }
  // A click on a menu item or a button; index is the control-array index or -1.
  virtual void Click(std::string_view control, int16_t index) = 0;
};

class IWindowSystem {
 public:
  virtual ~IWindowSystem() = default;
  // Creates the form from its layout and runs its Form_Load; does nothing when
  // the form is already loaded. An error from Form_Load passes to the caller.
  virtual void Load(FormCode& form) = 0;
  // Shows the form, loading it first when needed. kModal returns only after
  // the form has been hidden or unloaded.
  virtual void Show(FormCode& form, int mode) = 0;
  // Runs the form's Form_Unload and, unless cancelled, destroys the form; the
  // next Load or Show creates it anew.
  virtual void Unload(FormCode& form) = 0;
  // Ends the program at once: every form is destroyed and no further code of
  // the program runs.
  [[noreturn]] virtual void End() = 0;
  // Screen size, twips.
  virtual float ScreenWidth() const = 0;
  virtual float ScreenHeight() const = 0;
  // The application-wide mouse pointer: kPointerDefault or kPointerHourglass.
  virtual void SetMousePointer(int pointer) = 0;
  // A modal message box; without a title the box shows the application title.
  virtual void MsgBox(const std::string& text, int style, std::optional<std::string> title) = 0;
  // The start-up: creates and loads the start-up form, shows it and dispatches
  // events until the program ends. Answers the process exit status.
  virtual int Run(FormCode& startup) = 0;
};

// The help engine (WinHelpA). The help file name is ANSI.
inline constexpr uint32_t kHelpQuit = 2;
inline constexpr uint32_t kHelpContents = 3;

class IHelpEngine {
 public:
  virtual ~IHelpEngine() = default;
  // The result is nonzero on success; callers do not look at it.
  virtual int32_t WinHelpA(std::uintptr_t window, std::string_view helpFile, uint32_t command,
                           std::uintptr_t data) = 0;
};

// The registry, read through the "A" functions. Names and text data are ANSI.
inline constexpr int32_t kHkeyLocalMachine = static_cast<int32_t>(0x80000002u);
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr int32_t kErrorSuccess = 0;
inline constexpr int32_t kErrorFileNotFound = 2;
inline constexpr int32_t kErrorAccessDenied = 5;
inline constexpr int32_t kErrorMoreData = 234;

using RegistryKey = std::uintptr_t;

class IRegistry {
 public:
  virtual ~IRegistry() = default;
  // kErrorSuccess exactly when the key was opened; key is then valid.
  virtual int32_t RegOpenKeyExA(int32_t root, std::string_view subKey, uint32_t options,
                                uint32_t samDesired, RegistryKey& key) = 0;
  // On entry size is the buffer's size in bytes. kErrorSuccess with type, data
  // and size (the number of data bytes) set; kErrorMoreData when the data do
  // not fit; another code when the value is missing.
  virtual int32_t RegQueryValueExA(RegistryKey key, std::string_view valueName, uint32_t& type,
                                   std::span<uint8_t> data, uint32_t& size) = 0;
  virtual int32_t RegCloseKey(RegistryKey key) = 0;
};

// Files and programs.
class IFiles {
 public:
  virtual ~IFiles() = default;
  // True when an ordinary file exists at path (hidden files, system files and
  // folders do not count). Throws kv::Error when the path cannot be examined.
  virtual bool FileExists(std::string_view path) const = 0;
};

class IPrograms {
 public:
  virtual ~IPrograms() = default;
  // Starts the program at path, exactly that file, with no arguments and the
  // given show mode, without waiting for it. Answers its process id. Throws
  // kv::Error when it cannot be started.
  virtual uint32_t Shell(std::string_view path, int showMode) = 0;
};

// Everything the forms ask of the window system and the application's world.
struct AppServices {
  IWindowSystem& windows;
  IHelpEngine& help;
  IRegistry& registry;
  IFiles& files;
  IPrograms& programs;
};

}  // namespace kv
