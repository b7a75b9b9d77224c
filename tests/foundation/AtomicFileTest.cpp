#include "foundation/AtomicFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/Trapar.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingNotifier.h"

namespace qv {
namespace {

using test::GetBytes;
using test::PutBytes;
using test::TempFolder;
using Names = std::vector<std::string>;

// Lowers the largest file size this process may write, so that a write fails part-way even
// for root, who ignores permissions. Restored when the scope ends.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);  // a failing write() instead of a signal
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    active_ = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool Active() const { return active_; }

 private:
  rlimit saved_{};
  sighandler_t previousHandler_ = SIG_DFL;
  bool active_ = false;
};

TEST(WriteFileAtomically, CreatesAndReplacesWithExactlyTheContent) {
  TempFolder folder;
  const std::string path = folder.File("QV_CONFIG.TXT");
  const std::string binary("line\r\nwith\0nul\r\n\xff", 17);
  ASSERT_TRUE(WriteFileAtomically(path, binary));
  EXPECT_EQ(GetBytes(path), binary);

  ASSERT_TRUE(WriteFileAtomically(path, "short"));
  EXPECT_EQ(GetBytes(path), "short");
  ASSERT_TRUE(WriteFileAtomically(path, ""));
  EXPECT_EQ(GetBytes(path), "");
  EXPECT_EQ(folder.Entries(), Names{"QV_CONFIG.TXT"});

  const std::string big(3 * 1024 * 1024 + 7, 'x');
  ASSERT_TRUE(WriteFileAtomically(path, big));
  EXPECT_EQ(GetBytes(path), big);
  EXPECT_EQ(folder.Entries(), Names{"QV_CONFIG.TXT"});
}

TEST(WriteFileAtomically, FailsWithoutLeftoversWhenTheFolderCannotTakeTheFile) {
  TempFolder folder;
  PutBytes(folder.File("PLAIN"), "old");
  EXPECT_FALSE(WriteFileAtomically(folder.File("MISSING/QV_OUT.TXT"), "new"));
  EXPECT_FALSE(WriteFileAtomically(folder.File("PLAIN/QV_OUT.TXT"), "new"));
  EXPECT_FALSE(WriteFileAtomically("", "new"));
  EXPECT_EQ(folder.Entries(), Names{"PLAIN"});
  EXPECT_EQ(GetBytes(folder.File("PLAIN")), "old");
}

TEST(WriteFileAtomically, AFolderAtThePathIsNotReplaced) {
  TempFolder folder;
  std::filesystem::create_directory(folder.File("TARGET"));
  PutBytes(folder.File("TARGET/inside"), "kept");
  EXPECT_FALSE(WriteFileAtomically(folder.File("TARGET"), "new"));
  EXPECT_EQ(folder.Entries(), Names{"TARGET"});
  EXPECT_EQ(GetBytes(folder.File("TARGET/inside")), "kept");
}

TEST(WriteFileAtomically, TheOldFileSurvivesAWriteThatFailsPartWay) {
  TempFolder folder;
  const std::string path = folder.File("QV_PARXY.TXT");
  const std::string old = "\"XSCREWLEAD\",1000\r\n";
  PutBytes(path, old);
  const std::string content(64 * 1024, 'n');
  {
    FileSizeLimit limit(4096);
    if (!limit.Active()) GTEST_SKIP() << "cannot lower the file size limit";
    EXPECT_FALSE(WriteFileAtomically(path, content));
  }
  EXPECT_EQ(GetBytes(path), old);
  EXPECT_EQ(folder.Entries(), Names{"QV_PARXY.TXT"});

  // The same failure through the keyword file writer is reported, not passed off as success.
  test::RecordingNotifier notifier;
  Trapar trapar(notifier);
  ParList list = {{"XSCREWLEAD", std::string(content)}};
  {
    FileSizeLimit limit(4096);
    EXPECT_EQ(trapar.WriteParList(path, list), -1);
    EXPECT_EQ(trapar.WriteList({content}, path), -1);
  }
  EXPECT_EQ(notifier.Messages.size(), 1u);
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

TEST(WriteFileAtomically, WritesThroughASymbolicLink) {
  TempFolder folder;
  const std::string target = folder.File("real.txt");
  const std::string link = folder.File("link.txt");
  PutBytes(target, "old");
  std::filesystem::create_symlink(target, link);
  ASSERT_TRUE(WriteFileAtomically(link, "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(GetBytes(target), "new");
  EXPECT_EQ(folder.Entries(), (Names{"link.txt", "real.txt"}));
}

TEST(WriteFileAtomically, AcceptsAFileNameWithoutAFolder) {
  TempFolder folder;
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
  EXPECT_TRUE(IsRegularFile(path));

  content = "previous";
  EXPECT_FALSE(ReadWholeFile(folder.File("missing"), content));
  EXPECT_FALSE(ReadWholeFile(folder.Dir(), content));
  EXPECT_FALSE(ReadWholeFile("", content));
  EXPECT_EQ(content, "previous");
  EXPECT_FALSE(IsRegularFile(folder.File("missing")));
  EXPECT_FALSE(IsRegularFile(folder.Dir()));
  EXPECT_FALSE(IsRegularFile(""));

  // A FIFO nobody writes to must not block the reader.
  const std::string fifo = folder.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(IsRegularFile(fifo));
  EXPECT_FALSE(ReadWholeFile(fifo, content));
}

}  // namespace
}  // namespace qv
