// Commands: the dispatcher's side effects that replies do not show (the replies are in
// tests/transcripts/commands/), a line client's bytes cut into lines and answered in order, the
// automation objects that close the serial line with the last client, programs and their runner,
// and the main window's tools: the outside capture program (Snap on a real display is in
// tests/platform/OutsideProgramsTest.cpp) and the speed tests on both simulated microscopes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "commands/Automation.h"
#include "commands/CaptureControl.h"
#include "commands/Interpreter.h"
#include "commands/LineSession.h"
#include "commands/LineSplitter.h"
#include "commands/ProgramRunner.h"
#include "commands/ReplyEscape.h"
#include "commands/SpeedTests.h"
#include "foundation/CommandLine.h"
#include "foundation/NumberText.h"
#include "tests/support/SimSystem.h"
#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

using namespace std::string_literals;

// What the automation objects leave: printed with their names when a test fails.
struct Clients {
  size_t objects;
  int alive;      // the ClientAlive flag
  int shutdowns;  // of the serial line
  bool mayEnd;    // the process
  bool operator==(const Clients&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const Clients& c) {
    return out << "{objects " << c.objects << ", ClientAlive " << c.alive << ", line shutdowns "
               << c.shutdowns << ", may end " << (c.mayEnd ? "yes" : "no") << "}";
  }
};

// A whole program with automation hooks that record the serial line's shutdowns.
class CommandRig : public ::testing::Test {
 protected:
  Clients ClientState() const {
    return {automation.ObjectCount(), t.system.state.ClientAlive, shutdowns, automation.MayEnd()};
  }
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
  bool commReady = true;
  bool windowLoaded = false;
  int shutdowns = 0;
  Automation automation{
      t.system.state, t.system.dispatcher,
      Automation::Hooks{[this] { return commReady; }, [this] { return windowLoaded; },
                        [this] {
                          ++shutdowns;
                          commReady = false;
                        }}};
};
using Dispatcher = CommandRig;
using AutomationObjects = CommandRig;

TEST_F(Dispatcher, NoCommandRunsOnceTheProgramIsToldToEnd) {
  t.clock.ending = true;
  EXPECT_EQ(t.Run("Ver;Delay 5;End"), "Error  ; Error  ; Error  ; ");
  EXPECT_EQ(std::tuple(t.clock.delays.size(), t.system.state.CommandCount), std::tuple(0u, 0));
}

TEST_F(Dispatcher, DelayWaitsItsRoundedArgumentAndNothingWhenRefused) {
  t.Symbol("SLOW", "200");
  t.Symbol("SLOW", "999");
  t.Run("Delay 500;Delay SLOW;Delay 2.5;Delay 2147483647;Delay abc;Delay 1e12");
  EXPECT_EQ(t.clock.delays, (std::vector<int32_t>{500, 200, 2, INT32_MAX}));
  // A stop signal during a delay cuts it short: it did not wait its time.
  t.clock.endInDelay = true;
  EXPECT_EQ(t.Run("Delay 0;Delay 30000;Ver"), "0 ; Error  ; Error  ; ");
}

// A client's file is not written through a link that somebody else could have planted, and the
// client hears so (links of another user: the atomic writer's tests).
TEST_F(Dispatcher, ObjectsAreNotWrittenThroughALinkInAFolderOpenToEveryone) {
  TempFolder open;
  ASSERT_EQ(::chmod(open.Dir().c_str(), 01777), 0);
  const std::string mine = t.folder.File("MINE.TXT"), link = open.File("OBJ.TXT");
  std::filesystem::create_symlink(mine, link);
  EXPECT_EQ(t.Run("Obj ListWrite " + link + ";Obj ListWrite " + mine), "Error  ;  0 ; ");
  ASSERT_EQ(t.notifier.Messages.size(), 1u);
  EXPECT_EQ(t.notifier.Messages[0].Text, "File " + link + " was not written: " + link +
                                             " is a symbolic link in a folder that every user "
                                             "may write");
}

// Every handler clears the flag, also when it refuses or the word is unknown; every piece is
// counted, and the counter wraps instead of overflowing.
TEST_F(Dispatcher, BusyFlagIsClearedAfterEveryCommandAndTheCounterWraps) {
  t.system.state.CommandCount = INT32_MAX - 11;
  EXPECT_TRUE(t.Run("Ver;Z ?;nothing;Repeat;Obj Get 9;Obj;Scan Next;Grid x;Joy on;Mag;Delay x;"
                    "CommandCount")
                  .ends_with("; -2147483648 ; "));
  EXPECT_EQ(t.system.state.CommandBusy, 0);
}

TEST_F(Dispatcher, TheMainWindowShowsCommandsAndRepliesOnlyWhenLoaded) {
  t.Run("nothing;! Focus done;Show;Hide;Unload");
  EXPECT_EQ(std::tuple(t.front.messages.size(), t.front.interpMessages.size()), std::tuple(0u, 0u));
  EXPECT_EQ(t.front.calls, (std::vector<std::string>{"Show", "Hide", "Unload"}));
  t.front.LoadWindows();
  t.Symbol("SLOW", "200");
  const std::tuple<std::string, std::string, std::string> shown[] = {
      // line, command box, message line
      {"nothing", "", "Error Unknown command"},
      {"Z   Rel 10 ", "Z Rel 10", "Off "},
      {"Delay SLOW", "Delay SLOW", " 200"},
  };
  for (const auto& [line, box, message] : shown) {
    SCOPED_TRACE(line);
    t.front.commandText.clear();
    t.Run(line);
    EXPECT_EQ(t.front.commandText, box);
    EXPECT_EQ(t.front.LastMessage(), message);
  }
  t.Run("!   Focus   done ");
  EXPECT_EQ(t.front.LastInterpMessage(), "Focus   done");
  EXPECT_EQ(t.system.display.ListForms(),
            "frmInterp caption (frmInterp)\nfrmQuorvalin caption (frmQuorvalin)\n");
}

// A relative object list file is the program folder's, an absolute one stays where it is.
TEST_F(Dispatcher, ObjectListFilesAreInTheProgramFolderUnlessTheirPathIsAbsolute) {
  TempFolder elsewhere;
  t.system.state.AppDir = t.folder.Dir();
  t.Run("Obj Add 1 2 3;Obj ListWrite " + elsewhere.File("ABS.TXT") + ";Obj ListWrite REL.TXT");
  ASSERT_TRUE(std::filesystem::exists(elsewhere.File("ABS.TXT")));
  EXPECT_EQ(GetBytes(elsewhere.File("ABS.TXT")), GetBytes(t.folder.File("REL.TXT")));
  EXPECT_EQ(t.Run("Obj ListClear;Obj ListRead " + elsewhere.File("ABS.TXT") + ";Obj GetNum"),
            "Object List Cleared ;  1 ;  1 ; ");
}

TEST(ReplyEscape, EveryByteHasOneVisibleForm) {
  // A reply, as a line client and the console see it, as an automation client sees it.
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"4.0 ; ", "4.0 ; ", "4.0 ; "},
      {"a\rb\nc"s, "a\\rb\\nc", "a\rb\nc"},
      {"x\0y"s, "x\\0y", "x\xE2\x90\x80y"},
      {"C:\\0 and \\n", "C:\\\\0 and \\\\n", "C:\\0 and \\n"},
      {"\t\x01\x1B\x1F\x7F ~", "\\t\\x01\\x1B\\x1F\\x7F ~", "\t\x01\x1B\x1F\x7F ~"},
      // A controller's raw start byte is the Windows-1252 "ÿ"; UTF-8 text stays as it is.
      {"\xFF/0`12\x03", "\xC3\xBF/0`12\\x03", "\xC3\xBF/0`12\x03"},
      {"caf\xC3\xA9 \x80", "caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC"},
  };
  for (const auto& [reply, line, bus] : cases)
    EXPECT_EQ(std::tuple(EscapeForLine(reply), ReplyToBusText(reply)), std::tuple(line, bus))
        << reply;
}

TEST(LineSplitter, CutsAtLineFeedsAcrossChunksAndDropsOnlyTheCrBeforeThem) {
  // Chunks fed, whether the input ends after them, the lines taken.
  const std::tuple<std::vector<std::string>, bool, std::vector<std::string>> cases[] = {
      {{"V", "er\r", "\nZ", " ?"}, false, {"Ver"}},  // the unfinished line waits
      {{"a\rb\r\r\n"}, false, {"a\rb\r"}},
      {{"Ver\nZ ?\r"}, true, {"Ver", "Z ?"}},  // the end of the input ends the last line
      {{"Ver\n"}, true, {"Ver"}},
      // Up to 8 bytes a line: 8 pass, with their CR LF in any chunks; 9 are refused once, as
      // soon as they are seen, and the rest of the line is dropped up to its LF.
      {{"12345678\r", "\n"}, false, {"12345678"}},
      {{"12345678\r9\nVer\n"}, false, {"<too long>", "Ver"}},
      {{"1234", "56789", "abcdefghijk", "lmn\r\nVer\n"}, false, {"<too long>", "Ver"}},
      {{"123456789abc"}, true, {"<too long>"}},
  };
  int row = 0;
  for (const auto& [chunks, finish, expected] : cases) {
    SCOPED_TRACE("row " + std::to_string(++row) + ": \"" + EscapeForLine(chunks.front()) + "\"");
    LineSplitter splitter(8);
    std::vector<std::string> lines;  // a too-long line shows as "<too long>"
    const auto take = [&lines](const LineSplitter::Line& line) {
      lines.push_back(line.tooLong ? "<too long>" : line.text);
    };
    for (const std::string& chunk : chunks)
      for (const LineSplitter::Line& line : splitter.Feed(chunk))
        take(line);
    if (const auto last = finish ? splitter.Finish() : std::nullopt) take(*last);
    EXPECT_EQ(lines, expected) << testing::PrintToString(chunks);
  }
}

// Runs a session whose lines answer with their own text, and records what it wrote.
struct Client {
  std::vector<std::string> ran;
  std::string written;
  std::function<void(const std::string&)> during;  // what happens while a line runs
  bool ending = false;
  LineSession session{kMaxClientLine,
                      LineSession::Hooks{[this](const std::string& line) {
                                           ran.push_back(line);
                                           if (during) during(line);
                                           return line + " ; ";
                                         },
                                         [this](const std::string& a) { written += a; },
                                         [this] { return ending; }}};
};

// Each line gets one answer line, escaped as the console writes it; a client that goes loses the
// running answer and its waiting lines; no line starts once the program is ending.
TEST(LineSession, EachLineIsAnsweredUntilTheClientGoesOrTheProgramEnds) {
  // The bytes fed (a second feed after "/"), the line during which the client goes or the
  // program is told to end, the lines run, the answers written.
  const std::tuple<std::string, std::string, std::string, std::vector<std::string>, std::string>
      cases[] = {
          {"escaped",
           "Ver\r\nCON \x01\xFF\\\n\n",
           "",
           {"Ver", "CON \x01\xFF\\", ""},
           "Ver ; \nCON \\x01\xC3\xBF\\\\ ; \n ; \n"},
          {"client goes", "Ver\nXY Wait\nZ ?\n/Ver\n", "close", {"Ver", "XY Wait"}, "Ver ; \n"},
          {"program ends", "Ver\nZ ?\n", "end", {"Ver"}, "Ver ; \n"},
      };
  for (const auto& [name, bytes, action, ran, written] : cases) {
    SCOPED_TRACE(name);
    Client c;
    c.during = [&c, &action = action](const std::string& line) {
      if (action == "close" && line == "XY Wait") c.session.Close();
      c.ending = action == "end";
    };
    for (size_t at = 0, bar = 0; bar != std::string::npos; at = bar + 1)
      c.session.Feed(bytes.substr(at, (bar = bytes.find('/', at)) - at));
    EXPECT_EQ(c.ran, ran);
    EXPECT_EQ(c.written, written);
  }
}

TEST(LineSession, TheLimitIs64KiBAndTheClientIsStillServedAfterALongerLine) {
  Client c;
  c.session.Feed(std::string(kMaxClientLine, 'a') + "\r\n");
  EXPECT_EQ(c.written.size(), kMaxClientLine + 4);
  c.written.clear();
  c.session.Feed(std::string(kMaxClientLine + 1, 'a'));
  c.session.Feed(std::string(3 * kMaxClientLine, 'b') + "\nVer\n");
  EXPECT_EQ(std::tuple(c.written, c.ran.size()),
            std::tuple("Error Line longer than 65536 bytes ; \nVer ; \n", 2u));
}

// A motion wait lets events run: bytes of the same client that arrive meanwhile wait for it.
TEST(LineSession, LinesArrivingWhileOneRunsAreAnsweredAfterItInOrder) {
  Client c;
  c.during = [&c](const std::string& line) {
    if (line != "XY Wait") return;
    c.session.Feed("Ver\nZ ?\n");
    EXPECT_EQ(std::tuple(c.ran.size(), c.written, c.session.QueuedBytes()), std::tuple(1u, "", 6u));
  };
  c.session.Feed("XY Wait\n");
  EXPECT_EQ(std::tuple(c.written, c.session.Running()),
            std::tuple("XY Wait ; \nVer ; \nZ ? ; \n", false));
}

// A call after a release creates a new object; ClientAlive is a flag, not a count; the other
// client keeps its controllers; a second release changes nothing.
TEST_F(AutomationObjects, TheLastReleaseClosesTheLineWhenNoWindowIsLoaded) {
  EXPECT_EQ(automation.Exec(":1.5", "Ver"), "4.0 ; ");
  automation.Exec(":1.6", "Ver");
  EXPECT_TRUE(automation.HasObject(":1.5"));
  EXPECT_EQ(ClientState(), (Clients{2, 1, 0, false}));
  automation.ReleaseObject(":1.5");
  EXPECT_EQ(ClientState(), (Clients{1, 0, 0, false}));
  automation.ReleaseObject(":1.6");
  automation.ReleaseObject(":1.6");
  EXPECT_EQ(ClientState(), (Clients{0, 0, 1, true}));
  automation.Exec(":1.5", "Ver");
  EXPECT_EQ(ClientState(), (Clients{1, 1, 1, false}));
}

// "Hold" stands for a motion wait: it lets events run, and one of them is the client leaving.
TEST_F(AutomationObjects, AClientLeavingDuringItsCommandIsReleasedWhenTheCommandReturns) {
  std::vector<CommandEntry> table = t.system.dispatcher.Table();
  table.push_back({"Hold", [this](CommandSource&, std::string) {
                     automation.ReleaseObject(":1.5");
                     // It keeps its object, and the line stays open, under the wait.
                     EXPECT_EQ(ClientState(), (Clients{1, 1, 0, false}));
                     return std::string("OK ");
                   }});
  t.system.dispatcher.SetTable(table);
  EXPECT_EQ(automation.Exec(":1.5", "Hold;Ver"), "OK  ; 4.0 ; ");
  EXPECT_FALSE(automation.HasObject(":1.5"));
  EXPECT_EQ(ClientState(), (Clients{0, 0, 1, true}));
}

TEST_F(AutomationObjects, ALostBusReleasesEveryObjectOfItsClientsOnly) {
  automation.Exec(":1.5", "Ver");
  automation.Exec(":1.6", "Ver");
  automation.CreateObject("tcp:1");  // a client of the line server
  automation.ReleaseAll(":");
  EXPECT_TRUE(automation.HasObject("tcp:1"));
  EXPECT_EQ(ClientState(), (Clients{1, 0, 0, false}));
  automation.ReleaseAll("tcp:");
  EXPECT_EQ(ClientState(), (Clients{0, 0, 1, true}));
}

TEST_F(AutomationObjects, ALoadedWindowOrAClosedLineKeepsTheLineAsItIs) {
  windowLoaded = true;
  automation.Exec(":1.5", "Ver");
  automation.ReleaseObject(":1.5");
  EXPECT_FALSE(automation.MayEnd());  // the window keeps the process
  windowLoaded = false;
  EXPECT_TRUE(automation.MayEnd());
  commReady = false;
  automation.Exec(":1.5", "Ver");
  automation.ReleaseObject(":1.5");
  EXPECT_EQ(shutdowns, 0);
}

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

// The lines of `text` joined by "|".
PlainList Joined(const std::string& text) {
  PlainList lines;
  for (size_t at = 0, bar = 0; bar != std::string::npos; at = bar + 1)
    lines.push_back(text.substr(at, (bar = text.find('|', at)) - at));
  return lines;
}

struct ProgramRig : CommandRig {
  void SetUp() override { t.front.LoadWindows(); }
};
using Statements = ProgramRig;
using Runner = ProgramRig;

TEST_F(Statements, LoopSyntaxErrorsNameTheWordAndTheRest) {
  const std::pair<std::string, std::string> outside[] = {
      {"Repeat 2 Times", " SYNTAX ERROR:Times ? "},  // not in a program
      {"Repeat 2 Times : Rep.# 1 more", " SYNTAX ERROR:1 ? more"},
      {"Endrepeat", " SYNTAX ERROR"},
  };
  for (const auto& [line, message] : outside) {
    SCOPED_TRACE(line);
    EXPECT_EQ(t.Run(line), "Error  ; ");
    EXPECT_EQ(t.front.LastInterpMessage(), message);
  }
  prog.ProgLines = {"x"};
  prog.ProgPos = 1;
  const std::pair<std::string, std::string> inside[] = {
      {"two Times", " SYNTAX ERROR:two ? Times"},
      {"2 Tims", " SYNTAX ERROR:Tims ? "},
      {"2", " SYNTAX ERROR:2 ? "},
      {"-3 Times", " SYNTAX ERROR:-3 ? Times"},  // would be written as "Repeat-3 Times"
      {"2 Times : Rep.# many", " SYNTAX ERROR:many ? "},
      {"40000 Times", " SYNTAX ERROR:40000 ? Times"},
  };
  for (const auto& [arguments, message] : inside) {
    SCOPED_TRACE(arguments);
    t.front.interpMessages.clear();
    EXPECT_EQ(interp.ExecRepeat(arguments, 0), -1);
    EXPECT_EQ(t.front.LastInterpMessage(), message);
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
  PutBytes(path, "Repeat 2 Times\r\nVer,Ver\r\n\"! a, b\"\r\n");
  EXPECT_EQ(interp.ReadProgram(path), 4);
  EXPECT_EQ(std::tuple(prog.ProgLines, t.front.LastInterpMessage()),
            std::tuple(PlainList{"Repeat 2 Times", "    Ver", "    Ver", "    ! a, b"},
                       "Program has mistakes"));
  EXPECT_EQ(interp.ReadProgram(t.folder.File("NONE.PRG")), -1);
  EXPECT_EQ(
      std::tuple(prog.ProgLines.size(), t.front.LastInterpMessage(), t.notifier.LastText()),
      std::tuple(4u, "Program not read", "File " + t.folder.File("NONE.PRG") + " does not exist"));
}

TEST_F(Runner, ProgramsRunTheirLoopsAndEndFinishedOrStopped) {
  // The program's lines joined by "|"; after a failing line or a "Stop" the command box shows the
  // line a new run starts with (`next`, unchecked when empty).
  const struct {
    std::string name, program, replies, final, next;
  } cases[] = {
      {"nested loops", "Repeat 2 Times|Repeat 3 Times|Delay 1|Endrepeat|Delay 2|Endrepeat|End",
       "OK |OK |1|OK |OK |1|OK |OK |1|OK |2|OK |OK |OK |1|OK |OK |1|OK |OK |1|OK |2|OK ",
       "PROGRAM FINISHED", ""},
      {"no repetition", "Repeat 0 Times|Delay 1|Endrepeat|End", "OK |1|OK ", "PROGRAM FINISHED",
       ""},
      // A new run finds the loops of the program as it now is.
      {"loops found again", "Delay 1|Repeat 2 Times|Endrepeat|End", "1|OK |OK |OK |OK ",
       "PROGRAM FINISHED", ""},
      // A failing line stops the run after it, also a device that answers "Off", also on the
      // last line.
      {"unknown command", "Ver|xy Rel 10|Ver|End", "4.0|Error Unknown command", "PROGRAM STOPPED",
       "Ver"},
      {"device off", "Ver;XY Rel 10;Ver|Ver", "4.0 ; Off  ; 4.0", "PROGRAM STOPPED", "Ver"},
      {"no final End", "Ver|Ver", "4.0|4.0", "PROGRAM FINISHED", ""},
      {"failing last line", "Ver|nothing", "4.0|Error Unknown command", "PROGRAM STOPPED", ""},
      {"Endrepeat without Repeat", "Ver|Endrepeat|Ver|End", "4.0|Error ", "PROGRAM STOPPED", "Ver"},
      // An indented "End" is a command, not the program's end.
      {"End inside a loop", "Repeat 1 Times|End|Endrepeat|Ver|End", "OK |OK |OK |4.0",
       "PROGRAM FINISHED", ""},
      {"Stop halts without a final message", "Ver|Stop|Ver|End", "4.0|OK ", "", "Ver"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Load(Joined(c.program));
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
    EXPECT_EQ(last.finalMessage, c.final);
    EXPECT_EQ(prog.ProgLines, formatted);  // loop lines lose their counters again
    EXPECT_EQ(prog.ProgHalted, 1);
    EXPECT_FALSE(t.front.runIndicator);
    if (!c.final.empty()) {
      EXPECT_EQ(t.front.LastInterpMessage(), c.final);
      EXPECT_TRUE(t.front.editingEnabled);
    }
    if (!c.next.empty()) {
      EXPECT_EQ(t.front.commandText, c.next);
    }
  }
}

// No loop is open on the first line, so an "End" there ends the program before anything runs,
// also where the window left it indented.
TEST_F(Runner, AnEndOnTheFirstLineRunsNothing) {
  for (const std::string first : {"End", "  End"}) {
    Load({"Ver", "Ver"});
    prog.ProgLines[0] = first;
    interp.StartOver();
    const int32_t counted = t.system.state.CommandCount;
    const TickResult tick = t.system.runner.Tick();
    EXPECT_EQ(
        std::tuple(tick.kind, tick.finalMessage, t.system.state.CommandCount, prog.ProgPos,
                   prog.ProgRunState, t.front.LastInterpMessage()),
        std::tuple(TickResult::Kind::Ended, "PROGRAM FINISHED", counted, 1, 0, "PROGRAM FINISHED"))
        << first;
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

// Every source's commands show in the command box that holds the program's next line: after the
// first line has run, another source's command shows there, and the program goes on with its
// own line; only the operator's change to the box runs instead of it.
TEST_F(Runner, ACommandShownByAnotherSourceNeverBecomesTheProgramsLine) {
  CommandSource client;
  const auto fromClient = [&] { t.system.dispatcher.ExecuteLine(client, "Delay 7"); };
  const auto typed = [&] { t.front.commandText = "Delay 9"; };
  std::function<void()> inEvents;  // what the next window events do
  t.front.onDoEvents = [&] {
    if (const std::function<void()> act = std::exchange(inEvents, nullptr)) act();
  };
  const struct {
    std::string between;
    std::function<void()> act;
    std::vector<int32_t> delays;
  } cases[] = {
      {"a client between ticks", fromClient, {1, 7, 2, 3}},
      {"a client while the tick lets events run", [&] { inEvents = fromClient; }, {1, 7, 2, 3}},
      // The client's command lets events run before it runs, and a tick runs in them.
      {"a tick inside a client's command",
       [&] {
         inEvents = [&] { t.system.runner.Tick(); };
         t.system.dispatcher.ExecuteFromWindow(client, "Delay 7", t.clock);
       },
       {1, 2, 7, 3}},
      {"Run after the Stop button",
       [&] {
         interp.Stop();
         fromClient();
         interp.Run();
       },
       {1, 7, 2, 3}},
      {"Step after the Stop button",
       [&] {
         interp.Stop();
         fromClient();
         interp.Step();
       },
       {1, 7, 2}},
      {"the operator's change", typed, {1, 9, 3}},
      {"the operator's change while the tick lets events run",
       [&] { inEvents = typed; },
       {1, 9, 3}},
      {"the operator's pick from a list", [&] { t.system.display.EnterCmd("Delay 9"); }, {1, 9, 3}},
      {"the operator's change shown over",
       [&] {
         typed();
         fromClient();
       },
       {1, 7, 2, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.between);
    Load({"Delay 1", "Delay 2", "Delay 3", "End"});
    t.system.runner.Tick();
    c.act();
    for (int guard = 0; guard < 10 && prog.ProgRunState != 0; ++guard)
      t.system.runner.Tick();
    EXPECT_EQ(t.clock.delays, c.delays);
    t.clock.delays.clear();
  }
}

// Records starts, window activations and keystrokes as events; hands out ids from 100 on; the
// ids in `gone` have no window any more.
class FakeLauncher final : public ProgramLauncher {
 public:
  int32_t StartProgram(const std::string& program,
                       const std::vector<std::string>& arguments) override {
    std::string start = "start " + program;
    for (const std::string& argument : arguments)
      start += " [" + argument + "]";
    events.push_back(start);
    return startFails ? 0 : nextId++;
  }
  bool ActivateWindow(int32_t id) override {
    events.push_back("activate " + std::to_string(id));
    return gone.count(id) == 0;
  }
  bool SendKeys(int32_t id, const std::string& keys) override {
    events.push_back("keys " + std::to_string(id) + " [" + keys + "]");
    return !keysFail;
  }
  std::vector<std::string> events;
  std::set<int32_t> gone;
  bool startFails = false;
  bool keysFail = false;
  int32_t nextId = 100;
};

class Capture : public ::testing::Test {
 protected:
  FakeLauncher launcher;
  FakeClock clock;
  std::string configured;
  std::vector<std::string> reports;
  CaptureControl acq{&launcher, clock, configured,
                     [this](const std::string& message) { reports.push_back(message); }};
};

// Snap reaches the latest copy, after half a second; the command line is read at each launch.
TEST_F(Capture, SnapGoesToTheLatestCopyAndAFailedStartForgetsIt) {
  EXPECT_EQ(acq.CaptureSnap(), 0);  // before any launch: nothing
  EXPECT_EQ(acq.LaunchCaptureProgram(), "Capture Program Launched");
  configured = "/opt/cam/\"shoot it\" --keys \"/tmp/a b.txt\"";
  acq.LaunchCaptureProgram();
  EXPECT_EQ(acq.CaptureSnap(), 0);
  EXPECT_EQ(launcher.events, (std::vector<std::string>{
                                 "start C:\\Program Files\\Canon\\EOS Utility\\EOS Utility.exe",
                                 "start /opt/cam/shoot it [--keys] [/tmp/a b.txt]", "activate 101",
                                 "keys 101 [ ]"}));
  EXPECT_EQ(std::tuple(clock.delays, reports.size()), std::tuple(std::vector<int32_t>{500}, 0u));
  launcher.events.clear();
  launcher.startFails = true;
  EXPECT_EQ(acq.LaunchCaptureProgram(), "Capture Program Not Launched");
  EXPECT_EQ(acq.State().CaptureTaskId, 0);
  acq.CaptureSnap();
  EXPECT_EQ(launcher.events.size(), 1u);  // the start only
}

// A copy that has gone gets no keystroke and no pause; either failure is reported at each snap.
TEST_F(Capture, AProgramThatCannotBeReachedIsReportedAtEachSnap) {
  configured = "cam";
  for (const bool gone : {true, false}) {
    acq.LaunchCaptureProgram();
    if (gone) launcher.gone.insert(acq.State().CaptureTaskId);
    launcher.keysFail = !gone;
    EXPECT_EQ(acq.CaptureSnap(), 0);
    EXPECT_EQ(acq.CaptureSnap(), 0);
  }
  EXPECT_EQ(launcher.events, (std::vector<std::string>{"start cam", "activate 100", "activate 100",
                                                       "start cam", "activate 101", "keys 101 [ ]",
                                                       "activate 101", "keys 101 [ ]"}));
  EXPECT_EQ(reports, (std::vector<std::string>(4, "Capture Program Not Reached")));
  EXPECT_EQ(clock.delays, (std::vector<int32_t>(2, 500)));  // only the keys that were sent
}

TEST(CaptureWithoutPlatform, NoLauncherMeansNotLaunchedAndSnapIsHarmless) {
  FakeClock clock;
  const std::string none;
  CaptureControl acq(nullptr, clock, none, {});
  EXPECT_EQ(acq.LaunchCaptureProgram(), "Capture Program Not Launched");
  EXPECT_EQ(acq.CaptureSnap(), 0);
  EXPECT_EQ(CaptureCommandFor(0, "/bin/true").program, "");  // no kind chosen, nothing to start
}

TEST(CommandLineWords, BlanksSeparateQuotesGroupAndBackslashesStay) {
  using Words = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("  gedit   --new-window\t-s "),
            (Words{"gedit", "--new-window", "-s"}));
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\x.exe\" \"\" a\"b c\""),
            (Words{"C:\\Program Files\\x.exe", "", "ab c"}));
  EXPECT_EQ(SplitCommandLine("edit \"unclosed rest"), (Words{"edit", "unclosed rest"}));
  EXPECT_TRUE(SplitCommandLine(" \t ").empty());
}

using Answers = std::deque<std::optional<std::string>>;
using TestFn = std::function<std::string(SpeedTests&)>;
const TestFn kLimitLoop = [](SpeedTests& t) { return t.LimitLoop(); };
const TestFn kScan = [](SpeedTests& t) { return t.Scan(); };
const TestFn kCube = [](SpeedTests& t) { return t.AdjacentCubeMoves(); };
const TestFn kFilter = [](SpeedTests& t) { return t.FilterMoves(1); };

class SpeedTestLine : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { ASSERT_EQ(s.Start(), 1) << s.system.comm.CommLogText(); }

  // Runs `test` on `on` with these answers; records the questions, and when the last one was
  // answered or the motions began (the progress text).
  std::string Run(Answers answers, const TestFn& test, SimSystem* on = nullptr) {
    SimSystem& sys = on != nullptr ? *on : s;
    asked.clear();
    SpeedTests tests(
        SpeedTestDevices{sys.system.stage, sys.system.motors, sys.system.wheels, sys.system.cube,
                         sys.clock},
        [&](const std::string& title, const std::string& prompt) -> std::optional<std::string> {
          asked.push_back(title + ": " + prompt);
          start = sys.clock.Now();
          if (answers.empty()) return std::nullopt;
          auto answer = answers.front();
          answers.pop_front();
          return answer;
        },
        [&](const std::string& text) {
          progress = text;
          start = sys.clock.Now();
        });
    return test(tests);
  }
  // The elapsed milliseconds a millisecond clock shows since `start`.
  int32_t SimElapsedMs() const { return static_cast<int32_t>(s.clock.Now() / 1000 - start / 1000); }
  sim::Micros Moved(char address) { return s.State(address).counter; }

  SimSystem s{RepoFolder(GetParam()), sim::LineOptions{.baud = 9600}};
  std::vector<std::string> asked;
  std::string progress;
  sim::Micros start = 0;
};

TEST_P(SpeedTestLine, LimitLoopReportsRepetitionsSimulatedTimeAndTheTravelsOfTheStage) {
  s.line.ClearFrames();
  const std::string result = Run({"20000", "20000", "2"}, kLimitLoop);
  // Each repetition reads X at both its ends.
  const std::string x(1, static_cast<char>(s.system.stage.XUnit()));
  const std::string readX = s.system.state.Config.ContrType == "EZHR17" ? "/" + x + "?0" : x + "Z";
  EXPECT_EQ(std::ranges::count(s.line.Frames(), readX), 4);
  EXPECT_EQ(asked, (std::vector<std::string>{"Limit Loop Test: Enter X Slew Velocity:",
                                             "Limit Loop Test: Enter Y Slew Velocity:",
                                             "Limit Loop Test: Enter Number of Repetitions:"}));
  EXPECT_EQ(progress, "Limit loop ...");
  const std::string head = " 2 rep " + Str(SimElapsedMs()) + " ms, [";
  ASSERT_EQ(result.substr(0, head.size()), head) << result;
  // Each travel is the axis's range between its end sensors (100 and 75 mm less the sensors).
  double travel[2] = {0, 0};
  ASSERT_EQ(std::sscanf(result.c_str() + head.size(), "%lf,%lf]", &travel[0], &travel[1]), 2);
  EXPECT_NEAR(travel[0], 99800, 998);  // where a unit stops after its sensor differs by type
  EXPECT_NEAR(travel[1], 74800, 748);
  // A dead end sensor fails the loop with the code of a motion time-out.
  SimSystem broken(RepoFolder(GetParam()), sim::LineOptions{.baud = 9600}, [](sim::LinePlan& plan) {
    for (sim::UnitPlan& unit : plan.units)
      if (unit.role == sim::Role::Y) unit.axis.deadSensors = sim::SensorBit(sim::Sensor::High);
  });
  ASSERT_EQ(broken.Start(), 1);
  const std::string failed = Run({"20000", "20000", "1"}, kLimitLoop, &broken);
  EXPECT_EQ(failed, "Error-2");
}

TEST_P(SpeedTestLine, ScanRastersAlongEitherAxisAndTakesTheStageBack) {
  const StageAxisParams& x = s.system.stage.Params().X;
  const double um = s.system.stage.XUmPerStep();
  const char home = static_cast<char>(x.profile.contr);
  for (const char* direction : {"0", "1"}) {
    // Three fields of 100 microns in X, two of 300 in Y: along X two X steps and one Y step,
    // along Y one Y step in each of two lines and an X step after each.
    const bool alongX = direction[0] == '0';
    const double steps = alongX ? (2 * 100 + 300) / um : (2 * 300 + 2 * 100) / um;
    const int64_t before = Moved(home);
    const std::string result = Run({"3", "2", "100", "300", direction}, kScan);
    EXPECT_EQ(progress, "Scanning ...");
    int32_t elapsed = -1;
    ASSERT_EQ(std::sscanf(result.c_str(), " 3 * 2, steps 100 * 300 %d", &elapsed), 1) << result;
    EXPECT_EQ(result, " 3 * 2, steps 100 * 300 " + std::to_string(elapsed) + " msec");
    const double motion = 1000 * steps / x.profile.slewVelocity;
    EXPECT_GE(elapsed, motion);
    EXPECT_LE(elapsed, motion + (alongX ? 3 : 4) * 80);
    EXPECT_LE(elapsed, SimElapsedMs());
    ASSERT_EQ(s.Run("XY Wait"), "OK  ; ");
    EXPECT_EQ(Moved(home), before);
  }
  // Along X with one line: nothing moves and no time passes.
  const char y = static_cast<char>(s.system.stage.YUnit());
  const auto before = std::tuple(Moved(home), Moved(y));
  EXPECT_EQ(Run({"4", "1", "100", "100", "0"}, kScan), " 4 * 1, steps 100 * 100 0 msec");
  s.Run("XY Wait");
  EXPECT_EQ(std::tuple(Moved(home), Moved(y)), before);
}

TEST_P(SpeedTestLine, FilterTestWrapsRoundTheWheelAndTimesItsMoves) {
  ASSERT_EQ(s.system.wheels.Params(1).filtPositions, 6);
  ASSERT_EQ(s.Run("F 5;F Wait"), "OK  ; OK  ; ");
  // Steps from filter 5 on six positions, with and without passing position 6; 8 is more than
  // once round: filter 2, not 8. Two steps three times go 4, 6, then round to 2.
  const std::tuple<std::string, std::string, std::string, std::string> moves[] = {
      // the moves, positions, times, the filter after them
      {"5 past 6 to 2", "3", "1", "2 ; "},   {"2 to 5", "3", "1", "5 ; "},
      {"5 to 6", "1", "1", "6 ; "},          {"6 once round and on to 2", "8", "1", "2 ; "},
      {"2 by two thrice", "2", "3", "2 ; "},
  };
  for (const auto& [name, step, times, filter] : moves) {
    SCOPED_TRACE(name);
    const std::string result = Run({step, times}, kFilter);
    EXPECT_EQ(result, " " + times + " repetitions -" + Str(SimElapsedMs()) + " msec");
    EXPECT_EQ(s.Run("F ?"), filter);
  }
  EXPECT_EQ(asked.front(),
            "Filter move test: Enter number of positions to switch (1 is switch to adjacent):");
  const sim::Micros before = s.clock.Now();
  EXPECT_EQ(Run({"0", "1"}, kFilter), " 1 repetitions - 0 msec");
  EXPECT_EQ(s.clock.Now(), before);
}

TEST_P(SpeedTestLine, CubeTestEndsOnCubeOneAfterAnEvenNumberOfMoves) {
  ASSERT_EQ(s.Run("Cube 3;Cube Wait"), "OK  ; OK  ; ");
  const std::string result = Run({"3"}, kCube);
  EXPECT_EQ(asked,
            std::vector<std::string>{"Adjacent cube move test: Enter number of repetitions:"});
  int32_t ms = -1;
  ASSERT_EQ(std::sscanf(result.c_str(), " 4 repetitions -%d msec", &ms), 1) << result;
  EXPECT_GT(ms, 0);
  EXPECT_LE(ms, SimElapsedMs());
  EXPECT_EQ(s.Run("Cube ?"), "1 ; ");
  EXPECT_EQ(Run({"1"}, kCube), " 0 repetitions - 0 msec");
}

TEST_P(SpeedTestLine, AnAnswerThatIsNoUsableNumberEndsTheTestBeforeAnythingMoves) {
  const std::pair<Answers, TestFn> cases[] = {
      {{"8000", "x"}, kLimitLoop},
      {{"8000", "8000", "70000"}, kLimitLoop},
      {{"3", "3", "100", "1e999"}, kScan},
      {{"3", "3", "100", "100", ""}, kScan},
      {{"2", std::nullopt}, [](SpeedTests& t) { return t.FilterMoves(2); }},
      {{"&H10"}, kCube},
  };
  int row = 0;
  for (const auto& [answers, test] : cases) {
    SCOPED_TRACE("row " + std::to_string(++row) + ", answered " +
                 answers.back().value_or("nothing"));
    const sim::Micros before = s.clock.Now();
    EXPECT_EQ(Run(answers, test), kInputNotANumber);
    EXPECT_EQ(s.clock.Now(), before) << "the line stayed silent";
    EXPECT_EQ(asked.size(), answers.size());
  }
}

INSTANTIATE_TEST_SUITE_P(BothTypes, SpeedTestLine,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());

// 1 and 3 are in the cube test above.
TEST(SpeedTestCount, CubeMovesAreTheNearestEvenNumberHalvesToEven) {
  for (const auto& [asked, moves] : {std::pair<int16_t, int32_t>{5, 4}, {-3, -4}, {32767, 32768}})
    EXPECT_EQ(EvenRepetitions(asked), moves) << asked;
}

}  // namespace
}  // namespace qv::test
