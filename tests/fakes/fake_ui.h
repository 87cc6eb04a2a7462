// A recording window system and scriptable application services for tests:
// each operation the forms ask for is written to one log, in order, so tests
// can check what the user would see and when.
#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/form_contract.h"
#include "platform/ui.h"

namespace kv::test {

// Thrown by End(): the program ended; no further code of it runs.
struct ProgramEnded {};

using Log = std::vector<std::string>;

// A log made of the given lines, in order.
template <typename... Line>
Log Lines(const Line&... lines) {
  return {lines...};
}

// A text box that keeps what it is given.
struct FakeTextBox : ITextBox {
  std::string Text() const override { return text; }
  void SetText(std::string value) override { text = std::move(value); }
  std::string text;
};

// A form as large as its layout's client area; positions are logged in twips.
class FakeForm : public IForm {
 public:
  FakeForm(const layout::Form& layout, Log& log) : layout_(layout), log_(log) {}

  void SetCaption(const std::string& caption) override {
    log_.push_back("caption " + layout_.name + " " + caption);
  }
  float Width() const override { return layout_.clientWidth; }
  float Height() const override { return layout_.clientHeight; }
  void SetTop(float top) override { log_.push_back("top " + layout_.name + Twips(top)); }
  void SetLeft(float left) override { log_.push_back("left " + layout_.name + Twips(left)); }
  void SetControlCaption(std::string_view name, int index, const std::string& caption) override {
    RequireControl(layout_, name, index, ControlUse::Caption);
    log_.push_back("label " + std::string(name) + " " + caption);
  }
  ITextBox& TextBox(std::string_view name) override {
    RequireControl(layout_, name, -1, ControlUse::TextBox);
    log_.push_back("textbox " + std::string(name));
    return text1;
  }
  IconHandle Icon() const override { return 0x1C0; }
  void SetPicture(std::string_view name, IconHandle icon) override {
    RequireControl(layout_, name, -1, ControlUse::Picture);
    log_.push_back("picture " + std::string(name) + " " + std::to_string(icon));
  }
  std::uintptr_t Handle() const override { return 0x4242; }

  FakeTextBox text1;

 private:
  static std::string Twips(float value) { return " " + std::to_string(value); }
  const layout::Form& layout_;
  Log& log_;
};

class RecordingWindowSystem : public IWindowSystem {
 public:
  explicit RecordingWindowSystem(Log& log) : log_(log) {}

  float screenWidth = 15360, screenHeight = 11520;
  // Runs while a form is shown modally, as the user would act on it.
  std::function<void(FormCode&)> whileModal;

  void Load(FormCode& code) override {
    if (forms_.contains(&code)) return;
    const layout::Form& layout = code.Layout();
    auto& form = forms_[&code] = std::make_unique<FakeForm>(layout, log_);
    code.Attach(form.get());
    log_.push_back("load " + layout.name);
    code.Form_Load();
  }
  void Show(FormCode& code, int mode) override {
    Load(code);
    log_.push_back("show " + code.Layout().name + " " + std::to_string(mode));
    if (mode == kModal && whileModal) whileModal(code);
  }
  void Unload(FormCode& code) override {
    if (!forms_.contains(&code)) return;
    log_.push_back("unload " + code.Layout().name);
    int16_t cancel = 0;
    code.Form_Unload(cancel);
    code.Attach(nullptr);
    forms_.erase(&code);
  }
  [[noreturn]] void End() override {
    log_.push_back("end");
    throw ProgramEnded{};
  }
  float ScreenWidth() const override { return screenWidth; }
  float ScreenHeight() const override { return screenHeight; }
  void SetMousePointer(int pointer) override {
    log_.push_back("pointer " + std::to_string(pointer));
  }
  void MsgBox(const std::string& text, int style, std::optional<std::string> title) override {
    log_.push_back("msgbox " + std::to_string(style) + " " + title.value_or("(app)") + " " + text);
  }
  int Run(FormCode& startup) override {
    Show(startup, kModeless);
    return 0;
  }

  FakeForm* FormOf(FormCode& code) {
    return forms_.contains(&code) ? forms_.at(&code).get() : nullptr;
  }

 private:
  Log& log_;
  std::map<FormCode*, std::unique_ptr<FakeForm>> forms_;
};

class FakeHelp : public IHelpEngine {
 public:
  explicit FakeHelp(Log& log) : log_(log) {}
  int32_t WinHelpA(std::uintptr_t window, std::string_view file, uint32_t command,
                   std::uintptr_t data) override {
    log_.push_back("help " + std::to_string(window) + " " + std::string(file) + " " +
                   std::to_string(command) + " " + std::to_string(data));
    return 1;
  }

 private:
  Log& log_;
};

// A registry of keys of HKEY_LOCAL_MACHINE holding typed values of raw bytes.
class FakeRegistry : public IRegistry {
 public:
  struct Value {
    uint32_t type = kRegSz;
    std::string bytes;  // raw data, terminating NUL included where the value has one
  };
  std::map<std::string, std::map<std::string, Value>> keys;  // key path -> value name -> value
  std::set<std::string> deniedKeys;
  std::vector<uint32_t> accessMasks;
  std::size_t OpenKeys() const { return handles_.size(); }

  int32_t RegOpenKeyExA(int32_t root, std::string_view subKey, uint32_t options,
                        uint32_t samDesired, RegistryKey& key) override {
    accessMasks.push_back(samDesired);
    const auto it = keys.find(std::string(subKey));
    if (root != kHkeyLocalMachine || options != 0 || it == keys.end()) return kErrorFileNotFound;
    if (deniedKeys.contains(it->first)) return kErrorAccessDenied;
    key = ++lastKey_;
    handles_[key] = it->first;
    return kErrorSuccess;
  }
  int32_t RegQueryValueExA(RegistryKey key, std::string_view name, uint32_t& type,
                           std::span<uint8_t> data, uint32_t& size) override {
    const auto& values = keys.at(handles_.at(key));
    const auto it = values.find(std::string(name));
    if (it == values.end()) return kErrorFileNotFound;
    const std::string& bytes = it->second.bytes;
    type = it->second.type;
    const bool fits = bytes.size() <= size;
    if (fits) std::memcpy(data.data(), bytes.data(), bytes.size());
    size = static_cast<uint32_t>(bytes.size());
    return fits ? kErrorSuccess : kErrorMoreData;
  }
  int32_t RegCloseKey(RegistryKey key) override {
    handles_.erase(key);
    return 0;
  }

 private:
  std::map<RegistryKey, std::string> handles_;
  RegistryKey lastKey_ = 0x100;
};

// The application services of a test, all recording into one log.
struct FakeApp : IFiles, IPrograms {
  bool FileExists(std::string_view path) const override {
    return files.contains(std::string(path));
  }
  uint32_t Shell(std::string_view path, int showMode) override {
    if (!FileExists(path)) throw FileNotFoundError();
    log.push_back("start " + std::string(path) + " " + std::to_string(showMode));
    return 1234;
  }
  AppServices Services() { return {windows, help, registry, *this, *this}; }

  Log log;
  RecordingWindowSystem windows{log};
  FakeHelp help{log};
  FakeRegistry registry;
  std::set<std::string> files;  // they exist, and the programs among them start
};

}  // namespace kv::test
