// A form realised from its layout data as a Qt window.
#pragma once

#include <QPointer>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/layout.h"
#include "platform/layout_resolve.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_icons.h"
#include "platform/ui.h"

class QMenuBar;

namespace kv::qt {

class QtForm;

// What a realised form reports to its window system.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  // A menu item or a button was chosen. control points into the layout data.
  virtual void FormClick(QtForm& form, std::string_view control, int index) = 0;
  // The user asked to close the window (close box, system menu, window manager).
  virtual void FormCloseRequested(QtForm& form) = 0;
};

class QtForm final : public IForm {
 public:
  // The layout data must outlive the form. formIcon is the icon of forms whose
  // layout asks for one.
  QtForm(const layout::Form& data, const IconTable& icons, IconHandle formIcon, FormEvents& events);
  ~QtForm() override;
  QtForm(const QtForm&) = delete;
  QtForm& operator=(const QtForm&) = delete;

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

  const layout::Form& Data() const { return data_; }
  FormWindow* Window() const { return window_; }
  QWidget* Client() const { return client_; }
  QMenuBar* MenuBar() const { return menuBar_; }
  // The widget realising a control; nullptr when the layout has no such control.
  QWidget* Control(std::string_view name, int index = -1) const;

 private:
  struct Realised {
    const layout::Control* data;
    QWidget* widget;
    std::unique_ptr<TextBoxControl> textBox;
  };

  void BuildWindow();
  void BuildMenus();
  void BuildControls();
  QWidget* CreateControl(const layout::Control& c, Realised& slot);
  void ApplyColours(const layout::Control& c, QWidget* w);
  void LinkBuddies();
  void SetTabOrder();
  Realised* Find(std::string_view name, int index);
  const Realised* Find(std::string_view name, int index) const;

  const layout::Form& data_;
  const IconTable& icons_;
  IconHandle formIcon_;
  FormEvents& events_;
  QObject context_;  // ends the widgets' connections when the form goes
  QPointer<FormWindow> window_;
  QWidget* client_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  layout::Resolved resolved_;
  std::vector<Realised> controls_;  // in the layout's order, as resolved_.controls
};

}  // namespace kv::qt
