#pragma once
// Homing of the XY stage, one sequence per homing method of the controllers. Each step that fails
// leaves its own negative code, so that the caller can tell where homing stopped.
#include <cstdint>
#include <string>

#include "controllers/MotCon.h"
#include "devices/StageParams.h"

namespace qv {

// Codes beyond the listed steps: an IM483I axis whose home input was not active when its home
// search ended (the search ran into the limits without finding it). The homing still ends as
// a found one does (origin set, speeds restored, both axes stopped); the code says it is not
// to be trusted.
inline constexpr int16_t kHomeNotFoundX = -34;
inline constexpr int16_t kHomeNotFoundY = -35;

class StageHoming {
 public:
  StageHoming(MotCon& motCon, Clock& clock, EventPump& pump, const XYParams& params)
      : mot_(motCon), clock_(clock), pump_(pump), p_(params) {}

  // Both axes, by the method the controller type homes with; 0 for an unknown type.
  int16_t Home();
  int16_t HomeX();  // by the home sensor passes only; 0 otherwise

  // The origin point of an axis homed on its sensor: the home-switch distance rounded up to the
  // next whole full step, in microsteps.
  static double OriginPoint(const StageAxisParams& axis, int16_t outOfHomeUm);

 private:
  int16_t SensorHome(bool withY);
  int16_t SensorPasses(bool withY);
  // Stops an axis whose home search failed; `code` passes through.
  int16_t Abandon(const StageAxisParams& axis, int16_t code);
  int16_t ToOriginPoint(const StageAxisParams& axis, int16_t moveCode);
  int16_t InputHome();
  int16_t HomeOnLimits(int32_t speed);
  int16_t InputHomeSteps(int32_t speed, bool& lowered);
  // Backs an axis off its home input: 1 clear, 0 when the input was not active (nothing to back
  // off), or a code (read, run, time-out).
  int16_t BackOffInput(const StageAxisParams& axis, int32_t speed, MoveDeadline& deadline,
                       int16_t codeBase);
  // `op` on the axis's unit; true when it failed (a negative status).
  template <class Op>
  bool Fails(const StageAxisParams& axis, Op op);

  MotCon& mot_;
  Clock& clock_;
  EventPump& pump_;
  const XYParams& p_;
};

}  // namespace qv
