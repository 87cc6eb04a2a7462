// Copying a whole form as text: Ctrl+C where no text is selected, and the
// context menu item "すべてコピー(&C)".
#pragma once

#include <functional>
#include <string>

#include "platform/qt/qt_form.h"

namespace kv::qt {

inline constexpr char kCopyAllCaption[] = "すべてコピー(&C)";

// Installs both on the form's window: Ctrl+C copies text() when the focused
// text box has no selection (with one, the box copies it as before), and a
// context menu on the window offers the item (a text box keeps its own menu).
void InstallCopyAll(QtForm& form, std::function<std::string()> text);

// Puts text on the clipboard, and into the selection where the window system
// has one (X11).
void CopyText(const std::string& text);

}  // namespace kv::qt
