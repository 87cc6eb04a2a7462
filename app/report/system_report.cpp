#include "app/report/system_report.h"

#include <map>
#include <optional>

#include "sysinfo/clsSystem.h"

namespace kv {
namespace {

// The system's codes behind the provider's texts come from the same answers
// the provider read: the processor, keyboard and version queries answer
// once, and every later question gets that first answer.
class FirstAnswers final : public IProcessor, public IKeyboard, public IVersion {
 public:
  explicit FirstAnswers(const OsServices& os) : os_(os) {}

  kv::SystemInfo GetSystemInfo() const override {
    if (!system_) system_ = os_.processor.GetSystemInfo();
    return *system_;
  }
  int32_t GetKeyboardType(int32_t typeFlag) const override {
    auto it = keyboard_.find(typeFlag);
    if (it == keyboard_.end())
      it = keyboard_.emplace(typeFlag, os_.keyboard.GetKeyboardType(typeFlag)).first;
    return it->second;
  }
  int32_t GetVersionExA(OsVersionInfo& info) const override {
    if (!version_) {
      OsVersionInfo answer = info;
      const int32_t ok = os_.version.GetVersionExA(answer);
      version_.emplace(ok, answer);
    }
    if (version_->first != 0) info = version_->second;
    return version_->first;
  }

  OsServices Services() const {
    return {os_.ansi, os_.memory,  *this,      *this,         os_.directories, os_.names,
            *this,    os_.volumes, os_.drives, os_.diskSpace, os_.numbers,     os_.details};
  }

 private:
  const OsServices& os_;
  mutable std::optional<kv::SystemInfo> system_;
  mutable std::map<int32_t, int32_t> keyboard_;
  mutable std::optional<std::pair<int32_t, OsVersionInfo>> version_;
};

}  // namespace

SystemReport CollectSystemReport(const OsServices& system,
                                 std::chrono::system_clock::time_point now) {
  const FirstAnswers first(system);
  const OsServices os = first.Services();
  const clsSystem provider(os);
  SystemReport r;
  provider.FreeMemory(r.memory.loadPercent, r.memory.totalKb, r.memory.freeKb);

  int32_t activeMask = 0;
  provider.SystemInfo(r.processors.type, r.processors.count, activeMask);
  // The mask's 32 bits, read as the bits they are.
  r.processors.activeMask = static_cast<uint32_t>(activeMask);
  r.processors.typeCode = os.processor.GetSystemInfo().processorType;

  provider.WinVer(r.os.major, r.os.minor, r.os.family);
  r.os.version = std::to_string(r.os.major) + "." + std::to_string(r.os.minor);
  OsVersionInfo version;
  if (os.version.GetVersionExA(version) != 0) r.os.platformId = version.platformId;

  r.userName = provider.UserName();
  r.directories.windows = provider.WinDir();
  r.directories.system = provider.SystemDir();
  r.directories.temporary = provider.TempDir();
  r.keyboard.type = provider.KeyboardType();
  r.keyboard.typeCode = os.keyboard.GetKeyboardType(0);
  r.keyboard.functionKeys = provider.FunctionKeys();
  r.computerName = provider.ComputerName();

  CollectDrives(os, r.drives);
  r.details = MakeReportDetails(os.details.Details(), now);
  return r;
}

}  // namespace kv
