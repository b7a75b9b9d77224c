// The program's life: the single-instance lock's folder, one that only the user can write, found
// from the user id alone (one holder at a time, released with its holder, no start without it:
// the executable's tests), and a stop signal, named, where the first one counts (delays and the
// console's input cut short by it: the executable's tests).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "controllers/Clock.h"
#include "platform/EndSignals.h"
#include "platform/InstanceLock.h"
#include "tests/foundation/TestFiles.h"

namespace qv {
namespace {

using test::TempFolder;

TEST(InstanceLock, OnlyAPrivateFolderOfTheUserIsTrustedAndTheFolderFollowsTheUserIdAlone) {
  TempFolder root;
  const uid_t me = getuid();
  const std::string path = root.File("f");
  const auto check = [&](mode_t mode, uid_t uid) {
    std::filesystem::create_directory(path);
    chmod(path.c_str(), mode);
    std::string why = CheckPrivateFolder(path, uid, false);
    std::filesystem::remove_all(path);
    return why;
  };
  EXPECT_EQ(check(0755, me), "");
  EXPECT_EQ(check(0770, me), path + " may be written by other users");
  EXPECT_EQ(check(0703, me), path + " may be written by other users");
  EXPECT_EQ(check(0700, me + 1), path + " belongs to another user");
  std::filesystem::create_directory(root.File("real"));
  std::filesystem::create_directory_symlink(root.File("real"), path);
  EXPECT_EQ(CheckPrivateFolder(path, me, true), path + " is not a folder");

  // The folder follows the user id alone.
  const LockPlaces places{root.File("user"), root.File("tmp"), root.File("home")};
  for (const std::string& folder : {places.runRoot, places.tmpRoot, places.home})
    std::filesystem::create_directories(folder);
  const std::string own = places.tmpRoot + "/quorvalin-" + std::to_string(me);
  std::string why;
  // No runtime folder for the user: a folder of its own in the temporary folder, made private.
  EXPECT_EQ(LockFolderFor(me, why, places), own);
  EXPECT_EQ(std::filesystem::status(own).permissions(), std::filesystem::perms::owner_all);
  // Another user took that name first: a private folder in the user's cache folder.
  if (getuid() == 0) {
    ASSERT_EQ(chown(own.c_str(), 65534, 65534), 0);
  } else {
    ASSERT_EQ(chmod(own.c_str(), 0777), 0);
  }
  const std::string cache = places.home + "/.cache/quorvalin";
  EXPECT_EQ(LockFolderFor(me, why, places), cache);
  EXPECT_EQ(std::filesystem::status(cache).permissions(), std::filesystem::perms::owner_all);
  // The runtime folder, once it is there and the user's own.
  const std::string runtime = places.runRoot + "/" + std::to_string(me);
  std::filesystem::create_directory(runtime);
  chmod(runtime.c_str(), 0700);
  EXPECT_EQ(LockFolderFor(me, why, places), runtime);
  // Another user's folders are never taken: no lock, and the program is told why.
  EXPECT_EQ(LockFolderFor(me + 1, why, places), "");
  EXPECT_EQ(why, places.tmpRoot + "/quorvalin-" + std::to_string(me + 1) +
                     " belongs to another user; " + places.home +
                     "/.cache belongs to another user");
  InstanceLock none("");
  EXPECT_EQ(none.TryLock(why), InstanceLock::Result::Impossible);
}

TEST(EndSignals, TheFirstSignalIsNamedAndEndsDelays) {
  const EndSignals endSignals;
  SystemClock clock(endSignals.Fd());
  raise(SIGHUP);
  raise(SIGTERM);  // a later signal changes nothing
  EXPECT_TRUE(clock.EndRequested());
  EXPECT_EQ(endSignals.Signal(), SIGHUP);
}

}  // namespace
}  // namespace qv
