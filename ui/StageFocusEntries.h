#pragma once
// The stage and focus entries of the main window: the menu entries, and the jogs that the
// held buttons and keys make (JogHold runs them).
#include "devices/Focus.h"
#include "devices/Stage.h"
#include "ui/EntryContext.h"
#include "ui/JogHold.h"

namespace qv {

class StageEntries {
 public:
  StageEntries(const EntryWindow& window, const MotorControllers& motors, Notifier& notifier,
               Stage& stage)
      : window_(window), motors_(motors), notifier_(notifier), stage_(stage) {}

  void Jump(StageJump jump);  // one XYJUMPSIZE, "Stage Left" ... or "Error "
  // Steps of `jumps` XYJUMPSIZE in a direction.
  JogMotion Jog(StageJump jump, int jumps);
  void ShowPosition();  // "X=..., Y=..." or "Error "
  void Home();
  void Origin();
  bool Ready() const { return window_.state.Ready[DeviceId::XY] == 1; }

 private:
  bool Move(StageJump jump, int jumps);  // the move and its text; false when it failed

  EntryWindow window_;
  const MotorControllers& motors_;  // Stop ends the homing
  Notifier& notifier_;              // a failed homing or origin
  Stage& stage_;
};

class FocusEntries {
 public:
  FocusEntries(const EntryWindow& window, const MotorControllers& motors, Focus& focus)
      : window_(window), motors_(motors), focus_(focus) {}

  void Step(FocusStep step);  // move, its text, wait, then the position
  JogMotion Jog(FocusStep step);
  void ShowPosition();  // "Z=..." or "Error "
  void Home();
  void Origin();
  bool Ready() const { return window_.state.Ready[DeviceId::Z] == 1; }

 private:
  bool Move(FocusStep step);  // the move and its text; false when it failed

  EntryWindow window_;
  const MotorControllers& motors_;  // Stop ends the homing
  Focus& focus_;
};

}  // namespace qv
