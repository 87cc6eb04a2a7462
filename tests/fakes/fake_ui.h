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
#include "platform/ui.h"

namespace kv::test {

// Thrown by End(): the program ended; no further code of it runs.
struct ProgramEnded {};

using Log = std::vector<std::string>;

class FakeTextBox : public ITextBox {
 public:
  explicit FakeTextBox(Log& log) : log_(log) {}
  std::string Text() const override { return text_; }
  void SetText(std::string text) override {
    ++writes;
    if (failAtWrite && writes == *failAtWrite) throw Error(7, "メモリが不足しています。");
    text_ = std::move(text);
  }
  int writes = 0;
  std::optional<int> failAtWrite;

 private:
  [[maybe_unused]] Log& log_;
  std::string text_;
};

class FakeForm : public IForm {
 public:
  FakeForm(const layout::Form& layout, Log& log, float width, float height)
      : layout_(layout), log_(log), width_(width), height_(height), text_(log) {}

  void SetCaption(const std::string& caption) override {
    caption_ = caption;
    log_.push_back("caption " + layout_.name + " " + caption);
  }
  float Width() const override { return width_; }
  float Height() const override { return height_; }
  void SetTop(float top) override {
    top_ = top;
    log_.push_back("top " + layout_.name);
  }
  void SetLeft(float left) override {
    left_ = left;
    log_.push_back("left " + layout_.name);
  }
  void SetControlCaption(std::string_view name, int index, const std::string& caption) override {
    if (!layout_.Find(std::string(name), index))
      throw Error(340, "コントロール配列の要素 '" + std::string(name) + "' は存在しません。");
    captions_[std::string(name)] = caption;
    log_.push_back("label " + std::string(name) + " " + caption);
  }
  ITextBox& TextBox(std::string_view name) override {
    if (!layout_.Find(std::string(name))) throw Error(424, "オブジェクトが必要です。");
    return text_;
  }
  IconHandle Icon() const override { return 0x1C0; }
  void SetPicture(std::string_view name, IconHandle icon) override {
    log_.push_back("picture " + std::string(name) + " " + std::to_string(icon));
  }
  std::uintptr_t Handle() const override { return 0x4242; }

  std::string caption_;
  float top_ = 0, left_ = 0;
  std::map<std::string, std::string> captions_;
  FakeTextBox& Text() { return text_; }

 private:
  const layout::Form& layout_;
  Log& log_;
  float width_, height_;
  FakeTextBox text_;
};

class RecordingWindowSystem : public IWindowSystem {
 public:
  explicit RecordingWindowSystem(Log& log) : log_(log) {}

  float screenWidth = 15360, screenHeight = 11520;
  // Outer sizes of forms by name; the layout's client size when missing.
  std::map<std::string, std::pair<float, float>> formSizes;
  // Runs while a form is shown modally, as the user would act on it.
  std::function<void(FormCode&)> whileModal;
  // Scripted failure of the next form creation, as a window operation could fail.
  bool failNextLoad = false;

  void Load(FormCode& code) override {
    if (forms_.count(&code)) return;
    if (failNextLoad) {
      failNextLoad = false;
      throw Error(7, "メモリが不足しています。");
    }
    const layout::Form& layout = code.Layout();
    auto size = formSizes.count(layout.name)
                    ? formSizes[layout.name]
                    : std::pair<float, float>(layout.clientWidth, layout.clientHeight);
    auto form = std::make_unique<FakeForm>(layout, log_, size.first, size.second);
    FakeForm* raw = form.get();
    forms_[&code] = std::move(form);
    code.Attach(raw);
    log_.push_back("load " + layout.name);
    code.Form_Load();
  }
  void Show(FormCode& code, int mode) override {
    Load(code);
    log_.push_back("show " + code.Layout().name + " " + std::to_string(mode));
    if (mode == kModal && whileModal) whileModal(code);
  }
  void Unload(FormCode& code) override {
    if (!forms_.count(&code)) return;
    log_.push_back("unload " + code.Layout().name);
    int16_t cancel = 0;
    code.Form_Unload(cancel);
    if (cancel != 0) return;
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
    pointer_ = pointer;
    log_.push_back("pointer " + std::to_string(pointer));
  }
  void MsgBox(const std::string& text, int style, std::optional<std::string> title) override {
    log_.push_back("msgbox " + std::to_string(style) + " " + title.value_or("(app)") + " " + text);
  }
  int Run(FormCode& startup) override {
    Load(startup);
    Show(startup, kModeless);
    return 0;
  }

  FakeForm* FormOf(FormCode& code) {
    auto it = forms_.find(&code);
    return it == forms_.end() ? nullptr : it->second.get();
  }
  int Pointer() const { return pointer_; }

 private:
  Log& log_;
  std::map<FormCode*, std::unique_ptr<FakeForm>> forms_;
  int pointer_ = 0;
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

// A registry of keys (root + path) holding typed values of raw bytes.
class FakeRegistry : public IRegistry {
 public:
  struct Value {
    uint32_t type = kRegSz;
    std::string bytes;  // raw data, terminating NUL included where the value has one
  };
  std::map<std::string, std::map<std::string, Value>> keys;  // key path -> value name -> value
  std::set<std::string> deniedKeys;
  int openKeys = 0;
  std::vector<uint32_t> accessMasks;

  void Set(const std::string& key, const std::string& name, Value value) {
    keys[key][name] = std::move(value);
  }

  int32_t RegOpenKeyExA(int32_t root, std::string_view subKey, uint32_t options,
                        uint32_t samDesired, RegistryKey& key) override {
    accessMasks.push_back(samDesired);
    const auto it = keys.find(std::string(subKey));
    if (root != kHkeyLocalMachine || options != 0 || it == keys.end()) return kErrorFileNotFound;
    if (deniedKeys.count(it->first)) return kErrorAccessDenied;
    handles_[++next_] = it->first;
    ++openKeys;
    key = next_;
    return kErrorSuccess;
  }
  int32_t RegQueryValueExA(RegistryKey key, std::string_view name, uint32_t& type,
                           std::span<uint8_t> data, uint32_t& size) override {
    const auto& values = keys.at(handles_.at(key));
    const auto it = values.find(std::string(name));
    if (it == values.end()) return kErrorFileNotFound;
    const std::string& bytes = it->second.bytes;
    type = it->second.type;
    if (bytes.size() > size) {
      size = static_cast<uint32_t>(bytes.size());
      return kErrorMoreData;
    }
    std::memcpy(data.data(), bytes.data(), bytes.size());
    size = static_cast<uint32_t>(bytes.size());
    return kErrorSuccess;
  }
  int32_t RegCloseKey(RegistryKey key) override {
    if (handles_.erase(key)) --openKeys;
    return 0;
  }

 private:
  std::map<RegistryKey, std::string> handles_;
  RegistryKey next_ = 0x100;
};

class FakeFiles : public IFiles {
 public:
  std::set<std::string> files;
  bool FileExists(std::string_view path) const override { return files.count(std::string(path)); }
};

class FakePrograms : public IPrograms {
 public:
  explicit FakePrograms(Log& log) : log_(log) {}
  std::set<std::string> startable;
  uint32_t Shell(std::string_view path, int showMode) override {
    if (!startable.count(std::string(path))) throw FileNotFoundError();
    log_.push_back("start " + std::string(path) + " " + std::to_string(showMode));
    return 1234;
  }

 private:
  Log& log_;
};

// The application services of a test, all recording into one log.
struct FakeApp {
  Log log;
  RecordingWindowSystem windows{log};
  FakeHelp help{log};
  FakeRegistry registry;
  FakeFiles files;
  FakePrograms programs{log};
  AppServices Services() { return {windows, help, registry, files, programs}; }
};

}  // namespace kv::test
