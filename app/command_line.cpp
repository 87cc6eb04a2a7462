#include "app/command_line.h"

#include <algorithm>
#include <optional>

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
  return line;
}

std::string UsageLine() { return "Usage: kavreno [--text] [--help] [--version] [Qt option...]"; }

std::string HelpText() {
  return UsageLine() + "\n" + std::string(kApp.description) +
         "\n"
         "Shows the PC's memory, processors, keyboard, system directories, OS version,\n"
         "user and computer names, and a report of every drive.\n"
         "\n"
         "  --text     print the window as text instead of opening it\n"
         "             (the default when there is no display)\n"
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
