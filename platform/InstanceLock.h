#pragma once
// Refuses a second copy of the program for the same user, whatever its environment: a copy
// started from a desktop, cron, ssh or `sudo -u` finds the same lock. The lock is flock() on a
// file in a folder that only the user can write, found from the user id alone, so that nobody
// else can plant or hold it, and the kernel releases it when the process ends, even by a crash.
// The program never runs without it: where no such folder can be had, it does not start.
#include <sys/types.h>

#include <string>
#include <utility>

namespace qv {

// Empty when `path` is a real folder (not a link) of `uid` that no other user may write; else
// the reason. `create`: a missing folder is made, readable by the user only.
std::string CheckPrivateFolder(const std::string& path, uid_t uid, bool create);

// HOME/.cache/quorvalin, made private to `uid` when missing: a folder of the user's that outlives
// the session. An empty home is the user's home folder from the password database. Empty with
// the reason when it cannot be trusted.
std::string UserCacheFolder(uid_t uid, std::string& why, const std::string& home = {});

// Where the program keeps what must outlive a session (the folders its writes made temporary
// files in): QUORVALIN_RUNTIME_DIR when set, as for the lock, else UserCacheFolder of this user.
std::string UserStateFolder(std::string& why);

// Where the lock's folder is looked for. An empty home is the user's home folder from the
// password database (not $HOME, which `sudo` and cron set differently).
struct LockPlaces {
  std::string runRoot = "/run/user";
  std::string tmpRoot = "/tmp";
  std::string home;
};

// The lock's folder for `uid`, the first that is private to the user: the runtime folder
// runRoot/UID; tmpRoot/quorvalin-UID, made when missing; HOME/.cache/quorvalin, made when
// missing (another user may have taken the name in the shared temporary folder first). Empty
// with the reasons when none can be trusted.
std::string LockFolderFor(uid_t uid, std::string& why, const LockPlaces& places = {});

class InstanceLock {
 public:
  enum class Result {
    Taken,      // this copy holds the lock
    Held,       // another running copy holds it
    Impossible  // no lock can be taken (`why` says why): the program must not start
  };

  // QUORVALIN_RUNTIME_DIR, which only the tests set (so that tests running side by side do not
  // meet), else the folder of this user; empty with the reason when there is none.
  static std::string DefaultFolder(std::string& why);

  explicit InstanceLock(std::string folder) : folder_(std::move(folder)) {}
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  Result TryLock(std::string& why);

 private:
  std::string folder_;
  int fd_ = -1;  // the open lock file, held until the process ends
};

}  // namespace qv
