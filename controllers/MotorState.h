#pragma once
// What every exchange with a motor controller shares: which unit on the line is addressed and
// how long a motion may take. The controller dispatch owns it; both protocol drivers read it.
#include <cstdint>
#include <optional>
#include <string_view>

#include "controllers/Clock.h"

namespace qv {

struct MotorState {
  int16_t MotorAddress = 0;      // character code of the addressed unit
  int16_t MotorMoveTimeout = 0;  // s, longest wait of any motion routine
  // The operator's Stop: while it is raised every composite motion and wait ends as if its
  // time were up, so that a homing run or a test does not start its next motion.
  bool MotorStopRequested = false;
};

// Whether new motions are held back: once the program is told to end, or while the operator's
// Stop holds, only stops and settings go to the controllers, so that a homing run or a test
// that is giving way starts nothing on its way out.
inline bool MotionsHeld(Clock& clock, const MotorState& motor) {
  return motor.MotorStopRequested || clock.EndRequested();
}

// Lets pending window events run in the middle of a motion routine. A command they start may
// address another unit; the routine's own unit is addressed again before it goes on, so its
// polls and the commands after them reach the unit it works on.
inline void ServeEventsKeepingUnit(EventPump& pump, MotorState& motor) {
  const int16_t own = motor.MotorAddress;
  pump.DoEvents();
  motor.MotorAddress = own;
}

// The position count in a controller's answer (microsteps). Empty when the text is no number
// or lies beyond the controller's 32-bit counter: such an answer tells nothing of the position.
std::optional<double> PositionCount(std::string_view text);

// The time limit of one composite motion. Counted in whole seconds on the clock's rounded
// second count, so a motion "times out" when more than MotorMoveTimeout seconds have passed.
class MoveDeadline {
 public:
  MoveDeadline(Clock& clock, const MotorState& motor)
      : clock_(clock), motor_(motor), t0_(clock.RoundedSeconds()) {}
  // The time-out is read on every test: a motion started before a change keeps running under
  // the new value, as the waiting loops always did.
  // A program told to end, or an operator's Stop, waits for no motion.
  bool Passed() {
    return MotionsHeld(clock_, motor_) || clock_.RoundedSeconds() - t0_ > motor_.MotorMoveTimeout;
  }

 private:
  Clock& clock_;
  const MotorState& motor_;
  int64_t t0_;  // s, rounded second count at the start of the motion
};

}  // namespace qv
