#pragma once
// What the groups of the main window's device entries work with, in the pieces they combine: the
// window they report to, the motor controllers' Stop, the message boxes, the window's events and
// a way to say that devices moved, so that captions and check marks follow.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

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

// Where every group of device entries reports: the shared state, whose ready flags gate the
// entries, and the window's services (message line, dialogs, the running operation's display).
struct EntryWindow {
  SharedState& state;
  const WindowServices& services;

  void Say(const std::string& text) const { services.Message(text); }
  // A keyword file of the program folder.
  std::string ProgramFile(const std::string& name) const { return state.AppDir + name; }
};

// Says that filters, cube, objective, lamp or settings changed, so that captions and check marks
// follow.
using DevicesChanged = std::function<void()>;

// What the hosts of the device entries (the device menus and the Device Control tab) hold and
// hand out, to each group of entries the pieces it uses; the wheel entries use all of it.
struct EntryContext {
  EntryWindow window;
  const MotorControllers& motors;  // whose Stop flag ends a long operation
  Notifier& notifier;              // the message boxes
  FrontEnd& frontEnd;              // the window's events, let run after a modal editor
  DevicesChanged devicesChanged;
};

// What the hosts of the device entries are handed: the program's pieces, and the devices, one to
// each group of entries.
struct DeviceCore {
  SharedState& state;
  Notifier& notifier;
  FrontEnd& frontEnd;
  MotorControllers& motors;
  Focus& focus;
  Stage& stage;
  Wheels& wheels;
  Cube& cube;
  Objectives& objectives;
};

// The context a host hands its entries: `services` is the host's own copy, which outlives them.
inline EntryContext HostEntryContext(const DeviceCore& core, const WindowServices& services,
                                     DevicesChanged changed) {
  return {{core.state, services}, core.motors, core.notifier, core.frontEnd, std::move(changed)};
}

// A modal message box titled with the program's name.
inline void Alert(Notifier& notifier, const std::string& text) {
  notifier.MessageBox(text, MsgIcon::Exclamation);
}

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
  BusyScope(const EntryWindow& window, const MotorControllers& motors, const std::string& what)
      : BusyScope(window.state, motors, window.services, what) {}
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
