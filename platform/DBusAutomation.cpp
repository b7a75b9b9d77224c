#include "platform/DBusAutomation.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTimer>

#include "platform/QtText.h"

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
  // Commands and replies are UTF-8 texts. Bytes of a reply that are not (a controller's raw
  // frame) arrive as the Windows-1252 characters of those bytes.
  const std::string reply = automation_.Exec(caller.toStdString(), CoreText(cmd));
  return QtText(reply);
}

void QuorvalinCmdObject::Release() {
  const QString caller = Caller();
  watcher_.removeWatchedService(caller);
  automation_.ReleaseObject(caller.toStdString());
  released_();
}

void CommandObject::Execute(const QString& command) {
  dispatcher_.ExecuteFromWindow(CoreText(command), clock_);
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
  return true;
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
