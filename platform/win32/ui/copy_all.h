// Copying a whole form as text: Ctrl+C where no text is selected, and the
// context menu item "すべてコピー(&C)".
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kv::win32 {

inline constexpr wchar_t kCopyAllCaption[] = L"すべてコピー(&C)";

// Installs both on the form's window: Ctrl+C in a text box copies text()
// when the box has no selection (with one, the box copies it as before), and
// a right click or the menu key anywhere else on the window offers the item
// (a text box keeps its own menu). Undone when the window goes.
void InstallCopyAll(HWND form, std::function<std::string()> text);

// Puts text (UTF-8) on the clipboard as CF_UNICODETEXT; false when the
// clipboard cannot be had.
bool CopyText(HWND owner, const std::string& text);

}  // namespace kv::win32
