#include "app/DemoSession.h"

#ifdef __linux__
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#endif

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "foundation/Config.h"
#include "foundation/KeywordFiles.h"
#include "foundation/ProgramFiles.h"

namespace qv {

QString SimulatorExecutable() {
  QString configured = qEnvironmentVariable("QUORVALIN_SIM");
  if (!configured.isEmpty()) return configured;
  const QString here = QCoreApplication::applicationDirPath();
  for (const QString& candidate : {here + "/quorvalin-sim", here + "/../sim/quorvalin-sim"}) {
    if (QFileInfo(candidate).isExecutable()) return QDir::cleanPath(candidate);
  }
  return "quorvalin-sim";  // from the PATH
}

DemoSession::~DemoSession() {
  if (simulator_.state() != QProcess::NotRunning) {
    simulator_.terminate();  // the simulator removes its link when told to stop
    if (!simulator_.waitForFinished(3000)) simulator_.kill();
    simulator_.waitForFinished(1000);
  }
}

bool DemoSession::Start(QString& error) {
  if (!CopyFolder(error)) return false;
  const QString link = folder_->filePath("controller-line");
  return NamePort(link, error) && StartSimulator(link, error);
}

bool DemoSession::CopyFolder(QString& error) {
  folder_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/quorvalin-demo-XXXXXX");
  if (!folder_->isValid()) {
    error = "cannot make a folder for the demonstration: " + folder_->errorString();
    return false;
  }
  const QDir sample(
      QString::fromStdString(DemoFolder(ExecutableFolder(), line_.toStdString()).string()));
  const QStringList names = sample.entryList(QDir::Files);
  if (names.isEmpty()) {
    error = "no demonstration folder " + sample.path() + ": the installation is incomplete";
    return false;
  }
  for (const QString& name : names) {
    const QString target = folder_->filePath(name);
    if (!QFile::copy(sample.filePath(name), target)) {
      error = "cannot write " + target;
      return false;
    }
    // An installed sample is read-only; the program writes its settings back.
    QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
  }
  return true;
}

bool DemoSession::NamePort(const QString& link, QString& error) {
  KeywordFiles keywordFiles(notifier_);
  keywordFiles.SetParDir(folder_->path().toStdString() + "/");
  const std::string path = keywordFiles.ParPath(kConfigFile);
  ParList config;
  const bool read = keywordFiles.ReadParList(path, config) >= 0;
  if (read) PutPar(config, "PORTNAME", link.toStdString());
  if (!read || keywordFiles.WriteParList(path, config) < 0) {
    error = "cannot name the simulator's port in " + folder_->filePath(kConfigFile);
    return false;
  }
  return true;
}

bool DemoSession::StartSimulator(const QString& link, QString& error) {
  simulator_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  simulator_.setStandardOutputFile(QProcess::nullDevice());
#ifdef __linux__
  // A program that is killed cannot stop its simulator: the simulator ends with it. A Ctrl-C in
  // the terminal is the program's alone (the simulator is in a process group of its own): the
  // program stops the devices on the still open line, then ends the simulator.
  simulator_.setChildProcessModifier([] {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    setpgid(0, 0);
  });
#endif
  simulator_.start(SimulatorExecutable(), {"--dir", folder_->path(), "--link", link});
  if (!simulator_.waitForStarted(5000)) {
    error = "cannot start the simulator " + SimulatorExecutable() + ": " + simulator_.errorString();
    return false;
  }
  for (int waited = 0; waited < 5000; waited += 20) {
    if (QFileInfo::exists(link)) return true;
    if (simulator_.state() == QProcess::NotRunning) break;
    QThread::msleep(20);
  }
  error = "the simulator did not open its line " + link;
  return false;
}

}  // namespace qv
