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
      // A controller's raw start byte is the Windows-1252 "ÿ"; UTF-8 text stays as it is.
      {"\xFF/0`12\x03", "\xC3\xBF/0`12\\x03", "\xC3\xBF/0`12\x03"},
      {"caf\xC3\xA9 \x80", "caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    EXPECT_EQ(EscapeForLine(c.reply), c.line);
    EXPECT_EQ(ReplyToBusText(c.reply), c.bus);
  }
}

}  // namespace
}  // namespace qv
