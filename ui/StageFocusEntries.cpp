#include "ui/StageFocusEntries.h"

#include "ui/PositionText.h"

#include "foundation/NumberText.h"

namespace qv {

namespace {
constexpr const char* kError = "Error ";
}

bool JogButtonState::Press() {
  if (phase_ != Phase::Idle) return false;
  phase_ = Phase::Pressed;
  return true;
}

bool JogButtonState::Release() {
  if (phase_ != Phase::Pressed) return false;
  phase_ = Phase::Releasing;
  return true;
}

// --- Stage ---

void StageEntries::Jump(StageJump jump) {
  if (!Ready()) return;
  const int16_t status = c_.system.stage.XYJump(jump);
  c_.Say(status < 0 ? std::string(kError) : std::string(Stage::JumpText(jump)));
}

void StageEntries::Press(StageJump jump) {
  if (!Ready() || !jog_.Press()) return;
  c_.CommandBusy() = 1;
  Jump(jump);
}

// The wait lets window events run; the busy flag stays set until the position is shown.
void StageEntries::Release() {
  if (!jog_.Release()) return;
  c_.system.stage.XYWait();
  ShowPosition();
  c_.CommandBusy() = 0;
  jog_.Done();
}

void StageEntries::ShowPosition() {
  if (Ready()) c_.Say(XYPositionText(c_.system.stage));
}

void StageEntries::Home() {
  if (!Ready()) return;
  c_.Say("Homing Stage ...");
  int16_t result = 0;
  {
    BusyScope busy(c_);
    result = c_.system.stage.XYHome();
  }
  if (result < 0) c_.Alert("Stage Home Failed");
}

void StageEntries::Origin() {
  if (!Ready()) return;
  c_.Say("Stage Origin ...");
  if (c_.system.stage.XYOrigin() < 0) c_.Alert("Stage Origin Failed");
}

// --- Focus ---

bool FocusEntries::Move(FocusStep step) {
  const bool moved = c_.system.focus.ZStepMove(step) >= 0;
  c_.Say(moved ? std::string(Focus::StepText(step)) : std::string(kError));
  return moved;
}

// A failed move keeps its "Error " on the message line instead of a position that would hide it.
void FocusEntries::Step(FocusStep step) {
  if (!Ready() || !Move(step)) return;
  c_.system.focus.ZWait();
  ShowPosition();
}

void FocusEntries::Press(FocusStep step) {
  if (!Ready() || !jog_.Press()) return;
  c_.CommandBusy() = 1;
  Move(step);
}

void FocusEntries::Release() {
  if (!jog_.Release()) return;
  c_.system.focus.ZWait();
  ShowPosition();
  c_.CommandBusy() = 0;
  jog_.Done();
}

void FocusEntries::ShowPosition() {
  if (Ready()) c_.Say(ZPositionText(c_.system.focus));
}

void FocusEntries::Home() {
  if (!Ready()) return;
  int16_t result = 0;
  {
    BusyScope busy(c_);
    result = c_.system.focus.ZHome();
  }
  if (result < 0) c_.Say(kError);
}

void FocusEntries::Origin() {
  if (!Ready()) return;
  c_.Say(c_.system.focus.ZOrigin() < 0 ? kError : "Z Origin");
}

}  // namespace qv
