#include "devices/Focus.h"

#include <array>

#include "devices/AxisScale.h"
#include "devices/DriveProfile.h"
#include "devices/JoySpeed.h"

namespace qv {
namespace {

constexpr int16_t kSettlePauseMs = 500;  // ms, controller pause before the origin is set
constexpr int32_t kLimitMask = 3;        // either limit
constexpr int16_t kModeFlags = 1;

struct StepEntry {
  FocusStep step;
  int sign;     // +1 down, -1 up
  bool coarse;  // ZCOARSEFACTOR fine steps
  std::string_view text;
};

constexpr std::array<StepEntry, 4> kSteps{{
    {FocusStep::DownCoarse, 1, true, "Down Coarse"},
    {FocusStep::DownFine, 1, false, "Down Fine"},
    {FocusStep::UpCoarse, -1, true, "Up Coarse"},
    {FocusStep::UpFine, -1, false, "Up Fine"},
}};

const StepEntry& Entry(FocusStep step) {
  for (const StepEntry& e : kSteps) {
    if (e.step == step) return e;
  }
  return kSteps[0];
}

}  // namespace

Focus::Focus(KeywordFiles& keywordFiles, Notifier& notifier, MotorControllers& motors, Clock& clock)
    : keywordFiles_(keywordFiles), notifier_(notifier), mot_(motors), clock_(clock) {}

Result Focus::ZReadPar() {
  return ReadZParams(keywordFiles_, params_);
}

Result Focus::ZApplyPar() {
  const ZParams& p = params_;
  // Operations a controller type lacks are not sent, which is no failure.
  Result r = ApplyDriveProfile(mot_, p.profile);
  if (!r.failed()) r = mot_.MotorSetJogSpeeds(Unit(), p.JogSpeedLow, p.JogSpeedHigh);
  // A focus without a power-up origin counts from wherever it stands; its motor is energised.
  if (!r.failed()) {
    r = p.PowerUpOrigin != 0 ? ApplyPowerUpOrigin(mot_, Unit(), p.PowerUpOrigin)
                             : EnergiseMotor(mot_, clock_, Unit());
  }
  if (!r.failed()) r = mot_.MotorSetLimitPolarity(Unit(), p.LimPolarity);
  if (!r.failed()) r = mot_.MotorEnableLimits(Unit(), p.EnableLimits);
  if (!r.failed()) r = mot_.MotorSetModeFlags(Unit(), kModeFlags);
  return OrDone(r);
}

Result Focus::ZInit() {
  if (const Result read = ZReadPar(); !read.ok()) return read;
  // The stroke is in mm a turn, the scale in microns a microstep.
  const std::optional<double> scale =
      CheckedScale(notifier_,
                   AxisMechanics{"ZSTROKEPERROT", params_.StrokePerRot * 1000, "ZMOTORSTEPS",
                                 params_.MotorSteps, "ZSTEPDIVIDE", params_.profile.stepDivide},
                   keywordFiles_.ParDir() + kZFile, "microns");
  if (!scale) return Cause::kNoParameters;
  zUmPerStep_ = *scale;
  if (const Result applied = ZApplyPar(); !applied.ok()) return applied;
  double z = 0;
  return ZReadPos(z);
}

Result Focus::ZMoveRel(double dz) {
  if (const Result ready = ReadyForTarget(); ready.failed()) return ready;
  return mot_.MotorMoveRel(Unit(), dz / zUmPerStep_);
}

Result Focus::ZMoveAbs(double z) {
  if (const Result ready = ReadyForTarget(); ready.failed()) return ready;
  return mot_.MotorMoveAbs(Unit(), z / zUmPerStep_ + OriginCount());
}

// Readies the focus for a new target: done when it may take one, with its slew velocity in force.
Result Focus::ReadyForTarget() {
  if (const Result slew = SlewBack(true); slew.failed()) return slew;
  return mot_.MotorTakesTarget(Unit());
}

// A run of an EZHR17 unit makes its rate the top speed ("V" + rate + "P0R"); the focus gets its
// slew velocity back when the run is stopped, or before it moves or homes again once it stands
// still. `unlessMoving` leaves a run that still goes on alone.
Result Focus::SlewBack(bool unlessMoving) {
  if (!jogRate_) return Cause::kDone;
  if (unlessMoving && mot_.MotorMayBeMoving(Unit())) return Cause::kDone;
  if (const Result r = mot_.MotorSetSlewSpeed(Unit(), params_.profile.slewVelocity); r.failed())
    return r;
  jogRate_ = false;
  return Cause::kDone;
}

Result Focus::ZWait() {
  return mot_.MotorWaitMoveEnd(Unit());
}

Result Focus::ZReadPos(double& z) {
  double count = 0;  // microsteps
  if (const Result r = mot_.MotorReadPos(Unit(), count); !r.ok()) return Needed(r);
  z = lastZ_ = (count - OriginCount()) * zUmPerStep_;
  return Cause::kDone;
}

// The power-up origin as the unit's counter holds it (an IM483I unit can only zero it).
double Focus::OriginCount() const {
  return mot_.MotorCountAtOrigin(params_.PowerUpOrigin);
}

Result Focus::ZOrigin() {
  return mot_.MotorSetOrigin(Unit(), params_.PowerUpOrigin);
}

Result Focus::ZHome() {
  // The limit run puts back the top speed it finds: the slew velocity, not a run's rate.
  if (const Result slew = SlewBack(true); slew.failed()) return slew;
  // An origin is only set where the limit was seen: after a run that failed (a time-out, inputs
  // that could not be read) nobody knows where the focus stands.
  int16_t reached = 0;
  const Result run = mot_.MotorToLimit(Unit(), kLimitMask, params_.HomeSpeed, reached);
  if (run.failed()) return run;
  const Result pause = mot_.MotorPause(Unit(), kSettlePauseMs);
  const Result origin = mot_.MotorSetOrigin(Unit(), params_.PowerUpOrigin);
  return OrDone(FirstFailure(pause, origin));
}

Result Focus::ZJog(int32_t v) {
  const Result result = mot_.MotorMoveAtSpeed(Unit(), v);
  if (result.failed()) return result;
  if (v != 0) {
    if (mot_.MotorRunSetsTopSpeed()) jogRate_ = true;
    return result;
  }
  const Result slew = SlewBack(false);
  return slew.failed() ? slew : result;
}

Result Focus::ZStop() {
  return ZJog(0);
}

Result Focus::ZJoyJog(double j, double range) {
  // A calibration without a range gives no speed.
  if (!UsableJoyRange(range)) return Cause::kOutOfRange;
  const std::optional<JoystickRuns> runs = mot_.MotorJoystickRuns();
  if (!runs) return Cause::kNotSent;  // an unknown controller type sends nothing
  const int32_t linear = LinearJoySpeed(j, params_.JoyMaxSpeed, range);  // microsteps/s
  const int32_t v = runs->heldRunRange ? ClampImsSpeed(linear) : linear;
  if (v == 0 && joyPrev_ == 0 && runs->quietWhenCentred) return Cause::kDone;
  // The runs may have changed the top speed: the stop puts it back.
  if (v == 0 && mot_.MotorRunSetsTopSpeed()) jogRate_ = true;
  const Result result = ZJog(v);
  if (result.failed()) return result;  // the next call sends again
  joyPrev_ = v;
  return result;
}

Result Focus::ZStepMove(FocusStep step) {
  const StepEntry& e = Entry(step);
  const double size = e.coarse ? params_.CoarseFactor * params_.JumpSize : params_.JumpSize;
  return ZMoveRel(e.sign * size);
}

std::string_view Focus::StepText(FocusStep step) {
  return Entry(step).text;
}

}  // namespace qv
