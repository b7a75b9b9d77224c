#pragma once
// How an EZHR17 stage finds its home: two passes of the controller's own homing onto the home
// sensors (the second at a tenth of the speed), each after a run out of home, then out to the
// origin point, which becomes the count 0. X is always handled before Y.
//
// Step codes: -11/-12 run out of home (X/Y), -21/-22 its wait, -31/-32 the sensor homing;
// -51/-52/-53 the X move to the origin point, its wait, the origin; -61/-62/-63 the same for Y.
#include <cstdint>

#include "controllers/MotorDriver.h"

namespace qv {

class Ezhr17Driver;

class Ezhr17StageHoming {
 public:
  explicit Ezhr17StageHoming(Ezhr17Driver& driver) : d_(driver) {}

  // 1, or the code of the step that failed. After failed passes the home was never seen: no
  // origin is taken from where the axes stand.
  int16_t Home(const StageHomingPlan& plan);

 private:
  int16_t SensorPasses(const StageHomingPlan& plan);
  // Stops an axis whose home search failed; `code` passes through.
  int16_t Abandon(int16_t unit, int16_t code);
  int16_t ToOriginPoint(const StageAxisHoming& axis, int16_t moveCode);

  Ezhr17Driver& d_;
};

}  // namespace qv
