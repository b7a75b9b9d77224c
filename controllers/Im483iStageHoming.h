#pragma once
// How an IM483I stage finds its home. With limit polarity 1 each axis runs onto its limit
// switches, backs off them and is zeroed there. Otherwise both axes run out of home, search their
// home inputs with the controller's homing command, back off each input at a sixteenth of the
// speed and are zeroed where it clears; a slow search starts at a lowered initial speed, which is
// restored afterwards. Both axes end stopped, whatever happened. X is always handled before Y;
// X alone is not homed (not sent). A failed step ends the homing with its cause; a search that
// ended off its home input lets the other steps run and ends as home not found.
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

  // Done, or the cause of the step that failed.
  Result Home(const StageHomingPlan& plan);

 private:
  Result HomeOnLimits(const StageHomingPlan& plan, int32_t speed);
  Result InputHomeSteps(const StageHomingPlan& plan, int32_t speed, bool& lowered);
  // Backs an axis off its home input: done when it cleared, home not found when the input was
  // not active (nothing to back off), or the failure (read, run, time-out).
  Result BackOffInput(int16_t unit, int32_t speed, MoveDeadline& deadline);
  // `step` on X, then on Y unless X failed.
  template <class Step>
  static Result OnBoth(const StageHomingPlan& plan, Step step) {
    const Result x = step(plan.x.unit);
    return x.failed() ? x : step(plan.y.unit);
  }

  Im483iDriver& d_;
  Clock& clock_;
  EventPump& pump_;
  const MotorState& motor_;  // the motion time-out and the operator's Stop
};

}  // namespace qv
