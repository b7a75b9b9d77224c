// How words are cut from a command line and symbols resolved shows in every transcript under
// tests/transcripts/commands/ (symbols.transcript in particular); what no reply shows is which
// of two symbols of one name wins.
#include "commands/CommandText.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(ResolveSymbol, TheFirstEntryOfANameWins) {
  const ParList symbols = {{"SLOW", std::string("200")}, {"SLOW", std::string("999")}};
  std::string word = "SLOW";
  EXPECT_TRUE(ResolveSymbol(word, symbols));
  EXPECT_EQ(word, " 200");
}

}  // namespace
}  // namespace qv
