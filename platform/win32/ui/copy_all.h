// Copying a whole form as text: Ctrl+C where no text is selected, and the
// context menu items "すべてコピー(&C)" and "レポートをコピー(&R)", with the
// check item "個人情報を伏せる(&P)" that leaves the names out of both.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/support_report.h"

namespace kv::win32 {

inline constexpr wchar_t kCopyAllCaption[] = L"すべてコピー(&C)";
inline constexpr wchar_t kCopyReportCaption[] = L"レポートをコピー(&R)";
inline constexpr wchar_t kRedactCaption[] = L"個人情報を伏せる(&P)";

// Installs both on the form's window: Ctrl+C in a text box copies text()
// when the box has no selection (with one, the box copies it as before), and
// a right click or the menu key anywhere else on the window offers the item
// (a text box keeps its own menu). Undone when the window goes. The report
// is text() with today's facts from report; with the check item on (it
// starts off and is not kept), what is copied has the names report gives
// left out. The window itself keeps showing them.
void InstallCopyAll(HWND form, std::function<std::string()> text, ReportSource report);

// Puts text (UTF-8) on the clipboard as CF_UNICODETEXT; false when the
// clipboard cannot be had.
bool CopyText(HWND owner, const std::string& text);

}  // namespace kv::win32
