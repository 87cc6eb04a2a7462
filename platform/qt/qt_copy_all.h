// Copying a whole form as text: Ctrl+C where no text is selected, and the
// context menu items "すべてコピー(&C)" and "レポートをコピー(&R)", with the
// check item "個人情報を伏せる(&P)" that leaves the names out of both.
#pragma once

#include <functional>
#include <string>

#include "platform/qt/qt_form.h"
#include "platform/support_report.h"

namespace kv::qt {

inline constexpr char kCopyAllCaption[] = "すべてコピー(&C)";
inline constexpr char kCopyReportCaption[] = "レポートをコピー(&R)";
inline constexpr char kRedactCaption[] = "個人情報を伏せる(&P)";

// Installs both on the form's window: Ctrl+C copies text() when the focused
// text box has no selection (with one, the box copies it as before), and a
// context menu on the window offers the items (a text box keeps its own
// menu). The report is text() with today's facts from report; with the
// check item on (it starts off and is not kept), what is copied has the
// names report gives left out. The window itself keeps showing them.
void InstallCopyAll(QtForm& form, std::function<std::string()> text, ReportSource report);

// Puts text on the clipboard, and into the selection where the window system
// has one (X11).
void CopyText(const std::string& text);

}  // namespace kv::qt
