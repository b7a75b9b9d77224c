// The runner: one program line per timer tick, loops, errors and the end of a run.
#include "commands/ProgramRunner.h"

#include <gtest/gtest.h>

#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

class Runner : public ::testing::Test {
 protected:
  void SetUp() override {
    t.front.LoadWindows();
    t.system.interpreter.SetRows(20);
  }

  // Loads the program, starts it at its first line and ticks until it stops; the replies of
  // the lines that ran.
  std::vector<std::string> RunProgram(PlainList lines) {
    prog().ProgLines = std::move(lines);
    IndentProgram(prog().ProgLines);
    t.system.interpreter.StartOver();
    t.system.interpreter.Run();
    std::vector<std::string> replies;
    for (int guard = 0; guard < 1000 && prog().ProgRunState != 0; ++guard) {
      const TickResult tick = t.system.runner.Tick();
      if (tick.kind == TickResult::Kind::Ran) replies.push_back(tick.reply);
      last = tick;
    }
    return replies;
  }

  int Count(const std::vector<std::string>& replies, const std::string& reply) {
    return static_cast<int>(std::count(replies.begin(), replies.end(), reply));
  }
  ProgramState& prog() { return t.system.interpreter.State(); }

  TestSystem t;
  TickResult last;
};

TEST_F(Runner, RepeatRunsItsBodyCountTimesAndRestoresItsLine) {
  const auto replies = RunProgram({"Repeat 2 Times", "! step", "Endrepeat", "End"});
  EXPECT_EQ(Count(replies, " ; "), 2);
  EXPECT_EQ(last.finalMessage, "PROGRAM FINISHED");
  EXPECT_EQ(t.front.LastInterpMessage(), "PROGRAM FINISHED");
  EXPECT_EQ(prog().ProgLines[0], "Repeat 2 Times");
  EXPECT_EQ(prog().ProgRunState, 0);
  EXPECT_EQ(prog().ProgHalted, 1);
  EXPECT_FALSE(t.front.runIndicator);
  EXPECT_TRUE(t.front.editingEnabled);
}

TEST_F(Runner, TheLoopLineCarriesItsIterationWhileItRuns) {
  prog().ProgLines = {"Repeat 2 Times", "CommandCount", "Endrepeat", "End"};
  t.system.interpreter.StartOver();
  t.system.interpreter.Run();
  std::vector<std::string> seen;
  while (prog().ProgRunState != 0) {
    t.system.runner.Tick();
    seen.push_back(prog().ProgLines[0]);
  }
  EXPECT_NE(std::find(seen.begin(), seen.end(), "Repeat 2 Times : Rep.# 1"), seen.end());
  EXPECT_NE(std::find(seen.begin(), seen.end(), "Repeat 2 Times : Rep.# 2"), seen.end());
  EXPECT_EQ(seen.back(), "Repeat 2 Times");
}

TEST_F(Runner, NestedLoopsMultiply) {
  const auto replies = RunProgram(
      {"Repeat 2 Times", "Repeat 3 Times", "! inner", "Endrepeat", "! outer", "Endrepeat", "End"});
  EXPECT_EQ(Count(replies, " ; "), 8);  // six inner and two outer messages
  EXPECT_EQ(std::count(t.front.interpMessages.begin(), t.front.interpMessages.end(), "inner"), 6);
  EXPECT_EQ(prog().ProgLines[1], "    Repeat 3 Times");  // formatting survives the run
  EXPECT_EQ(last.finalMessage, "PROGRAM FINISHED");
}

TEST_F(Runner, RepeatZeroTimesRunsTheBodyOnce) {
  RunProgram({"Repeat 0 Times", "! body", "Endrepeat", "End"});
  EXPECT_EQ(std::count(t.front.interpMessages.begin(), t.front.interpMessages.end(), "body"), 1);
}

TEST_F(Runner, AFailingLineStopsTheRunAfterIt) {
  const auto replies = RunProgram({"Ver", "xy Rel 10", "Ver", "End"});
  EXPECT_EQ(replies, (std::vector<std::string>{"4.0 ; ", "Error Unknown command ; "}));
  EXPECT_EQ(last.finalMessage, "PROGRAM STOPPED");
  EXPECT_EQ(t.front.commandText, "Ver");  // Run resumes after the failing line
  EXPECT_EQ(prog().ProgPos, 3);
}

TEST_F(Runner, AnOffDeviceDoesNotStopTheProgram) {
  const auto replies = RunProgram({"XY Rel 10", "Ver"});
  EXPECT_EQ(replies, (std::vector<std::string>{"Off  ; ", "4.0 ; "}));
  EXPECT_EQ(last.finalMessage, "PROGRAM FINISHED");  // no final "End" needed
}

TEST_F(Runner, EndrepeatWithoutRepeatIsASyntaxError) {
  RunProgram({"Ver", "Endrepeat", "Ver", "End"});
  EXPECT_EQ(last.finalMessage, "PROGRAM STOPPED");
  EXPECT_NE(
      std::find(t.front.interpMessages.begin(), t.front.interpMessages.end(), " SYNTAX ERROR"),
      t.front.interpMessages.end());
}

TEST_F(Runner, AnIndentedEndDoesNotEndTheProgram) {
  const auto replies = RunProgram({"Repeat 1 Times", "End", "Endrepeat", "Ver", "End"});
  EXPECT_EQ(replies.back(), "4.0 ; ");
}

TEST_F(Runner, ErrorOnTheLastLineStillFinishes) {
  RunProgram({"Ver", "nothing"});
  EXPECT_EQ(last.finalMessage, "PROGRAM FINISHED");
}

TEST_F(Runner, StopStatementHaltsWithoutAFinalMessage) {
  const auto replies = RunProgram({"Ver", "Stop", "Ver", "End"});
  EXPECT_EQ(replies.size(), 2u);
  EXPECT_TRUE(last.finalMessage.empty());
  EXPECT_EQ(t.front.commandText, "Ver");
}

TEST_F(Runner, AStepRunsOneLine) {
  prog().ProgLines = {"Ver", "Ver", "End"};
  t.system.interpreter.StartOver();
  t.system.interpreter.Step();
  EXPECT_EQ(t.system.runner.Tick().kind, TickResult::Kind::Ran);
  EXPECT_EQ(prog().ProgRunState, 0);
  EXPECT_EQ(prog().ProgHalted, 1);
  EXPECT_EQ(t.system.runner.Tick().kind, TickResult::Kind::Idle);
}

TEST_F(Runner, ElapsedTimeIsShownWhileRunning) {
  prog().ProgLines = {"Delay 1500", "Ver", "End"};
  t.system.interpreter.StartOver();
  t.system.interpreter.Run();
  t.system.runner.Tick();
  t.system.runner.Tick();
  EXPECT_EQ(t.front.progTimes, (std::vector<std::string>{"0", "1.5"}));
}

TEST_F(Runner, ATickDuringATickReturnsAtOnce) {
  prog().ProgLines = {"Ver", "Ver", "End"};
  t.system.interpreter.StartOver();
  t.system.interpreter.Run();
  // The line lets window events run; a timer tick arriving then must not run another line.
  std::vector<TickResult::Kind> inner;
  t.front.onDoEvents = [&] { inner.push_back(t.system.runner.Tick().kind); };
  EXPECT_EQ(t.system.runner.Tick().kind, TickResult::Kind::Ran);
  EXPECT_EQ(inner, std::vector<TickResult::Kind>{TickResult::Kind::Busy});
  EXPECT_EQ(prog().ProgPos, 2);
}

}  // namespace
}  // namespace qv::test
