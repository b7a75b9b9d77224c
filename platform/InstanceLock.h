#pragma once
// Refuses a second copy of the program for the same user, whatever its environment: a copy
// started from a desktop, cron, ssh or `sudo -u` finds the same lock. The lock is flock() on a
// file in a folder that only the user can write, found from the user id alone, so that nobody
// else can plant or hold it, and the kernel releases it when the process ends, even by a crash.
#include <sys/types.h>

#include <string>
#include <utility>

namespace qv {

// Empty when `path` is a real folder (not a link) of `uid` that no other user may write; else
// the reason. `create`: a missing folder is made, readable by the user only.
std::string CheckPrivateFolder(const std::string& path, uid_t uid, bool create);

// The lock's folder for `uid`: the user's runtime folder `runRoot`/UID when it is private to
// the user, else `tmpRoot`/quorvalin-UID, made when missing. Empty with the reason when neither
// can be trusted.
std::string LockFolderFor(uid_t uid, std::string& why, const std::string& runRoot = "/run/user",
                          const std::string& tmpRoot = "/tmp");

class InstanceLock {
 public:
  // QUORVALIN_RUNTIME_DIR, which only the tests set (so that tests running side by side do not
  // meet), else the folder of this user.
  static std::string DefaultFolder(std::string& why);

  // An empty folder: no lock can be taken, and TryLock lets the program start.
  explicit InstanceLock(std::string folder) : folder_(std::move(folder)) {}
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // False only when another running copy holds the lock. When the lock cannot be taken at all
  // (no trusted folder, a file that is not the user's), `why` says so and the program starts.
  bool TryLock(std::string& why);

 private:
  std::string folder_;
  int fd_ = -1;  // the open lock file, held until the process ends
};

}  // namespace qv
