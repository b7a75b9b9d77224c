#include "controllers/Im483iStageHoming.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <tuple>

#include "controllers/Im483iDriver.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

constexpr int16_t kSettlePauseMs = 500;  // ms, controller pause before the origin is set
constexpr int32_t kOriginDelayMs = 200;  // ms, our own pause before the origin is set
constexpr int32_t kBackOffMin = 20;      // microsteps/s: slower back-off runs are raised...
constexpr int32_t kBackOffRaised = 40;   // ...to this
constexpr int32_t kLimitMask = 3;        // either limit
constexpr int16_t kHomeInputBit = 1;     // bit 0 of the inputs

int32_t Sign(int32_t value) {
  return (value > 0) - (value < 0);
}

// A fraction of a 32-bit speed, rounded: it always fits.
int32_t Rounded(double value) {
  return RoundToInt32(value).value_or(0);
}

std::optional<int16_t> Narrow16(int32_t value) {
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
    return std::nullopt;
  return static_cast<int16_t>(value);
}

// The speed that backs an axis off its home input: against the homing direction at a
// sixteenth of the homing speed, never slower than the controller can run smoothly.
int32_t BackOffSpeed(int32_t homeSpeed) {
  int32_t size = Rounded(std::fabs(static_cast<double>(homeSpeed)) / 16);
  if (size < kBackOffMin) size = kBackOffRaised;
  return -Sign(homeSpeed) * size;
}

}  // namespace

Result Im483iStageHoming::Home(const StageHomingPlan& plan) {
  if (!plan.withY) return Cause::kNotSent;
  const int32_t speed = std::min(plan.x.homeSpeed, plan.y.homeSpeed);  // microsteps/s
  if (plan.limPolarity == 1) return HomeOnLimits(plan, speed);
  const int16_t x = plan.x.unit;
  const int16_t y = plan.y.unit;
  bool lowered = false;
  Result result = InputHomeSteps(plan, speed, lowered);
  if (lowered) {
    // Restored even after a failed homing, so later moves start at the configured speed.
    const int32_t init = std::min(plan.x.initVelocity, plan.y.initVelocity);
    const Result restoredX = d_.SetInitSpeed(x, init);
    const Result restoredY = d_.SetInitSpeed(y, init);
    if (!result.failed()) result = FirstFailure(restoredX, FirstFailure(restoredY, result));
  }
  d_.MoveAtSpeed(x, 0);
  d_.MoveAtSpeed(y, 0);
  return result;
}

Result Im483iStageHoming::HomeOnLimits(const StageHomingPlan& plan, int32_t speed) {
  // Both axes are homed whatever the other did, but the first failure is what the caller hears.
  // An axis whose run did not see its limit gets no origin: nobody knows where it stands.
  Result outcome;
  for (const int16_t unit : {plan.x.unit, plan.y.unit}) {
    int16_t reached = 0;
    const Result run = d_.MotorToLimit(unit, kLimitMask, speed, reached);
    outcome = FirstFailure(outcome, run);
    if (run.failed()) continue;
    outcome = FirstFailure(outcome, d_.Pause(unit, kSettlePauseMs));
    clock_.DelayMs(kOriginDelayMs);
    outcome = FirstFailure(outcome, d_.SetOrigin(unit, 0));
  }
  return outcome;
}

Result Im483iStageHoming::InputHomeSteps(const StageHomingPlan& plan, int32_t speed,
                                         bool& lowered) {
  const int16_t x = plan.x.unit;
  const int16_t y = plan.y.unit;
  // An initial speed has no direction: a quarter of the homing speed's size.
  const int32_t quarter = Rounded(std::fabs(speed / 4.0));  // microsteps/s
  const int32_t init = std::min(plan.x.initVelocity, plan.y.initVelocity);
  if (quarter < init) {
    lowered = true;
    if (const Result r = d_.SetInitSpeed(x, quarter); r.failed()) return r;
    if (const Result r = d_.SetInitSpeed(y, quarter); r.failed()) return r;
  }
  MoveDeadline deadline(clock_, motor_);
  const double away = std::fabs(plan.moveOut) * -Sign(speed);  // microsteps, away from home
  if (const Result r = OnBoth(plan, [&](int16_t unit) { return d_.MoveRel(unit, away); });
      r.failed())
    return r;
  if (const Result r = OnBoth(plan, [&](int16_t unit) { return d_.WaitMoveEnd(unit); }); r.failed())
    return r;
  const std::optional<int16_t> speed16 = Narrow16(speed);  // the home command takes 16 bits
  if (!speed16) return Cause::kOutOfRange;
  if (const Result r = OnBoth(plan, [&](int16_t unit) { return d_.Home(unit, *speed16); });
      r.failed())
    return r;
  if (const Result r = OnBoth(plan, [&](int16_t unit) { return d_.WaitMoveEnd(unit); }); r.failed())
    return r;
  const int32_t backOff = BackOffSpeed(speed);
  // A search that ended off its home input ran into the limits without finding it. The other
  // steps still run, so both axes end stopped with their settings back, but the caller hears it.
  Result notFound;
  for (const int16_t unit : {x, y}) {
    const Result backedOff = BackOffInput(unit, backOff, deadline);
    if (backedOff.cause() == Cause::kHomeNotFound) {
      notFound = backedOff;
    } else if (backedOff.failed()) {
      return backedOff;
    }
  }
  if (const Result r = OnBoth(plan, [&](int16_t unit) { return d_.Pause(unit, kSettlePauseMs); });
      r.failed())
    return r;
  clock_.DelayMs(kOriginDelayMs);
  if (const Result r = OnBoth(plan, [&](int16_t unit) { return d_.SetOrigin(unit, 0); });
      r.failed())
    return r;
  return notFound;
}

Result Im483iStageHoming::BackOffInput(int16_t unit, int32_t speed, MoveDeadline& deadline) {
  int16_t inputs = 0;
  if (const Result read = d_.ReadHardware(unit, inputs); read.failed()) return read;
  if ((inputs & kHomeInputBit) == 0) return Cause::kHomeNotFound;
  Result result = d_.MoveAtSpeed(unit, speed);
  if (!result.failed()) {
    while ((inputs & kHomeInputBit) != 0) {
      if (deadline.Passed()) {
        result = Cause::kTimedOut;
        break;
      }
      if (const Result read = d_.ReadHardware(unit, inputs); read.failed()) {
        result = read;
        break;
      }
      pump_.DoEvents();
    }
  }
  d_.MoveAtSpeed(unit, 0);
  return result;
}

}  // namespace qv
