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
  StageEntries(const EntryContext& context, Stage& stage) : c_(context), stage_(stage) {}

  void Jump(StageJump jump);  // one XYJUMPSIZE, "Stage Left" ... or "Error "
  // Steps of `jumps` XYJUMPSIZE in a direction.
  JogMotion Jog(StageJump jump, int jumps);
  void ShowPosition();  // "X=..., Y=..." or "Error "
  void Home();
  void Origin();
  bool Ready() const { return c_.core.state.Ready[DeviceId::XY] == 1; }

 private:
  bool Move(StageJump jump, int jumps);  // the move and its text; false when it failed

  const EntryContext& c_;
  Stage& stage_;
};

class FocusEntries {
 public:
  FocusEntries(const EntryContext& context, Focus& focus) : c_(context), focus_(focus) {}

  void Step(FocusStep step);  // move, its text, wait, then the position
  JogMotion Jog(FocusStep step);
  void ShowPosition();  // "Z=..." or "Error "
  void Home();
  void Origin();
  bool Ready() const { return c_.core.state.Ready[DeviceId::Z] == 1; }

 private:
  bool Move(FocusStep step);  // the move and its text; false when it failed

  const EntryContext& c_;
  Focus& focus_;
};

}  // namespace qv
