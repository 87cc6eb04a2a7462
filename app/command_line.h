// The command line: Kavreno takes no arguments of its own beyond the usual
// --help and --version, --text for the text presentation and, on Linux,
// --json for a report that programs read.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kv {

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  bool text = false;    // --text: the text presentation even where a window could open
  bool json = false;    // --json: the report as JSON on stdout (where built with it)
  std::string problem;  // for Action::Error: what was wrong
};

// args are the arguments after the program name.
CommandLine ParseCommandLine(std::span<const std::string_view> args);

std::string HelpText();
std::string VersionText();
std::string UsageLine();

}  // namespace kv
