// Text that comes from the operating system (names, labels, mount points,
// error texts) made safe to show, wherever it is shown: the drive report, the
// terminal, stderr and the window. Nothing of it may start an escape
// sequence, break or reorder a line, or hide characters from the reader.
//
// One visible form for whatever may not pass:
//   - a byte that is an ASCII control (U+0000..U+001F, CR and LF included, and
//     DEL U+007F), or that is not part of well-formed UTF-8 (stray
//     continuation bytes, cut, overlong or surrogate sequences, code points
//     past U+10FFFF, 5- and 6-byte forms): a backslash, 'x' and two lowercase
//     hexadecimal digits ("\x1b" for ESC, "\xff");
//   - a character that is a C1 control (U+0080..U+009F), a line or paragraph
//     separator (U+2028, U+2029), a bidirectional control (U+061C, U+200E,
//     U+200F, U+202A..U+202E, U+2066..U+2069) or a zero-width character
//     (U+200B..U+200D, U+FEFF): a backslash, 'u' and four lowercase
//     hexadecimal digits ("\u202e").
// Every other character, the backslash included, passes unchanged: the escapes
// make the text safe to show, not reversible. The result is well-formed UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Text for one line: nothing in it breaks the line.
std::string VisibleLine(std::string_view text);

// Text of several lines: each CR LF pair becomes lineBreak; a lone CR or LF
// is escaped like every other control.
std::string VisibleLines(std::string_view text, std::string_view lineBreak);

}  // namespace kv
