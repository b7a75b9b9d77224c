#pragma once
// The length (or angle) of one microstep, from the mechanics a device file gives: travel per
// motor turn / full steps per turn / 2^divide. Every conversion between user units and
// microsteps divides or multiplies by it, so a device whose file gives no usable scale is
// refused, with one kind of message for every device.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Notifier.h"

namespace qv {

// The keys of one axis's mechanics and the values read for them.
struct AxisMechanics {
  std::string travelKey;  // travel per motor turn; empty when the device has a fixed one
  double travel = 0;      // user units per motor turn
  std::string stepsKey;
  int16_t motorSteps = 0;  // full steps per turn
  std::string divideKey;
  int16_t stepDivide = 0;  // exponent: 2^stepDivide microsteps per full step
};

// User units per microstep. Empty when the travel or the step count is zero or negative, or
// the result is no finite positive number (an absurd divide).
std::optional<double> ScaleOf(double travel, int16_t motorSteps, int16_t stepDivide);

// ScaleOf the mechanics; when empty, `notifier` shows "<keys> in <path> give no usable <unit>
// per microstep", naming the keys that make the scale.
std::optional<double> CheckedScale(Notifier& notifier, const AxisMechanics& mechanics,
                                   const std::string& path, std::string_view unit);

}  // namespace qv
