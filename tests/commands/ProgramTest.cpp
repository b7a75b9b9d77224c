// Programs: their text (statements, indentation, files, the program window's rows) and the
// runner that takes one line per timer tick through loops and errors to the end of a run.
#include <gtest/gtest.h>

#include <tuple>

#include "commands/Interpreter.h"
#include "commands/ProgramRunner.h"
#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

TEST(IndentProgram, IndentsFourBlanksPerOpenLoopAndReportsUnbalancedLoops) {
  PlainList lines = {
      "Repeat 2 Times", "Repeat 3 Times", "Ver", "   Endrepeat", "", "Endrepeat", "End"};
  EXPECT_EQ(IndentProgram(lines), 1);
  EXPECT_EQ(lines, (PlainList{"Repeat 2 Times", "    Repeat 3 Times", "        Ver",
                              "    Endrepeat", "", "Endrepeat", "End"}));
  PlainList open = {"Repeat 2 Times", "Ver", "End"};
  EXPECT_EQ(IndentProgram(open), -1);
  EXPECT_EQ(open[1], "    Ver");
  PlainList closed = {"Ver", "  Endrepeat", "  Ver"};
  EXPECT_EQ(IndentProgram(closed), -1);
  EXPECT_EQ(closed, (PlainList{"Ver", "  Endrepeat", "  Ver"}));  // untouched from there on
}

TEST(NormaliseProgram, DropsIndentationAndLoopCountersAndRefusesARepeatWithoutCount) {
  RecordingNotifier notifier;
  PlainList copy;
  EXPECT_EQ(NormaliseProgram(
                {"Repeat 2 Times : Rep.# 1", "    Repeat  3  Times", "    Ver", "Repeat 2.5 Times"},
                copy, notifier),
            1);
  EXPECT_EQ(copy, (PlainList{"Repeat 2 Times", "Repeat 3 Times", "    Ver", "Repeat 2 Times"}));
  EXPECT_TRUE(notifier.Messages.empty());
  for (const char* bad : {"Repeat Times", "Repeat 40000 Times", "Repeat -1 Times"}) {
    copy = {"kept"};
    EXPECT_EQ(NormaliseProgram({"Ver", bad}, copy, notifier), -1) << bad;
    EXPECT_EQ(notifier.LastText(), "Error in Command # 1\r\n" + std::string(bad));
    EXPECT_EQ(copy, PlainList{"kept"});
  }
}

// A whole program with its windows loaded.
class ProgramRig : public ::testing::Test {
 protected:
  void SetUp() override { t.front.LoadWindows(); }
  // Loads the program into twenty rows and starts it at its first line.
  void Load(PlainList lines) {
    interp.SetRows(20);
    prog.ProgLines = std::move(lines);
    IndentProgram(prog.ProgLines);
    interp.StartOver();
    interp.Run();
  }
  TestSystem t;
  Interpreter& interp = t.system.interpreter;
  ProgramState& prog = interp.State();
};
using Statements = ProgramRig;
using Runner = ProgramRig;

TEST_F(Statements, LoopSyntaxErrorsNameTheWordAndTheRest) {
  const std::pair<const char*, const char*> outside[] = {
      {"Repeat 2 Times", " SYNTAX ERROR:Times ? "},  // not in a program
      {"Repeat 2 Times : Rep.# 1 more", " SYNTAX ERROR:1 ? more"},
      {"Endrepeat", " SYNTAX ERROR"},
  };
  for (const auto& [line, message] : outside) {
    EXPECT_EQ(t.Run(line), "Error  ; ");
    EXPECT_EQ(t.front.LastInterpMessage(), message);
  }
  prog.ProgLines = {"x"};
  prog.ProgPos = 1;
  const std::pair<const char*, const char*> inside[] = {
      {"two Times", " SYNTAX ERROR:two ? Times"},
      {"2 Tims", " SYNTAX ERROR:Tims ? "},
      {"2", " SYNTAX ERROR:2 ? "},
      {"-3 Times", " SYNTAX ERROR:-3 ? Times"},  // would be written as "Repeat-3 Times"
      {"2 Times : Rep.# many", nullptr},
      {"40000 Times", nullptr},
  };
  for (const auto& [arguments, message] : inside) {
    EXPECT_EQ(interp.ExecRepeat(arguments, 0), -1) << arguments;
    if (message != nullptr) {
      EXPECT_EQ(t.front.LastInterpMessage(), message);
    }
  }
  EXPECT_EQ(prog.ProgLines[0], "x");
}

TEST_F(Statements, RepeatCountsItsIterationsInItsOwnLine) {
  prog.ProgLines = {"    Repeat 3 Times", "Ver"};
  prog.ProgPos = 1;
  EXPECT_EQ(interp.ExecRepeat("3 Times", 0), 1);
  EXPECT_EQ(t.front.interpMessages.front(), "Executing Repeat.3 Times");
  EXPECT_EQ(prog.ProgLines[0], "    Repeat 3 Times : Rep.# 1");
  EXPECT_EQ(interp.ExecRepeat("3 Times : Rep.# 1", 0), 1);
  EXPECT_EQ(prog.ProgLines[0], "    Repeat 3 Times : Rep.# 2");
  EXPECT_EQ(interp.ExecRepeat("3 Times : Rep.# 32767", 0), -1);  // no iteration 32768
}

TEST_F(Statements, NextProgLinePagesTheViewAndFillsTheCommandBox) {
  prog.ProgLines = {"Ver", "End"};
  interp.StartOver();  // no program rows yet
  EXPECT_EQ(t.front.commandText, "Ver");
  prog.ProgLines.clear();
  for (int i = 0; i < 10; ++i)
    prog.ProgLines.push_back("! line " + std::to_string(i));
  interp.SetRows(4);
  interp.StartOver();
  EXPECT_EQ(t.front.commandText, "! line 0");
  for (int i = 1; i < 5; ++i)
    EXPECT_EQ(interp.NextProgLine(), "! line " + std::to_string(i));
  EXPECT_EQ(std::tuple(prog.ProgTop, prog.RowLine, prog.ProgMarked),
            std::tuple(4, std::vector<int>{4, 5, 6, 7}, 0));
  for (int i = 5; i < 10; ++i)
    interp.NextProgLine();
  // Never past the last full page.
  EXPECT_EQ(std::tuple(prog.ProgTop, t.front.commandText), std::tuple(6, "! line 9"));
  EXPECT_EQ(interp.NextProgLine(), "End");
  EXPECT_EQ(std::tuple(prog.ProgPos, t.front.commandText), std::tuple(10, "! line 9"));
  // Scrolling stays within the program too.
  for (const auto& [by, top] : {std::pair{5, 6}, {-100, 0}, {3, 3}}) {
    interp.ScrollBy(by);
    EXPECT_EQ(prog.ProgTop, top) << by;
  }
}

TEST_F(Statements, ProgramFilesRoundTripWithoutLoopCountersSplitAtCommasAndMayBeMissing) {
  const std::string path = t.folder.File("LOOP.PRG");
  prog.ProgLines = {"Repeat 2 Times : Rep.# 1", "    Z Rel 10", "Endrepeat", "", "End"};
  ASSERT_EQ(interp.WriteProgram(path), 1);
  EXPECT_EQ(t.front.LastInterpMessage(), "Program written");
  prog.ProgLines = {"End"};
  interp.SetRows(3);
  EXPECT_EQ(interp.ReadProgram(path), 5);
  EXPECT_EQ(std::tuple(prog.ProgLines, prog.ProgFile, prog.RowLine, t.front.LastInterpMessage()),
            std::tuple(PlainList{"Repeat 2 Times", "    Z Rel 10", "Endrepeat", "", "End"}, path,
                       std::vector<int>{0, 1, 2}, "Program read"));
  // Unbalanced programs still load.
  PutBytes(path, "Repeat 2 Times\r\nVer,Ver\r\n\"! a, b\"\r\n");
  EXPECT_EQ(interp.ReadProgram(path), 4);
  EXPECT_EQ(std::tuple(prog.ProgLines, t.front.LastInterpMessage()),
            std::tuple(PlainList{"Repeat 2 Times", "    Ver", "    Ver", "    ! a, b"},
                       "Program has mistakes"));
  // A missing file keeps the program.
  EXPECT_EQ(interp.ReadProgram(t.folder.File("NONE.PRG")), -1);
  EXPECT_EQ(
      std::tuple(prog.ProgLines.size(), t.front.LastInterpMessage(), t.notifier.LastText()),
      std::tuple(4u, "Program not read", "File " + t.folder.File("NONE.PRG") + " does not exist"));
}

TEST_F(Runner, ProgramsRunTheirLoopsAndEndFinishedOrStopped) {
  // After a failing line or a "Stop" the command box shows the line a new run starts with.
  const struct {
    PlainList program;
    const char* replies;
    const char* final;
    const char* next = nullptr;
  } cases[] = {
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
    const PlainList formatted = prog.ProgLines;
    // Ticks until the run stops: the replies of the lines that ran, each without its " ; ".
    std::string replies;
    TickResult last;
    for (int guard = 0; guard < 1000 && prog.ProgRunState != 0; ++guard) {
      last = t.system.runner.Tick();
      if (last.kind != TickResult::Kind::Ran) continue;
      if (!replies.empty()) replies += "|";
      replies += last.reply.substr(0, last.reply.size() - 3);
    }
    EXPECT_EQ(replies, c.replies);
    // Loop lines lose their counters again.
    EXPECT_EQ(std::tuple(last.finalMessage, prog.ProgLines, prog.ProgHalted, t.front.runIndicator),
              std::tuple(c.final, formatted, 1, false));
    if (*c.final != 0) {
      EXPECT_EQ(std::tuple(t.front.LastInterpMessage(), t.front.editingEnabled),
                std::tuple(c.final, true));
    }
    if (c.next != nullptr) {
      EXPECT_EQ(t.front.commandText, c.next);
    }
  }
}

// In tenths, and only when it changed.
TEST_F(Runner, ElapsedTimeIsShownWhileRunning) {
  Load({"Delay 1500", "Ver", "End"});
  t.system.runner.Tick();
  t.system.runner.Tick();
  for (const int32_t ms : {12340, 12349, 12000 * 1000, 5000})  // the third far beyond 3276.7 s
    interp.ShowElapsed(ms);
  EXPECT_EQ(t.front.progTimes, (std::vector<std::string>{"0", "1.5", "12.3", "12000", "5"}));
}

TEST_F(Runner, ATickDuringATickReturnsAtOnce) {
  Load({"Ver", "Ver", "End"});
  // The line lets window events run; a timer tick arriving then must not run another line.
  std::vector<TickResult::Kind> inner;
  t.front.onDoEvents = [&] { inner.push_back(t.system.runner.Tick().kind); };
  EXPECT_EQ(t.system.runner.Tick().kind, TickResult::Kind::Ran);
  EXPECT_EQ(std::tuple(inner, prog.ProgPos),
            std::tuple(std::vector<TickResult::Kind>{TickResult::Kind::Busy}, 2));
}

}  // namespace
}  // namespace qv::test
