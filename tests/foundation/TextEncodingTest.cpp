// One encoding rule for every text: UTF-8, with bytes that are not valid UTF-8 read as the
// Windows-1252 code page that older files and terminals used.
#include "foundation/TextEncoding.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(TextEncoding, ValidUtf8StaysAndEverythingElseIsReadAsWindows1252) {
  struct Case {
    std::string bytes;
    bool valid;
    std::string decoded;   // DecodeText: the whole text one way
    std::string repaired;  // RepairUtf8: byte by byte
  };
  const Case cases[] = {
      {"caf\xC3\xA9 \xCE\xB1\xF0\x9F\x94\xAC", true, "caf\xC3\xA9 \xCE\xB1\xF0\x9F\x94\xAC",
       "caf\xC3\xA9 \xCE\xB1\xF0\x9F\x94\xAC"},
      // A legacy text: e acute, the euro sign, an unassigned byte, y diaeresis.
      {"caf\xE9 \x80\x81\xFF", false, "caf\xC3\xA9 \xE2\x82\xAC\xC2\x81\xC3\xBF",
       "caf\xC3\xA9 \xE2\x82\xAC\xC2\x81\xC3\xBF"},
      // UTF-8 and a stray byte: the whole text turns legacy, only the stray byte is repaired.
      {"\xC3\xA9\xE9", false, "\xC3\x83\xC2\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9"},
      // Overlong, surrogate, beyond U+10FFFF, cut short: not UTF-8.
      {"\xC0\xAF", false, "\xC3\x80\xC2\xAF", "\xC3\x80\xC2\xAF"},
      {"\xED\xA0\x80", false, "\xC3\xAD\xC2\xA0\xE2\x82\xAC", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
      {"\xF4\x90\x80\x80", false, "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC",
       "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},
      {"ab\xE2\x82", false, "ab\xC3\xA2\xE2\x80\x9A", "ab\xC3\xA2\xE2\x80\x9A"},
      // A byte-order mark is dropped from a whole text, not from within one.
      {"\xEF\xBB\xBFVer", true, "Ver", "\xEF\xBB\xBFVer"},
      {std::string("a\0b", 3), true, std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
    EXPECT_EQ(DecodeText(c.bytes), c.decoded) << c.bytes;
    EXPECT_EQ(RepairUtf8(c.bytes), c.repaired) << c.bytes;
  }
  std::string all;
  for (int byte = 0x80; byte <= 0xFF; ++byte)
    all += static_cast<char>(byte);
  EXPECT_TRUE(IsValidUtf8(Windows1252ToUtf8(all)));
  EXPECT_EQ(Windows1252ToUtf8(all).substr(0, 3), "\xE2\x82\xAC");
}

}  // namespace
}  // namespace qv
