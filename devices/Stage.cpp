#include "devices/Stage.h"

#include <array>
#include <cmath>
#include <limits>

#include "devices/AxisScale.h"
#include "devices/DriveProfile.h"
#include "devices/JoySpeed.h"

namespace qv {
namespace {

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

// --- Parameters and initialisation ---

Result Stage::XYReadPar() {
  return ReadXYParams(keywordFiles_, params_);
}

Result Stage::XYApplyPar() {
  if (const Result x = ApplyAxis(params_.X); !x.ok()) return x;
  return ApplyAxis(params_.Y);
}

Result Stage::ApplyAxis(const StageAxisParams& a) {
  // Operations a controller type lacks are not sent, which is no failure.
  const int16_t unit = a.profile.contr;
  Result r = ApplyDriveProfile(mot_, a.profile);
  if (!r.failed()) r = mot_.MotorSetJogSpeeds(unit, params_.JogSpeedLow, params_.JogSpeedHigh);
  if (!r.failed()) r = mot_.MotorSetLimitPolarity(unit, params_.LimPolarity);
  if (!r.failed()) r = mot_.MotorEnableLimits(unit, 1);
  if (!r.failed()) r = mot_.MotorSetModeFlags(unit, kModeFlags);
  if (r.failed()) return r;
  return EnergiseMotor(mot_, clock_, unit);
}

std::optional<double> Stage::AxisScale(const StageAxisParams& a, const std::string& axis) {
  // The lead is in mm a turn, the scale in microns a microstep.
  return CheckedScale(notifier_,
                      AxisMechanics{axis + "SCREWLEAD", a.ScrewLead * 1000, axis + "MOTORSTEPS",
                                    a.MotorSteps, axis + "STEPDIVIDE", a.profile.stepDivide},
                      keywordFiles_.ParDir() + kXYFile, "microns");
}

Result Stage::XYInit() {
  if (const Result read = XYReadPar(); !read.ok()) return read;
  const std::optional<double> xScale = AxisScale(params_.X, "X");
  const std::optional<double> yScale = xScale ? AxisScale(params_.Y, "Y") : std::nullopt;
  if (!xScale || !yScale) return Cause::kNoParameters;
  xUmPerStep_ = *xScale;
  yUmPerStep_ = *yScale;
  if (const Result applied = XYApplyPar(); !applied.ok()) return applied;
  double x = 0, y = 0;
  return XYReadPos(x, y);
}

// --- Motion ---

Result Stage::XYMoveRel(double dx, double dy) {
  const double sx = dx / xUmPerStep_, sy = dy / yUmPerStep_;  // microsteps
  if (const Result refused = TargetsRefused(sx, sy); refused.failed()) return refused;
  if (const Result x = mot_.MotorMoveRel(XUnit(), sx); x.failed()) return x;
  return mot_.MotorMoveRel(YUnit(), sy);
}

Result Stage::XYMoveAbs(double x, double y) {
  const double sx = x / xUmPerStep_, sy = y / yUmPerStep_;  // microsteps
  if (const Result refused = TargetsRefused(sx, sy); refused.failed()) return refused;
  if (const Result movedX = mot_.MotorMoveAbs(XUnit(), sx); movedX.failed()) return movedX;
  return mot_.MotorMoveAbs(YUnit(), sy);
}

// Both targets are checked before either axis gets one: a move that one axis cannot make moves
// neither: a failure when a target lies beyond the controllers' count or an axis cannot take one
// now.
Result Stage::TargetsRefused(double sx, double sy) {
  if (!FitsCounter(sx) || !FitsCounter(sy)) return Cause::kOutOfRange;
  if (const Result slew = SlewsBack(); slew.failed()) return slew;
  if (const Result x = mot_.MotorTakesTarget(XUnit()); x.failed()) return x;
  return mot_.MotorTakesTarget(YUnit());
}

Result Stage::XYMoveAbsBacklash(double x, double y) {
  const Result approach = XYMoveAbs(x - kBacklashApproach * params_.X.Backlash,
                                    y - kBacklashApproach * params_.Y.Backlash);
  if (approach.failed()) return approach;
  // A final move started while the approach still runs would be refused or cut short.
  if (const Result waited = XYWait(); waited.failed()) return waited;
  return XYMoveAbs(x, y);
}

Result Stage::XYWait() {
  if (const Result x = mot_.MotorWaitMoveEnd(XUnit()); x.failed()) return x;
  return mot_.MotorWaitMoveEnd(YUnit());
}

Result Stage::XYReadPos(double& x, double& y) {
  double countX = 0, countY = 0;  // microsteps
  if (const Result r = mot_.MotorReadPos(XUnit(), countX); !r.ok()) return Needed(r);
  if (const Result r = mot_.MotorReadPos(YUnit(), countY); !r.ok()) return Needed(r);
  x = lastX_ = countX * xUmPerStep_;
  y = lastY_ = countY * yUmPerStep_;
  return Cause::kDone;
}

Result Stage::XYOrigin() {
  if (const Result x = mot_.MotorSetOrigin(XUnit(), 0); x.failed()) return x;
  return mot_.MotorSetOrigin(YUnit(), 0);
}

// A run of an axis may make its rate the top speed (an EZHR17 unit's "V" + rate + "P0R"); after
// the run the axis would make its next move at that rate. So each axis notes a rate in force, and
// gets its slew velocity back when it is stopped, or before it moves or homes again once it stands
// still.
Result Stage::Run(const StageAxisParams& axis, bool& rateInForce, int32_t v) {
  const Result status = mot_.MotorMoveAtSpeed(axis.profile.contr, v);
  if (!status.failed() && v != 0 && mot_.MotorRunSetsTopSpeed()) rateInForce = true;
  return status;
}

Result Stage::SlewBack(const StageAxisParams& axis, bool& rateInForce, bool unlessMoving) {
  if (!rateInForce) return Cause::kDone;
  // A run that goes on keeps its rate: a new top speed would change it on the way.
  if (unlessMoving && mot_.MotorMayBeMoving(axis.profile.contr)) return Cause::kDone;
  if (const Result r = mot_.MotorSetSlewSpeed(axis.profile.contr, axis.profile.slewVelocity);
      r.failed())
    return r;
  rateInForce = false;
  return Cause::kDone;
}

Result Stage::SlewsBack() {
  const Result x = SlewBack(params_.X, jogRateX_, true);
  const Result y = SlewBack(params_.Y, jogRateY_, true);
  return FirstFailure(x, y);
}

Result Stage::Runs(int32_t vx, int32_t vy, Result& x, Result& y) {
  // A stop reaches its axis whatever the other axis did; a run starts only beside a good one.
  x = Run(params_.X, jogRateX_, vx);
  y = !x.failed() || vy == 0 ? Run(params_.Y, jogRateY_, vy) : x;
  return FirstFailure(x, y);
}

Result Stage::XYJog(int32_t vx, int32_t vy) {
  Result x, y;
  Result result = Runs(vx, vy, x, y);
  if (vx == 0 && !x.failed()) result = FirstFailure(SlewBack(params_.X, jogRateX_, false), result);
  if (vy == 0 && !y.failed()) result = FirstFailure(SlewBack(params_.Y, jogRateY_, false), result);
  return result;
}

Result Stage::XYStop() {
  return XYJog(0, 0);
}

Result Stage::XYJoyJog(double jx, double jy, double range) {
  // A calibration without a range gives no speed.
  if (!UsableJoyRange(range)) return Cause::kOutOfRange;
  const std::optional<JoystickRuns> runs = mot_.MotorJoystickRuns();
  if (!runs) return Cause::kNotSent;                  // an unknown controller type sends nothing
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
  if (still && wasStill && runs->quietWhenCentred) return Cause::kDone;
  Result x, y;
  if (wasStill && !still && runs->startShare < 1) {
    const Result start = Runs(RoundToInt32Saturated(vx * runs->startShare),
                              RoundToInt32Saturated(vy * runs->startShare), x, y);
    if (start.failed()) return start;
  }
  const Result result = Runs(RoundToInt32Saturated(vx), RoundToInt32Saturated(vy), x, y);
  // A failed command leaves the speeds as they were, so the next call sends again.
  if (result.failed()) return result;
  joyPrevX_ = vx;
  joyPrevY_ = vy;
  if (still && mot_.MotorRunSetsTopSpeed()) {
    // The runs changed the top speed; moves use the configured one again, on both axes.
    jogRateX_ = jogRateY_ = true;
    if (const Result r = SlewBack(params_.X, jogRateX_, false); r.failed()) return r;
    if (const Result r = SlewBack(params_.Y, jogRateY_, false); r.failed()) return r;
  }
  return result;
}

// A homing reads the top speed in force and puts it back afterwards: the slew velocity, not a
// rate a run left behind.
Result Stage::XYHome() {
  if (const Result slew = SlewsBack(); slew.failed()) return slew;
  return homing_.Home();
}

Result Stage::XYHomeX() {
  if (const Result slew = SlewsBack(); slew.failed()) return slew;
  return homing_.HomeX();
}

Result Stage::XYMeasureTravel(int32_t vx, int32_t vy, double& travelX, double& travelY) {
  travelX = travelY = -1.0;
  if (const Result slew = SlewsBack(); slew.failed()) return slew;
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
    const int16_t unit = leg.axis->profile.contr;
    int16_t reached = 0;
    if (const Result r = mot_.MotorToLimit(unit, leg.mask, leg.speed, reached); r.failed())
      return r;
    if (const Result r = mot_.MotorReadPos(unit, *leg.count); r.failed()) return r;
  }
  travelX = std::fabs(highX - lowX) * xUmPerStep_;
  travelY = std::fabs(highY - lowY) * yUmPerStep_;
  return Cause::kDone;
}

Result Stage::XYJump(StageJump jump) {
  const JumpEntry& e = Entry(jump);
  return XYMoveRel(e.dx * params_.JumpSize, e.dy * params_.JumpSize);
}

std::string_view Stage::JumpText(StageJump jump) {
  return Entry(jump).text;
}

}  // namespace qv
