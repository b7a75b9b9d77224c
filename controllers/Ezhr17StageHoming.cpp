#include "controllers/Ezhr17StageHoming.h"

#include <cmath>

#include "controllers/Ezhr17Driver.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

constexpr int kSensorPasses = 2;  // the second pass homes at a tenth of the speed

// A tenth of a homing speed, for the slower second pass; it always fits.
int32_t Tenth(int32_t speed) {
  return RoundToInt32(speed / 10.0).value_or(0);
}

}  // namespace

int16_t Ezhr17StageHoming::Home(const StageHomingPlan& plan) {
  int16_t result = SensorPasses(plan);
  if (result < 0) return result;
  if (const int16_t code = ToOriginPoint(plan.x, -51); code < 0) result = code;
  if (plan.withY) {
    if (const int16_t code = ToOriginPoint(plan.y, -61); code < 0) result = code;
  }
  return result;
}

int16_t Ezhr17StageHoming::SensorPasses(const StageHomingPlan& plan) {
  const double moveOut = std::fabs(plan.moveOut);  // microsteps
  const int16_t x = plan.x.unit;
  const int16_t y = plan.y.unit;
  const bool withY = plan.withY;
  int32_t sX = plan.x.homeSpeed;  // microsteps/s
  int32_t sY = plan.y.homeSpeed;  // microsteps/s
  for (int pass = 0; pass < kSensorPasses; ++pass) {
    if (d_.MoveRel(x, moveOut) < 0) return -11;
    if (withY && d_.MoveRel(y, moveOut) < 0) return -12;
    if (d_.WaitMoveEnd(x) < 0) return -21;
    if (withY && d_.WaitMoveEnd(y) < 0) return -22;
    if (d_.MotorHomeSmart(x, sX, 0) < 0) return Abandon(x, -31);
    if (withY && d_.MotorHomeSmart(y, sY, 0) < 0) return Abandon(y, -32);
    sX = Tenth(sX);
    sY = Tenth(sY);
  }
  return 1;
}

int16_t Ezhr17StageHoming::Abandon(int16_t unit, int16_t code) {
  // A search that was given up must not run on against the mechanical end.
  d_.MoveAtSpeed(unit, 0);
  return code;
}

int16_t Ezhr17StageHoming::ToOriginPoint(const StageAxisHoming& axis, int16_t moveCode) {
  if (d_.MoveAbs(axis.unit, axis.originPoint) < 0) return moveCode;
  if (d_.WaitMoveEnd(axis.unit) < 0) return moveCode - 1;
  if (d_.SetOrigin(axis.unit, 0) < 0) return moveCode - 2;
  return 1;
}

}  // namespace qv
