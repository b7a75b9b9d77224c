#pragma once
// What every motor drive's device file shares (stage axes, focus, wheels, cube, slide, turret):
// the controller address and the motion profile, the one order in which the profile reaches the
// controller, and the power-up origin of the drives that keep their count across restarts.
#include <cstdint>
#include <initializer_list>
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

// One drive's profile keys in a file: the keys with `prefix` in front ("X", "Z", "W1", ...).
struct ProfileKeys {
  std::string prefix;
  DriveProfile& profile;
};

// The profile keys a file may leave out. Every key is required unless named here.
struct ProfileFallbacks {
  std::optional<int32_t> initVelocity;  // microsteps/s, silently, for a missing INITVELOCITY
  bool rampDownFromRampUp = false;      // a missing DECELERATION takes the ACCELERATION read
};

// STEPDIVIDE, HOLDCURRENT, RUNCURRENT, SLEWVELOCITY, INITVELOCITY, ACCELERATION and DECELERATION
// in that order, each key for every drive of the file before the next key, so that missing keys
// are named in the order of the file's table.
void ReadProfileSettings(KeywordReader& reader, std::initializer_list<ProfileKeys> drives,
                         const ProfileFallbacks& fallbacks = {});

// Sends the profile's unit its step divide, currents, slew and initial speed and ramp: done, or
// the first operation that fails; operations one controller type lacks (not sent) are no failure.
Result ApplyDriveProfile(MotorControllers& motors, const DriveProfile& profile);

// The power-up origin of the focus and the wheels: a unit that counts exactly 0 has just been
// powered and, after one microstep out, gets the count `origin`; one that kept its count keeps it,
// so that positions survive a restart of the program. Nothing is sent for an origin of 0. Done,
// or the first operation that fails; a count that cannot be read is such a failure, not a 0.
Result ApplyPowerUpOrigin(MotorControllers& motors, int16_t unit, int32_t origin);

// One step out and back energises the unit's motor and leaves its position unchanged.
Result EnergiseMotor(MotorControllers& motors, Clock& clock, int16_t unit);

// Rounding of targets to whole microsteps, halves to the even neighbour; empty when the value
// does not fit 32 bits or is no number.
std::optional<int32_t> WholeSteps(double microsteps);

// Whether a target or distance in microsteps is one that both controller types can be sent:
// a number whose whole steps fit the controllers' 32-bit count.
bool FitsCounter(double microsteps);

}  // namespace qv
