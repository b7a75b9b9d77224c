#pragma once
// Homing of the XY stage: the stage's parameters become what the controllers need to know, and
// the configured type homes the stage its own way; a step that fails ends it with its cause.
#include <cstdint>

#include "controllers/MotorControllers.h"
#include "devices/StageParams.h"

namespace qv {

class StageHoming {
 public:
  StageHoming(MotorControllers& motors, const XYParams& params) : mot_(motors), p_(params) {}

  // Both axes; not sent for an unknown type.
  Result Home();
  // X alone, where the type can home one axis; not sent and nothing done otherwise.
  Result HomeX();

  // The origin point of an axis homed on its sensor: the home-switch distance rounded up to the
  // next whole full step, in microsteps.
  static double OriginPoint(const StageAxisParams& axis, int16_t outOfHomeUm);

 private:
  StageHomingPlan Plan(bool withY) const;
  StageAxisHoming Axis(const StageAxisParams& axis) const;

  MotorControllers& mot_;
  const XYParams& p_;
};

}  // namespace qv
