#include "devices/JoySpeed.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace qv {
namespace {

constexpr int32_t kImsMinSpeed = 20;     // microsteps/s, slowest constant-speed run
constexpr int32_t kImsMaxSpeed = 20000;  // microsteps/s, fastest

}  // namespace

double RoundHalfEven(double value) {
  return std::nearbyint(value);  // the default rounding mode rounds halves to even
}

int32_t RoundToInt32Saturated(double value) {
  if (std::isnan(value)) return 0;
  const double rounded = RoundHalfEven(value);
  if (rounded >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (rounded <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(rounded);
}

double SquaredJoySpeed(double j, double maxSpeed, double range) {
  return j * maxSpeed / range * std::fabs(j) / range;
}

int32_t ImsSquaredJoySpeed(double j, double maxSpeed, double range) {
  const int32_t linear = RoundToInt32Saturated(j * maxSpeed / range);
  return ClampImsSpeed(RoundToInt32Saturated(std::fabs(j) * linear / range));
}

int32_t LinearJoySpeed(double j, double maxSpeed, double range) {
  return RoundToInt32Saturated(j * maxSpeed / range);
}

int32_t ClampImsSpeed(int32_t speed) {
  if (speed == 0) return 0;
  const int64_t size = std::llabs(int64_t{speed});
  const int32_t clamped = static_cast<int32_t>(size < kImsMinSpeed   ? kImsMinSpeed
                                               : size > kImsMaxSpeed ? kImsMaxSpeed
                                                                     : size);
  return speed < 0 ? -clamped : clamped;
}

bool UsableJoyRange(double range) {
  return std::isfinite(range) && range > 0;
}

}  // namespace qv
