#include "devices/Stage.h"

#include <array>
#include <cmath>
#include <limits>

#include "devices/AxisScale.h"
#include "devices/DriveProfile.h"
#include "devices/JoySpeed.h"

namespace qv {
namespace {

constexpr int32_t kEnergiseMs = 100;     // ms between the +1 and -1 steps that energise a motor
constexpr double kBacklashApproach = 4;  // backlash distances below the target
constexpr int16_t kModeFlags = 1;

struct JumpEntry {
  StageJump jump;
  int dx;  // jumps in X
  int dy;  // jumps in Y
  std::string_view text;
};

constexpr std::array<JumpEntry, 4> kJumps{{
    {StageJump::Left, -1, 0, "Stage Left"},
    {StageJump::Right, 1, 0, "Stage Right"},
    {StageJump::Forward, 0, 1, "Stage Forward"},
    {StageJump::Back, 0, -1, "Stage Back"},
}};

// -speed without the overflow of the most negative 32-bit number.
int32_t Reversed(int32_t speed) {
  return speed == std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::max()
                                                      : -speed;
}

const JumpEntry& Entry(StageJump jump) {
  for (const JumpEntry& e : kJumps) {
    if (e.jump == jump) return e;
  }
  return kJumps[0];
}

}  // namespace

Stage::Stage(KeywordFiles& keywordFiles, Notifier& notifier, MotorControllers& motors, Clock& clock,
             EventPump& /*pump*/)
    : keywordFiles_(keywordFiles),
      notifier_(notifier),
      mot_(motors),
      clock_(clock),
      homing_(motors, params_) {}

template <class Op>
int16_t Stage::OnAxis(const StageAxisParams& axis, Op op) {
  const int16_t status = op(axis.Contr);
  return status < 0 ? -1 : status;
}

// --- Parameters and initialisation ---

int16_t Stage::XYReadPar() {
  return ReadXYParams(keywordFiles_, params_);
}

int16_t Stage::XYApplyPar() {
  if (ApplyAxis(params_.X) < 0) return -1;
  return ApplyAxis(params_.Y);
}

int16_t Stage::ApplyAxis(const StageAxisParams& a) {
  // Operations a controller type lacks answer 0; only a negative status is a failure.
  if (mot_.MotorSetStepDivide(a.Contr, a.StepDivide) < 0 ||
      mot_.MotorSetCurrents(a.Contr, a.HoldCurrent, a.RunCurrent) < 0 ||
      mot_.MotorSetSlewSpeed(a.Contr, a.SlewVelocity) < 0 ||
      mot_.MotorSetInitSpeed(a.Contr, a.InitVelocity) < 0 ||
      mot_.MotorSetRamp(a.Contr, a.Acceleration, a.Deceleration) < 0 ||
      mot_.MotorSetJogSpeeds(a.Contr, params_.JogSpeedLow, params_.JogSpeedHigh) < 0 ||
      mot_.MotorSetLimitPolarity(a.Contr, params_.LimPolarity) < 0 ||
      mot_.MotorEnableLimits(a.Contr, 1) < 0 || mot_.MotorSetModeFlags(a.Contr, kModeFlags) < 0) {
    return -1;
  }
  // One step out and back energises the motor and leaves the position unchanged.
  if (mot_.MotorMoveRel(a.Contr, 1) < 0) return -1;
  clock_.DelayMs(kEnergiseMs);
  if (mot_.MotorMoveRel(a.Contr, -1) < 0) return -1;
  return 1;
}

std::optional<double> Stage::AxisScale(const StageAxisParams& a, const std::string& axis) {
  // The lead is in mm a turn, the scale in microns a microstep.
  return CheckedScale(notifier_,
                      AxisMechanics{axis + "SCREWLEAD", a.ScrewLead * 1000, axis + "MOTORSTEPS",
                                    a.MotorSteps, axis + "STEPDIVIDE", a.StepDivide},
                      keywordFiles_.ParDir() + kXYFile, "microns");
}

int16_t Stage::XYInit() {
  if (XYReadPar() < 0) return -1;
  const std::optional<double> xScale = AxisScale(params_.X, "X");
  const std::optional<double> yScale = xScale ? AxisScale(params_.Y, "Y") : std::nullopt;
  if (!xScale || !yScale) return -1;
  xUmPerStep_ = *xScale;
  yUmPerStep_ = *yScale;
  if (XYApplyPar() < 0) return -1;
  double x = 0, y = 0;
  return XYReadPos(x, y);
}

// --- Motion ---

int16_t Stage::XYMoveRel(double dx, double dy) {
  const double sx = dx / xUmPerStep_, sy = dy / yUmPerStep_;  // microsteps
  if (TargetsRefused(sx, sy) < 0) return -1;
  if (OnAxis(params_.X, [&](int16_t unit) { return mot_.MotorMoveRel(unit, sx); }) < 0) return -1;
  return OnAxis(params_.Y, [&](int16_t unit) { return mot_.MotorMoveRel(unit, sy); });
}

int16_t Stage::XYMoveAbs(double x, double y) {
  const double sx = x / xUmPerStep_, sy = y / yUmPerStep_;  // microsteps
  if (TargetsRefused(sx, sy) < 0) return -1;
  if (OnAxis(params_.X, [&](int16_t unit) { return mot_.MotorMoveAbs(unit, sx); }) < 0) return -1;
  return OnAxis(params_.Y, [&](int16_t unit) { return mot_.MotorMoveAbs(unit, sy); });
}

// Both targets are checked before either axis gets one: a move that one axis cannot make moves
// neither. -1 when a target lies beyond the controllers' count or an axis cannot take one now.
int16_t Stage::TargetsRefused(double sx, double sy) {
  if (!FitsCounter(sx) || !FitsCounter(sy)) return -1;
  if (SlewsBack() < 0) return -1;
  if (OnAxis(params_.X, [&](int16_t unit) { return mot_.MotorTakesTarget(unit); }) < 0) return -1;
  return OnAxis(params_.Y, [&](int16_t unit) { return mot_.MotorTakesTarget(unit); });
}

int16_t Stage::XYMoveAbsBacklash(double x, double y) {
  const int16_t approach = XYMoveAbs(x - kBacklashApproach * params_.X.Backlash,
                                     y - kBacklashApproach * params_.Y.Backlash);
  if (approach < 0) return approach;
  // A final move started while the approach still runs would be refused or cut short.
  if (XYWait() < 0) return -1;
  return XYMoveAbs(x, y);
}

int16_t Stage::XYWait() {
  if (OnAxis(params_.X, [&](int16_t unit) { return mot_.MotorWaitMoveEnd(unit); }) < 0) return -1;
  return OnAxis(params_.Y, [&](int16_t unit) { return mot_.MotorWaitMoveEnd(unit); });
}

int16_t Stage::XYReadPos(double& x, double& y) {
  double countX = 0, countY = 0;  // microsteps
  if (mot_.MotorReadPos(params_.X.Contr, countX) <= 0) return -1;
  if (mot_.MotorReadPos(params_.Y.Contr, countY) <= 0) return -1;
  x = lastX_ = countX * xUmPerStep_;
  y = lastY_ = countY * yUmPerStep_;
  return 1;
}

int16_t Stage::XYOrigin() {
  if (OnAxis(params_.X, [&](int16_t unit) { return mot_.MotorSetOrigin(unit, 0); }) < 0) return -1;
  return OnAxis(params_.Y, [&](int16_t unit) { return mot_.MotorSetOrigin(unit, 0); });
}

// A run of an axis may make its rate the top speed (an EZHR17 unit's "V" + rate + "P0R"); after
// the run the axis would make its next move at that rate. So each axis notes a rate in force, and
// gets its slew velocity back when it is stopped, or before it moves or homes again once it stands
// still.
int16_t Stage::Run(const StageAxisParams& axis, bool& rateInForce, int32_t v) {
  const int16_t status = OnAxis(axis, [&](int16_t unit) { return mot_.MotorMoveAtSpeed(unit, v); });
  if (status >= 0 && v != 0 && mot_.MotorRunSetsTopSpeed()) rateInForce = true;
  return status;
}

int16_t Stage::SlewBack(const StageAxisParams& axis, bool& rateInForce, bool unlessMoving) {
  if (!rateInForce) return 1;
  // A run that goes on keeps its rate: a new top speed would change it on the way.
  if (unlessMoving && mot_.MotorReadMovingStatus(axis.Contr) != 0) return 1;
  if (mot_.MotorSetSlewSpeed(axis.Contr, axis.SlewVelocity) < 0) return -1;
  rateInForce = false;
  return 1;
}

int16_t Stage::SlewsBack() {
  const int16_t x = SlewBack(params_.X, jogRateX_, true);
  const int16_t y = SlewBack(params_.Y, jogRateY_, true);
  return x < 0 || y < 0 ? -1 : 1;
}

int16_t Stage::Runs(int32_t vx, int32_t vy, int16_t& x, int16_t& y) {
  // A stop reaches its axis whatever the other axis did; a run starts only beside a good one.
  x = Run(params_.X, jogRateX_, vx);
  y = x >= 0 || vy == 0 ? Run(params_.Y, jogRateY_, vy) : int16_t{-1};
  return x < 0 || y < 0 ? int16_t{-1} : y;
}

int16_t Stage::XYJog(int32_t vx, int32_t vy) {
  int16_t x = 0, y = 0;
  int16_t result = Runs(vx, vy, x, y);
  if (vx == 0 && x >= 0 && SlewBack(params_.X, jogRateX_, false) < 0) result = -1;
  if (vy == 0 && y >= 0 && SlewBack(params_.Y, jogRateY_, false) < 0) result = -1;
  return result;
}

int16_t Stage::XYStop() {
  return XYJog(0, 0);
}

int16_t Stage::XYJoyJog(double jx, double jy, double range) {
  if (!UsableJoyRange(range)) return -1;  // a calibration without a range gives no speed
  const std::optional<JoystickRuns> runs = mot_.MotorJoystickRuns();
  if (!runs) return 0;                                // an unknown controller type sends nothing
  const auto rate = [&](double j, double maxSpeed) {  // microsteps/s
    return runs->heldRunRange ? ImsSquaredJoySpeed(j, maxSpeed, range)
                              : SquaredJoySpeed(j, maxSpeed, range);
  };
  double vx = rate(jx, params_.X.JoyMaxSpeed);  // microsteps/s
  double vy = rate(jy, params_.Y.JoyMaxSpeed);  // microsteps/s
  // Each new speed may lean on the previous one, so that the runs do not jerk.
  const double keep = runs->keepShare;
  if (vx != 0) vx = keep * joyPrevX_ + (1 - keep) * vx;
  if (vy != 0) vy = keep * joyPrevY_ + (1 - keep) * vy;
  const bool wasStill = joyPrevX_ == 0 && joyPrevY_ == 0;
  const bool still = vx == 0 && vy == 0;
  if (still && wasStill && runs->quietWhenCentred) return 1;
  int16_t x = 0, y = 0;
  if (wasStill && !still && runs->startShare < 1) {
    const int16_t start = Runs(RoundToInt32Saturated(vx * runs->startShare),
                               RoundToInt32Saturated(vy * runs->startShare), x, y);
    if (start < 0) return start;
  }
  const int16_t result = Runs(RoundToInt32Saturated(vx), RoundToInt32Saturated(vy), x, y);
  // A failed command leaves the speeds as they were, so the next call sends again.
  if (result < 0) return result;
  joyPrevX_ = vx;
  joyPrevY_ = vy;
  if (still && mot_.MotorRunSetsTopSpeed()) {
    // The runs changed the top speed; moves use the configured one again, on both axes.
    jogRateX_ = jogRateY_ = true;
    if (SlewBack(params_.X, jogRateX_, false) < 0 || SlewBack(params_.Y, jogRateY_, false) < 0)
      return -1;
  }
  return result;
}

// A homing reads the top speed in force and puts it back afterwards: the slew velocity, not a
// rate a run left behind.
int16_t Stage::XYHome() {
  if (SlewsBack() < 0) return -1;
  return homing_.Home();
}

int16_t Stage::XYHomeX() {
  if (SlewsBack() < 0) return -1;
  return homing_.HomeX();
}

int16_t Stage::XYMeasureTravel(int32_t vx, int32_t vy, double& travelX, double& travelY) {
  travelX = travelY = -1.0;
  if (SlewsBack() < 0) return -1;
  struct Leg {
    const StageAxisParams* axis;
    int32_t mask;   // limit sought: 2 high end, 1 low end
    int32_t speed;  // microsteps/s
    double* count;  // microsteps read at the limit
  };
  double highX = 0, highY = 0, lowX = 0, lowY = 0;
  const std::array<Leg, 4> legs{{{&params_.X, 2, vx, &highX},
                                 {&params_.Y, 2, vy, &highY},
                                 {&params_.X, 1, Reversed(vx), &lowX},
                                 {&params_.Y, 1, Reversed(vy), &lowY}}};
  for (const Leg& leg : legs) {
    const int16_t unit = leg.axis->Contr;
    if (const int16_t r = mot_.MotorToLimit(unit, leg.mask, leg.speed); r < 0) return r;
    if (const int16_t r = mot_.MotorReadPos(unit, *leg.count); r < 0) return r;
  }
  travelX = std::fabs(highX - lowX) * xUmPerStep_;
  travelY = std::fabs(highY - lowY) * yUmPerStep_;
  return 1;
}

int16_t Stage::XYJump(StageJump jump) {
  const JumpEntry& e = Entry(jump);
  return XYMoveRel(e.dx * params_.JumpSize, e.dy * params_.JumpSize);
}

std::string_view Stage::JumpText(StageJump jump) {
  return Entry(jump).text;
}

}  // namespace qv
