// Text on its way to a terminal. Whatever the operating system hands the
// program (names, labels, directories, error texts) is printed so that it
// cannot drive the terminal: no byte of it may start an escape sequence, move
// the cursor, ring the bell or change the character set.
//
// The one escape form: every byte that may not reach the terminal is shown as
// a backslash, 'x' and two lowercase hexadecimal digits ("\x1b" for ESC). This
// covers
//   - the C0 controls U+0000..U+001F (tab, CR and LF included) and DEL U+007F,
//     shown as their single byte;
//   - the C1 controls U+0080..U+009F, shown as the two bytes of their UTF-8
//     form ("\xc2\x9b" for CSI);
//   - every byte that is not part of well-formed UTF-8 (stray continuation
//     bytes, truncated, overlong or surrogate sequences, code points past
//     U+10FFFF).
// All other characters, the backslash included, pass unchanged; the escapes
// make the text safe to print, not reversible.
#pragma once

#include <string>
#include <string_view>

namespace kv::console {

// Text for one line of output: no byte of it breaks the line.
std::string EscapeLine(std::string_view text);

// Text of several lines: each CR LF pair becomes a line feed; a lone CR or LF
// is escaped like every other control.
std::string EscapeLines(std::string_view text);

}  // namespace kv::console
