#include "devices/StageHoming.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <tuple>

#include "devices/JoySpeed.h"

namespace qv {
namespace {

constexpr int16_t kSettlePauseMs = 500;  // ms, controller pause before the origin is set
constexpr int32_t kOriginDelayMs = 200;  // ms, our own pause before the origin is set
constexpr int kEzPasses = 2;             // the second pass homes at a tenth of the speed
constexpr int32_t kBackOffMin = 20;      // microsteps/s: slower back-off runs are raised...
constexpr int32_t kBackOffRaised = 40;   // ...to this
constexpr int32_t kLimitMask = 3;        // either limit

int32_t Sign(int32_t value) {
  return (value > 0) - (value < 0);
}

std::optional<int16_t> Narrow16(int32_t value) {
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
    return std::nullopt;
  return static_cast<int16_t>(value);
}

// The speed that backs an IM483I axis off its home input: against the homing direction at a
// sixteenth of the homing speed, never slower than the controller can run smoothly.
int32_t ImsBackOffSpeed(int32_t homeSpeed) {
  int32_t size = RoundToInt32Saturated(std::fabs(static_cast<double>(homeSpeed)) / 16);
  if (size < kBackOffMin) size = kBackOffRaised;
  return -Sign(homeSpeed) * size;
}

}  // namespace

template <class Op>
bool StageHoming::Fails(const StageAxisParams& axis, Op op) {
  mot_.MotorSelect(axis.Contr);
  return op() < 0;
}

int16_t StageHoming::Home() {
  switch (ControllerKindOf(contrType_)) {
    case ControllerKind::kEzhr17:
      return EzHome(true);
    case ControllerKind::kIm483i:
      return ImsHome();
    case ControllerKind::kNone:
      break;
  }
  return 0;
}

int16_t StageHoming::HomeX() {
  return ControllerKindOf(contrType_) == ControllerKind::kEzhr17 ? EzHome(false) : 0;
}

// --- EZHR17: two passes onto the home sensor, then out to the origin point ---

double StageHoming::EzOriginPoint(const StageAxisParams& axis, int16_t outOfHomeUm) {
  const double fullSteps =
      std::floor(outOfHomeUm * static_cast<double>(axis.MotorSteps) / (axis.ScrewLead * 1000)) + 1;
  return fullSteps * std::ldexp(1.0, axis.StepDivide);
}

int16_t StageHoming::EzHome(bool withY) {
  // After failed passes the home was never seen: no origin is taken from where the axes stand.
  int16_t result = EzPasses(withY);
  if (result < 0) return result;
  if (const int16_t code = EzOrigin(p_.X, -51); code < 0) result = code;
  if (withY) {
    if (const int16_t code = EzOrigin(p_.Y, -61); code < 0) result = code;
  }
  return result;
}

int16_t StageHoming::EzPasses(bool withY) {
  const double moveOut = std::fabs(p_.MoveOut);
  int32_t sX = p_.X.HomeSpeed;  // microsteps/s
  int32_t sY = p_.Y.HomeSpeed;  // microsteps/s
  for (int pass = 0; pass < kEzPasses; ++pass) {
    if (Fails(p_.X, [&] { return mot_.MotorMoveRel(moveOut); })) return -11;
    if (withY && Fails(p_.Y, [&] { return mot_.MotorMoveRel(moveOut); })) return -12;
    if (Fails(p_.X, [&] { return mot_.MotorWaitMoveEnd(); })) return -21;
    if (withY && Fails(p_.Y, [&] { return mot_.MotorWaitMoveEnd(); })) return -22;
    if (Fails(p_.X, [&] { return mot_.MotorHomeSmart(sX, 0); })) return Abandon(p_.X, -31);
    if (withY && Fails(p_.Y, [&] { return mot_.MotorHomeSmart(sY, 0); })) return Abandon(p_.Y, -32);
    sX = RoundToInt32Saturated(sX / 10.0);
    sY = RoundToInt32Saturated(sY / 10.0);
  }
  return 1;
}

int16_t StageHoming::Abandon(const StageAxisParams& axis, int16_t code) {
  // A search that was given up must not run on against the mechanical end.
  mot_.MotorSelect(axis.Contr);
  mot_.MotorMoveAtSpeed(0);
  return code;
}

int16_t StageHoming::EzOrigin(const StageAxisParams& axis, int16_t moveCode) {
  const double point = EzOriginPoint(axis, p_.OutOfHomeUm);
  if (Fails(axis, [&] { return mot_.MotorMoveAbs(point); })) return moveCode;
  if (Fails(axis, [&] { return mot_.MotorWaitMoveEnd(); })) return moveCode - 1;
  if (Fails(axis, [&] { return mot_.MotorSetOrigin(0); })) return moveCode - 2;
  return 1;
}

// --- IM483I: onto the limit switches, or onto the home inputs with a back-off ---

int16_t StageHoming::ImsHome() {
  const int32_t speed = std::min(p_.X.HomeSpeed, p_.Y.HomeSpeed);  // microsteps/s
  if (p_.LimPolarity == 1) return ImsHomeOnLimits(speed);
  bool lowered = false;
  int16_t result = ImsHomeSteps(speed, lowered);
  if (lowered) {
    // Restored even after a failed homing, so later moves start at the configured speed.
    const int32_t init = std::min(p_.X.InitVelocity, p_.Y.InitVelocity);
    int16_t code = 0;
    if (Fails(p_.X, [&] { return mot_.MotorSetInitSpeed(init); })) code = -32;
    if (Fails(p_.Y, [&] { return mot_.MotorSetInitSpeed(init); })) code = code < 0 ? code : -33;
    if (code < 0 && result >= 0) result = code;
  }
  mot_.MotorSelect(p_.X.Contr);
  mot_.MotorMoveAtSpeed(0);
  mot_.MotorSelect(p_.Y.Contr);
  mot_.MotorMoveAtSpeed(0);
  return result;
}

int16_t StageHoming::ImsHomeOnLimits(int32_t speed) {
  // Both axes are homed whatever the other did, but the first failure is what the caller hears.
  // An axis whose run did not see its limit gets no origin: nobody knows where it stands.
  int16_t failure = 0;
  int16_t last = 0;
  auto note = [&](int16_t status) {
    if (status < 0 && failure == 0) failure = status;
    last = status;
  };
  for (const StageAxisParams* axis : {&p_.X, &p_.Y}) {
    mot_.MotorSelect(axis->Contr);
    note(mot_.MotorToLimit(kLimitMask, speed));
    if (last < 0) continue;
    note(mot_.MotorPause(kSettlePauseMs));
    clock_.DelayMs(kOriginDelayMs);
    note(mot_.MotorSetOrigin(0));
  }
  return failure < 0 ? failure : last;
}

int16_t StageHoming::ImsHomeSteps(int32_t speed, bool& lowered) {
  // An initial speed has no direction: a quarter of the homing speed's size.
  const int32_t quarter = RoundToInt32Saturated(std::fabs(speed / 4.0));  // microsteps/s
  const int32_t init = std::min(p_.X.InitVelocity, p_.Y.InitVelocity);
  if (quarter < init) {
    lowered = true;
    if (Fails(p_.X, [&] { return mot_.MotorSetInitSpeed(quarter); })) return -30;
    if (Fails(p_.Y, [&] { return mot_.MotorSetInitSpeed(quarter); })) return -31;
  }
  MoveDeadline deadline(clock_, mot_.Motor());
  const double away = std::fabs(p_.MoveOut) * -Sign(speed);  // microsteps, away from home
  if (Fails(p_.X, [&] { return mot_.MotorMoveRel(away); })) return -10;
  if (Fails(p_.Y, [&] { return mot_.MotorMoveRel(away); })) return -20;
  if (Fails(p_.X, [&] { return mot_.MotorWaitMoveEnd(); })) return -17;
  if (Fails(p_.Y, [&] { return mot_.MotorWaitMoveEnd(); })) return -27;
  const std::optional<int16_t> speed16 = Narrow16(speed);  // the home command takes 16 bits
  if (!speed16 || Fails(p_.X, [&] { return mot_.MotorHome(*speed16); })) return -11;
  if (Fails(p_.Y, [&] { return mot_.MotorHome(*speed16); })) return -21;
  if (Fails(p_.X, [&] { return mot_.MotorWaitMoveEnd(); })) return -12;
  if (Fails(p_.Y, [&] { return mot_.MotorWaitMoveEnd(); })) return -22;
  const int32_t backOff = ImsBackOffSpeed(speed);
  // A search that ended off its home input ran into the limits without finding it. The other
  // steps still run, so both axes end stopped with their settings back, but the first such
  // axis is what the caller hears.
  int16_t notFound = 0;
  for (const auto& [axis, codeBase, code] :
       {std::tuple{&p_.X, -10, kHomeNotFoundX}, std::tuple{&p_.Y, -20, kHomeNotFoundY}}) {
    const int16_t backedOff = ImsBackOff(*axis, backOff, deadline, static_cast<int16_t>(codeBase));
    if (backedOff < 0) return backedOff;
    if (backedOff == 0 && notFound == 0) notFound = code;
  }
  if (Fails(p_.X, [&] { return mot_.MotorPause(kSettlePauseMs); })) return -18;
  if (Fails(p_.Y, [&] { return mot_.MotorPause(kSettlePauseMs); })) return -28;
  clock_.DelayMs(kOriginDelayMs);
  if (Fails(p_.X, [&] { return mot_.MotorSetOrigin(0); })) return -19;
  if (Fails(p_.Y, [&] { return mot_.MotorSetOrigin(0); })) return -29;
  return notFound < 0 ? notFound : 1;
}

int16_t StageHoming::ImsBackOff(const StageAxisParams& axis, int32_t speed, MoveDeadline& deadline,
                                int16_t codeBase) {
  mot_.MotorSelect(axis.Contr);
  int16_t inputs = 0;
  if (mot_.MotorReadHardware(inputs) < 0) return codeBase - 3;
  if ((inputs & 1) == 0) return 0;
  int16_t result = 1;
  if (mot_.MotorMoveAtSpeed(speed) < 0) {
    result = codeBase - 4;
  } else {
    while ((inputs & 1) != 0) {
      if (deadline.Passed()) {
        result = codeBase - 5;
        break;
      }
      if (mot_.MotorReadHardware(inputs) < 0) {
        result = codeBase - 6;
        break;
      }
      pump_.DoEvents();
      mot_.MotorSelect(axis.Contr);  // a command run by those events may have selected another
    }
  }
  mot_.MotorMoveAtSpeed(0);
  return result;
}

}  // namespace qv
