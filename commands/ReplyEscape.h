#pragma once
// Replies are 8-bit texts: a controller's answer may hold any byte. Two transports cannot carry
// every byte as it is, and each gets one visible, reversible form:
// - a line of text (the console, a line server): one reply line per command line, so the bytes
//   that would break or hide a line are written as escapes;
// - a D-Bus string: Unicode without NUL, so every byte becomes the character of that code
//   (U+0000..U+00FF, as Latin-1 reads it) and NUL becomes U+2400 (the symbol for null), which
//   no other byte can give.
#include <string>
#include <string_view>

namespace qv {

// Backslash as "\\", NUL "\0", tab "\t", LF "\n", CR "\r", every other byte below 32 and 127 as
// "\xHH" (two upper-case hex digits); bytes from 128 up pass as they are.
std::string EscapeForLine(std::string_view reply);

// The reply as the UTF-8 of a D-Bus string: byte b is the character U+00bb, NUL is U+2400.
std::string ReplyToBusText(std::string_view reply);

// A command from the UTF-8 of a D-Bus string, the other way round: U+0000..U+00FF become their
// bytes; a character beyond, which no byte can hold, becomes "?".
std::string BusTextToCommand(std::string_view text);

}  // namespace qv
