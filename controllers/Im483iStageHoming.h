#pragma once
// How an IM483I stage finds its home. With limit polarity 1 each axis runs onto its limit
// switches, backs off them and is zeroed there. Otherwise both axes run out of home, search their
// home inputs with the controller's homing command, back off each input at a sixteenth of the
// speed and are zeroed where it clears; a slow search starts at a lowered initial speed, which is
// restored afterwards. Both axes end stopped, whatever happened. X is always handled before Y;
// X alone is not homed (0, nothing sent).
//
// Step codes: -30/-31 lowering the initial speed (X/Y), -10/-20 the run out of home, -17/-27 its
// wait, -11/-21 the search, -12/-22 its wait, -13/-23 reading the home input, -14/-24 the
// back-off run, -15/-25 its time-out, -16/-26 a read while backing off, -18/-28 the settle pause,
// -19/-29 the origin, -32/-33 restoring the initial speed, kHomeNotFoundX/Y (MotorDriver.h).
#include <cstdint>

#include "controllers/Clock.h"
#include "controllers/MotorDriver.h"
#include "controllers/MotorState.h"

namespace qv {

class Im483iDriver;

class Im483iStageHoming {
 public:
  Im483iStageHoming(Im483iDriver& driver, Clock& clock, EventPump& pump, const MotorState& motor)
      : d_(driver), clock_(clock), pump_(pump), motor_(motor) {}

  // 0 or more success, or the code of the step that failed.
  int16_t Home(const StageHomingPlan& plan);

 private:
  int16_t HomeOnLimits(const StageHomingPlan& plan, int32_t speed);
  int16_t InputHomeSteps(const StageHomingPlan& plan, int32_t speed, bool& lowered);
  // Backs an axis off its home input: 1 clear, 0 when the input was not active (nothing to back
  // off), or a code (read, run, time-out).
  int16_t BackOffInput(int16_t unit, int32_t speed, MoveDeadline& deadline, int16_t codeBase);

  Im483iDriver& d_;
  Clock& clock_;
  EventPump& pump_;
  const MotorState& motor_;  // the motion time-out and the operator's Stop
};

}  // namespace qv
