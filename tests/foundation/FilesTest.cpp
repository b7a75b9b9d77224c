// Files the program keeps: written atomically, read whole, and the keyword and list files of
// the program folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "foundation/AtomicFile.h"
#include "foundation/KeywordFiles.h"
#include "foundation/KeywordReader.h"
#include "foundation/NumberText.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingNotifier.h"

namespace qv {
namespace {

using test::GetBytes;
using test::PutBytes;
using test::RecordingNotifier;
using test::TempFolder;
using Lines = std::vector<std::string>;
constexpr int kBad = kParBadValue;

// Runs `body` in a child process and gives its result. When the tests run as root, who ignores
// permission bits, the child first becomes the unprivileged user "nobody" so that the bits
// count. The child ends with _exit: it must not run the parent's clean-ups.
bool InChild(const std::function<bool()>& body, bool unprivileged) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const bool dropped =
        !unprivileged || ::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0);
    ::_exit(dropped && body() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Lowers the largest file size the (child) process may write, so that a write fails part-way
// even for root, who ignores permissions; without `survive` the process dies of SIGXFSZ, as a
// killed program would.
void LimitFileSize(rlim_t bytes, bool survive) {
  if (survive) ::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{bytes, bytes}, noCore{0, 0};
  ::setrlimit(RLIMIT_CORE, &noCore);
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

TEST(WriteFileAtomically, CreatesAndReplacesWithExactlyTheContentAlsoThroughALink) {
  TempFolder folder;
  const std::string path = folder.File("QV_CONFIG.TXT");
  for (const std::string& content : {std::string("line\r\nwith\0nul\r\n\xff", 17), std::string(),
                                     std::string(3 * 1024 * 1024 + 7, 'x')}) {
    ASSERT_TRUE(WriteFileAtomically(path, content));
    EXPECT_EQ(GetBytes(path), content);
  }
  EXPECT_EQ(folder.Entries(), Lines{"QV_CONFIG.TXT"});

  // Through a symbolic link, which stays, and to a file name without a folder.
  const std::string target = folder.File("real.txt");
  const std::string link = folder.File("link.txt");
  PutBytes(target, "old");
  std::filesystem::create_symlink(target, link);
  ASSERT_TRUE(WriteFileAtomically(link, "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(GetBytes(target), "new");
  EXPECT_EQ(folder.Entries(), (Lines{"QV_CONFIG.TXT", "link.txt", "real.txt"}));
  const auto saved = std::filesystem::current_path();
  std::filesystem::current_path(folder.Dir());
  const bool written = WriteFileAtomically("HERE.TXT", "here");
  std::filesystem::current_path(saved);
  EXPECT_TRUE(written);
  EXPECT_EQ(GetBytes(folder.File("HERE.TXT")), "here");
}

// A link is followed only where nobody else could have planted it. The write runs in a child as
// "nobody"; the test's own user (root) stands for the other user.
TEST(WriteFileAtomically, FollowsOnlyTheUsersOwnLinksOutsideFoldersOpenToEveryone) {
  if (::geteuid() != 0) GTEST_SKIP() << "links of another user need root to make";
  constexpr uid_t kNobody = 65534;
  // {case, folder mode, owners of the links from the first on, index of the refused link or -1}
  const std::tuple<std::string, mode_t, std::vector<uid_t>, int> cases[] = {
      {"own link in the program folder", 0755, {kNobody}, -1},
      {"own chain of two links", 0755, {kNobody, kNobody}, -1},
      {"another user's link", 0755, {0}, 0},
      {"own link on to another user's link", 0755, {kNobody, 0}, 1},
      {"own link in a folder open to everyone", 01777, {kNobody}, 0},
  };
  for (const auto& [name, mode, owners, refused] : cases) {
    SCOPED_TRACE(name);
    TempFolder folder;
    const std::string target = folder.File("real.txt");
    PutBytes(target, "old");
    std::vector<std::string> links;
    for (std::size_t i = 0; i < owners.size(); ++i) {
      links.push_back(folder.File("link" + std::to_string(i)));
      const std::string to = i + 1 < owners.size() ? "link" + std::to_string(i + 1) : "real.txt";
      ASSERT_EQ(::symlink(to.c_str(), links.back().c_str()), 0);
      ASSERT_EQ(::lchown(links.back().c_str(), owners[i], owners[i]), 0);
    }
    ASSERT_EQ(::chown(target.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chown(folder.Dir().c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(folder.Dir().c_str(), mode), 0);
    const std::string why =
        refused < 0 ? ""
        : (mode & S_IWOTH) != 0
            ? links[refused] + " is a symbolic link in a folder that every user may write"
            : links[refused] + " is a symbolic link of another user";
    const bool followed = refused < 0;
    EXPECT_TRUE(InChild(
        [&] {
          return WriteFileAtomically(links[0], "new") == followed && RefusedLink(links[0]) == why;
        },
        true));
    EXPECT_EQ(GetBytes(target), refused < 0 ? "new" : "old");
    EXPECT_TRUE(std::filesystem::is_symlink(links[0]));
    EXPECT_EQ(folder.Entries().size(), owners.size() + 1);
  }
}

TEST(WriteFileAtomically, FailsWithoutLeftoversWhereNoFileCanBe) {
  TempFolder folder;
  PutBytes(folder.File("PLAIN"), "old");
  std::filesystem::create_directory(folder.File("TARGET"));
  PutBytes(folder.File("TARGET/inside"), "kept");
  for (const std::string& path :
       {folder.File("MISSING/QV_OUT.TXT"), folder.File("PLAIN/QV_OUT.TXT"), std::string(),
        folder.File("TARGET")})  // a folder is not replaced
    EXPECT_FALSE(WriteFileAtomically(path, "new")) << path;
  EXPECT_EQ(folder.Entries(), (Lines{"PLAIN", "TARGET"}));
  EXPECT_EQ(GetBytes(folder.File("PLAIN")), "old");
  EXPECT_EQ(GetBytes(folder.File("TARGET/inside")), "kept");
}

TEST(WriteFileAtomically, KeepsThePermissionsOfAReplacedFileAndHonoursThoseOfFolderAndFile) {
  TempFolder folder;
  const std::string path = folder.File("QV_LEDS.TXT");
  PutBytes(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileAtomically(path, "new"));
  EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));

  // A new file gets the usual mode, not the private one of a temporary file.
  const mode_t mask = ::umask(022);
  const std::string fresh = folder.File("QV_NEW.TXT");
  ASSERT_TRUE(WriteFileAtomically(fresh, "x"));
  ::umask(mask);
  EXPECT_EQ(std::filesystem::status(fresh).permissions(), std::filesystem::perms(0644));

  // The permissions of folder and file decide how the file is written.
  const std::string theirs = folder.File("QV_SCAN.TXT");
  PutBytes(path, "old text that is longer than the new");
  PutBytes(theirs, "theirs");
  ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
  ASSERT_TRUE(::geteuid() != 0 || ::chown(path.c_str(), 65534, 65534) == 0);  // nobody's now
  ASSERT_EQ(::chmod(theirs.c_str(), 0644), 0);  // the test's own user's: only it may write
  // A folder that takes no new file: the file is rewritten in place.
  ASSERT_EQ(::chmod(folder.Dir().c_str(), 0555), 0);
  EXPECT_TRUE(InChild([&] { return WriteFileAtomically(path, "new"); }, true));
  EXPECT_EQ(GetBytes(path), "new");
  // ... but a file that is not there cannot be written in place.
  EXPECT_TRUE(InChild([&] { return !WriteFileAtomically(folder.File("QV_NONE.TXT"), "x"); }, true));
  // In a folder open to everyone, a file of another user is not replaced behind its back.
  ASSERT_EQ(::chmod(folder.Dir().c_str(), 0777), 0);
  if (::geteuid() == 0) {
    EXPECT_FALSE(InChild([&] { return WriteFileAtomically(theirs, "changed"); }, true));
    EXPECT_EQ(GetBytes(theirs), "theirs");
  }
  EXPECT_EQ(folder.Entries(), (Lines{"QV_LEDS.TXT", "QV_NEW.TXT", "QV_SCAN.TXT"}));
}

// (The keyword file writer reporting a failed write: the keyword file tests.) A killed write
// leaves its temporary file wherever it was made; the folder was noted in the journal, and the
// next start removes the leftover there, and only leftovers of this user's.
TEST(RemoveStaleTemporaryFiles, AFailedWriteKeepsTheOldFileAndAKilledOnesLeftoverIsRemoved) {
  TempFolder folder, state;
  std::filesystem::create_directory(folder.File("sub"));
  const std::string path = folder.File("sub/QV_SCANAREA.TXT");
  PutBytes(path, "old");
  PutBytes(folder.File("sub/.profile.backup"), "kept");
  PutBytes(folder.File("sub/notes.qvtmp.abcdef"), "kept");
  PutBytes(folder.File("sub/.theirs.qvtmp.abcdef"), "kept");
  ASSERT_TRUE(::geteuid() != 0 ||
              ::chown(folder.File("sub/.theirs.qvtmp.abcdef").c_str(), 65534, 65534) == 0);
  const std::string journalFile = state.File("quorvalin.writes");
  const auto write = [&](bool survive) {
    return InChild(
        [&] {
          TemporaryFolderJournal journal(journalFile);
          UseTemporaryFolderJournal(&journal);
          LimitFileSize(4096, survive);
          return !WriteFileAtomically(path, std::string(size_t{64} * 1024, 'n'));
        },
        false);
  };
  const auto inSub = [&] {
    Lines names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.File("sub")))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  const Lines before = inSub();
  EXPECT_TRUE(write(true));
  EXPECT_EQ(inSub(), before);
  // The child dies of SIGXFSZ in the middle of its write, as a killed program would.
  EXPECT_FALSE(write(false));
  ASSERT_EQ(inSub().size(), before.size() + 1) << "no leftover to remove";
  EXPECT_EQ(TemporaryFolderJournal(journalFile).RemoveLeftovers(), 1);
  EXPECT_EQ(inSub(), before);
  EXPECT_EQ(GetBytes(path), "old");
  EXPECT_EQ(GetBytes(journalFile), "");
}

TEST(ReadWholeFile, ReadsRegularFilesOnly) {
  TempFolder folder;
  const std::string path = folder.File("data");
  const std::string bytes("a\0b\r\n", 5);
  PutBytes(path, bytes);
  std::string content = "previous";
  ASSERT_TRUE(ReadWholeFile(path, content));
  EXPECT_FALSE(ReadWholeFile(folder.File("missing"), content));
  EXPECT_FALSE(ReadWholeFile(folder.Dir(), content));
  EXPECT_EQ(content, bytes);  // read, then left alone
  EXPECT_FALSE(IsRegularFile(folder.Dir()));

  // A FIFO nobody writes to must not block the reader.
  const std::string fifo = folder.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(IsRegularFile(fifo));
  EXPECT_FALSE(ReadWholeFile(fifo, content));
}

// A text as it is, a number with its type: "int16 -3".
std::string TextOf(const ParValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  static const char* const kType[] = {"", "int16 ", "int32 ", "double "};  // ParValue's order
  return kType[value.index()] + std::string(TrimBlanks(FormatParValue(value)));
}

// The entries as "name=value".
Lines Entries(const ParList& list) {
  Lines all;
  for (const ParEntry& e : list)
    all.push_back(e.Name + "=" + TextOf(e.Value));
  return all;
}

// Every message shown: "critical" or "plain" (no icon), the buttons when not just OK, the text.
Lines Shown(const RecordingNotifier& notifier) {
  Lines all;
  for (const test::RecordedMessage& m : notifier.Messages) {
    all.push_back(std::string(m.Icon == MsgIcon::Critical ? "critical"
                              : m.Icon == MsgIcon::None   ? "plain"
                                                          : "other icon") +
                  (m.Buttons == MsgButtons::Ok ? "" : " other buttons") + ": " + m.Text);
  }
  return all;
}

TEST(ParseKeywordLine, NameInTheFirstQuotesValueUpToTheSecondCommaBothTrimmedOfBlanks) {
  // {line, name, value}; no name: the line is skipped and the entry left alone.
  const std::vector<std::tuple<std::string, std::optional<std::string>, std::optional<std::string>>>
      cases = {
          {"\"A\",1", "A", "1"},  // five characters are enough
          {"\"A\",", std::nullopt, std::nullopt},
          {"  \"XSTEPDIVIDE\" ,  10 , remark", "XSTEPDIVIDE", "10"},
          {"\"  MY KEY  \", a b ", "MY KEY", "a b"},
          {"\"K\",\t5\t", "K", "\t5\t"},            // tabs are not blanks
          {"  \"KEY\" 12  ", "KEY", "\"KEY\" 12"},  // without a comma the whole trimmed line
          {"\"A,B\",5", "A,B", "B\""},              // commas are counted without regard to quotes
          {"\"KEY\",", "KEY", ""},
          {"XSCREWLEAD,1000", std::nullopt, std::nullopt},  // no pair of quotes
          {"\"XSCREWLEAD,1000", std::nullopt, std::nullopt},
      };
  for (const auto& [line, name, value] : cases) {
    SCOPED_TRACE(line);
    ParEntry entry{"keep", std::string("keep")};
    EXPECT_EQ(ParseKeywordLine(line, entry), name.has_value());
    EXPECT_EQ(entry.Name, name.value_or("keep"));
    EXPECT_EQ(TextOf(entry.Value), value.value_or("keep"));
  }
}

ParList SampleList() {
  return {{"XSCREWLEAD", std::string("1000")},
          {"HALF", std::string(".5")},
          {"X", std::string("first")},
          {"X", std::string("second")},
          {"TEXT", std::string("abc")},
          {"BIG", std::string("40000")},
          {"ROUND", std::string("2.5")},
          {"D", 2.5},
          {"M", 1e6}};
}

// GetPar into a variable that starts as `start`: the result and the variable after.
template <class T>
std::pair<int, T> Get(const ParList& list, std::string_view name, T start) {
  const int result = GetPar(list, name, start);
  return {result, start};
}

TEST(ParList, GetParConvertsHalvesToEvenOrLeavesTheVariablePutParReplacesOrAppends) {
  const ParList list = SampleList();
  EXPECT_EQ(Get(list, "XSCREWLEAD", std::string()), std::pair(1, std::string("1000")));
  EXPECT_EQ(Get(list, "XSCREWLEAD", int16_t{0}), std::pair(1, int16_t{1000}));
  EXPECT_EQ(Get(list, "BIG", int32_t{0}), std::pair(1, int32_t{40000}));
  EXPECT_EQ(Get(list, "HALF", 0.0), std::pair(1, 0.5));
  EXPECT_EQ(Get(list, "ROUND", int16_t{0}), std::pair(1, int16_t{2}));
  EXPECT_EQ(Get(list, "D", ParValue()), std::pair(1, ParValue(2.5)));
  EXPECT_EQ(Get(list, "D", std::string()), std::pair(1, std::string("2.5")));
  EXPECT_EQ(Get(list, "D", int16_t{99}), std::pair(1, int16_t{2}));
  EXPECT_EQ(Get(list, "M", int32_t{0}), std::pair(1, int32_t{1000000}));
  EXPECT_EQ(Get(list, "X", std::string()), std::pair(1, std::string("first")));
  // The variable is left alone when the value does not convert or the name is not found.
  EXPECT_EQ(Get(list, "TEXT", int16_t{7}), std::pair(kBad, int16_t{7}));
  EXPECT_EQ(Get(list, "TEXT", 7.0), std::pair(kBad, 7.0));
  EXPECT_EQ(Get(list, "BIG", int16_t{7}), std::pair(kBad, int16_t{7}));
  EXPECT_EQ(Get(list, "M", int16_t{99}), std::pair(kBad, int16_t{99}));
  EXPECT_EQ(Get(list, "MISSING", ParValue(1.5)), std::pair(-1, ParValue(1.5)));
  // Names compare exactly and case-sensitively.
  for (const char* name : {"xscrewlead", " XSCREWLEAD"})
    EXPECT_EQ(Get(list, name, std::string("kept")), std::pair(-1, std::string("kept"))) << name;

  // PutPar replaces the first entry of the name or appends, and keeps the caller's type.
  ParList changed = list;
  PutPar(changed, "X", std::string("new"));
  EXPECT_EQ(std::tuple(TextOf(changed[2].Value), TextOf(changed[3].Value), changed.size()),
            std::tuple("new", "second", list.size()));

  ParList typed;
  PutPar(typed, "D", 0.5);
  PutPar(typed, "T", std::string("abc"));
  PutPar(typed, "S", int16_t{-3});
  PutPar(typed, "T", 0.5);  // a text entry replaced by a number
  EXPECT_EQ(Entries(typed), (Lines{"D=double .5", "T=double .5", "S=int16 -3"}));
}

class KeywordFileOperations : public ::testing::Test {
 protected:
  KeywordFileOperations() : keywordFiles(notifier) { keywordFiles.SetParDir(folder.Dir()); }

  TempFolder folder;
  RecordingNotifier notifier;
  KeywordFiles keywordFiles;
};

// A plain list of a missing file keeps its items or gets an empty item zero.
TEST_F(KeywordFileOperations, ReadingAMissingFileShowsAnOkBoxAndKeepsTheList) {
  ParList kept = {{"KEPT", std::string("kept")}};
  EXPECT_EQ(keywordFiles.ReadParList(keywordFiles.ParPath("QV_MISSING.TXT"), kept), -1);
  EXPECT_EQ(Entries(kept), Lines{"KEPT=kept"});
  const std::string path = folder.File("QV_JOYCMDS.TXT");
  PlainList none, some = {"a", "b"};
  EXPECT_EQ(keywordFiles.ReadList(path, none), -1);
  EXPECT_EQ(keywordFiles.ReadList(path, some), -1);
  EXPECT_EQ(none, (PlainList{""}));
  EXPECT_EQ(some, (PlainList{"a", "b"}));
  EXPECT_EQ(Shown(notifier), (Lines{"plain: File " + folder.Dir() + "QV_MISSING.TXT does not exist",
                                    "plain: File " + path + " does not exist",
                                    "plain: File " + path + " does not exist"}));
}

// Files are UTF-8; a file that is not was written in the old code page and is read as such.
// (Which lines are entries: ParseKeywordLine and SplitFileLines; a plain list's items:
// ParseListText and the program files' round trip.)
TEST_F(KeywordFileOperations,
       ReadingKeepsFileOrderDecodesTheTextAndReplacesTheListAlsoOfAPlainList) {
  PutBytes(folder.File("QV_TEST.TXT"), "' remark\r\n\"X\",first\n\"A\",\xB5m\r\n\"X\",second\r\n");
  ParList read = {{"OLD", std::string("x")}};
  ASSERT_EQ(keywordFiles.ReadParList(keywordFiles.ParPath("QV_TEST.TXT"), read), 1);
  EXPECT_EQ(Entries(read), (Lines{"X=first", "A=\xC2\xB5m", "X=second"}));
  PutBytes(folder.File("EMPTY.PRG"), "");
  PlainList list = {"old", "items"};
  EXPECT_EQ(keywordFiles.ReadList(folder.File("EMPTY.PRG"), list), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(notifier.Messages.empty());
}

// (Where no file can be written, nothing is left behind: the atomic file tests.)
TEST_F(KeywordFileOperations,
       WritingGivesExactBytesNewKeysLastResetStartsAfreshAndKeywordFileFailuresAreReported) {
  PutBytes(folder.File("QV_PARZ.TXT"), "\"ZSCREWLEAD\",500\r\n\"ZSTEPDIVIDE\",10\r\n");
  const std::string zFile = keywordFiles.ParPath("QV_PARZ.TXT");
  ParList z;
  ASSERT_EQ(keywordFiles.ReadParList(zFile, z), 1);
  PutPar(z, "ZSCREWLEAD", 250.0);
  PutPar(z, "ZNEW", int16_t{-32768});
  // Texts go as they are, commas too; a line break in name or value cannot start another entry.
  PutPar(z, "K\nL", std::string("a, \"b\"\r\n\"EVIL\",1"));
  ASSERT_EQ(keywordFiles.WriteParList(zFile, z), 1);
  EXPECT_EQ(GetBytes(folder.File("QV_PARZ.TXT")),
            "\"ZSCREWLEAD\", 250\r\n\"ZSTEPDIVIDE\",10\r\n\"ZNEW\",-32768\r\n"
            "\"K L\",a, \"b\"  \"EVIL\",1\r\n");

  ResetPar(z, "A", int16_t{1});
  PutPar(z, "C", std::string("three"));
  ASSERT_EQ(keywordFiles.WriteParList(zFile, z), 1);
  EXPECT_EQ(GetBytes(folder.File("QV_PARZ.TXT")), "\"A\", 1\r\n\"C\",three\r\n");
  // A plain list: one line each, and a failure is quiet.
  const std::string list = folder.File("OUT.PRG");
  EXPECT_EQ(keywordFiles.WriteList({"XY 1 2", "", "a, b"}, list), 1);
  EXPECT_EQ(GetBytes(list), "XY 1 2\r\n\r\na, b\r\n");
  EXPECT_EQ(keywordFiles.WriteList({"a\nb", "c\r\nd"}, list), 1);  // line breaks become blanks
  EXPECT_EQ(GetBytes(list), "a b\r\nc  d\r\n");
  EXPECT_EQ(keywordFiles.WriteList({"x"}, folder.File("NO_SUCH_FOLDER/OUT.PRG")), -1);
  EXPECT_TRUE(notifier.Messages.empty());

  const std::string path = folder.File("NO_SUCH_FOLDER/QV_OUT.TXT");
  EXPECT_EQ(keywordFiles.WriteParList(path, {{"K", std::string("v")}}), -1);
  EXPECT_EQ(Shown(notifier), Lines{"critical: File " + path + " could not be written"});
}

// The rules every keyword file is read under (which keys of which file: the device tests): a value
// that is no number, even of an optional key, and an empty controller address fail the read.
TEST_F(KeywordFileOperations, TheKeywordReaderNamesMissingAndBadKeysAndFailsTheRead) {
  PutBytes(folder.File("QV_PARX.TXT"), "\"C\",   \r\n\"N\", abc\r\n");
  KeywordReader number(keywordFiles);
  ASSERT_TRUE(number.Open("QV_PARX.TXT"));
  int16_t n = 0;
  number.Optional("N", n, int16_t{4});
  EXPECT_EQ(number.Result(), -1);
  EXPECT_EQ(number.Required("MISSING", n), -1);
  const std::string path = folder.File("QV_PARX.TXT");
  EXPECT_EQ(Shown(notifier), (Lines{"critical: Parameter N in " + path + " is not a valid number",
                                    "critical: Parameter MISSING not found in " + path}));
  KeywordReader address(keywordFiles);
  ASSERT_TRUE(address.Open("QV_PARX.TXT"));
  int16_t contr = 3;
  address.RequiredAddress("C", contr);
  EXPECT_EQ(contr, 3);
  EXPECT_EQ(address.Result(), -1);
}

// (The entries the parameter editor shows and changes: its tests.)
TEST(ParList, EntriesOutsideTheListAreNeitherReadNorWritten) {
  ParList list = {{"A", int16_t{1}}};
  std::string name = "x";
  ParValue value = std::string("x");
  for (const int index : {-1, 1}) {
    EXPECT_EQ(GetParAt(list, index, name, value), -1) << index;
    EXPECT_EQ(name + "=" + TextOf(value), "UNDEFINED=int16 0");
    EXPECT_EQ(SetParAt(list, index, ParValue(1.0)), -1);
  }
  EXPECT_EQ(SetParAt(list, 0, ParValue(2.5)), 1);
  EXPECT_EQ(Entries(list), Lines{"A=double 2.5"});
}

TEST(ParseListText, CommasSplitItemsQuotesKeepThemLineEndsEndThem) {
  EXPECT_EQ(ParseListText("abc, \"d,e\",f"), (PlainList{"abc", "d,e", "f"}));
  EXPECT_EQ(ParseListText("  a  ,  b  "), (PlainList{"a", "b"}));
  EXPECT_EQ(ParseListText("\"  q  \""), (PlainList{"q"}));
  EXPECT_EQ(ParseListText("\"x\" junk, y"), (PlainList{"x", "y"}));
  EXPECT_EQ(ParseListText("\"abc, def"), (PlainList{"abc, def"}));
  EXPECT_EQ(ParseListText("a\"b,c"), (PlainList{"a\"b", "c"}));
  EXPECT_EQ(ParseListText("\ta,b\t"), (PlainList{"\ta", "b\t"}));
  EXPECT_EQ(ParseListText(""), (PlainList{}));
  EXPECT_EQ(ParseListText("a\r\n\r\nb\r\n"), (PlainList{"a", "", "b"}));
  EXPECT_EQ(ParseListText("a,\r\n"), (PlainList{"a", ""}));
  EXPECT_EQ(ParseListText("\"a,\r\nb"), (PlainList{"a,", "b"}));
}

// A file's lines end at CR LF, a lone LF or a lone CR; SplitLines and JoinLines only know CR LF.
TEST(Lines, FileLinesEndAtAnyLineBreakJoinAndSplitAreInversesAndKeepEmptyPieces) {
  EXPECT_EQ(SplitFileLines("a\r\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitFileLines("a\nb\n"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitFileLines("a\rb\r"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitFileLines("a\r\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitFileLines("a\n\rb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitFileLines(""), (Lines{}));
  EXPECT_EQ(SplitLines("a\r\nb\r\n"), (PlainList{"a", "b", ""}));
  EXPECT_EQ(SplitLines("a\nb\rc"), (PlainList{"a\nb\rc"}));
  EXPECT_EQ(JoinLines({"x", "", "y"}), "x\r\n\r\ny");
  for (const std::string text : {"", "\r\n", "\r\r\n\n", "x\r\ny\r\n\r\n"}) {
    EXPECT_EQ(JoinLines(SplitLines(text)), text);
  }
}

}  // namespace
}  // namespace qv
