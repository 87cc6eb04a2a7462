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

// Runs check once the window active() answers is up (the next modal window or
// popup menu), from the event loop that shows it; gives up when scope goes.
inline void WhenUp(QObject* scope, QWidget* (*active)(), std::function<void(QWidget*)> check) {
  auto* timer = new QTimer(scope);
  QObject::connect(timer, &QTimer::timeout, [timer, active, check] {
    QWidget* window = active();
    if (!window || !window->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    check(window);
  });
  timer->start(5);
}

}  // namespace kv::qttest
