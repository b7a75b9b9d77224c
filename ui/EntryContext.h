#pragma once
// What every group of the main window's device entries works with: the program, the window's
// services, and a way to say that devices moved, so that captions and check marks follow.
#include <cstdint>
#include <functional>
#include <string>

#include "commands/FrontEnd.h"
#include "controllers/MotorControllers.h"
#include "devices/Focus.h"
#include "devices/Indexers.h"
#include "devices/Objectives.h"
#include "devices/Stage.h"
#include "devices/Wheels.h"
#include "foundation/Notifier.h"
#include "foundation/SharedState.h"
#include "ui/WindowServices.h"

namespace qv {

// What every device entry works with besides its device: the shared state, the message boxes,
// the window's events, and the motor controllers whose Stop flag ends an operation.
struct EntryCore {
  SharedState& state;
  Notifier& notifier;
  FrontEnd& frontEnd;
  MotorControllers& motors;
};

// What the hosts of the device entries (the device menus and the Device Control tab) hand them:
// the common core and the devices, one to each group of entries.
struct DeviceCore {
  EntryCore entry;
  Focus& focus;
  Stage& stage;
  Wheels& wheels;
  Cube& cube;
  Objectives& objectives;
};

struct EntryContext {
  EntryCore core;
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
  BusyScope(SharedState& state, const MotorControllers& motors, const WindowServices& services,
            const std::string& what)
      : motors_(motors), services_(services), busy_(state, CommandBusyScope::OnEnd::Restore) {
    services_.OperationBegins(what);
  }
  BusyScope(const EntryContext& context, const std::string& what)
      : BusyScope(context.core.state, context.core.motors, context.services, what) {}
  ~BusyScope() { services_.OperationEnds(); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

  // The operator pressed Stop while the operation ran.
  bool Stopped() const { return motors_.Motor().MotorStopRequested; }

 private:
  const MotorControllers& motors_;
  const WindowServices& services_;
  CommandBusyScope busy_;  // operations may nest: each restores the flag it found
};

// The last word of a long operation on the message line: "Homing Stage ... done", "... stopped"
// or "... failed".
inline std::string OperationEndText(const std::string& what, bool succeeded, bool stopped) {
  return what + " ... " + (stopped ? "stopped" : succeeded ? "done" : "failed");
}

}  // namespace qv
