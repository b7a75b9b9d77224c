#pragma once
// The automation server on the user's session bus: well-known name org.quorvalin.Quorvalin,
// object /QuorvalinCmd (Exec, Release) and object /Command (Execute). A client connection is an
// automation object: its first call creates it; Release() or leaving the bus releases it.
//
// sd-bus serves the bus on the program's own thread, from its event loop: a call costs no hand-
// off between threads. Calls are queued as they are read and run outside sd-bus's dispatch, so a
// command that lets events run (a motion wait) can serve the calls of other clients meanwhile.
#include <systemd/sd-bus.h>

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "commands/Automation.h"
#include "commands/CommandDispatcher.h"
#include "controllers/Clock.h"

namespace qv {

inline constexpr const char* kServiceName = "org.quorvalin.Quorvalin";

class DBusAutomation : public QObject {
 public:
  // After every release the event loop ends when no window is loaded and no object is left.
  // Execute requests run as the window's commands, from `windowSource`.
  DBusAutomation(Automation& automation, CommandDispatcher& dispatcher, CommandSource& windowSource,
                 Clock& clock);
  ~DBusAutomation() override;
  DBusAutomation(const DBusAutomation&) = delete;
  DBusAutomation& operator=(const DBusAutomation&) = delete;

  // Registers both objects and then the name; false with the reason when the session bus is
  // not there or the name is taken.
  bool Register(QString& error);

  // Runs when the session bus has gone, after every object was released (or will be, when its
  // running call returns): a program started for clients unloads its window.
  void OnBusLost(std::function<void()> lost) { busLost_ = std::move(lost); }

 private:
  // What came from the bus, in the order it came.
  struct Call {
    enum class Kind { Exec, Release, Execute, Left } kind;
    sd_bus_message* message;  // the method call to answer; none for a client that left
    std::string client;       // the caller's unique bus name
    std::string text;         // the command line, as the bus carried it
  };

  static int OnMethod(sd_bus_message* message, void* self, sd_bus_error* error);
  static int OnNameOwnerChanged(sd_bus_message* message, void* self, sd_bus_error* error);
  static int OnDisconnected(sd_bus_message* message, void* self, sd_bus_error* error);

  void Process();  // reads what the bus has, then serves the queued calls
  void Serve(const Call& call);
  void Answer(sd_bus_message* message, const std::string* text);
  void WatchBus();  // the notifiers and timer follow what sd-bus waits for
  void Lose();
  void EndIfUnused();

  Automation& automation_;
  CommandDispatcher& dispatcher_;
  CommandSource& windowSource_;
  Clock& clock_;
  sd_bus* bus_ = nullptr;
  std::unique_ptr<QSocketNotifier> readable_;
  std::unique_ptr<QSocketNotifier> writable_;
  QTimer due_;  // sd-bus's next time-out
  std::deque<Call> calls_;
  bool lost_ = false;
  std::function<void()> busLost_;
};

}  // namespace qv
