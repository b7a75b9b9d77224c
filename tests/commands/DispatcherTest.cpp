// The dispatcher's side effects that replies do not show (the replies themselves are in
// tests/transcripts/commands/): what the windows show, the delays taken, the busy flag, which of
// two symbols of one name counts, and no command once the program is told to end.
#include <gtest/gtest.h>

#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

class Dispatcher : public ::testing::Test {
 protected:
  TestSystem t;
};

TEST_F(Dispatcher, NoCommandRunsOnceTheProgramIsToldToEnd) {
  t.clock.ending = true;
  EXPECT_EQ(t.Run("Ver;Delay 5;End"), "Error  ; Error  ; Error  ; ");
  EXPECT_TRUE(t.clock.delays.empty());
  EXPECT_EQ(t.system.state.CommandCount, 0);
}

TEST_F(Dispatcher, DelayWaitsItsRoundedArgumentAndNothingWhenRefused) {
  t.Symbol("SLOW", "200");
  t.Symbol("SLOW", "999");
  t.Run("Delay 500;Delay SLOW;Delay 2.5;Delay 2147483647;Delay abc;Delay 1e12");
  EXPECT_EQ(t.clock.delays, (std::vector<int32_t>{500, 200, 2, INT32_MAX}));
}

TEST_F(Dispatcher, TheCommandCounterWrapsInsteadOfOverflowing) {
  t.system.state.CommandCount = INT32_MAX;
  EXPECT_EQ(t.Run("CommandCount"), "-2147483648 ; ");
}

// Every handler clears the flag, also when it refuses or the word is unknown.
TEST_F(Dispatcher, BusyFlagIsClearedAfterEveryCommand) {
  t.Run("Ver;Z ?;nothing;Repeat;Obj Get 9;Obj;Scan Next;Grid x;Joy on;Mag;Delay x");
  EXPECT_EQ(t.system.state.CommandBusy, 0);
}

TEST_F(Dispatcher, TheMainWindowShowsCommandsAndRepliesOnlyWhenLoaded) {
  t.Run("nothing;! Focus done;Show;Hide;Unload");
  EXPECT_TRUE(t.front.messages.empty());
  EXPECT_TRUE(t.front.interpMessages.empty());
  EXPECT_EQ(t.front.calls, (std::vector<std::string>{"Show", "Hide", "Unload"}));
  t.front.LoadWindows();
  t.Symbol("SLOW", "200");
  const std::pair<const char*, std::pair<const char*, const char*>> shown[] = {
      // line, command box, message line
      {"nothing", {"", "Error Unknown command"}},
      {"Z   Rel 10 ", {"Z Rel 10", "Off "}},
      {"Delay SLOW", {"Delay SLOW", " 200"}},
  };
  for (const auto& [line, expected] : shown) {
    t.front.commandText.clear();
    t.Run(line);
    EXPECT_EQ(t.front.commandText, expected.first) << line;
    EXPECT_EQ(t.front.LastMessage(), expected.second) << line;
  }
  t.Run("!   Focus   done ");
  EXPECT_EQ(t.front.LastInterpMessage(), "Focus   done");
  EXPECT_EQ(t.system.display.ListForms(),
            "name=frmInterp caption=frmInterp caption\rname=frmQuorvalin caption=frmQuorvalin "
            "caption\r");
}

}  // namespace
}  // namespace qv::test
