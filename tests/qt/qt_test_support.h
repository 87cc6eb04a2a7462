// Shared by the Qt window system's tests: form code that records what the
// window system does to it, and a hook for the next modal window.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/layout.h"
#include "platform/ui.h"

namespace kv::qttest {

class RecordingForm : public FormCode {
 public:
  explicit RecordingForm(const layout::Form& data) : data_(data) {}
  const layout::Form& Layout() const override { return data_; }
  void Attach(IForm* form) override { form_ = form; }
  void Form_Load() override {
    ++loads;
    if (onLoad) onLoad(*form_);
  }
  void Form_Unload(int16_t&) override {}
  void Click(std::string_view control, int16_t index) override {
    clicks.emplace_back(std::string(control), index);
    if (onClick) onClick(clicks.back().first);
  }

  std::function<void(IForm&)> onLoad;
  std::function<void(const std::string&)> onClick;
  int loads = 0;
  std::vector<std::pair<std::string, int>> clicks;

 private:
  const layout::Form& data_;
  IForm* form_ = nullptr;
};

// Runs check once a modal window is up, from the event loop that shows it;
// gives up when scope goes.
inline void WhenModal(QObject* scope, std::function<void(QWidget*)> check) {
  auto* timer = new QTimer(scope);
  QObject::connect(timer, &QTimer::timeout, [timer, check] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    check(modal);
  });
  timer->start(5);
}

// The same for the next popup menu.
inline void WhenPopup(QObject* scope, std::function<void(QWidget*)> check) {
  auto* timer = new QTimer(scope);
  QObject::connect(timer, &QTimer::timeout, [timer, check] {
    QWidget* popup = QApplication::activePopupWidget();
    if (!popup || !popup->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    check(popup);
  });
  timer->start(5);
}

}  // namespace kv::qttest
