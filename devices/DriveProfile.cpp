#include "devices/DriveProfile.h"

#include <cmath>
#include <limits>

#include "foundation/NumberText.h"

namespace qv {

void ReadProfileSettings(KeywordReader& reader, const std::string& prefix, DriveProfile& profile) {
  reader.Required(prefix + "STEPDIVIDE", profile.stepDivide);
  reader.Required(prefix + "HOLDCURRENT", profile.holdCurrent);
  reader.Required(prefix + "RUNCURRENT", profile.runCurrent);
  reader.Required(prefix + "SLEWVELOCITY", profile.slewVelocity);
  reader.Required(prefix + "INITVELOCITY", profile.initVelocity);
  reader.Required(prefix + "ACCELERATION", profile.acceleration);
  reader.Required(prefix + "DECELERATION", profile.deceleration);
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

std::optional<int32_t> WholeSteps(double microsteps) {
  return RoundToInt32(microsteps);
}

bool FitsCounter(double microsteps) {
  // Below the largest count by a step, so that either way of rounding stays inside it.
  constexpr double kLargest = std::numeric_limits<int32_t>::max() - 1.0;
  return std::isfinite(microsteps) && std::fabs(microsteps) <= kLargest;
}

}  // namespace qv
