#include "app/command_line.h"

#include "platform/app_settings.h"

namespace kv {

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
  CommandLine line;
  for (std::string_view arg : args) {
    if (arg == "--help" || arg == "-h") {
      line.action = CommandLine::Action::Help;
      return line;
    }
    if (arg == "--version") {
      line.action = CommandLine::Action::Version;
      return line;
    }
    if (arg == "--text") {
      line.text = true;
      continue;
    }
    line.action = CommandLine::Action::Error;
    line.problem = (arg.starts_with("-") ? "unrecognized option '" : "unexpected argument '") +
                   std::string(arg) + "'";
    return line;
  }
  return line;
}

std::string UsageLine() { return "Usage: kavreno [--text] [--help] [--version]"; }

std::string HelpText() {
  return UsageLine() + "\n" + std::string(kApp.description) +
         "\n"
         "Shows the PC's memory, processors, keyboard, system directories, OS version,\n"
         "user and computer names, and a report of every drive.\n"
         "\n"
         "  --text     print the window as text instead of opening it\n"
         "             (the default when there is no display)\n"
         "  --help     show this help and exit\n"
         "  --version  show the version and exit\n";
}

std::string VersionText() {
  return std::string(kApp.title) + " " + std::to_string(kApp.major) + "." +
         std::to_string(kApp.minor) + "." + std::to_string(kApp.revision);
}

}  // namespace kv
