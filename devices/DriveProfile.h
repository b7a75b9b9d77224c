#pragma once
// The part of a device file that every indexing drive shares (wheels, cube, slide, turret): the
// controller address and the motion profile, and the one order in which the profile reaches the
// controller.
#include <cstdint>
#include <optional>
#include <string>

#include "controllers/MotorControllers.h"
#include "foundation/KeywordReader.h"

namespace qv {

struct DriveProfile {
  int16_t contr = 0;         // character code of the controller address
  int16_t stepDivide = 0;    // exponent: 2^stepDivide microsteps per full step
  int16_t holdCurrent = 0;   // controller units (percent)
  int16_t runCurrent = 0;    // controller units (percent)
  int32_t slewVelocity = 0;  // microsteps/s
  int32_t initVelocity = 0;  // microsteps/s
  int32_t acceleration = 0;  // controller units
  int32_t deceleration = 0;  // controller units
};

// STEPDIVIDE, HOLDCURRENT, RUNCURRENT, SLEWVELOCITY, INITVELOCITY, ACCELERATION and DECELERATION
// with `prefix` in front, all required, in that order.
void ReadProfileSettings(KeywordReader& reader, const std::string& prefix, DriveProfile& profile);

// Sends the profile's unit its step divide, currents, slew and initial speed and ramp: done, or
// the first operation that fails; operations one controller type lacks (not sent) are no failure.
Result ApplyDriveProfile(MotorControllers& motors, const DriveProfile& profile);

// Rounding of targets to whole microsteps, halves to the even neighbour; empty when the value
// does not fit 32 bits or is no number.
std::optional<int32_t> WholeSteps(double microsteps);

// Whether a target or distance in microsteps is one that both controller types can be sent:
// a number whose whole steps fit the controllers' 32-bit count.
bool FitsCounter(double microsteps);

}  // namespace qv
