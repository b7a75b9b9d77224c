#pragma once
// How an EZHR17 stage finds its home: two passes of the controller's own homing onto the home
// sensors (the second at a tenth of the speed), each after a run out of home, then out to the
// origin point, which becomes the count 0. X is always handled before Y. A failed step ends the
// passes with its cause; the moves to the origin points are made for both axes, the first failure
// kept.
#include <cstdint>

#include "controllers/MotorDriver.h"

namespace qv {

class Ezhr17Driver;

class Ezhr17StageHoming {
 public:
  explicit Ezhr17StageHoming(Ezhr17Driver& driver) : d_(driver) {}

  // Done, or the cause of the step that failed. After failed passes the home was never seen: no
  // origin is taken from where the axes stand.
  Result Home(const StageHomingPlan& plan);

 private:
  Result SensorPasses(const StageHomingPlan& plan);
  // Stops an axis whose home search failed; `failure` passes through.
  Result Abandon(int16_t unit, Result failure);
  Result ToOriginPoint(const StageAxisHoming& axis);

  Ezhr17Driver& d_;
};

}  // namespace qv
