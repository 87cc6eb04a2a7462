// Start-up: the main window is the program's start-up object; the platform
// creates it, runs its load step and dispatches its events until it ends.
#include <exception>
#include <iostream>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/frmSystem.h"
#include "platform/errors.h"
#include "platform/factory.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const kv::CommandLine line = kv::ParseCommandLine(args);
  switch (line.action) {
    case kv::CommandLine::Action::Help:
      std::cout << kv::HelpText();
      return 0;
    case kv::CommandLine::Action::Version:
      std::cout << kv::VersionText() << "\n";
      return 0;
    case kv::CommandLine::Action::Error:
      std::cerr << "kavreno: " << line.problem << "\n" << kv::UsageLine() << "\n";
      return 2;
    case kv::CommandLine::Action::Run:
      break;
  }

  try {
    const auto os = kv::CreateOsPlatform();
    const kv::OsServices services = os->Services();
    auto presentation = (line.text || !kv::HasDisplay()) ? kv::Presentation::Text
                                                         : kv::Presentation::Window;
    std::unique_ptr<kv::AppPlatform> platform;
    try {
      platform = kv::CreateAppPlatform(presentation, argc, argv, services);
    } catch (const std::exception& e) {
      if (presentation == kv::Presentation::Text) throw;
      // No window can be opened here: show the same information as text.
      std::cerr << "kavreno: " << e.what() << "\n";
      platform = kv::CreateAppPlatform(kv::Presentation::Text, argc, argv, services);
    }
    kv::AppServices app = platform->Services();
    kv::frmSystem mainWindow(services, app);
    try {
      return app.windows.Run(mainWindow);
    } catch (const std::exception& e) {
      // An error that no handler of the program takes ends it, with a word
      // to the user where they can see it.
      app.windows.MsgBox(kv::UnhandledErrorText(kv::AsError(e)), kv::kMsgBoxOkOnly, std::nullopt);
      return 1;
    }
  } catch (const std::exception& e) {
    std::cerr << "kavreno: " << e.what() << "\n";
    return 1;
  }
}
