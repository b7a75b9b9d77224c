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

Result Ezhr17StageHoming::Home(const StageHomingPlan& plan) {
  if (const Result passes = SensorPasses(plan); passes.failed()) return passes;
  // Both axes go to their origin points; the last failure is what the caller hears.
  Result result;
  if (const Result x = ToOriginPoint(plan.x); x.failed()) result = x;
  if (plan.withY) {
    if (const Result y = ToOriginPoint(plan.y); y.failed()) result = y;
  }
  return result;
}

Result Ezhr17StageHoming::SensorPasses(const StageHomingPlan& plan) {
  const double moveOut = std::fabs(plan.moveOut);  // microsteps
  const int16_t x = plan.x.unit;
  const int16_t y = plan.y.unit;
  const bool withY = plan.withY;
  int32_t sX = plan.x.homeSpeed;  // microsteps/s
  int32_t sY = plan.y.homeSpeed;  // microsteps/s
  for (int pass = 0; pass < kSensorPasses; ++pass) {
    if (const Result r = d_.MoveRel(x, moveOut); r.failed()) return r;
    if (withY) {
      if (const Result r = d_.MoveRel(y, moveOut); r.failed()) return r;
    }
    if (const Result r = d_.WaitMoveEnd(x); r.failed()) return r;
    if (withY) {
      if (const Result r = d_.WaitMoveEnd(y); r.failed()) return r;
    }
    if (const Result r = d_.MotorHomeSmart(x, sX, 0); r.failed()) return Abandon(x, r);
    if (withY) {
      if (const Result r = d_.MotorHomeSmart(y, sY, 0); r.failed()) return Abandon(y, r);
    }
    sX = Tenth(sX);
    sY = Tenth(sY);
  }
  return Cause::kDone;
}

Result Ezhr17StageHoming::Abandon(int16_t unit, Result failure) {
  // A search that was given up must not run on against the mechanical end.
  d_.MoveAtSpeed(unit, 0);
  return failure;
}

Result Ezhr17StageHoming::ToOriginPoint(const StageAxisHoming& axis) {
  if (const Result r = d_.MoveAbs(axis.unit, axis.originPoint); r.failed()) return r;
  if (const Result r = d_.WaitMoveEnd(axis.unit); r.failed()) return r;
  return d_.SetOrigin(axis.unit, 0);
}

}  // namespace qv
