// Small conversions the Qt window system is built from: twips and pixels,
// text from the program to Qt and back, colours that must stay readable, and
// the font families of the user interface. None of them touches a widget, so
// each is checked on its own.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

namespace kv::qt {

// Layout units: 1440 twips to the inch, 96 device-independent pixels to the
// inch, so 15 twips to the pixel. Qt's high-DPI scaling maps device-independent
// pixels to the screen.
inline constexpr double kTwipsPerPixel = 15.0;

// The nearest whole pixel; halves go away from zero.
int TwipsToPixels(double twips);
double PixelsToTwips(double pixels);

// The pixels a straight line of the given pen width covers, the way the
// original window system draws it: the end point is not drawn, and a wide pen
// grows one pixel up (or left) for each two pixels of width beyond the first.
// Lines that are neither horizontal nor vertical get their bounding box grown
// by the pen width on every side.
QRect LinePixels(QPoint from, QPoint to, int width);

// Text as the program hands it over (UTF-8) shown as plain text: cut at the
// first NUL, as the native controls do; each CR LF becomes Qt's line feed, and
// every other control, separator, bidi or zero-width character and invalid
// byte is escaped as platform/visible_text.h describes, so the window shows
// what the terminal shows.
QString PlainText(std::string_view utf8);

// The program's text of a text box as Qt shows it and back: line breaks are
// CR LF in the program and LF in Qt.
std::string FromQtLines(const QString& text);

// A caption where '&' must not mark an access key.
QString EscapeMnemonics(const QString& text);

// A window title shown literally: Qt reads "[*]" as the modified-document
// placeholder, so it is doubled.
QString WindowTitleText(std::string_view utf8);

// Bytes of the given character set (an iconv name; empty or UTF-8 means UTF-8)
// decoded; a byte sequence invalid in it becomes U+FFFD.
QString DecodeBytes(std::string_view bytes, const std::string& codeset);

// The font families of every caption, in fallback order. The platform's
// default family comes first, followed by the installed Japanese families, so
// kana and kanji take Japanese shapes whatever the locale. When the default
// family itself draws Chinese or Korean ideographs (and is not one of the
// Japanese families) the Japanese families go first, as that family would
// otherwise give kanji Chinese or Korean shapes.
QStringList UiFontFamilies(const QString& defaultFamily, bool defaultHasIdeographs,
                           const QStringList& japaneseFamilies);

}  // namespace kv::qt
