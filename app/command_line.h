// The command line: Kavreno takes no arguments of its own beyond the usual
// --help and --version, --text for the text presentation and, on Linux,
// --json for a report that programs read, --report for a support desk, and
// --redact to leave the user's and the computer's names out of them. The options of the window
// toolkit (Qt's -style, -platform, -display, ...) pass through to it, as in every program built
// with it.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  bool text = false;    // --text: the text presentation even where a window could open
  bool json = false;    // --json: the report as JSON on stdout (where built with it)
  bool report = false;  // --report: the text presentation and today's facts
  bool redact = false;  // --redact: names left out of --text, --json or --report
  std::string problem;  // for Action::Error: what was wrong
  // The toolkit's own options with their values, as given and in order; they
  // go to the toolkit when a window opens.
  std::vector<std::string> toolkitOptions;
};

// args are the arguments after the program name.
CommandLine ParseCommandLine(std::span<const std::string_view> args);

std::string HelpText();
std::string VersionText();
std::string UsageLine();

}  // namespace kv
