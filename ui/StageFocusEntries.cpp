#include "ui/StageFocusEntries.h"

#include "ui/PositionText.h"

#include "foundation/NumberText.h"

namespace qv {

namespace {
constexpr const char* kError = "Error ";

// The stage's direction of a jump: +1 or -1 jumps along X and Y.
struct JumpDirection {
  int dx;
  int dy;
};

JumpDirection DirectionOf(StageJump jump) {
  switch (jump) {
    case StageJump::Left:
      return {-1, 0};
    case StageJump::Right:
      return {1, 0};
    case StageJump::Forward:
      return {0, 1};
    case StageJump::Back:
      return {0, -1};
  }
  return {0, 0};
}

}  // namespace

// --- Stage ---

void StageEntries::Jump(StageJump jump) {
  if (!Ready()) return;
  const Result status = stage_.XYJump(jump);
  window_.Say(status.failed() ? std::string(kError) : std::string(Stage::JumpText(jump)));
}

bool StageEntries::Move(StageJump jump, int jumps) {
  const JumpDirection d = DirectionOf(jump);
  const double size = stage_.Params().JumpSize * jumps;  // microns
  const bool moved = !stage_.XYMoveRel(d.dx * size, d.dy * size).failed();
  window_.Say(moved ? std::string(Stage::JumpText(jump)) : std::string(kError));
  return moved;
}

JogMotion StageEntries::Jog(StageJump jump, int jumps) {
  Stage& stage = stage_;
  return {std::string(Stage::JumpText(jump)),
          [this] { return Ready(); },
          [this, jump, jumps] { return Move(jump, jumps); },
          [&stage] { stage.XYWait(); },
          [&stage] { stage.XYStop(); },
          [this] { ShowPosition(); }};
}

void StageEntries::ShowPosition() {
  if (Ready()) window_.Say(XYPositionText(stage_));
}

void StageEntries::Home() {
  if (!Ready()) return;
  window_.Say("Homing Stage ...");
  Result result;
  bool stopped = false;
  {
    BusyScope busy(window_, motors_, "Homing Stage");
    result = stage_.XYHome();
    stopped = busy.Stopped();
  }
  window_.Say(OperationEndText("Homing Stage", !result.failed(), stopped));
  if (result.failed() && !stopped) Alert(notifier_, "Stage Home Failed");
}

void StageEntries::Origin() {
  if (!Ready()) return;
  window_.Say("Stage Origin ...");
  if (stage_.XYOrigin().failed()) Alert(notifier_, "Stage Origin Failed");
}

// --- Focus ---

bool FocusEntries::Move(FocusStep step) {
  const bool moved = !focus_.ZStepMove(step).failed();
  window_.Say(moved ? std::string(Focus::StepText(step)) : std::string(kError));
  return moved;
}

// A failed move keeps its "Error " on the message line instead of a position that would hide it.
void FocusEntries::Step(FocusStep step) {
  if (!Ready() || !Move(step)) return;
  focus_.ZWait();
  ShowPosition();
}

JogMotion FocusEntries::Jog(FocusStep step) {
  Focus& focus = focus_;
  return {std::string(Focus::StepText(step)),  [this] { return Ready(); },
          [this, step] { return Move(step); }, [&focus] { focus.ZWait(); },
          [&focus] { focus.ZStop(); },         [this] { ShowPosition(); }};
}

void FocusEntries::ShowPosition() {
  if (Ready()) window_.Say(ZPositionText(focus_));
}

// A failed homing keeps the "Error " the focus entries always showed.
void FocusEntries::Home() {
  if (!Ready()) return;
  window_.Say("Homing Focus ...");
  Result result;
  bool stopped = false;
  {
    BusyScope busy(window_, motors_, "Homing Focus");
    result = focus_.ZHome();
    stopped = busy.Stopped();
  }
  window_.Say(result.failed() && !stopped
                  ? std::string(kError)
                  : OperationEndText("Homing Focus", !result.failed(), stopped));
}

void FocusEntries::Origin() {
  if (!Ready()) return;
  window_.Say(focus_.ZOrigin().failed() ? kError : "Z Origin");
}

}  // namespace qv
