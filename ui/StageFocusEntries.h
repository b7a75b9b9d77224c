#pragma once
// The stage and focus entries of the main window: the menu entries, and the jog buttons that
// split one step between pressing (the move) and releasing (the wait and the position).
#include "devices/Focus.h"
#include "devices/Stage.h"
#include "ui/EntryContext.h"

namespace qv {

// Tracks one press-and-release of a jog button. A release that did not follow an accepted press
// does nothing, and a second press while the first one is still being released is ignored.
class JogButtonState {
 public:
  bool Press();    // true when the press starts a step
  bool Release();  // true when the release ends a step; call Done() after the wait
  void Done() { phase_ = Phase::Idle; }

 private:
  enum class Phase { Idle, Pressed, Releasing };
  Phase phase_ = Phase::Idle;
};

class StageEntries {
 public:
  explicit StageEntries(const EntryContext& context) : c_(context) {}

  void Jump(StageJump jump);  // one XYJUMPSIZE, "Stage Left" ... or "Error "
  void Press(StageJump jump);
  void Release();
  void ShowPosition();  // "X=..., Y=..." or "Error "
  void Home();
  void Origin();

 private:
  bool Ready() const { return c_.system.state.Ready.XYReady == 1; }

  const EntryContext& c_;
  JogButtonState jog_;
};

class FocusEntries {
 public:
  explicit FocusEntries(const EntryContext& context) : c_(context) {}

  void Step(FocusStep step);  // move, its text, wait, then the position
  void Press(FocusStep step);
  void Release();
  void ShowPosition();  // "Z=..." or "Error "
  void Home();
  void Origin();

 private:
  bool Ready() const { return c_.system.state.Ready.ZReady == 1; }
  bool Move(FocusStep step);  // the move and its text; false when it failed

  const EntryContext& c_;
  JogButtonState jog_;
};

}  // namespace qv
