// The composition of the Linux application services: the text presentation
// of the console layer, or the Qt window system loaded from its module.
#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/console/console_window_system.h"
#include "platform/console/console_windows.h"
#include "platform/errors.h"
#include "platform/factory.h"
#include "platform/linux/app_services.h"
#include "platform/linux/helper_process.h"
#include "platform/linux/install_paths.h"
#include "platform/linux/standard_output.h"
#include "platform/qt_module.h"
#include "platform/support_report.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

using QtCreate = QtUi* (*)(int*, char**, const KavrenoQtStart*, const char**);

// Where the Qt module is looked for: the install's library folder relative to
// the program, the build tree, then the configured library folder.
std::vector<fs::path> QtModuleCandidates() {
  std::vector<fs::path> candidates;
  for (const auto& dir : linux_os::ModuleDirs(linux_os::ProgramDir(), linux_os::ConfiguredLayout()))
    candidates.push_back(dir / kKavrenoQtModule);
  return candidates;
}

class LinuxAppPlatform final : public AppPlatform {
 public:
  LinuxAppPlatform(IWindowSystem& windows, IHelpEngine& help)
      : windows_(windows),
        help_(help),
        registry_(std::nullopt, linux_os::DefaultSystemInfoTools(),
                  std::make_shared<linux_os::HelperProcessQueries>()) {}

  AppServices Services() override {
    return AppServices{windows_, help_, registry_, files_, programs_};
  }

  // Owners of the window system and the help engine.
  std::unique_ptr<IWindowSystem> consoleWindows;
  std::unique_ptr<IHelpEngine> consoleHelp;
  std::unique_ptr<QtUi> qt;
  std::shared_ptr<struct FilteredText> filteredText;

 private:
  IWindowSystem& windows_;
  IHelpEngine& help_;
  linux_os::LinuxRegistry registry_;
  linux_os::LinuxFiles files_;
  linux_os::LinuxPrograms programs_;
};

// The text presentation's output, held until it is whole and then written
// through the filter, once: when the program ends or the platform goes.
struct FilteredText {
  explicit FilteredText(TextFilter f) : filter(std::move(f)) {}
  ~FilteredText() { Finish(); }
  void Finish() {
    if (finished) return;
    finished = true;
    StandardOutput() << filter(stream.str()) << std::flush;
  }
  TextFilter filter;
  std::ostringstream stream;
  std::unique_ptr<IHelpEngine> help = CreateConsoleHelpEngine();
  bool finished = false;
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
      reasons += "; " + candidate.string() + ": " + (why ? why : "dlopen failed");
      continue;
    }
    auto create = reinterpret_cast<QtCreate>(dlsym(module, kKavrenoQtEntry));
    if (create == nullptr) {
      reasons += "; " + candidate.string() + ": " + kKavrenoQtEntry + " がありません";
      continue;
    }
    // The help file is looked for where the install put it (next to the
    // program in the build tree), the display gets the query limit.
    std::vector<std::string> helpDirs;
    for (const auto& dir :
         linux_os::DataDirs(linux_os::ProgramDir(), linux_os::ConfiguredLayout()))
      helpDirs.push_back(dir.string());
    std::vector<const char*> helpDirNames;
    for (const std::string& dir : helpDirs) helpDirNames.push_back(dir.c_str());
    helpDirNames.push_back(nullptr);
    const KavrenoQtStart start{static_cast<long>(linux_os::QueryLimit().count()),
                               helpDirNames.data()};
    const char* whyNot = nullptr;
    QtUi* ui = create(&argc, argv, &start, &whyNot);
    if (ui == nullptr)
      throw WindowNotOpenedError(whyNot ? whyNot : candidate.string());
    return std::unique_ptr<QtUi>(ui);
  }
  // One line, reasons apart by semicolons: it is what the user reads on the terminal.
  if (reasons.empty()) reasons = "; " + std::string(kKavrenoQtModule) + " が見つかりません";
  throw ModuleNotLoadedError(reasons.substr(2));
}

}  // namespace

std::unique_ptr<AppPlatform> CreateAppPlatform(Presentation presentation, int& argc, char** argv,
                                               const OsServices& os, TextFilter textFilter) {
  if (presentation == Presentation::Text && textFilter) {
    auto text = std::make_shared<FilteredText>(std::move(textFilter));
    auto windows =
        std::make_unique<console::ConsoleWindowSystem>(text->stream, std::cerr, [text](int status) {
          text->Finish();
          std::exit(status);
        });
    auto platform = std::make_unique<LinuxAppPlatform>(*windows, *(text->help));
    platform->consoleWindows = std::move(windows);
    platform->filteredText = text;
    return platform;
  }
  if (presentation == Presentation::Text) {
    auto windows = CreateConsoleWindowSystem(StandardOutput(), std::cerr);
    auto help = CreateConsoleHelpEngine();
    auto platform = std::make_unique<LinuxAppPlatform>(*windows, *help);
    platform->consoleWindows = std::move(windows);
    platform->consoleHelp = std::move(help);
    return platform;
  }
  auto qt = LoadQt(argc, argv);
  qt->SetReportSource(ReportSource{
      [&os] { return os.details.Details(); },
      [&os] { return ShownNames(ReadPersonalNames(os)); },
  });
  auto platform = std::make_unique<LinuxAppPlatform>(qt->Windows(), qt->Help());
  platform->qt = std::move(qt);
  return platform;
}

}  // namespace kv
