#pragma once
// Joystick deflections turned into step rates. The stage's rate grows with the square of the
// deflection (fine control near the centre), the focus's linearly; an IM483I runs only between
// 20 and 20000 microsteps/s, so a slow non-zero rate is raised to 20 rather than lost.
#include <cstdint>

namespace qv {

// Rounding to the nearest integer with halves to the even neighbour.
double RoundHalfEven(double value);
// The same, limited to the 32-bit range (0 for a value that is not a number).
int32_t RoundToInt32Saturated(double value);

// j x maxSpeed / range x |j| / range, unrounded: the sign of j, the square of its size.
double SquaredJoySpeed(double j, double maxSpeed, double range);
// The IM483I form: rounded after each factor, then clamped.
int32_t ImsSquaredJoySpeed(double j, double maxSpeed, double range);
// rnd(j x maxSpeed / range).
int32_t LinearJoySpeed(double j, double maxSpeed, double range);
// 0 stays 0 (stop); any other rate keeps its sign with its size within 20..20000.
int32_t ClampImsSpeed(int32_t speed);

// A usable full-scale deflection: finite and above 0.
bool UsableJoyRange(double range);

}  // namespace qv
