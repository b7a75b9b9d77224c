#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qv {

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

std::string LockFolderFor(uid_t uid, std::string& why, const std::string& runRoot,
                          const std::string& tmpRoot) {
  const std::string id = std::to_string(uid);
  const std::string runtime = runRoot + "/" + id;
  if (CheckPrivateFolder(runtime, uid, false).empty()) return runtime;
  const std::string own = tmpRoot + "/quorvalin-" + id;
  why = CheckPrivateFolder(own, uid, true);
  return why.empty() ? own : std::string();
}

std::string InstanceLock::DefaultFolder(std::string& why) {
  const char* forTests = std::getenv("QUORVALIN_RUNTIME_DIR");
  if (forTests != nullptr && *forTests != '\0') return forTests;
  return LockFolderFor(getuid(), why);
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) close(fd_);
}

bool InstanceLock::TryLock(std::string& why) {
  if (folder_.empty()) return true;
  const std::string path = folder_ + "/quorvalin.lock";
  // Not inherited by the simulator or the capture program, which may outlive the program.
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) {
    why = "cannot open " + path + ": " + std::strerror(errno);
    return true;
  }
  if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
  if (errno == EWOULDBLOCK) return false;
  why = "cannot lock " + path + ": " + std::strerror(errno);
  return true;
}

}  // namespace qv
