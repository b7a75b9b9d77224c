#pragma once
// The demonstration: the program folder of the simulated microscope, shipped with the program,
// copied to a fresh folder, with the controller simulator running on a pseudo-terminal that the
// folder's configuration names as its port. The simulator stops and the folder goes when the
// session ends.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "foundation/Notifier.h"

namespace qv {

class DemoSession {
 public:
  // `line` is "ezhr17" or "im483i": which controllers the simulated microscope has.
  DemoSession(Notifier& notifier, QString line) : notifier_(notifier), line_(std::move(line)) {}
  ~DemoSession();
  DemoSession(const DemoSession&) = delete;
  DemoSession& operator=(const DemoSession&) = delete;

  // False with the reason when the folder or the simulator could not be set up.
  bool Start(QString& error);
  QString Folder() const { return folder_ ? folder_->path() : QString(); }

 private:
  bool CopyFolder(QString& error);
  bool NamePort(const QString& link, QString& error);
  bool StartSimulator(const QString& link, QString& error);

  Notifier& notifier_;
  QString line_;
  std::unique_ptr<QTemporaryDir> folder_;
  QProcess simulator_;
};

// The simulator's executable: QUORVALIN_SIM, else beside this program, else in the build tree.
QString SimulatorExecutable();

}  // namespace qv
