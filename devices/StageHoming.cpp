#include "devices/StageHoming.h"

#include <cmath>

namespace qv {

Result StageHoming::Home() {
  return mot_.MotorHomeStage(Plan(true));
}

Result StageHoming::HomeX() {
  return mot_.MotorHomeStage(Plan(false));
}

double StageHoming::OriginPoint(const StageAxisParams& axis, int16_t outOfHomeUm) {
  const double fullSteps =
      std::floor(outOfHomeUm * static_cast<double>(axis.MotorSteps) / (axis.ScrewLead * 1000)) + 1;
  return fullSteps * std::ldexp(1.0, axis.profile.stepDivide);
}

StageHomingPlan StageHoming::Plan(bool withY) const {
  return {.x = Axis(p_.X),
          .y = Axis(p_.Y),
          .moveOut = p_.MoveOut,
          .limPolarity = p_.LimPolarity,
          .withY = withY};
}

StageAxisHoming StageHoming::Axis(const StageAxisParams& axis) const {
  return {.unit = axis.profile.contr,
          .homeSpeed = axis.HomeSpeed,
          .initVelocity = axis.profile.initVelocity,
          .originPoint = OriginPoint(axis, p_.OutOfHomeUm)};
}

}  // namespace qv
