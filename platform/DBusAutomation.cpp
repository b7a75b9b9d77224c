#include "platform/DBusAutomation.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTimer>

#include "commands/ReplyEscape.h"

namespace qv {

QuorvalinCmdObject::QuorvalinCmdObject(Automation& automation, QDBusServiceWatcher& watcher,
                                       std::function<void()> released)
    : automation_(automation), watcher_(watcher), released_(std::move(released)) {}

QString QuorvalinCmdObject::Caller() const {
  return calledFromDBus() ? message().service() : QStringLiteral("local");
}

QString QuorvalinCmdObject::Exec(const QString& cmd) {
  const QString caller = Caller();
  if (!automation_.HasObject(caller.toStdString())) {
    // Watch before the command runs: the client may leave while a long command waits.
    watcher_.addWatchedService(caller);
  }
  // Commands and replies are 8-bit text (a reply may hold a controller's raw frame bytes); on
  // the bus they travel as Latin-1, so every byte keeps its value, and NUL as U+2400.
  const std::string reply = automation_.Exec(caller.toStdString(), cmd.toLatin1().toStdString());
  released_();  // a client that left during its call has just been released
  const std::string text = ReplyToBusText(reply);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void QuorvalinCmdObject::Release() {
  const QString caller = Caller();
  watcher_.removeWatchedService(caller);
  automation_.ReleaseObject(caller.toStdString());
  released_();
}

void CommandObject::Execute(const QString& command) {
  dispatcher_.ExecuteFromWindow(command.toLatin1().toStdString(), clock_);
}

DBusAutomation::DBusAutomation(Automation& automation, CommandDispatcher& dispatcher, Clock& clock)
    : automation_(automation),
      watcher_(QString(), QDBusConnection::sessionBus(),
               QDBusServiceWatcher::WatchForUnregistration),
      cmd_(automation, watcher_, [this] { EndIfUnused(); }),
      command_(dispatcher, clock) {
  connect(&watcher_, &QDBusServiceWatcher::serviceUnregistered, this, &DBusAutomation::ClientLeft);
}

bool DBusAutomation::Register(QString& error) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    error = "no session bus: " + bus.lastError().message();
    return false;
  }
  const auto exported = QDBusConnection::ExportAllSlots;
  if (!bus.registerObject("/QuorvalinCmd", &cmd_, exported) ||
      !bus.registerObject("/Command", &command_, exported)) {
    error = "cannot register the automation objects: " + bus.lastError().message();
    return false;
  }
  if (!bus.registerService(kServiceName)) {
    error = QString("the bus name ") + kServiceName + " is taken: " + bus.lastError().message();
    return false;
  }
  // The connection tells of its own end with this local signal.
  bus.connect(QString(), "/org/freedesktop/DBus/Local", "org.freedesktop.DBus.Local",
              "Disconnected", this, SLOT(BusLost()));
  return true;
}

void DBusAutomation::BusLost() {
  automation_.ReleaseAll();
  if (busLost_) busLost_();
  EndIfUnused();
}

void DBusAutomation::ClientLeft(const QString& client) {
  watcher_.removeWatchedService(client);
  automation_.ReleaseObject(client.toStdString());
  EndIfUnused();
}

void DBusAutomation::EndIfUnused() {
  if (automation_.MayEnd()) QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

}  // namespace qv
