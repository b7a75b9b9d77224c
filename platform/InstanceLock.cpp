#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace qv {

namespace {

// The home folder of `uid` as the password database names it; empty when it names none.
std::string HomeOf(uid_t uid) {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr) {
    return {};
  }
  return found->pw_dir;
}

}  // namespace

std::string CheckPrivateFolder(const std::string& path, uid_t uid, bool create) {
  if (create && mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    return "cannot make " + path + ": " + std::strerror(errno);
  }
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return path + ": " + std::strerror(errno);
  if (!S_ISDIR(info.st_mode)) return path + " is not a folder";
  if (info.st_uid != uid) return path + " belongs to another user";
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) return path + " may be written by other users";
  return {};
}

// The cache folder may be a link (to a larger disk, say), but it must be the user's and closed
// to others, or they could swap what is in it.
std::string UserCacheFolder(uid_t uid, std::string& why, const std::string& homeFolder) {
  const std::string home = homeFolder.empty() ? HomeOf(uid) : homeFolder;
  if (home.empty() || home.front() != '/') {
    why = "no home folder for user id " + std::to_string(uid);
    return {};
  }
  const std::string cache = home + "/.cache";
  if (mkdir(cache.c_str(), 0700) != 0 && errno != EEXIST) {
    why = "cannot make " + cache + ": " + std::strerror(errno);
    return {};
  }
  struct stat info {};
  if (stat(cache.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    why = cache + " is not a folder";
  } else if (info.st_uid != uid) {
    why = cache + " belongs to another user";
  } else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    why = cache + " may be written by other users";
  } else {
    std::string own = cache + "/quorvalin";
    why = CheckPrivateFolder(own, uid, true);
    if (why.empty()) return own;
  }
  return {};
}

std::string LockFolderFor(uid_t uid, std::string& why, const LockPlaces& places) {
  const std::string id = std::to_string(uid);
  std::string runtime = places.runRoot + "/" + id;
  if (CheckPrivateFolder(runtime, uid, false).empty()) return runtime;
  std::string own = places.tmpRoot + "/quorvalin-" + id;
  const std::string tmpWhy = CheckPrivateFolder(own, uid, true);
  if (tmpWhy.empty()) return own;
  std::string cacheWhy;
  std::string cache = UserCacheFolder(uid, cacheWhy, places.home);
  if (cache.empty()) why = tmpWhy + "; " + cacheWhy;
  return cache;
}

namespace {

// The folder that QUORVALIN_RUNTIME_DIR names, which only the tests set, so that tests running
// side by side do not meet; empty when it is not set.
std::string FolderForTests() {
  const char* forTests = std::getenv("QUORVALIN_RUNTIME_DIR");
  return forTests != nullptr ? forTests : "";
}

}  // namespace

std::string UserStateFolder(std::string& why) {
  const std::string forTests = FolderForTests();
  return forTests.empty() ? UserCacheFolder(getuid(), why) : forTests;
}

std::string InstanceLock::DefaultFolder(std::string& why) {
  const std::string forTests = FolderForTests();
  return forTests.empty() ? LockFolderFor(getuid(), why) : forTests;
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) close(fd_);
}

InstanceLock::Result InstanceLock::TryLock(std::string& why) {
  if (folder_.empty()) {
    if (why.empty()) why = "no folder for the lock";
    return Result::Impossible;
  }
  const std::string path = folder_ + "/quorvalin.lock";
  // Not inherited by the simulator or the capture program, which may outlive the program.
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) {
    why = "cannot open " + path + ": " + std::strerror(errno);
    return Result::Impossible;
  }
  if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return Result::Taken;
  if (errno == EWOULDBLOCK) return Result::Held;
  why = "cannot lock " + path + ": " + std::strerror(errno);
  return Result::Impossible;
}

}  // namespace qv
