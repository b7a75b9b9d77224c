#pragma once
// Replies are UTF-8 texts, but a controller's answer within one may hold any byte. Bytes that
// are not UTF-8 reach every front end as their Windows-1252 characters (foundation/
// TextEncoding.h), and two transports cannot carry every character as it is, so each gets one
// visible form:
// - a line of text (the console, a line server): one reply line per command line, so the
//   characters that would break or hide a line are written as escapes;
// - a D-Bus string: Unicode without NUL, so NUL becomes U+2400 (the symbol for null).
#include <string>
#include <string_view>

namespace qv {

// Backslash as "\\", NUL "\0", tab "\t", LF "\n", CR "\r", every other byte below 32 and 127 as
// "\xHH" (two upper-case hex digits); the rest as UTF-8.
std::string EscapeForLine(std::string_view reply);

// The reply as the UTF-8 of a D-Bus string, NUL as U+2400.
std::string ReplyToBusText(std::string_view reply);

}  // namespace qv
