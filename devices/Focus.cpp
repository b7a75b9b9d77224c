#include "devices/Focus.h"

#include <array>

#include "devices/AxisScale.h"
#include "devices/JoySpeed.h"

namespace qv {
namespace {

constexpr int32_t kEnergiseMs = 100;     // ms between the +1 and -1 steps that energise the motor
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

int16_t Focus::ZReadPar() {
  return ReadZParams(keywordFiles_, params_);
}

int16_t Focus::ZApplyPar() {
  const ZParams& p = params_;
  // Operations a controller type lacks answer 0; only a negative status is a failure.
  if (mot_.MotorSetStepDivide(Unit(), p.StepDivide) < 0 ||
      mot_.MotorSetCurrents(Unit(), p.HoldCurrent, p.RunCurrent) < 0 ||
      mot_.MotorSetSlewSpeed(Unit(), p.SlewVelocity) < 0 ||
      mot_.MotorSetInitSpeed(Unit(), p.InitVelocity) < 0 ||
      mot_.MotorSetRamp(Unit(), p.Acceleration, p.Deceleration) < 0 ||
      mot_.MotorSetJogSpeeds(Unit(), p.JogSpeedLow, p.JogSpeedHigh) < 0 || ApplyOrigin() < 0 ||
      mot_.MotorSetLimitPolarity(Unit(), p.LimPolarity) < 0 ||
      mot_.MotorEnableLimits(Unit(), p.EnableLimits) < 0 ||
      mot_.MotorSetModeFlags(Unit(), kModeFlags) < 0) {
    return -1;
  }
  return 1;
}

int16_t Focus::ApplyOrigin() {
  if (params_.PowerUpOrigin != 0) {
    // Only a controller that has just been powered (count 0) gets the origin; one that kept
    // its count keeps it, so Z positions survive a restart of the program.
    double count = 0;  // microsteps
    if (mot_.MotorReadPos(Unit(), count) < 0) return -1;
    if (count != 0) return 1;
    if (mot_.MotorMoveRel(Unit(), 1) < 0) return -1;
    return mot_.MotorSetOrigin(Unit(), params_.PowerUpOrigin) < 0 ? -1 : 1;
  }
  // One step out and back energises the motor and leaves the position unchanged.
  if (mot_.MotorMoveRel(Unit(), 1) < 0) return -1;
  clock_.DelayMs(kEnergiseMs);
  return mot_.MotorMoveRel(Unit(), -1) < 0 ? -1 : 1;
}

int16_t Focus::ZInit() {
  if (ZReadPar() < 0) return -1;
  // The stroke is in mm a turn, the scale in microns a microstep.
  const std::optional<double> scale =
      CheckedScale(notifier_,
                   AxisMechanics{"ZSTROKEPERROT", params_.StrokePerRot * 1000, "ZMOTORSTEPS",
                                 params_.MotorSteps, "ZSTEPDIVIDE", params_.StepDivide},
                   keywordFiles_.ParDir() + kZFile, "microns");
  if (!scale) return -1;
  zUmPerStep_ = *scale;
  if (ZApplyPar() < 0) return -1;
  double z = 0;
  return ZReadPos(z);
}

int16_t Focus::ZMoveRel(double dz) {
  if (ReadyForTarget() < 0) return -1;
  return mot_.MotorMoveRel(Unit(), dz / zUmPerStep_);
}

int16_t Focus::ZMoveAbs(double z) {
  if (ReadyForTarget() < 0) return -1;
  return mot_.MotorMoveAbs(Unit(), z / zUmPerStep_ + OriginCount());
}

// Readies the focus for a new target: 1 when it may take one, with its slew velocity in force.
int16_t Focus::ReadyForTarget() {
  if (SlewBack(true) < 0) return -1;
  return mot_.MotorTakesTarget(Unit());
}

// A run of an EZHR17 unit makes its rate the top speed ("V" + rate + "P0R"); the focus gets its
// slew velocity back when the run is stopped, or before it moves or homes again once it stands
// still. `unlessMoving` leaves a run that still goes on alone.
int16_t Focus::SlewBack(bool unlessMoving) {
  if (!jogRate_) return 1;
  if (unlessMoving && mot_.MotorReadMovingStatus(Unit()) != 0) return 1;
  if (mot_.MotorSetSlewSpeed(Unit(), params_.SlewVelocity) < 0) return -1;
  jogRate_ = false;
  return 1;
}

int16_t Focus::ZWait() {
  return mot_.MotorWaitMoveEnd(Unit());
}

int16_t Focus::ZReadPos(double& z) {
  double count = 0;  // microsteps
  if (mot_.MotorReadPos(Unit(), count) <= 0) return -1;
  z = lastZ_ = (count - OriginCount()) * zUmPerStep_;
  return 1;
}

// The power-up origin as the unit's counter holds it (an IM483I unit can only zero it).
double Focus::OriginCount() const {
  return mot_.MotorCountAtOrigin(params_.PowerUpOrigin);
}

int16_t Focus::ZOrigin() {
  return mot_.MotorSetOrigin(Unit(), params_.PowerUpOrigin);
}

int16_t Focus::ZHome() {
  // The limit run puts back the top speed it finds: the slew velocity, not a run's rate.
  if (SlewBack(true) < 0) return -1;
  // An origin is only set where the limit was seen: after a run that failed (a time-out, inputs
  // that could not be read) nobody knows where the focus stands.
  if (mot_.MotorToLimit(Unit(), kLimitMask, params_.HomeSpeed) < 0) return -1;
  const int16_t pause = mot_.MotorPause(Unit(), kSettlePauseMs);
  const int16_t origin = mot_.MotorSetOrigin(Unit(), params_.PowerUpOrigin);
  return origin < 0 || pause < 0 ? -1 : 1;
}

int16_t Focus::ZJog(int32_t v) {
  const int16_t result = mot_.MotorMoveAtSpeed(Unit(), v);
  if (result < 0) return result;
  if (v != 0) {
    if (mot_.MotorRunSetsTopSpeed()) jogRate_ = true;
    return result;
  }
  return SlewBack(false) < 0 ? -1 : result;
}

int16_t Focus::ZStop() {
  return ZJog(0);
}

int16_t Focus::ZJoyJog(double j, double range) {
  if (!UsableJoyRange(range)) return -1;  // a calibration without a range gives no speed
  const std::optional<JoystickRuns> runs = mot_.MotorJoystickRuns();
  if (!runs) return 0;  // an unknown controller type sends nothing
  const int32_t linear = LinearJoySpeed(j, params_.JoyMaxSpeed, range);  // microsteps/s
  const int32_t v = runs->heldRunRange ? ClampImsSpeed(linear) : linear;
  if (v == 0 && joyPrev_ == 0 && runs->quietWhenCentred) return 1;
  // The runs may have changed the top speed: the stop puts it back.
  if (v == 0 && mot_.MotorRunSetsTopSpeed()) jogRate_ = true;
  const int16_t result = ZJog(v);
  if (result < 0) return result;  // the next call sends again
  joyPrev_ = v;
  return result;
}

int16_t Focus::ZStepMove(FocusStep step) {
  const StepEntry& e = Entry(step);
  const double size = e.coarse ? params_.CoarseFactor * params_.JumpSize : params_.JumpSize;
  return ZMoveRel(e.sign * size);
}

std::string_view Focus::StepText(FocusStep step) {
  return Entry(step).text;
}

}  // namespace qv
