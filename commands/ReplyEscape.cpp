#include "commands/ReplyEscape.h"

#include "foundation/TextEncoding.h"

namespace qv {

std::string EscapeForLine(std::string_view reply) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string line;
  line.reserve(reply.size());
  for (const char c : RepairUtf8(reply)) {
    const auto byte = static_cast<unsigned char>(c);
    switch (byte) {
      case '\\':
        line += "\\\\";
        break;
      case '\0':
        line += "\\0";
        break;
      case '\t':
        line += "\\t";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\r':
        line += "\\r";
        break;
      default:
        if (byte < 32 || byte == 127) {
          line += "\\x";
          line += kHex[byte >> 4];
          line += kHex[byte & 15];
        } else {
          line += c;
        }
    }
  }
  return line;
}

std::string ReplyToBusText(std::string_view reply) {
  std::string text;
  const std::string valid = RepairUtf8(reply);
  text.reserve(valid.size());
  for (const char c : valid) {
    if (c == '\0')
      text += "\xE2\x90\x80";  // U+2400
    else
      text += c;
  }
  return text;
}

}  // namespace qv
