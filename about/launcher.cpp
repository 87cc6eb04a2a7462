#include "about/launcher.h"

#include <exception>
#include <vector>

#include "platform/errors.h"

namespace kv {
namespace {

constexpr std::size_t kValueBufferSize = 1024;
// Read rights together with all six specific key rights.
constexpr uint32_t kKeyAccess = 0x2003F;

constexpr const char* kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kToolValue = "PATH";
constexpr const char* kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr const char* kFolderValue = "MSINFO";
constexpr const char* kToolFile = "\\MSINFO32.EXE";
constexpr const char* kUnavailable = "現時点ではｼｽﾃﾑ情報を使用できません";

constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;

class KeyCloser {
 public:
  KeyCloser(IRegistry& registry, RegistryKey key) : registry_(registry), key_(key) {}
  ~KeyCloser() { registry_.RegCloseKey(key_); }
  KeyCloser(const KeyCloser&) = delete;
  KeyCloser& operator=(const KeyCloser&) = delete;

 private:
  IRegistry& registry_;
  RegistryKey key_;
};

}  // namespace

int16_t GetKeyValue(IRegistry& registry, const IAnsiCodePage& ansi, int32_t KeyRoot,
                    const std::string& KeyName, const std::string& SubKeyRef, std::string& KeyVal) {
  RegistryKey key = 0;
  if (registry.RegOpenKeyExA(KeyRoot, ansi.ToAnsi(KeyName), 0, kKeyAccess, key) != kErrorSuccess) {
    KeyVal.clear();
    return kFalse;
  }
  const KeyCloser closer(registry, key);

  std::vector<uint8_t> data(kValueBufferSize, 0);
  uint32_t size = static_cast<uint32_t>(data.size());
  uint32_t type = 0;
  if (registry.RegQueryValueExA(key, ansi.ToAnsi(SubKeyRef), type, data, size) != kErrorSuccess) {
    KeyVal.clear();
    return kFalse;
  }
  if (size == 0) throw InvalidCallError();
  if (size > data.size()) size = static_cast<uint32_t>(data.size());
  data.resize(size);
  if (data.back() == 0) data.pop_back();  // the terminating zero of a text

  switch (type) {
    case kRegSz:
      KeyVal = ansi.FromAnsi(std::string(data.begin(), data.end()));
      break;
    case kRegDword: {
      static constexpr char kHex[] = "0123456789ABCDEF";
      std::string text = "&h";
      for (auto it = data.rbegin(); it != data.rend(); ++it) {
        text += kHex[*it >> 4];
        text += kHex[*it & 0xF];
      }
      KeyVal = text;
      break;
    }
    default:
      break;  // other types leave the caller's text as it was
  }
  return kTrue;
}

void StartSysInfo(AppServices& app, const IAnsiCodePage& ansi) {
  try {
    std::string toolPath;
    if (GetKeyValue(app.registry, ansi, kHkeyLocalMachine, kToolKey, kToolValue, toolPath) == kFalse) {
      if (GetKeyValue(app.registry, ansi, kHkeyLocalMachine, kFolderKey, kFolderValue, toolPath) ==
          kFalse)
        throw FileNotFoundError();
      const std::string candidate = toolPath + kToolFile;
      if (!app.files.FileExists(candidate)) throw FileNotFoundError();
      toolPath = candidate;
    }
    app.programs.Shell(toolPath, kShowNormalFocus);
    return;
  } catch (const std::exception&) {
    // Every failure on the way ends in the one message below.
  }
  app.windows.MsgBox(kUnavailable, kMsgBoxOkOnly, std::nullopt);
}

}  // namespace kv
