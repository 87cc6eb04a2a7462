// The composition of the Linux application services: the text presentation
// of the console layer, or the Qt window system loaded from its module.
#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/console/console_window_system.h"
#include "platform/errors.h"
#include "platform/factory.h"
#include "platform/linux/app_services.h"
#include "platform/qt_module.h"

#ifndef KAVRENO_INSTALL_LIBDIR
#define KAVRENO_INSTALL_LIBDIR "/usr/local/lib"
#endif

namespace kv {
namespace {

namespace fs = std::filesystem;

using QtCreate = QtUi* (*)(int*, char**);

// Where the Qt module is looked for: beside the build's or the installed
// program (<exe dir>/../lib, <exe dir>), then the installed library folder.
std::vector<fs::path> QtModuleCandidates() {
  std::vector<fs::path> candidates;
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path dir = exe.parent_path();
    candidates.push_back(dir / ".." / "lib" / kKavrenoQtModule);
    candidates.push_back(dir / kKavrenoQtModule);
  }
  candidates.push_back(fs::path(KAVRENO_INSTALL_LIBDIR) / "kavreno" / kKavrenoQtModule);
  return candidates;
}

class LinuxAppPlatform final : public AppPlatform {
 public:
  LinuxAppPlatform(IWindowSystem& windows, IHelpEngine& help) : windows_(windows), help_(help) {}

  AppServices Services() override {
    return AppServices{windows_, help_, registry_, files_, programs_};
  }

  // Owners of the window system and the help engine.
  std::unique_ptr<IWindowSystem> consoleWindows;
  std::unique_ptr<IHelpEngine> consoleHelp;
  std::unique_ptr<QtUi> qt;

 private:
  IWindowSystem& windows_;
  IHelpEngine& help_;
  linux_os::LinuxRegistry registry_;
  linux_os::LinuxFiles files_;
  linux_os::LinuxPrograms programs_;
};

std::unique_ptr<QtUi> LoadQt(int& argc, char** argv) {
  std::string reasons;
  for (const auto& candidate : QtModuleCandidates()) {
    std::error_code ec;
    if (!fs::exists(candidate, ec)) continue;
    // The module stays loaded until the program ends: Qt does not support
    // being unloaded.
    void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      const char* why = dlerror();
      reasons += "\n" + candidate.string() + ": " + (why ? why : "dlopen failed");
      continue;
    }
    auto create = reinterpret_cast<QtCreate>(dlsym(module, kKavrenoQtEntry));
    if (create == nullptr) {
      reasons += "\n" + candidate.string() + ": " + kKavrenoQtEntry + " がありません";
      continue;
    }
    QtUi* ui = create(&argc, argv);
    if (ui == nullptr)
      throw WindowNotOpenedError(candidate.string());
    return std::unique_ptr<QtUi>(ui);
  }
  if (reasons.empty()) reasons = "\n" + std::string(kKavrenoQtModule) + " が見つかりません";
  throw ModuleNotLoadedError(reasons);
}

}  // namespace

std::unique_ptr<AppPlatform> CreateAppPlatform(Presentation presentation, int& argc, char** argv,
                                               const OsServices&) {
  if (presentation == Presentation::Text) {
    auto windows = CreateConsoleWindowSystem(std::cout, std::cerr);
    auto help = CreateConsoleHelpEngine();
    auto platform = std::make_unique<LinuxAppPlatform>(*windows, *help);
    platform->consoleWindows = std::move(windows);
    platform->consoleHelp = std::move(help);
    return platform;
  }
  auto qt = LoadQt(argc, argv);
  auto platform = std::make_unique<LinuxAppPlatform>(qt->Windows(), qt->Help());
  platform->qt = std::move(qt);
  return platform;
}

}  // namespace kv
