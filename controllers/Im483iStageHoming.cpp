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

int16_t Im483iStageHoming::Home(const StageHomingPlan& plan) {
  if (!plan.withY) return 0;
  const int32_t speed = std::min(plan.x.homeSpeed, plan.y.homeSpeed);  // microsteps/s
  if (plan.limPolarity == 1) return HomeOnLimits(plan, speed);
  const int16_t x = plan.x.unit;
  const int16_t y = plan.y.unit;
  bool lowered = false;
  int16_t result = InputHomeSteps(plan, speed, lowered);
  if (lowered) {
    // Restored even after a failed homing, so later moves start at the configured speed.
    const int32_t init = std::min(plan.x.initVelocity, plan.y.initVelocity);
    int16_t code = 0;
    if (d_.SetInitSpeed(x, init) < 0) code = -32;
    if (d_.SetInitSpeed(y, init) < 0) code = code < 0 ? code : -33;
    if (code < 0 && result >= 0) result = code;
  }
  d_.MoveAtSpeed(x, 0);
  d_.MoveAtSpeed(y, 0);
  return result;
}

int16_t Im483iStageHoming::HomeOnLimits(const StageHomingPlan& plan, int32_t speed) {
  // Both axes are homed whatever the other did, but the first failure is what the caller hears.
  // An axis whose run did not see its limit gets no origin: nobody knows where it stands.
  int16_t failure = 0;
  int16_t last = 0;
  auto note = [&](int16_t status) {
    if (status < 0 && failure == 0) failure = status;
    last = status;
  };
  for (const int16_t unit : {plan.x.unit, plan.y.unit}) {
    note(d_.MotorToLimit(unit, kLimitMask, speed));
    if (last < 0) continue;
    note(d_.Pause(unit, kSettlePauseMs));
    clock_.DelayMs(kOriginDelayMs);
    note(d_.SetOrigin(unit, 0));
  }
  return failure < 0 ? failure : last;
}

int16_t Im483iStageHoming::InputHomeSteps(const StageHomingPlan& plan, int32_t speed,
                                          bool& lowered) {
  const int16_t x = plan.x.unit;
  const int16_t y = plan.y.unit;
  // An initial speed has no direction: a quarter of the homing speed's size.
  const int32_t quarter = Rounded(std::fabs(speed / 4.0));  // microsteps/s
  const int32_t init = std::min(plan.x.initVelocity, plan.y.initVelocity);
  if (quarter < init) {
    lowered = true;
    if (d_.SetInitSpeed(x, quarter) < 0) return -30;
    if (d_.SetInitSpeed(y, quarter) < 0) return -31;
  }
  MoveDeadline deadline(clock_, motor_);
  const double away = std::fabs(plan.moveOut) * -Sign(speed);  // microsteps, away from home
  if (d_.MoveRel(x, away) < 0) return -10;
  if (d_.MoveRel(y, away) < 0) return -20;
  if (d_.WaitMoveEnd(x) < 0) return -17;
  if (d_.WaitMoveEnd(y) < 0) return -27;
  const std::optional<int16_t> speed16 = Narrow16(speed);  // the home command takes 16 bits
  if (!speed16 || d_.Home(x, *speed16) < 0) return -11;
  if (d_.Home(y, *speed16) < 0) return -21;
  if (d_.WaitMoveEnd(x) < 0) return -12;
  if (d_.WaitMoveEnd(y) < 0) return -22;
  const int32_t backOff = BackOffSpeed(speed);
  // A search that ended off its home input ran into the limits without finding it. The other
  // steps still run, so both axes end stopped with their settings back, but the first such
  // axis is what the caller hears.
  int16_t notFound = 0;
  for (const auto& [unit, codeBase, code] :
       {std::tuple{x, -10, kHomeNotFoundX}, std::tuple{y, -20, kHomeNotFoundY}}) {
    const int16_t backedOff = BackOffInput(unit, backOff, deadline, static_cast<int16_t>(codeBase));
    if (backedOff < 0) return backedOff;
    if (backedOff == 0 && notFound == 0) notFound = code;
  }
  if (d_.Pause(x, kSettlePauseMs) < 0) return -18;
  if (d_.Pause(y, kSettlePauseMs) < 0) return -28;
  clock_.DelayMs(kOriginDelayMs);
  if (d_.SetOrigin(x, 0) < 0) return -19;
  if (d_.SetOrigin(y, 0) < 0) return -29;
  return notFound < 0 ? notFound : 1;
}

int16_t Im483iStageHoming::BackOffInput(int16_t unit, int32_t speed, MoveDeadline& deadline,
                                        int16_t codeBase) {
  int16_t inputs = 0;
  if (d_.ReadHardware(unit, inputs) < 0) return codeBase - 3;
  if ((inputs & kHomeInputBit) == 0) return 0;
  int16_t result = 1;
  if (d_.MoveAtSpeed(unit, speed) < 0) {
    result = codeBase - 4;
  } else {
    while ((inputs & kHomeInputBit) != 0) {
      if (deadline.Passed()) {
        result = codeBase - 5;
        break;
      }
      if (d_.ReadHardware(unit, inputs) < 0) {
        result = codeBase - 6;
        break;
      }
      pump_.DoEvents();
    }
  }
  d_.MoveAtSpeed(unit, 0);
  return result;
}

}  // namespace qv
