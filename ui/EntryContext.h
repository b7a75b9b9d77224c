#pragma once
// What every group of the main window's device entries works with: the program, the window's
// services, and a way to say that devices moved, so that captions and check marks follow.
#include <functional>
#include <string>

#include "app/System.h"
#include "ui/WindowServices.h"

namespace qv {

struct EntryContext {
  System& system;
  WindowServices services;
  std::function<void()> devicesChanged;  // filters, cube, objective, lamp or settings changed

  void Changed() const {
    if (devicesChanged) devicesChanged();
  }
  void Say(const std::string& text) const { services.Message(text); }
  // A modal message box titled with the program's name.
  void Alert(const std::string& text) const {
    system.platform.notifier.MessageBox(text, MsgIcon::Exclamation);
  }
  void LetEventsRun() const { system.platform.frontEnd.DoEvents(); }
  // A keyword file of the program folder.
  std::string ProgramFile(const std::string& name) const { return system.state.AppDir + name; }
  int16_t& CommandBusy() const { return system.state.CommandBusy; }
};

// Holds CommandBusy for the duration of an operator operation, so that the timer leaves the
// joystick and the map alone meanwhile, and shows the operation as running. Both end whatever
// the outcome: a failed homing must not leave the joystick dead until somebody types a command.
class BusyScope {
 public:
  BusyScope(const EntryContext& context, std::string what)
      : c_(context), previous_(context.CommandBusy()) {
    c_.CommandBusy() = 1;
    c_.services.OperationBegins(what);
  }
  ~BusyScope() {
    c_.services.OperationEnds();
    c_.CommandBusy() = previous_;
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

  // The operator pressed Stop while the operation ran.
  bool Stopped() const { return c_.system.motCon.Motor().MotorStopRequested; }

 private:
  const EntryContext& c_;
  int16_t previous_;  // CommandBusy before the operation: operations may nest
};

// The last word of a long operation on the message line: "Homing Stage ... done", "... stopped"
// or "... failed".
inline std::string OperationEndText(const std::string& what, bool succeeded, bool stopped) {
  return what + " ... " + (stopped ? "stopped" : succeeded ? "done" : "failed");
}

}  // namespace qv
