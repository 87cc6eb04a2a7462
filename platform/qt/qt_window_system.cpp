#include "platform/qt/qt_window_system.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>
#include <string>

#include "platform/app_settings.h"
#include "platform/errors.h"
#include "platform/qt/qt_copy_all.h"
#include "platform/qt/qt_text.h"
#include "platform/run_program.h"

namespace kv::qt {

namespace {

void Present(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

QtWindowSystem::QtWindowSystem(WindowSystemOptions options) : options_(std::move(options)) {
  programIcon_ = icons_.Add(ProgramIcon(), kProgramIconSize);
}

QtWindowSystem::~QtWindowSystem() {
  // The forms' code may be gone already: the windows go without telling it.
  forms_.clear();
  if (pointer_) QGuiApplication::restoreOverrideCursor();
}

QtForm* QtWindowSystem::FormOf(const FormCode& code) const {
  const auto it = forms_.find(const_cast<FormCode*>(&code));
  return it == forms_.end() ? nullptr : it->second.get();
}

FormCode* QtWindowSystem::CodeOf(const QtForm& form) const {
  for (const auto& [code, realised] : forms_) {
    if (realised.get() == &form) return code;
  }
  return nullptr;
}

void QtWindowSystem::Load(FormCode& code) {
  if (forms_.count(&code)) return;
  auto form = std::make_unique<QtForm>(code.Layout(), icons_, programIcon_,
                                       static_cast<FormEvents&>(*this));
  QtForm* realised = form.get();
  forms_.emplace(&code, std::move(form));
  if (&code == startup_) {
    startupText_ = std::make_unique<console::TextMirroredForm>(*realised, code.Layout());
    InstallCopyAll(*realised, [mirror = startupText_.get()] { return mirror->Text("\n"); });
    code.Attach(startupText_.get());
  } else {
    code.Attach(realised);
  }
  try {
    code.Form_Load();
  } catch (...) {
    // A form whose load step failed is not kept: the next Load starts afresh.
    // Nothing handled the error, so the busy pointer must not outlive it.
    if (FormOf(code) == realised) Destroy(code);
    SetMousePointer(kPointerDefault);
    throw;
  }
}

void QtWindowSystem::Show(FormCode& code, int mode) {
  Load(code);
  QtForm* form = FormOf(code);
  if (!form) return;  // its load step unloaded it
  FormWindow* window = form->Window();
  if (mode != kModal) {
    Present(window);
    return;
  }
  if (window->isVisible()) window->hide();  // modality changes only while hidden
  QPointer<FormWindow> guard(window);
  QEventLoop loop;
  QObject::connect(window, &FormWindow::hidden, &loop, &QEventLoop::quit);
  QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
  window->setWindowModality(Qt::ApplicationModal);
  Present(window);
  if (guard && guard->isVisible()) loop.exec(QEventLoop::DialogExec);
  if (guard && !guard->isVisible()) guard->setWindowModality(Qt::NonModal);
}

void QtWindowSystem::Unload(FormCode& code) {
  if (!forms_.count(&code) || unloading_.count(&code)) return;
  unloading_.insert(&code);
  int16_t cancel = 0;
  try {
    code.Form_Unload(cancel);
  } catch (...) {
    unloading_.erase(&code);
    throw;
  }
  unloading_.erase(&code);
  if (cancel != 0) return;
  Destroy(code);
  if (forms_.empty() && running_) QCoreApplication::exit(0);
}

void QtWindowSystem::Destroy(FormCode& code) {
  auto node = forms_.extract(&code);
  if (node.empty()) return;
  code.Attach(nullptr);
  if (&code == startup_) startupText_.reset();
  node.mapped().reset();  // hides the window; Qt deletes it once control returns
}

void QtWindowSystem::End() { EndWith(0); }

void QtWindowSystem::EndWith(int status) {
  if (options_.beforeEnd) options_.beforeEnd();
  for (const auto& [code, form] : forms_) form->Window()->hide();
  std::cout.flush();
  std::cerr.flush();
  std::clog.flush();
  std::fflush(nullptr);
  std::_Exit(status);
}

float QtWindowSystem::ScreenWidth() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? static_cast<float>(PixelsToTwips(screen->geometry().width())) : 0.0f;
}

float QtWindowSystem::ScreenHeight() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? static_cast<float>(PixelsToTwips(screen->geometry().height())) : 0.0f;
}

void QtWindowSystem::SetMousePointer(int pointer) {
  if (pointer != kPointerDefault && pointer != kPointerHourglass) throw InvalidCallError();
  if (pointer == kPointerDefault) {
    if (pointer_) QGuiApplication::restoreOverrideCursor();
    pointer_.reset();
    return;
  }
  if (pointer_) return;  // the hourglass is set once, never stacked
  QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  pointer_ = pointer;
}

void QtWindowSystem::MsgBox(const std::string& text, int style, std::optional<std::string> title) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(WindowTitleText(title ? *title : std::string(kApp.title)));
  box.setTextFormat(Qt::PlainText);
  box.setText(PlainText(text));
  // The program's two styles: an OK button, with or without the exclamation mark.
  box.setIcon(style == kMsgBoxExclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

int QtWindowSystem::Run(FormCode& startup) {
  startup_ = &startup;
  Load(startup);
  QtForm* form = FormOf(startup);
  if (!form) return 0;
  if (options_.exitAfterFirstPaint) {
    form->Window()->onFirstPaint = [this] { QTimer::singleShot(0, [this] { End(); }); };
  }
  Show(startup, kModeless);
  if (forms_.empty()) return 0;
  running_ = true;
  const int status = QApplication::exec();
  running_ = false;
  return status;
}

void QtWindowSystem::FormClick(QtForm& form, std::string_view control, int index) {
  FormCode* code = CodeOf(form);
  if (!code) return;
  Dispatch([code, control, index] { code->Click(control, static_cast<int16_t>(index)); });
}

void QtWindowSystem::FormCloseRequested(QtForm& form) {
  FormCode* code = CodeOf(form);
  if (!code) return;
  Dispatch([this, code] { Unload(*code); });
}

void QtWindowSystem::Dispatch(const std::function<void()>& procedure) {
  try {
    procedure();
  } catch (const std::exception& e) {
    Unhandled(AsError(e));
  }
}

void QtWindowSystem::Unhandled(const Error& error) {
  SetMousePointer(kPointerDefault);
  MsgBox(UnhandledErrorText(error), kMsgBoxOkOnly, std::nullopt);
  EndWith(kUnhandledErrorStatus);
}

}  // namespace kv::qt
