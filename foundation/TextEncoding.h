#pragma once
// The one encoding rule of the program's texts: files, command lines and replies are UTF-8.
// Bytes that are not valid UTF-8 come from an older program or terminal that wrote the
// Windows-1252 code page (Latin-1 with the printable characters of 0x80-0x9F), and are read
// as such, so that old files stay readable and every character shows as it was meant.
#include <string>
#include <string_view>

namespace qv {

bool IsValidUtf8(std::string_view bytes);

// Windows-1252 bytes as UTF-8. The five bytes the code page leaves unassigned (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the control characters of the same number, as Windows maps them.
std::string Windows1252ToUtf8(std::string_view bytes);

// The text of a whole file or command line: a leading UTF-8 byte-order mark dropped, the rest
// kept when it is valid UTF-8 and read as Windows-1252 when it is not. The whole text is read
// one way, so that a legacy file is never part UTF-8.
std::string DecodeText(std::string bytes);

// Text that must reach a front end as characters although parts of it may be raw bytes (a
// controller's answer within a reply): valid UTF-8 sequences stay, every other byte is read as
// Windows-1252.
std::string RepairUtf8(std::string_view bytes);

}  // namespace qv
