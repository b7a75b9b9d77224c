#include "platform/InstanceLock.h"

#include <QDir>

namespace qv {

QString InstanceLock::DefaultFolder() {
  for (const char* variable : {"QUORVALIN_RUNTIME_DIR", "XDG_RUNTIME_DIR"}) {
    const QString folder = qEnvironmentVariable(variable);
    if (!folder.isEmpty() && QDir(folder).exists()) return folder;
  }
  return QDir::tempPath();
}

InstanceLock::InstanceLock(const QString& folder)
    : lock_(std::make_unique<QLockFile>(QDir(folder).filePath(
          QStringLiteral("quorvalin-%1.lock").arg(qEnvironmentVariable("USER", "user"))))) {
  lock_->setStaleLockTime(0);  // only a dead owner makes the lock stale, never its age
}

bool InstanceLock::TryLock() {
  return lock_->tryLock(0);
}

}  // namespace qv
