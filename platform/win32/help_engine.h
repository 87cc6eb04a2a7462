// The help engine on Windows. The program makes two calls, contents from the
// menu and quit at shutdown, naming its help file without a folder; this
// engine looks for the file beside the program, whatever the current folder.
//
// Windows before 6.0 (2000, XP, Server 2003) has the WinHelp engine: the
// calls go to WinHelpA as made. From 6.0 (Vista) on the system no longer
// ships it (WinHelpA only says that the feature is not included), so there
// the same two calls are made with HTML Help, on the .chm file of the same
// name: contents is HH_DISPLAY_TOC and quit is HH_CLOSE_ALL.
//
// Each call is made once and returns as soon as the engine has taken it: the
// engine starts itself and opens the file from that one request.
#pragma once

#include <string>

#include "platform/os.h"
#include "platform/ui.h"
#include "platform/win32/system_library.h"

namespace kv::win32 {

class HelpEngine final : public IHelpEngine {
 public:
  // version: the system's version as the program reports it; ansi converts
  // the help file's path for WinHelpA; resolve finds HtmlHelpW in hhctrl.ocx
  // of the system folder.
  HelpEngine(const IVersion& version, const IAnsiCodePage& ansi,
             EntryPointResolver resolve = SystemEntryPoint)
      : version_(version), ansi_(ansi), resolve_(std::move(resolve)) {}

  int32_t WinHelpA(std::uintptr_t window, std::string_view helpFile, uint32_t command,
                   std::uintptr_t data) override;

  // True where the system no longer has the WinHelp engine (6.0 and later).
  bool UsesHtmlHelp() const;

 private:
  const IVersion& version_;
  const IAnsiCodePage& ansi_;
  EntryPointResolver resolve_;
};

// The folder of the running program, UTF-8, with a trailing backslash.
std::string ProgramFolder();

// A bare help file name (ANSI) made a full path beside the program (UTF-8);
// a name that already has a folder is kept as it is.
std::string HelpFilePath(std::string_view helpFile, const IAnsiCodePage& ansi);

}  // namespace kv::win32
