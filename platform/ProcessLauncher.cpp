#include "platform/ProcessLauncher.h"

#include <errno.h>
#include <signal.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace qv {
namespace {

std::optional<QString> KeyName(char c) {
  if (c == ' ') return QStringLiteral("space");
  if (c == '\r' || c == '\n') return QStringLiteral("Return");
  if (c == '\t') return QStringLiteral("Tab");
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
    return QString(QChar(c));
  }
  return std::nullopt;
}

// A process that has ended cannot show a window; asking the window system would only wait.
// One that nobody has reaped yet still answers a signal, so its state is asked as well.
bool ProcessExists(int32_t id) {
  if (id <= 0 || (::kill(id, 0) != 0 && errno != EPERM)) return false;
  QFile stat(QStringLiteral("/proc/%1/stat").arg(id));
  if (!stat.open(QIODevice::ReadOnly)) return true;  // no /proc: the signal has to do
  const QByteArray line = stat.readAll();
  const qsizetype end = line.lastIndexOf(')');
  const char state = end >= 0 && end + 2 < line.size() ? line[end + 2] : '?';
  return state != 'Z' && state != 'X';
}

}  // namespace

std::optional<QStringList> XdotoolKeyNames(const std::string& keys) {
  QStringList names;
  for (size_t i = 0; i < keys.size(); ++i) {
    const bool control = keys[i] == '^' && i + 1 < keys.size();
    if (control) ++i;
    std::optional<QString> name = KeyName(keys[i]);
    if (!name) return std::nullopt;
    names << (control ? "ctrl+" + name->toLower() : *name);
  }
  if (names.isEmpty()) return std::nullopt;
  return names;
}

ProcessLauncher::ProcessLauncher(int waitMs)
    : waitMs_(waitMs), xdotool_(QStandardPaths::findExecutable(QStringLiteral("xdotool"))) {}

int32_t ProcessLauncher::StartProgram(const std::string& program,
                                      const std::vector<std::string>& arguments) {
  QStringList list;
  for (const std::string& argument : arguments)
    list << QString::fromStdString(argument);
  qint64 pid = 0;
  if (!QProcess::startDetached(QString::fromStdString(program), list, QString(), &pid)) return 0;
  return pid > 0 && pid <= INT32_MAX ? static_cast<int32_t>(pid) : 0;
}

bool ProcessLauncher::ActivateWindow(int32_t id) {
  windowOf_ = 0;
  window_.clear();
  if (xdotool_.isEmpty() || !ProcessExists(id)) return false;
  const QString window = FindWindow(id, true);
  if (window.isEmpty()) return false;
  // Without a window manager there is nobody to activate a window; the focus alone then does.
  if (!RunXdotool({"windowactivate", "--sync", window}) &&
      !RunXdotool({"windowfocus", "--sync", window})) {
    return false;
  }
  windowOf_ = id;
  window_ = window;
  return true;
}

bool ProcessLauncher::SendKeys(int32_t id, const std::string& keys) {
  const std::optional<QStringList> names = XdotoolKeyNames(keys);
  if (xdotool_.isEmpty() || !names || !ProcessExists(id)) return false;
  const QString window = windowOf_ == id ? window_ : FindWindow(id, false);
  if (window.isEmpty()) return false;
  return RunXdotool(QStringList{"key", "--window", window} + *names).has_value();
}

QString ProcessLauncher::FindWindow(int32_t id, bool waitForIt) const {
  QStringList arguments{"search"};
  if (waitForIt) arguments << "--sync";
  arguments << "--onlyvisible"
            << "--pid" << QString::number(id);
  const std::optional<QString> found = RunXdotool(arguments);
  if (!found) return {};
  return found->section('\n', 0, 0).trimmed();
}

std::optional<QString> ProcessLauncher::RunXdotool(const QStringList& arguments) const {
  QProcess xdotool;
  xdotool.setProcessChannelMode(QProcess::SeparateChannels);
  xdotool.start(xdotool_, arguments);
  if (!xdotool.waitForStarted(waitMs_)) return std::nullopt;
  if (!xdotool.waitForFinished(waitMs_)) {
    xdotool.kill();
    xdotool.waitForFinished(waitMs_);
    return std::nullopt;
  }
  if (xdotool.exitStatus() != QProcess::NormalExit || xdotool.exitCode() != 0) return std::nullopt;
  return QString::fromLocal8Bit(xdotool.readAllStandardOutput());
}

}  // namespace qv
