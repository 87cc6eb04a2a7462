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
#if KAVRENO_JSON
    if (arg == "--json") {
      line.json = true;
      continue;
    }
#endif
    line.action = CommandLine::Action::Error;
    line.problem = (arg.starts_with("-") ? "unrecognized option '" : "unexpected argument '") +
                   std::string(arg) + "'";
    return line;
  }
  if (line.text && line.json) {
    line.action = CommandLine::Action::Error;
    line.problem = "--text and --json cannot be combined";
  }
  return line;
}

std::string UsageLine() {
#if KAVRENO_JSON
  return "Usage: kavreno [--text | --json] [--help] [--version]";
#else
  return "Usage: kavreno [--text] [--help] [--version]";
#endif
}

std::string HelpText() {
  return UsageLine() + "\n" + std::string(kApp.description) +
         "\n"
         "Shows the PC's memory, processors, keyboard, system directories, OS version,\n"
         "user and computer names, and a report of every drive.\n"
         "\n"
         "  --text     print the window as text instead of opening it\n"
         "             (the default when there is no display)\n"
#if KAVRENO_JSON
         "  --json     print the same information as one JSON object for programs\n"
         "             (names and numbers as the system gives them; sizes in bytes)\n"
#endif
         "  --help     show this help and exit\n"
         "  --version  show the version and exit\n";
}

std::string VersionText() {
  return std::string(kApp.title) + " " + std::to_string(kApp.major) + "." +
         std::to_string(kApp.minor) + "." + std::to_string(kApp.revision);
}

}  // namespace kv
