#pragma once
// What every group of the main window's device entries works with: the program, the window's
// services, and a way to say that devices moved, so that captions and check marks follow.
#include <functional>
#include <string>

#include "ui/CoreServices.h"
#include "ui/WindowServices.h"

namespace qv {

struct EntryContext {
  CoreServices core;
  WindowServices services;
  std::function<void()> devicesChanged;  // filters, cube, objective, lamp or settings changed

  void Changed() const {
    if (devicesChanged) devicesChanged();
  }
  void Say(const std::string& text) const { services.Message(text); }
  // A modal message box titled with the program's name.
  void Alert(const std::string& text) const {
    core.notifier.MessageBox(text, MsgIcon::Exclamation);
  }
  void LetEventsRun() const { core.frontEnd.DoEvents(); }
  // A keyword file of the program folder.
  std::string ProgramFile(const std::string& name) const { return core.state.AppDir + name; }
};

// Holds CommandBusy for the duration of an operator operation, so that the timer leaves the
// joystick and the map alone meanwhile, and shows the operation as running. Both end whatever
// the outcome: a failed homing must not leave the joystick dead until somebody types a command.
class BusyScope {
 public:
  BusyScope(const EntryContext& context, const std::string& what)
      : c_(context), busy_(context.core.state, CommandBusyScope::OnEnd::Restore) {
    c_.services.OperationBegins(what);
  }
  ~BusyScope() { c_.services.OperationEnds(); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

  // The operator pressed Stop while the operation ran.
  bool Stopped() const { return c_.core.motors.Motor().MotorStopRequested; }

 private:
  const EntryContext& c_;
  CommandBusyScope busy_;  // operations may nest: each restores the flag it found
};

// The last word of a long operation on the message line: "Homing Stage ... done", "... stopped"
// or "... failed".
inline std::string OperationEndText(const std::string& what, bool succeeded, bool stopped) {
  return what + " ... " + (stopped ? "stopped" : succeeded ? "done" : "failed");
}

}  // namespace qv
