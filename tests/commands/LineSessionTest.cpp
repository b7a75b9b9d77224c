// A reply's two transport forms: a line of text and a D-Bus string.
// A line client's bytes: cut into command lines at LF (a CR before it dropped), too-long lines
// refused without keeping them, and the answers written one line each, in order, also when
// bytes arrive while one of the client's lines is running.
#include "commands/LineSession.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/LineSplitter.h"
#include "commands/ReplyEscape.h"

namespace qv::test {
namespace {

using namespace std::string_literals;

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

// The splitter's lines as texts; a too-long line shows as "<too long>".
std::vector<std::string> Split(size_t limit, const std::vector<std::string>& chunks,
                               bool finish = false) {
  LineSplitter splitter(limit);
  std::vector<std::string> lines;
  const auto take = [&lines](const LineSplitter::Line& line) {
    lines.push_back(line.tooLong ? "<too long>" : line.text);
  };
  for (const std::string& chunk : chunks) {
    for (const LineSplitter::Line& line : splitter.Feed(chunk))
      take(line);
  }
  if (finish) {
    if (const auto last = splitter.Finish()) take(*last);
  }
  return lines;
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
    EXPECT_EQ(Split(8, c.chunks, c.finish), c.lines) << testing::PrintToString(c.chunks);
  }
}

// Runs a session whose lines answer with their own text, and records what it wrote.
struct Client {
  Client()
      : session(kMaxClientLine, LineSession::Hooks{[this](const std::string& line) {
                                                     ran.push_back(line);
                                                     if (during) during(line);
                                                     return line + " ; ";
                                                   },
                                                   [this](const std::string& a) { written += a; },
                                                   [this] { return ending; }}) {}
  LineSession session;
  std::vector<std::string> ran;
  std::string written;
  std::function<void(const std::string&)> during;  // what happens while a line runs
  bool ending = false;
};

TEST(LineSession, EachLineGetsOneAnswerLineEscapedAsTheConsoleWritesIt) {
  Client c;
  c.session.Feed("Ver\r\nCON \x01\xFF\\\n\n");
  EXPECT_EQ(c.ran, (std::vector<std::string>{"Ver", "CON \x01\xFF\\", ""}));
  EXPECT_EQ(c.written, "Ver ; \nCON \\x01\xC3\xBF\\\\ ; \n ; \n");
}

// A motion wait lets events run: bytes of the same client that arrive meanwhile wait for it.
TEST(LineSession, TheLimitIs64KiBAndTheClientIsStillServedAfterALongerLine) {
  Client c;
  c.session.Feed(std::string(kMaxClientLine, 'a') + "\r\n");
  EXPECT_EQ(c.written.size(), kMaxClientLine + 4);
  c.written.clear();
  c.session.Feed(std::string(kMaxClientLine + 1, 'a'));
  c.session.Feed(std::string(3 * kMaxClientLine, 'b') + "\nVer\n");
  EXPECT_EQ(c.written, "Error Line longer than 65536 bytes ; \nVer ; \n");
  EXPECT_EQ(c.ran.size(), 2u);
}

TEST(LineSession, AClientThatGoesLosesTheRunningAnswerAndItsWaitingLines) {
  Client c;
  c.during = [&c](const std::string& line) {
    if (line == "XY Wait") c.session.Close();
  };
  c.session.Feed("Ver\nXY Wait\nZ ?\n");
  EXPECT_EQ(c.ran, (std::vector<std::string>{"Ver", "XY Wait"}));
  EXPECT_EQ(c.written, "Ver ; \n");
  c.session.Feed("Ver\n");
  EXPECT_EQ(c.ran.size(), 2u);
}

TEST(LineSession, LinesArrivingWhileOneRunsAreAnsweredAfterItInOrder) {
  Client c;
  c.during = [&c](const std::string& line) {
    if (line != "XY Wait") return;
    c.session.Feed("Ver\nZ ?\n");
    EXPECT_EQ(c.ran.size(), 1u);
    EXPECT_EQ(c.written, "");
    EXPECT_EQ(c.session.QueuedBytes(), 6u);
  };
  c.session.Feed("XY Wait\n");
  EXPECT_EQ(c.written, "XY Wait ; \nVer ; \nZ ? ; \n");
  EXPECT_FALSE(c.session.Running());
}

TEST(LineSession, NoLineStartsOnceTheProgramIsEnding) {
  Client c;
  c.during = [&c](const std::string&) { c.ending = true; };
  c.session.Feed("Ver\nZ ?\n");
  EXPECT_EQ(c.written, "Ver ; \n");
}

}  // namespace
}  // namespace qv::test
