// Start-up: the main window is the program's start-up object; the platform
// creates it, runs its load step and dispatches its events until it ends.
#include <chrono>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/frmSystem.h"
#include "platform/errors.h"
#include "platform/factory.h"
#include "platform/run_program.h"
#if KAVRENO_JSON
#include "app/report/json_report.h"
#endif
#include "platform/support_report.h"
#include "platform/visible_text.h"

namespace {

#if KAVRENO_JSON
// kavreno --json: the report as one line of JSON on the standard output,
// whose lost output the program reports as it ends.
int PrintJson(bool redact) {
  const auto os = kv::CreateOsPlatform();
  const kv::OsServices services = os->Services();
  const kv::SystemReport report = kv::CollectSystemReport(services);
  if (!redact) {
    kv::WriteStandardOutput(kv::JsonReport(report) + '\n');
  } else {
    const kv::PersonalNames names = kv::ReadPersonalNames(services);
    kv::WriteStandardOutput(kv::JsonReport(report, &names) + '\n');
  }
  return 0;
}
#endif

// What --report and --redact make of the text presentation's output: today's
// facts after it, then the names left out.
std::string FinishText(std::string text, const kv::CommandLine& line, const kv::OsServices& os) {
  if (line.report) {
    const auto details =
        kv::MakeReportDetails(os.details.Details(), std::chrono::system_clock::now());
    text = kv::SupportReport(text, details, "\n");
  }
  if (line.redact) text = kv::Redact(text, kv::ShownNames(kv::ReadPersonalNames(os)));
  return text;
}

// Output that could not be written is an error, whichever way the program
// ends: a word on the standard error and exit status 1, as the GNU tools do.
void ReportLostOutput() {
  const std::string why = kv::FinishStandardOutput();
  if (why.empty()) return;
  kv::WriteStandardError("kavreno: write error: " + why + "\n");
  std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  kv::RunPlatformHelperIfAsked(argc, argv);
  kv::OpenStandardOutput();
  std::atexit(ReportLostOutput);
  const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  kv::CommandLine line =
      kv::TakesCommandLine() ? kv::ParseCommandLine(args) : kv::CommandLine{};
  switch (line.action) {
    case kv::CommandLine::Action::Help:
      kv::WriteStandardOutput(kv::HelpText());
      return 0;
    case kv::CommandLine::Action::Version:
      kv::WriteStandardOutput(kv::VersionText() + "\n");
      return 0;
    case kv::CommandLine::Action::Error:
      kv::WriteStandardError("kavreno: " + kv::VisibleLine(line.problem) + "\n" + kv::UsageLine() +
                             "\n");
      return 2;
    case kv::CommandLine::Action::Run:
      break;
  }

  // The window toolkit sees the program's name and its own options.
  std::vector<char*> toolkitArgv{argc > 0 ? argv[0] : const_cast<char*>("kavreno")};
  for (std::string& option : line.toolkitOptions) toolkitArgv.push_back(option.data());
  int toolkitArgc = static_cast<int>(toolkitArgv.size());
  toolkitArgv.push_back(nullptr);

  try {
#if KAVRENO_JSON
    if (line.json) return PrintJson(line.redact);
#endif
    const auto os = kv::CreateOsPlatform();
    const kv::OsServices services = os->Services();
    const bool textOnly = line.text || line.report;
    const bool window = !textOnly && (kv::HasDisplay() || !line.toolkitOptions.empty());
    auto presentation = window ? kv::Presentation::Window : kv::Presentation::Text;
    // The text is made whole first when something is added to it or taken out.
    kv::TextFilter finish;
    if (line.report || line.redact)
      finish = [&line, &services](std::string text) {
        return FinishText(std::move(text), line, services);
      };
    std::unique_ptr<kv::AppPlatform> platform;
    try {
      platform =
          kv::CreateAppPlatform(presentation, toolkitArgc, toolkitArgv.data(), services, finish);
    } catch (const std::exception& e) {
      if (presentation == kv::Presentation::Text) throw;
      // No window can be opened here: show the same information as text.
      kv::WriteStandardError("kavreno: " + kv::VisibleLine(e.what()) + "\n");
      platform = kv::CreateAppPlatform(kv::Presentation::Text, toolkitArgc, toolkitArgv.data(),
                                       services, finish);
    }
    kv::AppServices app = platform->Services();
    kv::frmSystem mainWindow(services, app);
    return kv::RunStartupForm(app.windows, mainWindow);
  } catch (const std::exception& e) {
    kv::WriteStandardError("kavreno: " + kv::VisibleLine(e.what()) + "\n");
    return 1;
  }
}
