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
// joystick and the map alone meanwhile. It is released whatever the outcome: a failed homing
// must not leave the joystick dead until somebody types a command.
class BusyScope {
 public:
  explicit BusyScope(const EntryContext& context) : busy_(context.CommandBusy()) { busy_ = 1; }
  ~BusyScope() { busy_ = 0; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  int16_t& busy_;
};

}  // namespace qv
