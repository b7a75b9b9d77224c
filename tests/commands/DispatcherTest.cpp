// The command line road: cutting, dispatching, the general commands and their replies.
#include <gtest/gtest.h>

#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

class Dispatcher : public ::testing::Test {
 protected:
  TestSystem t;
  int32_t Count() const { return t.system.state.CommandCount; }
};

TEST_F(Dispatcher, EveryReplyIsFollowedByTheJoiner) {
  EXPECT_EQ(t.Run("Ver"), "4.0 ; ");
  EXPECT_EQ(t.Run("Ver; ;Ver"), "4.0 ;  ; 4.0 ; ");
  EXPECT_EQ(Count(), 4);  // the blank middle piece is dispatched and counted
  EXPECT_EQ(t.Run("End"), "OK  ; ");
}

TEST_F(Dispatcher, NoCommandRunsOnceTheProgramIsToldToEnd) {
  t.clock.ending = true;
  EXPECT_EQ(t.Run("Ver;Delay 5;End"), "Error  ; Error  ; Error  ; ");
  EXPECT_TRUE(t.clock.delays.empty());
  EXPECT_EQ(Count(), 0);
}

TEST_F(Dispatcher, AnEmptyPieceEndsTheLine) {
  EXPECT_EQ(t.Run("Ver;;Ver"), "4.0 ; ");
  EXPECT_EQ(t.Run(";Ver"), "");
  EXPECT_EQ(t.Run("     "), "");
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(t.Run("  Ver  ;  Ver  "), "4.0 ; 4.0 ; ");
}

TEST_F(Dispatcher, CommandWordsAreCaseSensitive) {
  EXPECT_EQ(t.Run("xy Home"), "Error Unknown command ; ");
  EXPECT_EQ(t.Run("Xy Home;ver"), "Error Unknown command ; Error Unknown command ; ");
  EXPECT_EQ(t.Run("Versions"), "Error Unknown command ; ");
}

TEST_F(Dispatcher, UnknownCommandIsShownOnlyWhenTheMainWindowIsLoaded) {
  t.Run("nothing");
  EXPECT_TRUE(t.front.messages.empty());
  t.front.LoadWindows();
  t.Run("nothing");
  EXPECT_EQ(t.front.LastMessage(), "Error Unknown command");
}

TEST_F(Dispatcher, DeviceWordsAnswerOffAndBecomeTheLastDevice) {
  for (const char* word : {"F", "B", "Z", "XY", "Cube", "LED", "Slide", "Turn"}) {
    EXPECT_EQ(t.Run(std::string(word) + " Home"), "Off  ; ") << word;
    EXPECT_EQ(t.system.state.LastDevice, word);
  }
  EXPECT_EQ(t.Run("XY Home;Z Home"), "Off  ; Off  ; ");
  EXPECT_EQ(t.Run("Z"), "Off  ; ");  // not ready comes before the missing sub-command
}

TEST_F(Dispatcher, DeviceCommandIsShownWithItsReply) {
  t.front.LoadWindows();
  t.Run("Z   Rel 10 ");
  EXPECT_EQ(t.front.commandText, "Z Rel 10");
  EXPECT_EQ(t.front.LastMessage(), "Off ");
}

TEST_F(Dispatcher, AReadyDeviceRefusesAMissingSubCommandAndPassesTheRestOn) {
  t.system.state.Ready.ZReady = 1;
  std::string seen;
  t.system.devices.SetSubCommands("Z", [&](const std::string& sub, std::string& rest) {
    seen = sub + "|" + rest;
    return std::string("OK ");
  });
  EXPECT_EQ(t.Run("Z"), "Error Missing Argument  ; ");
  EXPECT_EQ(t.Run("Z Rel   10"), "OK  ; ");
  EXPECT_EQ(seen, "Rel|10");
}

TEST_F(Dispatcher, WaitFollowsTheLastDevice) {
  EXPECT_EQ(t.Run("Wait"), "1 ; ");
  EXPECT_EQ(Count(), 1);
  t.Run("Z Move 100");
  EXPECT_EQ(t.Run("Wait"), "Off  ; ");
  EXPECT_EQ(Count(), 4);  // "Wait" and the "Z Wait" it runs both count
}

TEST_F(Dispatcher, CommandCountReportsTheCounterWithTheSignBlank) {
  EXPECT_EQ(t.Run("CommandCount"), " 1 ; ");
  EXPECT_EQ(t.Run("Ver;CommandCount"), "4.0 ;  3 ; ");
  t.system.state.CommandCount = INT32_MAX;  // the counter wraps instead of overflowing
  EXPECT_EQ(t.Run("CommandCount"), "-2147483648 ; ");
}

TEST_F(Dispatcher, DelayWaitsItsArgumentAndRepliesIt) {
  t.Symbol("SLOW", "200");
  EXPECT_EQ(t.Run("Delay 500"), "500 ; ");
  EXPECT_EQ(t.Run("Delay SLOW"), " 200 ; ");
  EXPECT_EQ(t.Run("Delay 2.5"), "2.5 ; ");  // rounds half to even: 2 ms
  EXPECT_EQ(t.Run("Delay 2147483647"), "2147483647 ; ");
  EXPECT_EQ(t.clock.delays, (std::vector<int32_t>{500, 200, 2, INT32_MAX}));
}

TEST_F(Dispatcher, DelayRefusesWhatIsNotAMillisecondCount) {
  EXPECT_EQ(t.Run("Delay"), "Error Missing Argument  ; ");
  EXPECT_EQ(t.Run("Delay abc"), "Error Not a Number ; ");
  EXPECT_EQ(t.Run("Delay 1e12"), "Error  ; ");
  EXPECT_EQ(t.Run("Delay 2147483647.5"), "Error  ; ");
  EXPECT_TRUE(t.clock.delays.empty());
}

TEST_F(Dispatcher, DelayIsShownWithItsArgumentText) {
  t.front.LoadWindows();
  t.Symbol("SLOW", "200");
  t.Run("Delay SLOW");
  EXPECT_EQ(t.front.commandText, "Delay SLOW");
  EXPECT_EQ(t.front.LastMessage(), " 200");
}

TEST_F(Dispatcher, MessageCommandWritesToTheProgramWindowAndRepliesEmpty) {
  EXPECT_EQ(t.Run("! Focus done"), " ; ");
  EXPECT_TRUE(t.front.interpMessages.empty());
  t.front.LoadWindows();
  EXPECT_EQ(t.Run("!   Focus   done "), " ; ");
  EXPECT_EQ(t.front.LastInterpMessage(), "Focus   done");
}

TEST_F(Dispatcher, WindowCommandsReachTheFrontEnd) {
  EXPECT_EQ(t.Run("Show;Hide;Unload"), "OK  ; OK  ; OK  ; ");
  EXPECT_EQ(t.front.calls, (std::vector<std::string>{"Show", "Hide", "Unload"}));
}

TEST_F(Dispatcher, SnapRepliesOkWhateverTheTriggerReturns) {
  int triggered = 0;
  t.system.general.SetCaptureTrigger([&] {
    ++triggered;
    return int16_t{-1};
  });
  EXPECT_EQ(t.Run("Snap"), "OK  ; ");
  EXPECT_EQ(triggered, 1);
}

TEST_F(Dispatcher, BusyFlagIsClearedAfterEveryCommand) {
  t.Run("Ver;Z ?;nothing;Repeat");
  EXPECT_EQ(t.system.state.CommandBusy, 0);
}

TEST_F(Dispatcher, WindowExecutionShowsReplyAndElapsedTime) {
  t.front.LoadWindows();
  EXPECT_EQ(t.system.dispatcher.ExecuteFromWindow("Delay 250;Ver", t.clock), "250 ; 4.0 ; ");
  EXPECT_EQ(t.front.messages.front(), "");
  EXPECT_EQ(t.front.LastMessage(), "250 ; 4.0 ; ");
  EXPECT_EQ(t.front.timeText, " 251");
  EXPECT_EQ(t.front.events, 1);
}

TEST_F(Dispatcher, ListFormsNamesEveryLoadedWindow) {
  t.front.LoadWindows();
  EXPECT_EQ(t.system.display.ListForms(),
            "name=frmInterp caption=frmInterp caption\rname=frmQuorvalin caption=frmQuorvalin "
            "caption\r");
}

}  // namespace
}  // namespace qv::test
