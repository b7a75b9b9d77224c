#include "devices/DriveProfile.h"

#include <cmath>
#include <limits>

#include "foundation/NumberText.h"

namespace qv {

namespace {

constexpr int32_t kEnergiseMs = 100;  // ms between the step out and the step back

}  // namespace

void ReadProfileSettings(KeywordReader& reader, std::initializer_list<ProfileKeys> drives,
                         const ProfileFallbacks& fallbacks) {
  const auto required = [&]<class T>(const char* key, T DriveProfile::*field) {
    for (const ProfileKeys& d : drives)
      reader.Required(d.prefix + key, d.profile.*field);
  };
  required("STEPDIVIDE", &DriveProfile::stepDivide);
  required("HOLDCURRENT", &DriveProfile::holdCurrent);
  required("RUNCURRENT", &DriveProfile::runCurrent);
  required("SLEWVELOCITY", &DriveProfile::slewVelocity);
  if (fallbacks.initVelocity) {
    for (const ProfileKeys& d : drives)
      reader.Optional(d.prefix + "INITVELOCITY", d.profile.initVelocity, *fallbacks.initVelocity);
  } else {
    required("INITVELOCITY", &DriveProfile::initVelocity);
  }
  required("ACCELERATION", &DriveProfile::acceleration);
  if (fallbacks.rampDownFromRampUp) {
    // Without a ramp down of its own a drive brakes as it speeds up.
    for (const ProfileKeys& d : drives)
      reader.Optional(d.prefix + "DECELERATION", d.profile.deceleration, d.profile.acceleration);
  } else {
    required("DECELERATION", &DriveProfile::deceleration);
  }
}

Result ApplyDriveProfile(MotorControllers& motors, const DriveProfile& p) {
  const int16_t unit = p.contr;
  Result r = motors.MotorSetStepDivide(unit, p.stepDivide);
  if (!r.failed()) r = motors.MotorSetCurrents(unit, p.holdCurrent, p.runCurrent);
  if (!r.failed()) r = motors.MotorSetSlewSpeed(unit, p.slewVelocity);
  if (!r.failed()) r = motors.MotorSetInitSpeed(unit, p.initVelocity);
  if (!r.failed()) r = motors.MotorSetRamp(unit, p.acceleration, p.deceleration);
  return OrDone(r);
}

Result ApplyPowerUpOrigin(MotorControllers& motors, int16_t unit, int32_t origin) {
  if (origin == 0) return Cause::kDone;
  double count = 0;  // microsteps
  const Result read = motors.MotorReadPos(unit, count);
  if (!read.ok() || count != 0) return OrDone(read);
  if (const Result step = motors.MotorMoveRel(unit, 1); step.failed()) return step;
  return OrDone(motors.MotorSetOrigin(unit, origin));
}

Result EnergiseMotor(MotorControllers& motors, Clock& clock, int16_t unit) {
  if (const Result out = motors.MotorMoveRel(unit, 1); out.failed()) return out;
  clock.DelayMs(kEnergiseMs);
  return OrDone(motors.MotorMoveRel(unit, -1));
}

std::optional<int32_t> WholeSteps(double microsteps) {
  return RoundToInt32(microsteps);
}

bool FitsCounter(double microsteps) {
  // Below the largest count by a step, so that either way of rounding stays inside it.
  constexpr double kLargest = std::numeric_limits<int32_t>::max() - 1.0;
  return std::isfinite(microsteps) && std::fabs(microsteps) <= kLargest;
}

}  // namespace qv
