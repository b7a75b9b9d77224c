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
  // Loads the program and starts it at its first line.
  void Load(PlainList lines) {
    prog().ProgLines = std::move(lines);
    IndentProgram(prog().ProgLines);
    t.system.interpreter.StartOver();
    t.system.interpreter.Run();
  }
  // Ticks until the run stops; the replies of the lines that ran, "|" between them, each
  // without its " ; ".
  std::string Ticks() {
    std::string replies;
    for (int guard = 0; guard < 1000 && prog().ProgRunState != 0; ++guard) {
      last = t.system.runner.Tick();
      if (last.kind != TickResult::Kind::Ran) continue;
      if (!replies.empty()) replies += "|";
      replies += last.reply.substr(0, last.reply.size() - 3);
    }
    return replies;
  }
  ProgramState& prog() { return t.system.interpreter.State(); }

  TestSystem t;
  TickResult last;
};

TEST_F(Runner, ProgramsRunTheirLoopsAndEndFinishedOrStopped) {
  // After a failing line or a "Stop" the command box shows the line a new run starts with.
  const struct {
    PlainList program;
    const char* replies;
    const char* final;
    const char* next = nullptr;
  } cases[] = {
      {{"Repeat 2 Times", "Delay 1", "Endrepeat", "End"},
       "OK |1|OK |OK |1|OK ",
       "PROGRAM FINISHED"},
      {{"Repeat 2 Times", "Repeat 3 Times", "Delay 1", "Endrepeat", "Delay 2", "Endrepeat", "End"},
       "OK |OK |1|OK |OK |1|OK |OK |1|OK |2|OK |OK |OK |1|OK |OK |1|OK |OK |1|OK |2|OK ",
       "PROGRAM FINISHED"},
      {{"Repeat 0 Times", "Delay 1", "Endrepeat", "End"}, "OK |1|OK ", "PROGRAM FINISHED"},
      // A failing line stops the run after it; an "Off" device does not.
      {{"Ver", "xy Rel 10", "Ver", "End"}, "4.0|Error Unknown command", "PROGRAM STOPPED", "Ver"},
      {{"XY Rel 10", "Ver"}, "Off |4.0", "PROGRAM FINISHED"},  // no final "End" needed
      {{"Ver", "nothing"}, "4.0|Error Unknown command", "PROGRAM FINISHED"},
      {{"Ver", "Endrepeat", "Ver", "End"}, "4.0|Error ", "PROGRAM STOPPED", "Ver"},
      // An indented "End" is a command, not the program's end.
      {{"Repeat 1 Times", "End", "Endrepeat", "Ver", "End"}, "OK |OK |OK |4.0", "PROGRAM FINISHED"},
      {{"Ver", "Stop", "Ver", "End"}, "4.0|OK ", "", "Ver"},  // halts without a final message
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program[1]);
    Load(c.program);
    const PlainList formatted = prog().ProgLines;
    EXPECT_EQ(Ticks(), c.replies);
    EXPECT_EQ(last.finalMessage, c.final);
    EXPECT_EQ(prog().ProgLines, formatted);  // loop lines lose their counters again
    EXPECT_EQ(prog().ProgHalted, 1);
    EXPECT_FALSE(t.front.runIndicator);
    if (*c.final != 0) {
      EXPECT_EQ(t.front.LastInterpMessage(), c.final);
      EXPECT_TRUE(t.front.editingEnabled);
    }
    if (c.next != nullptr) {
      EXPECT_EQ(t.front.commandText, c.next);
    }
  }
}

TEST_F(Runner, ElapsedTimeIsShownWhileRunning) {
  Load({"Delay 1500", "Ver", "End"});
  t.system.runner.Tick();
  t.system.runner.Tick();
  EXPECT_EQ(t.front.progTimes, (std::vector<std::string>{"0", "1.5"}));
}

TEST_F(Runner, ATickDuringATickReturnsAtOnce) {
  Load({"Ver", "Ver", "End"});
  // The line lets window events run; a timer tick arriving then must not run another line.
  std::vector<TickResult::Kind> inner;
  t.front.onDoEvents = [&] { inner.push_back(t.system.runner.Tick().kind); };
  EXPECT_EQ(t.system.runner.Tick().kind, TickResult::Kind::Ran);
  EXPECT_EQ(inner, std::vector<TickResult::Kind>{TickResult::Kind::Busy});
  EXPECT_EQ(prog().ProgPos, 2);
}

}  // namespace
}  // namespace qv::test
