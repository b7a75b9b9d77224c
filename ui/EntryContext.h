#pragma once
// What every group of the main window's device entries works with: the program, the window's
// services, and a way to say that devices moved, so that captions and check marks follow.
#include <cstdint>
#include <functional>
#include <string>

#include "commands/CommandDispatcher.h"
#include "commands/FrontEnd.h"
#include "controllers/Comm.h"
#include "controllers/LedController.h"
#include "controllers/MotorControllers.h"
#include "devices/Focus.h"
#include "devices/Indexers.h"
#include "devices/Objectives.h"
#include "devices/Stage.h"
#include "devices/Wheels.h"
#include "foundation/DeviceTable.h"
#include "foundation/Notifier.h"
#include "foundation/SharedState.h"
#include "specimen/MapView.h"
#include "specimen/Scan.h"
#include "ui/WindowServices.h"

namespace qv {

// What the device entries (the device menus, the Device Control tab, the speed tests) drive:
// the devices, the line their parameters and the operator's Stop go through, and the typed
// commands some entries run.
struct DeviceCore {
  SharedState& state;
  Notifier& notifier;
  FrontEnd& frontEnd;
  Comm& comm;
  MotorControllers& motors;
  LedController& leds;
  Focus& focus;
  Stage& stage;
  Wheels& wheels;
  Cube& cube;
  Objectives& objectives;
  Scan& scan;    // laid out again after the field of view changed
  MapView& map;  // the scan area's outline
  CommandDispatcher& dispatcher;
  CommandSource& windowSource;  // what the window's commands run as
  // A device initialised again from its file: "XY On" or "XY Off".
  std::function<std::string(DeviceId)> reinitialise;
  // A chosen file (folder, name) copied over a device file: the message line text.
  std::function<std::string(const std::string&, const std::string&, const std::string&)>
      replaceDeviceFile;
};

struct EntryContext {
  DeviceCore core;
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
