// Program text handling: statements, formatting, saving, and the program window's rows.
#include "commands/Interpreter.h"

#include <gtest/gtest.h>

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

class Statements : public ::testing::Test {
 protected:
  void SetUp() override { t.front.LoadWindows(); }
  Interpreter& interp() { return t.system.interpreter; }
  ProgramState& prog() { return interp().State(); }
  TestSystem t;
};

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
  prog().ProgLines = {"x"};
  prog().ProgPos = 1;
  const std::pair<const char*, const char*> inside[] = {
      {"two Times", " SYNTAX ERROR:two ? Times"},
      {"2 Tims", " SYNTAX ERROR:Tims ? "},
      {"2", " SYNTAX ERROR:2 ? "},
      {"-3 Times", " SYNTAX ERROR:-3 ? Times"},  // would be written as "Repeat-3 Times"
      {"2 Times : Rep.# many", nullptr},
      {"40000 Times", nullptr},
  };
  for (const auto& [arguments, message] : inside) {
    EXPECT_EQ(interp().ExecRepeat(arguments, 0), -1) << arguments;
    if (message != nullptr) {
      EXPECT_EQ(t.front.LastInterpMessage(), message);
    }
  }
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

TEST_F(Statements, NextProgLinePagesTheViewAndFillsTheCommandBox) {
  prog().ProgLines = {"Ver", "End"};
  interp().StartOver();  // no program rows yet
  EXPECT_EQ(t.front.commandText, "Ver");
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

TEST_F(Statements, ScrollingStaysWithinTheProgram) {
  prog().ProgLines.resize(12, "x");
  interp().SetRows(5);
  for (const int expected : {5, 7}) {
    interp().ScrollBy(5);
    EXPECT_EQ(prog().ProgTop, expected);
  }
  interp().ScrollBy(-100);
  EXPECT_EQ(prog().ProgTop, 0);
}

TEST_F(Statements, ElapsedTimeIsShownInTenthsAndOnlyWhenItChanged) {
  for (const int32_t ms : {12340, 12349, 12000 * 1000, 5000})  // the third far beyond 3276.7 s
    interp().ShowElapsed(ms);
  EXPECT_EQ(t.front.progTimes, (std::vector<std::string>{"12.3", "12000", "5"}));
}

TEST_F(Statements, ProgramFilesRoundTripWithoutLoopCountersSplitAtCommasAndMayBeMissing) {
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
  // Unbalanced programs still load.
  PutBytes(path, "Repeat 2 Times\r\nVer,Ver\r\n\"! a, b\"\r\n");
  EXPECT_EQ(interp().ReadProgram(path), 4);
  EXPECT_EQ(prog().ProgLines, (PlainList{"Repeat 2 Times", "    Ver", "    Ver", "    ! a, b"}));
  EXPECT_EQ(t.front.LastInterpMessage(), "Program has mistakes");
  // A missing file keeps the program.
  EXPECT_EQ(interp().ReadProgram(t.folder.File("NONE.PRG")), -1);
  EXPECT_EQ(prog().ProgLines.size(), 4u);
  EXPECT_EQ(t.front.LastInterpMessage(), "Program not read");
  EXPECT_EQ(t.notifier.LastText(), "File " + t.folder.File("NONE.PRG") + " does not exist");
}

}  // namespace
}  // namespace qv::test
