#include "foundation/AtomicFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/foundation/TestFiles.h"

namespace qv {
namespace {

using test::GetBytes;
using test::PutBytes;
using test::TempFolder;
using Names = std::vector<std::string>;

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

// The folder and files of a test made usable by "nobody" as well.
void OpenTo(const std::string& path, mode_t mode, bool takeOwnership) {
  ASSERT_EQ(::chmod(path.c_str(), mode), 0);
  if (takeOwnership && ::geteuid() == 0) {
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
  }
}

TEST(WriteFileAtomically, CreatesAndReplacesWithExactlyTheContent) {
  TempFolder folder;
  const std::string path = folder.File("QV_CONFIG.TXT");
  const std::string binary("line\r\nwith\0nul\r\n\xff", 17);
  ASSERT_TRUE(WriteFileAtomically(path, binary));
  EXPECT_EQ(GetBytes(path), binary);
  ASSERT_TRUE(WriteFileAtomically(path, ""));
  EXPECT_EQ(GetBytes(path), "");
  const std::string big(3 * 1024 * 1024 + 7, 'x');
  ASSERT_TRUE(WriteFileAtomically(path, big));
  EXPECT_EQ(GetBytes(path), big);
  EXPECT_EQ(folder.Entries(), Names{"QV_CONFIG.TXT"});
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
  EXPECT_EQ(folder.Entries(), (Names{"PLAIN", "TARGET"}));
  EXPECT_EQ(GetBytes(folder.File("PLAIN")), "old");
  EXPECT_EQ(GetBytes(folder.File("TARGET/inside")), "kept");
}

// (The keyword file writer reporting a failed write: the keyword file tests.)
TEST(WriteFileAtomically, TheOldFileSurvivesAWriteThatFailsPartWay) {
  TempFolder folder;
  const std::string path = folder.File("QV_PARXY.TXT");
  const std::string old = "\"XSCREWLEAD\",1000\r\n";
  PutBytes(path, old);
  EXPECT_TRUE(InChild(
      [&] {
        LimitFileSize(4096, true);
        return !WriteFileAtomically(path, std::string(64 * 1024, 'n'));
      },
      false));
  EXPECT_EQ(GetBytes(path), old);
  EXPECT_EQ(folder.Entries(), Names{"QV_PARXY.TXT"});
}

TEST(WriteFileAtomically, KeepsThePermissionsOfAReplacedFile) {
  TempFolder folder;
  const std::string path = folder.File("QV_LEDS.TXT");
  PutBytes(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileAtomically(path, "new"));
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);

  // A new file gets the usual mode, not the private one of a temporary file.
  const mode_t mask = ::umask(022);
  const std::string fresh = folder.File("QV_NEW.TXT");
  ASSERT_TRUE(WriteFileAtomically(fresh, "x"));
  ::umask(mask);
  ASSERT_EQ(::stat(fresh.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
}

TEST(WriteFileAtomically, PermissionsOfFolderAndFileDecideHowTheFileIsWritten) {
  TempFolder folder;
  const std::string mine = folder.File("QV_ZOOM.TXT");
  const std::string theirs = folder.File("QV_SCAN.TXT");
  PutBytes(mine, "old text that is longer than the new");
  PutBytes(theirs, "theirs");
  OpenTo(mine, 0644, true);
  ASSERT_EQ(::chmod(theirs.c_str(), 0644), 0);  // the test's own user's: only it may write
  // A folder that takes no new file: the file is rewritten in place.
  OpenTo(folder.Dir(), 0555, false);
  EXPECT_TRUE(InChild([&] { return WriteFileAtomically(mine, "new"); }, true));
  EXPECT_EQ(GetBytes(mine), "new");
  EXPECT_EQ(folder.Entries(), (Names{"QV_SCAN.TXT", "QV_ZOOM.TXT"}));
  // In a folder open to everyone, a file of another user is not replaced behind its back.
  OpenTo(folder.Dir(), 0777, false);
  if (::geteuid() == 0) {
    EXPECT_FALSE(InChild([&] { return WriteFileAtomically(theirs, "changed"); }, true));
    EXPECT_EQ(GetBytes(theirs), "theirs");
  }
  EXPECT_EQ(folder.Entries(), (Names{"QV_SCAN.TXT", "QV_ZOOM.TXT"}));
}

TEST(RemoveStaleTemporaryFiles, RemovesWhatAKilledWriteLeftAndNothingElse) {
  TempFolder folder;
  const std::string path = folder.File("QV_SCANAREA.TXT");
  PutBytes(path, "old");
  PutBytes(folder.File(".profile.backup"), "kept");
  PutBytes(folder.File("notes.qvtmp.abcdef"), "kept");
  // The child dies of SIGXFSZ in the middle of its write, as a killed program would.
  EXPECT_FALSE(InChild(
      [&] {
        LimitFileSize(4096, false);
        return WriteFileAtomically(path, std::string(64 * 1024, 'n'));
      },
      false));
  ASSERT_EQ(folder.Entries().size(), 4u) << "no leftover to remove";
  EXPECT_EQ(RemoveStaleTemporaryFiles(folder.Dir()), 1);
  EXPECT_EQ(folder.Entries(), (Names{".profile.backup", "QV_SCANAREA.TXT", "notes.qvtmp.abcdef"}));
  EXPECT_EQ(GetBytes(path), "old");
}

TEST(WriteFileAtomically, WritesThroughASymbolicLinkAndToAFileNameWithoutAFolder) {
  TempFolder folder;
  const std::string target = folder.File("real.txt");
  const std::string link = folder.File("link.txt");
  PutBytes(target, "old");
  std::filesystem::create_symlink(target, link);
  ASSERT_TRUE(WriteFileAtomically(link, "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(GetBytes(target), "new");
  EXPECT_EQ(folder.Entries(), (Names{"link.txt", "real.txt"}));

  const auto saved = std::filesystem::current_path();
  std::filesystem::current_path(folder.Dir());
  const bool written = WriteFileAtomically("HERE.TXT", "here");
  std::filesystem::current_path(saved);
  EXPECT_TRUE(written);
  EXPECT_EQ(GetBytes(folder.File("HERE.TXT")), "here");
}

TEST(ReadWholeFile, ReadsRegularFilesOnly) {
  TempFolder folder;
  const std::string path = folder.File("data");
  const std::string bytes("a\0b\r\n", 5);
  PutBytes(path, bytes);
  std::string content = "previous";
  ASSERT_TRUE(ReadWholeFile(path, content));
  EXPECT_EQ(content, bytes);
  EXPECT_FALSE(ReadWholeFile(folder.File("missing"), content));
  EXPECT_FALSE(ReadWholeFile(folder.Dir(), content));
  EXPECT_EQ(content, bytes);
  EXPECT_FALSE(IsRegularFile(folder.Dir()));

  // A FIFO nobody writes to must not block the reader.
  const std::string fifo = folder.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(IsRegularFile(fifo));
  EXPECT_FALSE(ReadWholeFile(fifo, content));
}

}  // namespace
}  // namespace qv
