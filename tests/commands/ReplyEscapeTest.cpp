// The two transport forms of a reply: a line of text and a D-Bus string.
#include "commands/ReplyEscape.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace std::string_literals;

TEST(ReplyEscape, EveryByteHasOneVisibleForm) {
  const struct {
    std::string reply, line, bus;
  } cases[] = {
      {"4.0 ; ", "4.0 ; ", "4.0 ; "},
      {"a\rb\nc"s, "a\\rb\\nc", "a\rb\nc"},
      {"x\0y"s, "x\\0y", "x\xE2\x90\x80y"},
      {"C:\\0 and \\n", "C:\\\\0 and \\\\n", "C:\\0 and \\n"},
      {"\t\x01\x1B\x1F\x7F ~", "\\t\\x01\\x1B\\x1F\\x7F ~", "\t\x01\x1B\x1F\x7F ~"},
      {"\xFF/0`12\x03", "\xFF/0`12\\x03", "\xC3\xBF/0`12\x03"},
      {"\x80\xE2\x90\x80", "\x80\xE2\x90\x80", "\xC2\x80\xC3\xA2\xC2\x90\xC2\x80"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    EXPECT_EQ(EscapeForLine(c.reply), c.line);
    EXPECT_EQ(ReplyToBusText(c.reply), c.bus);
    if (c.reply.find('\0') == std::string::npos) {
      EXPECT_EQ(BusTextToCommand(c.bus), c.reply);
    }
  }
  // Characters no byte can hold, of two, three and four UTF-8 bytes.
  EXPECT_EQ(BusTextToCommand("\xC4\x80 \xE2\x82\xAC \xF0\x9F\x94\xAC."), "? ? ?.");
}

}  // namespace
}  // namespace qv
