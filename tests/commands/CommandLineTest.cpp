// Command lines and their clients: the dispatcher's side effects that replies do not show (the
// replies are in tests/transcripts/commands/), a line client's bytes cut into lines and answered
// in order, and the automation objects that close the serial line with the last client.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "commands/Automation.h"
#include "commands/LineSession.h"
#include "commands/LineSplitter.h"
#include "commands/ReplyEscape.h"
#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

using namespace std::string_literals;

// A whole program with automation hooks that record the serial line's shutdowns.
class CommandRig : public ::testing::Test {
 protected:
  // Objects, the ClientAlive flag, the line's shutdowns, whether the process may end.
  auto ClientState() const {
    return std::tuple(automation.ObjectCount(), t.system.state.ClientAlive, shutdowns,
                      automation.MayEnd());
  }
  TestSystem t;
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
  EXPECT_EQ(std::tuple(t.front.messages.size(), t.front.interpMessages.size()), std::tuple(0u, 0u));
  EXPECT_EQ(t.front.calls, (std::vector<std::string>{"Show", "Hide", "Unload"}));
  t.front.LoadWindows();
  t.Symbol("SLOW", "200");
  const std::tuple<const char*, const char*, const char*> shown[] = {
      // line, command box, message line
      {"nothing", "", "Error Unknown command"},
      {"Z   Rel 10 ", "Z Rel 10", "Off "},
      {"Delay SLOW", "Delay SLOW", " 200"},
  };
  for (const auto& [line, box, message] : shown) {
    t.front.commandText.clear();
    t.Run(line);
    EXPECT_EQ(std::tuple(t.front.commandText, t.front.LastMessage()), std::tuple(box, message))
        << line;
  }
  t.Run("!   Focus   done ");
  EXPECT_EQ(t.front.LastInterpMessage(), "Focus   done");
  EXPECT_EQ(t.system.display.ListForms(),
            "name=frmInterp caption=frmInterp caption\rname=frmQuorvalin caption=frmQuorvalin "
            "caption\r");
}

TEST(ReplyEscape, EveryByteHasOneVisibleForm) {
  const struct {
    std::string reply, line, bus;
  } cases[] = {
      {"4.0 ; ", "4.0 ; ", "4.0 ; "},
      {"a\rb\nc"s, "a\\rb\\nc", "a\rb\nc"},
      {"x\0y"s, "x\\0y", "x\xE2\x90\x80y"},
      {"C:\\0 and \\n", "C:\\\\0 and \\\\n", "C:\\0 and \\n"},
      {"\t\x01\x1B\x1F\x7F ~", "\\t\\x01\\x1B\\x1F\\x7F ~", "\t\x01\x1B\x1F\x7F ~"},
      // A controller's raw start byte is the Windows-1252 "ÿ"; UTF-8 text stays as it is.
      {"\xFF/0`12\x03", "\xC3\xBF/0`12\\x03", "\xC3\xBF/0`12\x03"},
      {"caf\xC3\xA9 \x80", "caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    EXPECT_EQ(EscapeForLine(c.reply), c.line);
    EXPECT_EQ(ReplyToBusText(c.reply), c.bus);
  }
}

TEST(LineSplitter, CutsAtLineFeedsAcrossChunksAndDropsOnlyTheCrBeforeThem) {
  struct Case {
    std::vector<std::string> chunks;
    bool finish;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) {
    LineSplitter splitter(8);
    std::vector<std::string> lines;  // a too-long line shows as "<too long>"
    const auto take = [&lines](const LineSplitter::Line& line) {
      lines.push_back(line.tooLong ? "<too long>" : line.text);
    };
    for (const std::string& chunk : c.chunks)
      for (const LineSplitter::Line& line : splitter.Feed(chunk))
        take(line);
    if (const auto last = c.finish ? splitter.Finish() : std::nullopt) take(*last);
    EXPECT_EQ(lines, c.lines) << testing::PrintToString(c.chunks);
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

TEST(LineSession, EachLineGetsOneAnswerLineEscapedAsTheConsoleWritesIt) {
  Client c;
  c.session.Feed("Ver\r\nCON \x01\xFF\\\n\n");
  EXPECT_EQ(std::tuple(c.ran, c.written),
            std::tuple(std::vector<std::string>{"Ver", "CON \x01\xFF\\", ""},
                       "Ver ; \nCON \\x01\xC3\xBF\\\\ ; \n ; \n"));
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

TEST(LineSession, AClientThatGoesLosesTheRunningAnswerAndItsWaitingLines) {
  Client c;
  c.during = [&c](const std::string& line) {
    if (line == "XY Wait") c.session.Close();
  };
  c.session.Feed("Ver\nXY Wait\nZ ?\n");
  c.session.Feed("Ver\n");
  EXPECT_EQ(std::tuple(c.ran, c.written),
            std::tuple(std::vector<std::string>{"Ver", "XY Wait"}, "Ver ; \n"));
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

TEST(LineSession, NoLineStartsOnceTheProgramIsEnding) {
  Client c;
  c.during = [&c](const std::string&) { c.ending = true; };
  c.session.Feed("Ver\nZ ?\n");
  EXPECT_EQ(c.written, "Ver ; \n");
}

// A call after a release creates a new object; ClientAlive is a flag, not a count; the other
// client keeps its controllers; a second release changes nothing.
TEST_F(AutomationObjects, TheLastReleaseClosesTheLineWhenNoWindowIsLoaded) {
  EXPECT_EQ(automation.Exec(":1.5", "Ver"), "4.0 ; ");
  automation.Exec(":1.6", "Ver");
  EXPECT_TRUE(automation.HasObject(":1.5"));
  EXPECT_EQ(ClientState(), std::tuple(2u, 1, 0, false));
  automation.ReleaseObject(":1.5");
  EXPECT_EQ(ClientState(), std::tuple(1u, 0, 0, false));
  automation.ReleaseObject(":1.6");
  automation.ReleaseObject(":1.6");
  EXPECT_EQ(ClientState(), std::tuple(0u, 0, 1, true));
  automation.Exec(":1.5", "Ver");
  EXPECT_EQ(ClientState(), std::tuple(1u, 1, 1, false));
}

// "Hold" stands for a motion wait: it lets events run, and one of them is the client leaving.
TEST_F(AutomationObjects, AClientLeavingDuringItsCommandIsReleasedWhenTheCommandReturns) {
  std::vector<CommandEntry> table = t.system.dispatcher.Table();
  table.push_back({"Hold", [this](std::string) {
                     automation.ReleaseObject(":1.5");
                     // It keeps its object, and the line stays open, under the wait.
                     EXPECT_EQ(ClientState(), std::tuple(1u, 1, 0, false));
                     return std::string("OK ");
                   }});
  t.system.dispatcher.SetTable(table);
  EXPECT_EQ(automation.Exec(":1.5", "Hold;Ver"), "OK  ; 4.0 ; ");
  EXPECT_FALSE(automation.HasObject(":1.5"));
  EXPECT_EQ(ClientState(), std::tuple(0u, 0, 1, true));
}

TEST_F(AutomationObjects, ALostBusReleasesEveryObjectOfItsClientsOnly) {
  automation.Exec(":1.5", "Ver");
  automation.Exec(":1.6", "Ver");
  automation.CreateObject("tcp:1");  // a client of the line server
  automation.ReleaseAll(":");
  EXPECT_TRUE(automation.HasObject("tcp:1"));
  EXPECT_EQ(ClientState(), std::tuple(1u, 0, 0, false));
  automation.ReleaseAll("tcp:");
  EXPECT_EQ(ClientState(), std::tuple(0u, 0, 1, true));
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

}  // namespace
}  // namespace qv::test
