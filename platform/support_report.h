// The support report and the privacy rule: what leaves a window or the
// command line for someone else to read (a support desk, a forum). Portable;
// every presentation uses the same text and the same rule.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "platform/os.h"

namespace kv {

// The facts the report adds to the window's text.
struct ReportDetails {
  SystemDetails system;
  std::string kavrenoVersion;  // "1.0.0"
  std::string generatedUtc;    // "2026-12-07T15:20:00Z"
};

// The time in UTC as ISO 8601 to the second, with "Z".
std::string UtcTimestamp(std::chrono::system_clock::time_point when);

// The system's facts with this program's version and the given time.
ReportDetails MakeReportDetails(const SystemDetails& system,
                                std::chrono::system_clock::time_point now);

// The section "詳細：" and its seven lines, each ended by lineEnd. The values
// pass through the visible-text rule, as every text from the system does.
std::string DetailsSection(const ReportDetails& details, std::string_view lineEnd);

// The whole report: the window's text exactly, an empty line, then the
// section. windowText ends with its own last line end.
std::string SupportReport(std::string_view windowText, const ReportDetails& details,
                          std::string_view lineEnd);

// ---- the facts' texts (every system) ------------------------------------------

// The machine of a vendor and a product name as the firmware gives them:
// both, or the product alone when it already starts with the vendor; the
// firmware's placeholders ("To be filled by O.E.M.", "Default string", ...)
// count as not said.
std::string MachineName(std::string_view vendor, std::string_view product);

// Windows's name of itself: the registry's product name (edition included),
// which still says "Windows 10" on Windows 11 (build 22000 and later), then
// the display version ("24H2") where there is one.
std::string WindowsOsName(std::string_view productName, std::string_view displayVersion,
                          uint32_t build);

// ---- personal names ---------------------------------------------------------

struct PersonalNames {
  std::string user;      // UTF-8; empty: nothing to leave out
  std::string computer;  // UTF-8
  // Windows compares names without regard to case (ASCII letters).
  bool ignoreCase = false;
};

inline constexpr std::string_view kUserPlaceholder = "<user>";
inline constexpr std::string_view kComputerPlaceholder = "<computer>";

// The text with the user name replaced by "<user>" and the computer name by
// "<computer>" wherever one stands as a word of its own: a whole value, a
// whole path component, a word among others. Never inside a longer word: a
// letter, digit, "_" or any character outside ASCII that is not punctuation
// or a space on either side keeps the text as it is. The longer name is
// replaced first; a name that is both the user's and the computer's becomes
// "<user>". Invalid UTF-8 is left as it is.
std::string Redact(std::string_view text, const PersonalNames& names);

// The user and computer names as the system answers them (converted from
// the code page), as the window shows them; a name that cannot be read is
// empty. Windows (the system whose separator is '\\') ignores case.
PersonalNames ReadPersonalNames(const OsServices& os);

// The names as a presentation shows them (through the visible-text rule), for
// leaving them out of what it printed.
PersonalNames ShownNames(PersonalNames names);

// What a window needs to make the report when asked: the facts and the
// names are read then, not while the window is filled.
struct ReportSource {
  std::function<SystemDetails()> details;
  std::function<PersonalNames()> names;
};

// The text without the blanks (space, tab, CR, LF, VT, FF) at either end, as
// the facts' files and registry values are read.
std::string_view TrimBlanks(std::string_view s);

}  // namespace kv
