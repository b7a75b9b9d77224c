// Program text handling: statements, formatting, saving, and the program window's rows.
#include "commands/Interpreter.h"

#include <gtest/gtest.h>

#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

TEST(IndentProgram, IndentsFourBlanksPerOpenLoop) {
  PlainList lines = {
      "Repeat 2 Times", "Repeat 3 Times", "Ver", "   Endrepeat", "", "Endrepeat", "End"};
  EXPECT_EQ(IndentProgram(lines), 1);
  EXPECT_EQ(lines, (PlainList{"Repeat 2 Times", "    Repeat 3 Times", "        Ver",
                              "    Endrepeat", "", "Endrepeat", "End"}));
}

TEST(IndentProgram, ReportsUnbalancedLoops) {
  PlainList open = {"Repeat 2 Times", "Ver", "End"};
  EXPECT_EQ(IndentProgram(open), -1);
  EXPECT_EQ(open[1], "    Ver");

  PlainList closed = {"Ver", "  Endrepeat", "  Ver"};
  EXPECT_EQ(IndentProgram(closed), -1);
  EXPECT_EQ(closed, (PlainList{"Ver", "  Endrepeat", "  Ver"}));  // untouched from there on
}

TEST(NormaliseProgram, DropsIndentationAndLoopCountersOfRepeatLines) {
  RecordingNotifier notifier;
  const PlainList lines = {"Repeat 2 Times : Rep.# 1", "    Repeat  3  Times", "    Ver",
                           "Repeat 2.5 Times"};
  PlainList copy;
  EXPECT_EQ(NormaliseProgram(lines, copy, notifier), 1);
  EXPECT_EQ(copy, (PlainList{"Repeat 2 Times", "Repeat 3 Times", "    Ver", "Repeat 2 Times"}));
  EXPECT_TRUE(notifier.Messages.empty());
}

TEST(NormaliseProgram, RefusesARepeatWithoutCount) {
  RecordingNotifier notifier;
  PlainList copy = {"kept"};
  EXPECT_EQ(NormaliseProgram({"Ver", "Repeat Times"}, copy, notifier), -1);
  EXPECT_EQ(notifier.LastText(), "Error in Command # 1\r\nRepeat Times");
  EXPECT_EQ(copy, PlainList{"kept"});
  EXPECT_EQ(NormaliseProgram({"Repeat 40000 Times"}, copy, notifier), -1);
  EXPECT_EQ(NormaliseProgram({"Repeat -1 Times"}, copy, notifier), -1);
}

class Statements : public ::testing::Test {
 protected:
  void SetUp() override { t.front.LoadWindows(); }
  Interpreter& interp() { return t.system.interpreter; }
  ProgramState& prog() { return interp().State(); }
  TestSystem t;
};

TEST_F(Statements, StatementsAreRecognisedBeforeTheCommandTable) {
  EXPECT_EQ(interp().InterpStatement("Call whatever"), 1);
  EXPECT_EQ(interp().InterpStatement("  End"), 1);
  EXPECT_EQ(interp().InterpStatement("Ver"), 0);
  EXPECT_EQ(interp().InterpStatement("repeat 2 Times"), 0);
  EXPECT_EQ(interp().InterpStatement(""), 0);
}

TEST_F(Statements, RepeatOutsideAProgramFails) {
  EXPECT_EQ(t.Run("Repeat 2 Times"), "Error  ; ");
  EXPECT_EQ(t.front.LastInterpMessage(), " SYNTAX ERROR:Times ? ");
  EXPECT_EQ(t.Run("Repeat 2 Times : Rep.# 1 more"), "Error  ; ");
  EXPECT_EQ(t.front.LastInterpMessage(), " SYNTAX ERROR:1 ? more");
  EXPECT_EQ(t.Run("Endrepeat"), "Error  ; ");
  EXPECT_EQ(t.front.LastInterpMessage(), " SYNTAX ERROR");
}

TEST_F(Statements, RepeatSyntaxErrorsNameTheWordAndTheRest) {
  prog().ProgLines = {"x"};
  prog().ProgPos = 1;
  EXPECT_EQ(interp().ExecRepeat("two Times", 0), -1);
  EXPECT_EQ(t.front.LastInterpMessage(), " SYNTAX ERROR:two ? Times");
  EXPECT_EQ(interp().ExecRepeat("2 Tims", 0), -1);
  EXPECT_EQ(t.front.LastInterpMessage(), " SYNTAX ERROR:Tims ? ");
  EXPECT_EQ(interp().ExecRepeat("2", 0), -1);
  EXPECT_EQ(t.front.LastInterpMessage(), " SYNTAX ERROR:2 ? ");
  EXPECT_EQ(interp().ExecRepeat("-3 Times", 0), -1);  // would be written as "Repeat-3 Times"
  EXPECT_EQ(t.front.LastInterpMessage(), " SYNTAX ERROR:-3 ? Times");
  EXPECT_EQ(interp().ExecRepeat("2 Times : Rep.# many", 0), -1);
  EXPECT_EQ(interp().ExecRepeat("40000 Times", 0), -1);
  EXPECT_EQ(prog().ProgLines[0], "x");
}

TEST_F(Statements, RepeatCountsItsIterationsInItsOwnLine) {
  prog().ProgLines = {"    Repeat 3 Times", "Ver"};
  prog().ProgPos = 1;
  EXPECT_EQ(interp().ExecRepeat("3 Times", 0), 1);
  EXPECT_EQ(t.front.interpMessages.front(), "Executing Repeat.3 Times");
  EXPECT_EQ(prog().ProgLines[0], "    Repeat 3 Times : Rep.# 1");
  EXPECT_EQ(interp().ExecRepeat("3 Times : Rep.# 1", 0), 1);
  EXPECT_EQ(prog().ProgLines[0], "    Repeat 3 Times : Rep.# 2");
  EXPECT_EQ(interp().ExecRepeat("3 Times : Rep.# 32767", 0), -1);  // no iteration 32768
}

TEST_F(Statements, StopHaltsTheProgram) {
  prog().ProgRunState = 1;
  prog().ProgHalted = 0;
  t.front.runIndicator = true;
  EXPECT_EQ(t.Run("Stop"), "OK  ; ");
  EXPECT_EQ(prog().ProgRunState, 0);
  EXPECT_EQ(prog().ProgHalted, 1);
  EXPECT_FALSE(t.front.runIndicator);
}

TEST_F(Statements, NextProgLinePagesTheViewAndFillsTheCommandBox) {
  prog().ProgLines.clear();
  for (int i = 0; i < 10; ++i)
    prog().ProgLines.push_back("! line " + std::to_string(i));
  interp().SetRows(4);
  interp().StartOver();
  EXPECT_EQ(t.front.commandText, "! line 0");
  for (int i = 1; i < 5; ++i)
    EXPECT_EQ(interp().NextProgLine(), "! line " + std::to_string(i));
  EXPECT_EQ(prog().ProgTop, 4);
  EXPECT_EQ(prog().RowLine, (std::vector<int>{4, 5, 6, 7}));
  EXPECT_EQ(prog().ProgMarked, 0);
  for (int i = 5; i < 10; ++i)
    interp().NextProgLine();
  EXPECT_EQ(prog().ProgTop, 6);  // never past the last full page
  EXPECT_EQ(t.front.commandText, "! line 9");
  EXPECT_EQ(interp().NextProgLine(), "End");
  EXPECT_EQ(prog().ProgPos, 10);
  EXPECT_EQ(t.front.commandText, "! line 9");
}

TEST_F(Statements, NextProgLineFillsTheCommandBoxWithoutProgramRows) {
  prog().ProgLines = {"Ver", "End"};
  interp().StartOver();
  EXPECT_EQ(t.front.commandText, "Ver");
}

TEST_F(Statements, ScrollingStaysWithinTheProgram) {
  prog().ProgLines = {"a", "b", "c"};
  interp().SetRows(5);
  interp().ScrollBy(5);  // shorter than the window: the view does not move
  EXPECT_EQ(prog().ProgTop, 0);
  prog().ProgLines.resize(12, "x");
  interp().ScrollBy(5);
  EXPECT_EQ(prog().ProgTop, 5);
  interp().ScrollBy(5);
  EXPECT_EQ(prog().ProgTop, 7);
  interp().ScrollBy(-100);
  EXPECT_EQ(prog().ProgTop, 0);
}

TEST_F(Statements, ElapsedTimeIsShownInTenthsAndOnlyWhenItChanged) {
  interp().ShowElapsed(12340);
  interp().ShowElapsed(12349);
  interp().ShowElapsed(12000 * 1000);  // far beyond 3276.7 s
  interp().ShowElapsed(5000);
  EXPECT_EQ(t.front.progTimes, (std::vector<std::string>{"12.3", "12000", "5"}));
}

TEST_F(Statements, ProgramFilesRoundTripWithoutLoopCounters) {
  const std::string path = t.folder.File("LOOP.PRG");
  prog().ProgLines = {"Repeat 2 Times : Rep.# 1", "    Z Rel 10", "Endrepeat", "", "End"};
  ASSERT_EQ(interp().WriteProgram(path), 1);
  EXPECT_EQ(t.front.LastInterpMessage(), "Program written");
  prog().ProgLines = {"End"};
  interp().SetRows(3);
  EXPECT_EQ(interp().ReadProgram(path), 5);
  EXPECT_EQ(prog().ProgLines,
            (PlainList{"Repeat 2 Times", "    Z Rel 10", "Endrepeat", "", "End"}));
  EXPECT_EQ(prog().ProgFile, path);
  EXPECT_EQ(prog().RowLine, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(t.front.LastInterpMessage(), "Program read");
}

TEST_F(Statements, ProgramFileLinesSplitAtCommasAndUnbalancedProgramsStillLoad) {
  const std::string path = t.folder.File("MIX.PRG");
  PutBytes(path, "Repeat 2 Times\r\nVer,Ver\r\n\"! a, b\"\r\n");
  EXPECT_EQ(interp().ReadProgram(path), 4);
  EXPECT_EQ(prog().ProgLines, (PlainList{"Repeat 2 Times", "    Ver", "    Ver", "    ! a, b"}));
  EXPECT_EQ(t.front.LastInterpMessage(), "Program has mistakes");
}

TEST_F(Statements, MissingProgramFileKeepsTheProgram) {
  prog().ProgLines = {"Ver", "End"};
  EXPECT_EQ(interp().ReadProgram(t.folder.File("NONE.PRG")), -1);
  EXPECT_EQ(prog().ProgLines, (PlainList{"Ver", "End"}));
  EXPECT_EQ(t.front.LastInterpMessage(), "Program not read");
  EXPECT_EQ(t.notifier.LastText(), "File " + t.folder.File("NONE.PRG") + " does not exist");
}

}  // namespace
}  // namespace qv::test
