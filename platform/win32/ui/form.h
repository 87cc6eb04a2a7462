// A form realised as a native top-level window: the window, its child
// controls in tab order, its menu bar and the lines drawn on its client area.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/layout.h"
#include "platform/layout_resolve.h"
#include "platform/ui.h"
#include "platform/win32/ui/drawing.h"

namespace kv::win32 {

// What a form needs of the window system that owns it.
class FormHost {
 public:
  virtual ~FormHost() = default;
  virtual bool Hourglass() const = 0;
  // The close box, the system menu's Close or Alt+F4: unload the form.
  virtual void CloseRequested(FormCode& code) = 0;
  // An error raised by the form's code while a message was handled; the
  // message loop raises it again once the system has returned to it.
  virtual void Fault(std::exception_ptr error) = 0;
};

// The menu command identifiers start here; controls take identifiers below.
inline constexpr int kFirstMenuId = 1000;
inline constexpr int kFirstControlId = 100;

class Form final : public IForm {
 public:
  Form(FormHost& host, FormCode& code, uint64_t serial);
  ~Form() override;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Creates the hidden window with its controls and menu. Throws kv::Error
  // when the system cannot create it.
  void Create();
  // Destroys the window; the object stays until the window system drops it.
  void Destroy();
  // Shows the window and makes it the active one.
  void Present();
  // Makes the form modal: disables the given windows and owns it by owner.
  void BeginModal(HWND owner, std::vector<HWND> disabled);
  // Enables what BeginModal disabled; nothing when the form is not modal.
  void EndModal();

  HWND Window() const { return hwnd_; }
  FormCode& Code() const { return code_; }
  uint64_t Serial() const { return serial_; }
  bool Visible() const;
  // Nonzero while one of the form's window procedures runs.
  int Busy() const { return busy_; }

  // IForm
  void SetCaption(const std::string& caption) override;
  float Width() const override;
  float Height() const override;
  void SetTop(float top) override;
  void SetLeft(float left) override;
  void SetControlCaption(std::string_view name, int index, const std::string& caption) override;
  ITextBox& TextBox(std::string_view name) override;
  IconHandle Icon() const override;
  void SetPicture(std::string_view name, IconHandle icon) override;
  std::uintptr_t Handle() const override;

 private:
  class EditBox;
  struct Control {
    layout::Control layout;
    int id = 0;
    HWND hwnd = nullptr;
    int at = 0;  // its position in the layout
    std::unique_ptr<EditBox> textBox;
  };
  struct MenuCommand {
    int id;
    std::string name;
    int index;
  };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

  HMENU BuildMenu();
  void CreateControls();
  // Places the window's client area and every control at dpi, with the font for dpi.
  void ApplyLayout(UINT dpi);
  void FitClientArea();
  // Resolves the layout at dpi with the font for dpi, which it then scales as
  // the resolution says.
  void ResolveLayout(UINT dpi);
  // The place in pixels of the control at position at of the layout.
  RECT Place(int at) const;
  void SetFont(UINT dpi, double scale);

  void OnCommand(int id, int notification, HWND from);
  LRESULT OnControlColor(HDC dc, HWND control, UINT message, WPARAM wParam, LPARAM lParam);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  void Click(const std::string& name, int index);
  void SetDefaultButton(int id);
  void FocusFirst();
  void FocusControl(HWND control);
  HBRUSH Brush(COLORREF color);

  Control* Find(std::string_view name, int index);
  Control* FindById(int id);
  Control* FindByWindow(HWND window);

  FormHost& host_;
  FormCode& code_;
  uint64_t serial_;
  layout::Form layout_;
  HWND hwnd_ = nullptr;
  UINT dpi_ = 96;
  HFONT font_ = nullptr;
  TextGeometry geometry_;
  layout::Resolved resolved_;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  std::vector<Control> controls_;  // in tab order
  std::vector<MenuCommand> menuCommands_;
  std::map<COLORREF, HBRUSH> brushes_;
  int defaultId_ = 0;         // the layout's default button
  int cancelId_ = 0;          // the layout's cancel button
  int currentDefaultId_ = 0;  // the button Enter presses now
  HWND savedFocus_ = nullptr;
  bool shown_ = false;
  bool modal_ = false;
  std::vector<HWND> disabled_;
  int busy_ = 0;
};

}  // namespace kv::win32
