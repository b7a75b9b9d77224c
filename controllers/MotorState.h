#pragma once
// What every exchange with a motor controller shares: which unit on the line is addressed and
// how long a motion may take. The controller dispatch owns it; both protocol drivers read it.
#include <cstdint>

#include "controllers/Delay32.h"

namespace qv {

struct MotorState {
  int16_t MotorAddress = 0;      // character code of the addressed unit
  int16_t MotorMoveTimeout = 0;  // s, longest wait of any motion routine
  // The operator's Stop: while it is raised every composite motion and wait ends as if its
  // time were up, so that a homing run or a test does not start its next motion.
  bool MotorStopRequested = false;
};

// The time limit of one composite motion. Counted in whole seconds on the clock's rounded
// second count, so a motion "times out" when more than MotorMoveTimeout seconds have passed.
class MoveDeadline {
 public:
  MoveDeadline(Clock& clock, const MotorState& motor)
      : clock_(clock), motor_(motor), t0_(clock.RoundedSeconds()) {}
  // The time-out is read on every test: a motion started before a change keeps running under
  // the new value, as the waiting loops always did.
  bool Passed() {
    return motor_.MotorStopRequested || clock_.RoundedSeconds() - t0_ > motor_.MotorMoveTimeout;
  }

 private:
  Clock& clock_;
  const MotorState& motor_;
  int64_t t0_;  // s, rounded second count at the start of the motion
};

}  // namespace qv
