#include "foundation/Trapar.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "foundation/NumberText.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingNotifier.h"

namespace qv {
namespace {

using test::GetBytes;
using test::PutBytes;
using test::RecordingNotifier;
using test::TempFolder;

ParEntry Parsed(std::string_view line) {
  ParEntry entry{"unset", std::string("unset")};
  EXPECT_TRUE(ParseKeywordLine(line, entry)) << '"' << line << '"';
  return entry;
}

std::string TextOf(const ParValue& value) {
  const auto* text = std::get_if<std::string>(&value);
  return text != nullptr ? *text : "<not a text>";
}

// --- One keyword line ---

TEST(ParseKeywordLine, LinesShorterThanFiveCharactersAreSkipped) {
  const ParEntry five = Parsed("\"A\",1");
  EXPECT_EQ(five.Name, "A");
  EXPECT_EQ(TextOf(five.Value), "1");

  ParEntry entry{"keep", std::string("keep")};
  EXPECT_FALSE(ParseKeywordLine("\"A\",", entry));
  EXPECT_FALSE(ParseKeywordLine("", entry));
  EXPECT_FALSE(ParseKeywordLine("    ", entry));
  EXPECT_EQ(entry.Name, "keep");
  EXPECT_EQ(TextOf(entry.Value), "keep");
}

TEST(ParseKeywordLine, BlanksAroundNameValueAndRemarkAreDropped) {
  const ParEntry e = Parsed("  \"XSTEPDIVIDE\" ,  10 , remark");
  EXPECT_EQ(e.Name, "XSTEPDIVIDE");
  EXPECT_EQ(TextOf(e.Value), "10");

  const ParEntry remark = Parsed("\"XSCREWLEAD\",1000,the screw's lead, in microns");
  EXPECT_EQ(remark.Name, "XSCREWLEAD");
  EXPECT_EQ(TextOf(remark.Value), "1000");

  const ParEntry blanksInName = Parsed("\"  MY KEY  \", a b ");
  EXPECT_EQ(blanksInName.Name, "MY KEY");
  EXPECT_EQ(TextOf(blanksInName.Value), "a b");
}

TEST(ParseKeywordLine, TabsAreNotBlanks) {
  const ParEntry e = Parsed("\"K\",\t5\t");
  EXPECT_EQ(TextOf(e.Value), "\t5\t");
  EXPECT_EQ(Parsed("\"\tK\",5").Name, "\tK");
}

TEST(ParseKeywordLine, WithoutACommaTheWholeTrimmedLineIsTheValue) {
  const ParEntry e = Parsed("\"ABC\"");
  EXPECT_EQ(e.Name, "ABC");
  EXPECT_EQ(TextOf(e.Value), "\"ABC\"");

  const ParEntry blanks = Parsed("  \"KEY\" 12  ");
  EXPECT_EQ(blanks.Name, "KEY");
  EXPECT_EQ(TextOf(blanks.Value), "\"KEY\" 12");
}

TEST(ParseKeywordLine, CommasAreCountedWithoutRegardToQuotes) {
  const ParEntry e = Parsed("\"A,B\",5");
  EXPECT_EQ(e.Name, "A,B");
  EXPECT_EQ(TextOf(e.Value), "B\"");

  const ParEntry empty = Parsed("\"KEY\",");
  EXPECT_EQ(empty.Name, "KEY");
  EXPECT_EQ(TextOf(empty.Value), "");

  const ParEntry quotedValue = Parsed("\"KEY\",\"a\"\"b\",c");
  EXPECT_EQ(TextOf(quotedValue.Value), "\"a\"\"b\"");
}

TEST(ParseKeywordLine, LinesWithoutAPairOfQuotesAreSkipped) {
  ParEntry entry;
  EXPECT_FALSE(ParseKeywordLine("XSCREWLEAD,1000", entry));
  EXPECT_FALSE(ParseKeywordLine("\"XSCREWLEAD,1000", entry));
  EXPECT_FALSE(ParseKeywordLine("a remark line", entry));
  EXPECT_EQ(Parsed("\"\",55").Name, "");
}

TEST(FormatKeywordLine, TextsAsTheyAreNumbersInGeneralForm) {
  EXPECT_EQ(FormatKeywordLine({"K", std::string("text, with comma")}), "\"K\",text, with comma");
  EXPECT_EQ(FormatKeywordLine({"K", 0.5}), "\"K\", .5");
  EXPECT_EQ(FormatKeywordLine({"K", -0.25}), "\"K\",-.25");
  EXPECT_EQ(FormatKeywordLine({"K", int16_t{125}}), "\"K\", 125");
  EXPECT_EQ(FormatKeywordLine({"K", int32_t{-3}}), "\"K\",-3");
  EXPECT_EQ(FormatKeywordLine({"K", int32_t{100000}}), "\"K\", 100000");
  EXPECT_EQ(FormatKeywordLine({"K", 1e15}), "\"K\", 1E+15");
}

TEST(FormatKeywordLine, ALineBreakInNameOrValueCannotStartAnotherEntry) {
  EXPECT_EQ(FormatKeywordLine({"K", std::string("a\r\n\"EVIL\",1")}), "\"K\",a  \"EVIL\",1");
  EXPECT_EQ(FormatKeywordLine({"K\nL", std::string("\r")}), "\"K L\", ");
  const std::string line = FormatKeywordLine({"K", std::string("x\n\"EVIL\",1")});
  EXPECT_EQ(SplitFileLines(line).size(), 1u);
}

// --- Lines of a file ---

TEST(SplitFileLines, AcceptsCrLfLoneLfAndLoneCr) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(SplitFileLines("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitFileLines("a\r\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitFileLines("a\nb\n"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitFileLines("a\rb\r"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitFileLines("a\r\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitFileLines("a\n\rb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitFileLines("\r\n\r\n"), (Lines{"", ""}));
  EXPECT_EQ(SplitFileLines("\r"), (Lines{""}));
  EXPECT_EQ(SplitFileLines(""), (Lines{}));
  EXPECT_EQ(SplitFileLines(std::string_view("a\0b", 3)), (Lines{std::string("a\0b", 3)}));
}

// --- Moving values in and out of a list ---

ParList SampleList() {
  return {{"XSCREWLEAD", std::string("1000")}, {"HALF", std::string(".5")},
          {"X", std::string("first")},         {"X", std::string("second")},
          {"TEXT", std::string("abc")},        {"BIG", std::string("40000")},
          {"ROUND", std::string("2.5")}};
}

TEST(TransferPar, FromConvertsToTheReceivingType) {
  ParList list = SampleList();
  std::string text;
  int16_t small = 0;
  int32_t large = 0;
  double number = 0;
  EXPECT_EQ(TransferPar(list, "XSCREWLEAD", text, "from"), 1);
  EXPECT_EQ(text, "1000");
  EXPECT_EQ(TransferPar(list, "XSCREWLEAD", small, "from"), 1);
  EXPECT_EQ(small, 1000);
  EXPECT_EQ(TransferPar(list, "BIG", large, "from"), 1);
  EXPECT_EQ(large, 40000);
  EXPECT_EQ(TransferPar(list, "HALF", number, "from"), 1);
  EXPECT_EQ(number, 0.5);
  EXPECT_EQ(TransferPar(list, "ROUND", small, "from"), 1);
  EXPECT_EQ(small, 2);
  EXPECT_EQ(TransferPar(list, "ROUND", large, "from"), 1);
  EXPECT_EQ(large, 2);
  ParValue any;
  EXPECT_EQ(TransferPar(list, "TEXT", any, "from"), 1);
  EXPECT_EQ(TextOf(any), "abc");
}

TEST(TransferPar, FromWithAValueThatDoesNotConvertLeavesTheVariable) {
  ParList list = SampleList();
  int16_t small = 7;
  int32_t large = 7;
  double number = 7;
  EXPECT_EQ(TransferPar(list, "TEXT", small, "from"), kParBadValue);
  EXPECT_EQ(TransferPar(list, "TEXT", large, "from"), kParBadValue);
  EXPECT_EQ(TransferPar(list, "TEXT", number, "from"), kParBadValue);
  EXPECT_EQ(TransferPar(list, "BIG", small, "from"), kParBadValue);
  EXPECT_EQ(small, 7);
  EXPECT_EQ(large, 7);
  EXPECT_EQ(number, 7);
}

TEST(TransferPar, FromAStoredNumberConvertsItToo) {
  ParList list;
  double d = 2.5;
  double m = 1e6;
  int16_t i16 = 12;
  int32_t i32 = 70000;
  ASSERT_EQ(TransferPar(list, "D", d, "clear"), 1);
  ASSERT_EQ(TransferPar(list, "M", m, "to"), 1);
  ASSERT_EQ(TransferPar(list, "I", i16, "to"), 1);
  ASSERT_EQ(TransferPar(list, "L", i32, "to"), 1);

  std::string text;
  EXPECT_EQ(TransferPar(list, "D", text, "from"), 1);
  EXPECT_EQ(text, "2.5");
  EXPECT_EQ(TransferPar(list, "I", text, "from"), 1);
  EXPECT_EQ(text, "12");
  int16_t small = 99;
  EXPECT_EQ(TransferPar(list, "D", small, "from"), 1);
  EXPECT_EQ(small, 2);
  small = 99;
  EXPECT_EQ(TransferPar(list, "L", small, "from"), kParBadValue);
  EXPECT_EQ(TransferPar(list, "M", small, "from"), kParBadValue);
  EXPECT_EQ(small, 99);
  int32_t large = 0;
  EXPECT_EQ(TransferPar(list, "M", large, "from"), 1);
  EXPECT_EQ(large, 1000000);
  double number = 0;
  EXPECT_EQ(TransferPar(list, "L", number, "from"), 1);
  EXPECT_EQ(number, 70000.0);
}

TEST(TransferPar, NotFoundLeavesTheVariable) {
  ParList list = SampleList();
  std::string text = "unchanged";
  double number = 3;
  EXPECT_EQ(TransferPar(list, "MISSING", text, "from"), -1);
  EXPECT_EQ(TransferPar(list, "MISSING", number, "from"), -1);
  EXPECT_EQ(text, "unchanged");
  EXPECT_EQ(number, 3);
}

TEST(TransferPar, NamesCompareExactlyAndCaseSensitively) {
  ParList list = SampleList();
  std::string text = "unchanged";
  EXPECT_EQ(TransferPar(list, "xscrewlead", text, "from"), -1);
  EXPECT_EQ(TransferPar(list, "XScrewLead", text, "from"), -1);
  EXPECT_EQ(TransferPar(list, " XSCREWLEAD", text, "from"), -1);
  EXPECT_EQ(TransferPar(list, "XSCREWLEAD ", text, "from"), -1);
  EXPECT_EQ(text, "unchanged");

  // "to" with another letter case is another key: it is appended, not merged.
  std::string value = "5";
  ASSERT_EQ(TransferPar(list, "xscrewlead", value, "to"), 1);
  EXPECT_EQ(list.size(), SampleList().size() + 1);
  EXPECT_EQ(TextOf(list[0].Value), "1000");
  EXPECT_EQ(list.back().Name, "xscrewlead");
}

TEST(TransferPar, DuplicateNamesFindTheFirstOnly) {
  ParList list = SampleList();
  std::string text;
  EXPECT_EQ(TransferPar(list, "X", text, "from"), 1);
  EXPECT_EQ(text, "first");
  std::string replacement = "new";
  EXPECT_EQ(TransferPar(list, "X", replacement, "to"), 1);
  EXPECT_EQ(TextOf(list[2].Value), "new");
  EXPECT_EQ(TextOf(list[3].Value), "second");
  EXPECT_EQ(list.size(), SampleList().size());
}

TEST(TransferPar, ToKeepsTheCallersType) {
  ParList list;
  double d = 0.5;
  int16_t s = -3;
  int32_t l = 100000;
  std::string t = "abc";
  ASSERT_EQ(TransferPar(list, "D", d, "to"), 1);
  ASSERT_EQ(TransferPar(list, "S", s, "to"), 1);
  ASSERT_EQ(TransferPar(list, "L", l, "to"), 1);
  ASSERT_EQ(TransferPar(list, "T", t, "to"), 1);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_TRUE(std::holds_alternative<double>(list[0].Value));
  EXPECT_TRUE(std::holds_alternative<int16_t>(list[1].Value));
  EXPECT_TRUE(std::holds_alternative<int32_t>(list[2].Value));
  EXPECT_TRUE(std::holds_alternative<std::string>(list[3].Value));
  // Replacing a text entry with a number makes it a number.
  double replacement = 2;
  ASSERT_EQ(TransferPar(list, "T", replacement, "to"), 1);
  EXPECT_TRUE(std::holds_alternative<double>(list[3].Value));
  ParValue any = int16_t{9};
  ASSERT_EQ(TransferPar(list, "ANY", any, "to"), 1);
  EXPECT_EQ(std::get<int16_t>(list.back().Value), 9);
}

TEST(TransferPar, ClearMakesAListOfOneEntry) {
  ParList list = SampleList();
  std::string value = "v";
  EXPECT_EQ(TransferPar(list, "ONLY", value, "clear"), 1);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Name, "ONLY");
  EXPECT_EQ(TextOf(list[0].Value), "v");
  ParList empty;
  EXPECT_EQ(TransferPar(empty, "ONLY", value, "clear"), 1);
  EXPECT_EQ(empty.size(), 1u);
}

TEST(TransferPar, OtherDirectionWordsDoNothing) {
  for (const char* word : {"From", "FROM", "TO", "To", "Clear", "", "from ", " to", "fro"}) {
    ParList list = SampleList();
    std::string text = "unchanged";
    double number = 1;
    EXPECT_EQ(TransferPar(list, "XSCREWLEAD", text, word), 0) << word;
    EXPECT_EQ(TransferPar(list, "NEW", number, word), 0) << word;
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(number, 1);
    ASSERT_EQ(list.size(), SampleList().size()) << word;
    EXPECT_EQ(TextOf(list[0].Value), "1000");
  }
}

// --- The module with its current path and list ---

class TraparFiles : public ::testing::Test {
 protected:
  TraparFiles() : trapar(notifier) { trapar.SetParDir(folder.Dir()); }

  TempFolder folder;
  RecordingNotifier notifier;
  Trapar trapar;
};

TEST_F(TraparFiles, PathIsThePlainConcatenationOfFolderAndFileName) {
  trapar.SetParFile("QV_PARXY.TXT");
  EXPECT_EQ(trapar.GetParPath(), folder.Dir() + "QV_PARXY.TXT");
  EXPECT_EQ(trapar.ParDir(), folder.Dir());
  trapar.SetParDir("base");
  EXPECT_EQ(trapar.GetParPath(), "baseQV_PARXY.TXT");
}

TEST_F(TraparFiles, ReadingAMissingFileShowsAnOkBoxAndKeepsTheList) {
  trapar.SetParFile("QV_MISSING.TXT");
  std::string value = "kept";
  trapar.Par("KEPT", value, "clear");
  EXPECT_EQ(trapar.ReadParFile(), -1);
  ASSERT_EQ(notifier.Messages.size(), 1u);
  EXPECT_EQ(notifier.Messages[0].Text, "File " + folder.Dir() + "QV_MISSING.TXT does not exist");
  EXPECT_EQ(notifier.Messages[0].Icon, MsgIcon::None);
  EXPECT_EQ(notifier.Messages[0].Buttons, MsgButtons::Ok);
  EXPECT_EQ(notifier.Messages[0].Title, "");
  ASSERT_EQ(trapar.ParCount(), 1);
  EXPECT_EQ(trapar.CurrentList()[0].Name, "KEPT");

  // A folder is not a file.
  ParList other = SampleList();
  EXPECT_EQ(trapar.ReadParList(folder.Dir(), other), -1);
  EXPECT_EQ(other.size(), SampleList().size());
}

TEST_F(TraparFiles, ReadingKeepsFileOrderAndSkipsShortAndUnquotedLines) {
  PutBytes(folder.File("QV_TEST.TXT"),
           "' remark without quotes\r\n"
           "\r\n"
           "\"A\",1\r\n"
           "\"B\",\r\n"
           "  \"XSTEPDIVIDE\" ,  10 , remark\r\n"
           "\"X\",first\n"
           "\"X\",second\r"
           "\"LAST\", -.25 ");
  trapar.SetParFile("QV_TEST.TXT");
  ASSERT_EQ(trapar.ReadParFile(), 1);
  EXPECT_TRUE(notifier.Messages.empty());
  const ParList& list = trapar.CurrentList();
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[0].Name, "A");
  EXPECT_EQ(list[1].Name, "XSTEPDIVIDE");
  EXPECT_EQ(TextOf(list[1].Value), "10");
  EXPECT_EQ(list[2].Name, "X");
  EXPECT_EQ(list[3].Name, "X");
  EXPECT_EQ(TextOf(list[4].Value), "-.25");
  double last = 0;
  EXPECT_EQ(trapar.Par("LAST", last, "from"), 1);
  EXPECT_EQ(last, -0.25);
}

TEST_F(TraparFiles, ReadingReplacesTheListAndAnEmptyFileGivesAnEmptyList) {
  PutBytes(folder.File("EMPTY.TXT"), "");
  PutBytes(folder.File("SHORT.TXT"), "\r\nab\r\n\"A\",\r\n");
  for (const char* name : {"EMPTY.TXT", "SHORT.TXT"}) {
    ParList list = SampleList();
    EXPECT_EQ(trapar.ReadParList(folder.File(name), list), 1) << name;
    EXPECT_TRUE(list.empty()) << name;
  }
  trapar.SetParFile("EMPTY.TXT");
  std::string value = "x";
  trapar.Par("OLD", value, "clear");
  ASSERT_EQ(trapar.ReadParFile(), 1);
  EXPECT_EQ(trapar.ParCount(), 0);
  EXPECT_EQ(trapar.ParSilent("OLD", value, "from"), -1);
}

TEST_F(TraparFiles, ReadParFileToFillsASecondList) {
  PutBytes(folder.File("QV_SYMCONST.TXT"), "\"PI\",3.14159\r\n");
  trapar.SetParFile("QV_SYMCONST.TXT");
  std::string value = "main";
  trapar.Par("MAIN", value, "clear");
  ParList symbols;
  ASSERT_EQ(trapar.ReadParFileTo(symbols), 1);
  ASSERT_EQ(symbols.size(), 1u);
  EXPECT_EQ(symbols[0].Name, "PI");
  ASSERT_EQ(trapar.ParCount(), 1);
  EXPECT_EQ(trapar.CurrentList()[0].Name, "MAIN");
}

TEST_F(TraparFiles, WritingGivesExactBytesWithCrLf) {
  trapar.SetParFile("QV_OUT.TXT");
  std::string text = "abc";
  double half = 0.5;
  double quarter = -0.25;
  int16_t small = 125;
  int32_t negative = -3;
  double big = 1.5e16;
  ASSERT_EQ(trapar.Par("T", text, "clear"), 1);
  ASSERT_EQ(trapar.Par("HALF", half, "to"), 1);
  ASSERT_EQ(trapar.Par("Q", quarter, "to"), 1);
  ASSERT_EQ(trapar.Par("S", small, "to"), 1);
  ASSERT_EQ(trapar.Par("N", negative, "to"), 1);
  ASSERT_EQ(trapar.Par("BIG", big, "to"), 1);
  ASSERT_EQ(trapar.WriteParFile(), 1);
  EXPECT_EQ(GetBytes(folder.File("QV_OUT.TXT")),
            "\"T\",abc\r\n\"HALF\", .5\r\n\"Q\",-.25\r\n\"S\", 125\r\n\"N\",-3\r\n"
            "\"BIG\", 1.5E+16\r\n");
  EXPECT_TRUE(notifier.Messages.empty());

  ASSERT_EQ(trapar.WriteParList(folder.File("EMPTY.TXT"), {}), 1);
  EXPECT_EQ(GetBytes(folder.File("EMPTY.TXT")), "");
}

TEST_F(TraparFiles, ClearThenTwoPutsWritesExactlyThreeLines) {
  PutBytes(folder.File("QV_SCAN.TXT"), "\"OLD1\",1\r\n\"OLD2\",2\r\n\"OLD3\",3\r\n\"OLD4\",4\r\n");
  trapar.SetParFile("QV_SCAN.TXT");
  ASSERT_EQ(trapar.ReadParFile(), 1);
  int16_t a = 1;
  double b = 2.5;
  std::string c = "three";
  ASSERT_EQ(trapar.Par("A", a, "clear"), 1);
  ASSERT_EQ(trapar.Par("B", b, "to"), 1);
  ASSERT_EQ(trapar.Par("C", c, "to"), 1);
  ASSERT_EQ(trapar.WriteParFile(), 1);
  EXPECT_EQ(GetBytes(folder.File("QV_SCAN.TXT")), "\"A\", 1\r\n\"B\", 2.5\r\n\"C\",three\r\n");
}

TEST_F(TraparFiles, ANewKeyPutWithToIsWrittenAsTheLastLine) {
  PutBytes(folder.File("QV_PARZ.TXT"), "\"ZSCREWLEAD\",500\r\n\"ZSTEPDIVIDE\",10\r\n");
  trapar.SetParFile("QV_PARZ.TXT");
  ASSERT_EQ(trapar.ReadParFile(), 1);
  double lead = 250;
  int16_t added = 4;
  ASSERT_EQ(trapar.Par("ZSCREWLEAD", lead, "to"), 1);
  ASSERT_EQ(trapar.Par("ZNEW", added, "to"), 1);
  ASSERT_EQ(trapar.WriteParFile(), 1);
  EXPECT_EQ(GetBytes(folder.File("QV_PARZ.TXT")),
            "\"ZSCREWLEAD\", 250\r\n\"ZSTEPDIVIDE\",10\r\n\"ZNEW\", 4\r\n");
}

TEST_F(TraparFiles, AHalfWrittenAsPointFiveReadsBackAsAHalf) {
  trapar.SetParFile("QV_HALF.TXT");
  double half = 0.5;
  ASSERT_EQ(trapar.Par("K", half, "clear"), 1);
  ASSERT_EQ(trapar.WriteParFile(), 1);
  EXPECT_EQ(GetBytes(folder.File("QV_HALF.TXT")), "\"K\", .5\r\n");
  ASSERT_EQ(trapar.ReadParFile(), 1);
  std::string text;
  double number = 0;
  EXPECT_EQ(trapar.Par("K", text, "from"), 1);
  EXPECT_EQ(text, ".5");
  EXPECT_EQ(trapar.Par("K", number, "from"), 1);
  EXPECT_EQ(number, 0.5);
}

TEST_F(TraparFiles, WrittenListsReadBackEntryForEntry) {
  ParList list = {{"TEXT", std::string("a \"quoted\" text")},
                  {"THIRD", 1.0 / 3.0},
                  {"TINY", -2.5e-7},
                  {"HUGE", std::numeric_limits<double>::max()},
                  {"I16", int16_t{-32768}},
                  {"I32", int32_t{2147483647}}};
  const std::string path = folder.File("ROUND.TXT");
  ASSERT_EQ(trapar.WriteParList(path, list), 1);
  ParList back;
  ASSERT_EQ(trapar.ReadParList(path, back), 1);
  ASSERT_EQ(back.size(), list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(back[i].Name, list[i].Name);
    EXPECT_EQ(TextOf(back[i].Value), std::string(TrimBlanks(FormatParValue(list[i].Value))));
    if (i == 0) continue;
    double original = 0;
    double reread = 0;
    ASSERT_EQ(TransferPar(list, list[i].Name, original, "from"), 1);
    ASSERT_EQ(TransferPar(back, list[i].Name, reread, "from"), 1) << list[i].Name;
    EXPECT_EQ(Str(reread), Str(original));
  }
}

TEST_F(TraparFiles, AFailedWriteIsReportedAndDoesNotLookLikeSuccess) {
  PutBytes(folder.File("PLAIN"), "not a folder");
  std::string value = "v";
  trapar.Par("K", value, "clear");
  for (const std::string& path :
       {folder.File("NO_SUCH_FOLDER/QV_OUT.TXT"), folder.File("PLAIN/QV_OUT.TXT")}) {
    notifier.Clear();
    EXPECT_EQ(trapar.WriteParList(path, trapar.CurrentList()), -1) << path;
    ASSERT_EQ(notifier.Messages.size(), 1u);
    EXPECT_EQ(notifier.Messages[0].Text, "File " + path + " could not be written");
    EXPECT_EQ(notifier.Messages[0].Icon, MsgIcon::Critical);
  }
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"PLAIN"}));
  EXPECT_EQ(GetBytes(folder.File("PLAIN")), "not a folder");
}

TEST_F(TraparFiles, ParReportsMissingKeysAndBadNumbersParSilentDoesNot) {
  PutBytes(folder.File("QV_PARXY.TXT"), "\"XSCREWLEAD\",1000\r\n\"XNAME\",stage\r\n");
  trapar.SetParFile("QV_PARXY.TXT");
  ASSERT_EQ(trapar.ReadParFile(), 1);
  double lead = 0;
  EXPECT_EQ(trapar.Par("XSCREWLEAD", lead, "from"), 1);
  EXPECT_EQ(lead, 1000);
  EXPECT_TRUE(notifier.Messages.empty());

  double missing = 42;
  EXPECT_EQ(trapar.Par("xscrewlead", missing, "from"), -1);
  EXPECT_EQ(missing, 42);
  ASSERT_EQ(notifier.Messages.size(), 1u);
  EXPECT_EQ(notifier.Messages[0].Text,
            "Parameter xscrewlead not found in " + folder.Dir() + "QV_PARXY.TXT");
  EXPECT_EQ(notifier.Messages[0].Icon, MsgIcon::Critical);
  EXPECT_EQ(notifier.Messages[0].Title, "");

  int16_t bad = 5;
  EXPECT_EQ(trapar.Par("XNAME", bad, "from"), kParBadValue);
  EXPECT_EQ(bad, 5);
  ASSERT_EQ(notifier.Messages.size(), 2u);
  EXPECT_EQ(notifier.Messages[1].Text,
            "Parameter XNAME in " + folder.Dir() + "QV_PARXY.TXT is not a valid number");
  EXPECT_EQ(notifier.Messages[1].Icon, MsgIcon::Critical);

  notifier.Clear();
  EXPECT_EQ(trapar.ParSilent("MISSING", missing, "from"), -1);
  EXPECT_EQ(trapar.ParSilent("XNAME", bad, "from"), kParBadValue);
  EXPECT_EQ(trapar.Par("XSCREWLEAD", lead, "From"), 0);
  EXPECT_EQ(trapar.Par("NEWKEY", lead, "to"), 1);
  EXPECT_TRUE(notifier.Messages.empty());
}

TEST_F(TraparFiles, EntriesByIndex) {
  PutBytes(folder.File("QV_PARS.TXT"), "\"A\",1\r\n\"B\",two\r\n");
  trapar.SetParFile("QV_PARS.TXT");
  ASSERT_EQ(trapar.ReadParFile(), 1);
  EXPECT_EQ(trapar.ParCount(), 2);

  std::string name;
  ParValue value;
  EXPECT_EQ(trapar.GetParAt(1, name, value), 1);
  EXPECT_EQ(name, "B");
  EXPECT_EQ(TextOf(value), "two");
  for (const int index : {-1, 2, 1000}) {
    name = "x";
    value = std::string("x");
    EXPECT_EQ(trapar.GetParAt(index, name, value), -1) << index;
    EXPECT_EQ(name, "UNDEFINED");
    ASSERT_TRUE(std::holds_alternative<int16_t>(value));
    EXPECT_EQ(std::get<int16_t>(value), 0);
  }

  EXPECT_EQ(trapar.SetParAt(0, ParValue(2.5)), 1);
  EXPECT_EQ(trapar.SetParAt(2, ParValue(1.0)), -1);
  EXPECT_EQ(trapar.SetParAt(-1, ParValue(1.0)), -1);
  EXPECT_EQ(trapar.ParCount(), 2);
  ASSERT_EQ(trapar.WriteParFile(), 1);
  EXPECT_EQ(GetBytes(folder.File("QV_PARS.TXT")), "\"A\", 2.5\r\n\"B\",two\r\n");
}

// --- Plain lists ---

TEST(ParseListText, CommasSplitItemsAndQuotesKeepThem) {
  EXPECT_EQ(ParseListText("abc, \"d,e\",f"), (PlainList{"abc", "d,e", "f"}));
  EXPECT_EQ(ParseListText("  a  ,  b  "), (PlainList{"a", "b"}));
  EXPECT_EQ(ParseListText("\"  q  \""), (PlainList{"q"}));
  EXPECT_EQ(ParseListText("\"x\" junk, y"), (PlainList{"x", "y"}));
  EXPECT_EQ(ParseListText("\"x\" junk"), (PlainList{"x"}));
  EXPECT_EQ(ParseListText("\"abc, def"), (PlainList{"abc, def"}));
  EXPECT_EQ(ParseListText("a\"b,c"), (PlainList{"a\"b", "c"}));
  EXPECT_EQ(ParseListText("\"\""), (PlainList{""}));
  EXPECT_EQ(ParseListText("\ta,b\t"), (PlainList{"\ta", "b\t"}));
}

TEST(ParseListText, LineEndsEmptyLinesAndTrailingCommas) {
  EXPECT_EQ(ParseListText(""), (PlainList{}));
  EXPECT_EQ(ParseListText("a\r\nb"), (PlainList{"a", "b"}));
  EXPECT_EQ(ParseListText("a\r\nb\r\n"), (PlainList{"a", "b"}));
  EXPECT_EQ(ParseListText("a\r\n\r\nb\r\n"), (PlainList{"a", "", "b"}));
  EXPECT_EQ(ParseListText("\r\n"), (PlainList{""}));
  EXPECT_EQ(ParseListText("a,\r\n"), (PlainList{"a", ""}));
  EXPECT_EQ(ParseListText(",,"), (PlainList{"", "", ""}));
  EXPECT_EQ(ParseListText("\"a,\r\nb"), (PlainList{"a,", "b"}));
  EXPECT_EQ(ParseListText("a\nb\rc"), (PlainList{"a", "b", "c"}));
}

TEST(JoinAndSplitLines, AreInversesAndKeepEmptyPieces) {
  EXPECT_EQ(SplitLines("a\r\nb\r\n"), (PlainList{"a", "b", ""}));
  EXPECT_EQ(JoinLines(SplitLines("a\r\nb\r\n")), "a\r\nb\r\n");
  EXPECT_EQ(SplitLines("a\nb\rc"), (PlainList{"a\nb\rc"}));
  EXPECT_EQ(SplitLines("\r\n\r\n"), (PlainList{"", "", ""}));
  EXPECT_EQ(SplitLines(""), (PlainList{""}));
  EXPECT_EQ(JoinLines({}), "");
  EXPECT_EQ(JoinLines({"x"}), "x");
  EXPECT_EQ(JoinLines({"x", "", "y"}), "x\r\n\r\ny");
  for (const std::string text : {"", "a", "\r\n", "a\r\n\r\nb", "\r\r\n\n", "x\r\ny\r\n\r\n"}) {
    EXPECT_EQ(JoinLines(SplitLines(text)), text);
  }
}

TEST_F(TraparFiles, ReadListReadsItemsInFileOrder) {
  PutBytes(folder.File("PROG.PRG"), "XY 100 200\r\n\r\nabc, \"d,e\",f\r\nZ 5,\r\n");
  PlainList list = {"old", "items", "here", "and", "more", "than", "read"};
  EXPECT_EQ(trapar.ReadList(folder.File("PROG.PRG"), list), 7);
  EXPECT_EQ(list, (PlainList{"XY 100 200", "", "abc", "d,e", "f", "Z 5", ""}));
  EXPECT_TRUE(notifier.Messages.empty());

  PutBytes(folder.File("EMPTY.PRG"), "");
  EXPECT_EQ(trapar.ReadList(folder.File("EMPTY.PRG"), list), 0);
  EXPECT_TRUE(list.empty());

  trapar.SetParFile("PROG.PRG");
  PlainList viaCurrent;
  EXPECT_EQ(trapar.ReadListFile(viaCurrent), 7);
}

TEST_F(TraparFiles, ReadListOfAMissingFileKeepsOrCreatesItemZero) {
  const std::string path = folder.File("QV_JOYCMDS.TXT");
  PlainList none;
  EXPECT_EQ(trapar.ReadList(path, none), -1);
  EXPECT_EQ(none, (PlainList{""}));
  ASSERT_EQ(notifier.Messages.size(), 1u);
  EXPECT_EQ(notifier.Messages[0].Text, "File " + path + " does not exist");
  EXPECT_EQ(notifier.Messages[0].Icon, MsgIcon::None);
  EXPECT_EQ(notifier.Messages[0].Buttons, MsgButtons::Ok);

  PlainList some = {"a", "b"};
  EXPECT_EQ(trapar.ReadList(path, some), -1);
  EXPECT_EQ(some, (PlainList{"a", "b"}));
}

TEST_F(TraparFiles, WriteListWritesOneLineEachAndFailsQuietly) {
  const std::string path = folder.File("OUT.PRG");
  EXPECT_EQ(trapar.WriteList({"XY 1 2", "", "a, b"}, path), 1);
  EXPECT_EQ(GetBytes(path), "XY 1 2\r\n\r\na, b\r\n");
  EXPECT_EQ(trapar.WriteList({}, path), 1);
  EXPECT_EQ(GetBytes(path), "");

  trapar.SetParFile("VIA_PATH.PRG");
  EXPECT_EQ(trapar.WriteListFile({"one"}), 1);
  EXPECT_EQ(GetBytes(folder.File("VIA_PATH.PRG")), "one\r\n");

  // One line per element, whatever the element holds.
  EXPECT_EQ(trapar.WriteList({"a\nb", "c\r\nd"}, path), 1);
  EXPECT_EQ(GetBytes(path), "a b\r\nc  d\r\n");

  EXPECT_EQ(trapar.WriteList({"x"}, folder.File("NO_SUCH_FOLDER/OUT.PRG")), -1);
  EXPECT_TRUE(notifier.Messages.empty());
}

TEST_F(TraparFiles, PlainListsSurviveAWriteAndReadBack) {
  const PlainList list = {"first", "", "with \"quotes\" inside", "   ", "last"};
  const std::string path = folder.File("ROUND.PRG");
  ASSERT_EQ(trapar.WriteList(list, path), 1);
  PlainList back;
  ASSERT_EQ(trapar.ReadList(path, back), static_cast<int>(list.size()));
  EXPECT_EQ(back, (PlainList{"first", "", "with \"quotes\" inside", "", "last"}));
}

}  // namespace
}  // namespace qv
