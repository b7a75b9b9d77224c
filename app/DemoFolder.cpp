#include "app/DemoFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>

namespace qv {

QString DemoFolder(QString& error) {
  const QString folder =
      QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + "/demo";
  if (!QDir().mkpath(folder)) {
    error = "cannot make the folder " + folder;
    return {};
  }
  QDirIterator it(":/demo", QDir::Files);
  while (it.hasNext()) {
    const QString source = it.next();
    const QString target = folder + "/" + it.fileName();
    if (QFile::exists(target)) continue;
    if (!QFile::copy(source, target)) {
      error = "cannot write " + target;
      return {};
    }
    // Files copied out of the executable are read-only; the program writes its settings back.
    QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
  }
  return folder;
}

}  // namespace qv
