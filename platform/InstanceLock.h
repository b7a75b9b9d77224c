#pragma once
// Refuses a second copy of the program for the same user: a lock file in the user's runtime
// folder, taken before anything else is touched. A lock left by a crashed copy is taken over.
#include <QLockFile>
#include <QString>
#include <memory>

namespace qv {

class InstanceLock {
 public:
  // QUORVALIN_RUNTIME_DIR, else XDG_RUNTIME_DIR, else the temporary folder.
  static QString DefaultFolder();

  explicit InstanceLock(const QString& folder = DefaultFolder());
  // False when another running copy holds the lock.
  bool TryLock();

 private:
  std::unique_ptr<QLockFile> lock_;
};

}  // namespace qv
