#include "app/command_line.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/app_settings.h"

namespace kv {

namespace {

// The options Qt reads from a program's command line (QApplication,
// QGuiApplication and the X11 platform), by name without the leading dash;
// Qt accepts them with one dash or two.
struct ToolkitOption {
  std::string_view name;
  bool takesValue;
};

constexpr ToolkitOption kToolkitOptions[] = {
    {"style", true},         {"stylesheet", true},   {"widgetcount", false},
    {"reverse", false},      {"platform", true},     {"platformpluginpath", true},
    {"platformtheme", true}, {"plugin", true},       {"qwindowgeometry", true},
    {"qwindowicon", true},   {"qwindowtitle", true}, {"session", true},
    {"display", true},       {"geometry", true},     {"title", true},
    {"icon", true},          {"name", true},         {"visual", true},
    {"nograb", false},       {"dograb", false},
};

// The options that Qt also takes as -name=value.
constexpr std::string_view kJoinedValueOptions[] = {"style", "stylesheet"};

std::optional<ToolkitOption> FindToolkitOption(std::string_view arg) {
  if (!arg.starts_with("-")) return std::nullopt;
  arg.remove_prefix(arg.starts_with("--") ? 2 : 1);
  if (const auto eq = arg.find('='); eq != std::string_view::npos) {
    const std::string_view name = arg.substr(0, eq);
    if (std::ranges::find(kJoinedValueOptions, name) == std::end(kJoinedValueOptions))
      return std::nullopt;
    return ToolkitOption{name, false};  // the value is part of the argument
  }
  const auto* found = std::ranges::find(kToolkitOptions, arg, &ToolkitOption::name);
  if (found == std::end(kToolkitOptions)) return std::nullopt;
  return *found;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
  CommandLine line;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
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
    if (arg == "--report") {
      line.report = true;
      continue;
    }
    if (arg == "--redact") {
      line.redact = true;
      continue;
    }
#if KAVRENO_JSON
    if (arg == "--json") {
      line.json = true;
      continue;
    }
#endif
    if (const auto option = FindToolkitOption(arg)) {
      line.toolkitOptions.emplace_back(arg);
      if (!option->takesValue) continue;
      if (i + 1 == args.size()) {
        line.action = CommandLine::Action::Error;
        line.problem = "option '" + std::string(arg) + "' requires an argument";
        return line;
      }
      line.toolkitOptions.emplace_back(args[++i]);
      continue;
    }
    line.action = CommandLine::Action::Error;
    line.problem = (arg.starts_with("-") ? "unrecognized option '" : "unexpected argument '") +
                   std::string(arg) + "'";
    return line;
  }
  const char* const chosen[] = {line.text ? "--text" : nullptr, line.json ? "--json" : nullptr,
                                line.report ? "--report" : nullptr};
  std::vector<const char*> given;
  for (const char* option : chosen)
    if (option) given.push_back(option);
  if (given.size() > 1) {
    line.action = CommandLine::Action::Error;
    line.problem = std::string(given[0]) + " and " + given[1] + " cannot be combined";
  } else if (line.redact && given.empty()) {
    line.action = CommandLine::Action::Error;
#if KAVRENO_JSON
    line.problem = "--redact needs --text, --json or --report";
#else
    line.problem = "--redact needs --text or --report";
#endif
  }
  return line;
}

std::string UsageLine() {
#if KAVRENO_JSON
  return "Usage: kavreno [--text | --json | --report] [--redact] [--help] [--version] [Qt "
         "option...]";
#else
  return "Usage: kavreno [--text | --report] [--redact] [--help] [--version] [Qt option...]";
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
         "  --report   print the text with today's facts for a support desk: the OS's\n"
         "             name and build, the processor's name, the architecture, the\n"
         "             machine, Kavreno's version and the time (UTC)\n"
         "  --redact   with --text, --json or --report: write <user> and <computer>\n"
         "             for the user's and the computer's names, also inside paths\n"
         "  --help     show this help and exit\n"
         "  --version  show the version and exit\n"
         "\n"
         "Qt's own options (-style STYLE, -platform NAME, -display DISPLAY, -reverse,\n"
         "-stylesheet FILE, -qwindowgeometry GEOMETRY, ...) go to Qt when the window opens.\n";
}

std::string VersionText() {
  return std::string(kApp.title) + " " + std::to_string(kApp.major) + "." +
         std::to_string(kApp.minor) + "." + std::to_string(kApp.revision);
}

}  // namespace kv
