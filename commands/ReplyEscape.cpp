#include "commands/ReplyEscape.h"

namespace qv {

std::string EscapeForLine(std::string_view reply) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string line;
  line.reserve(reply.size());
  for (const char c : reply) {
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
  text.reserve(reply.size() + reply.size() / 8);
  for (const char c : reply) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == 0) {
      text += "\xE2\x90\x80";  // U+2400
    } else if (byte < 0x80) {
      text += c;
    } else {
      text += static_cast<char>(0xC0 | (byte >> 6));
      text += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return text;
}

std::string BusTextToCommand(std::string_view text) {
  std::string command;
  command.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    // A D-Bus string is valid UTF-8: the lead byte tells the length of the character.
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (length == 1) {
      command += text[i];
    } else if (length == 2 && lead < 0xC4 && i + 1 < text.size()) {
      command += static_cast<char>(((lead & 0x1F) << 6) | (text[i + 1] & 0x3F));
    } else {
      command += '?';
    }
    i += length;
  }
  return command;
}

}  // namespace qv
