#include "commands/CommandText.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(SplitWord, TakesFirstBlankSeparatedWordAndTrimsTheRest) {
  std::string text = "  XY   100  200  ";
  std::string word;
  EXPECT_EQ(SplitWord(text, word), 2);
  EXPECT_EQ(word, "XY");
  EXPECT_EQ(text, "100  200");
  EXPECT_EQ(SplitWord(text, word), 3);
  EXPECT_EQ(SplitWord(text, word), 3);
  EXPECT_EQ(word, "200");
  EXPECT_EQ(text, "");
  EXPECT_EQ(SplitWord(text, word), 0);
  EXPECT_EQ(word, "");
}

TEST(SplitWord, OnlyTheBlankSeparatesWords) {
  std::string text = "Z\tRel 5";
  std::string word;
  EXPECT_EQ(SplitWord(text, word), 5);
  EXPECT_EQ(word, "Z\tRel");
  EXPECT_EQ(text, "5");
  std::string blanks = "    ";
  EXPECT_EQ(SplitWord(blanks, word), 0);
}

TEST(NextToken, CutsAtTheSeparatorAndKeepsEmptyPieces) {
  std::string_view text = "F Home;;B Home";
  std::string_view piece;
  EXPECT_EQ(NextToken(text, piece, ";"), 6);
  EXPECT_EQ(piece, "F Home");
  EXPECT_EQ(NextToken(text, piece, ";"), 0);
  EXPECT_EQ(piece, "");
  EXPECT_EQ(text, "B Home");
  EXPECT_EQ(NextToken(text, piece, ";"), 6);
  EXPECT_EQ(text, "");
  EXPECT_EQ(NextToken(text, piece, " ; "), 0);
}

TEST(ResolveSymbol, NumbersStaySymbolsBecomeStrTextOthersFail) {
  const ParList symbols = {{"SLOW", std::string("200")},
                           {"HALF", std::string(".5")},
                           {"SLOW", std::string("999")},
                           {"WORD", std::string("abc")}};
  std::string word = "-1.5e2";
  EXPECT_TRUE(ResolveSymbol(word, symbols));
  EXPECT_EQ(word, "-1.5e2");
  word = "SLOW";
  EXPECT_TRUE(ResolveSymbol(word, symbols));
  EXPECT_EQ(word, " 200");  // the first entry of that name wins
  word = "HALF";
  EXPECT_TRUE(ResolveSymbol(word, symbols));
  EXPECT_EQ(word, " .5");
  word = "slow";  // symbols are case-sensitive
  EXPECT_FALSE(ResolveSymbol(word, symbols));
  EXPECT_EQ(word, "slow");
  word = "WORD";  // a symbol that is not a number is not a number
  EXPECT_FALSE(ResolveSymbol(word, symbols));
  word = "12abc";
  EXPECT_FALSE(ResolveSymbol(word, symbols));
}

}  // namespace
}  // namespace qv
