#pragma once
// The automation server on the user's session bus: well-known name org.quorvalin.Quorvalin,
// object /QuorvalinCmd (Exec, Release) and object /Command (Execute). A client connection is an
// automation object: its first call creates it; Release() or leaving the bus releases it.
#include <QDBusContext>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <functional>

#include "commands/Automation.h"
#include "commands/CommandDispatcher.h"
#include "controllers/Delay32.h"

namespace qv {

inline constexpr const char* kServiceName = "org.quorvalin.Quorvalin";

class QuorvalinCmdObject : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.quorvalin.Quorvalin.QuorvalinCmd")

 public:
  QuorvalinCmdObject(Automation& automation, QDBusServiceWatcher& watcher,
                     std::function<void()> released);

 public slots:
  QString Exec(const QString& cmd);
  void Release();

 private:
  QString Caller() const;

  Automation& automation_;
  QDBusServiceWatcher& watcher_;
  std::function<void()> released_;
};

class CommandObject : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.quorvalin.Quorvalin.Command")

 public:
  CommandObject(CommandDispatcher& dispatcher, Clock& clock)
      : dispatcher_(dispatcher), clock_(clock) {}

 public slots:
  // The main window's execute steps; the reply stays in the window.
  void Execute(const QString& command);

 private:
  CommandDispatcher& dispatcher_;
  Clock& clock_;
};

class DBusAutomation : public QObject {
  Q_OBJECT

 public:
  // After every release the event loop ends when no window is loaded and no object is left.
  DBusAutomation(Automation& automation, CommandDispatcher& dispatcher, Clock& clock);

  // Registers both objects and then the name; false with the reason when the session bus is
  // not there or the name is taken.
  bool Register(QString& error);

  // Runs when the session bus has gone, after every object was released (or will be, when its
  // running call returns): the program may unload a window that nobody can reach any more.
  void OnBusLost(std::function<void()> lost) { busLost_ = std::move(lost); }

 private slots:
  void BusLost();

 private:
  void ClientLeft(const QString& client);
  void EndIfUnused();

  Automation& automation_;
  QDBusServiceWatcher watcher_;
  QuorvalinCmdObject cmd_;
  CommandObject command_;
  std::function<void()> busLost_;
};

}  // namespace qv
