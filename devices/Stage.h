#pragma once
// The XY stage: two axes, each on its own controller, moved in microns. X is always handled
// before Y. Every operation stops at the first controller operation that fails and returns a
// negative status; none shows a message itself.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "controllers/MotorControllers.h"
#include "devices/StageHoming.h"
#include "devices/StageParams.h"
#include "foundation/KeywordFiles.h"
#include "foundation/Notifier.h"

namespace qv {

// The stage jumps of the main window: one XYJUMPSIZE in a direction.
enum class StageJump { Left, Right, Forward, Back };

class Stage {
 public:
  Stage(KeywordFiles& keywordFiles, Notifier& notifier, MotorControllers& motors, Clock& clock,
        EventPump& pump);

  // --- Parameters and initialisation ---
  int16_t XYReadPar();   // 1, or -1 when the file or a required key is missing
  int16_t XYApplyPar();  // 1, or -1 at the first controller operation that fails
  // Read, scale, apply, read the position back: the result of the read.
  int16_t XYInit();

  // --- Motion (microns; the commands are accepted, the motion is not waited for) ---
  int16_t XYMoveRel(double dx, double dy);
  int16_t XYMoveAbs(double x, double y);
  // Approaches (x, y) always from lower coordinates, four backlashes away, so that a position
  // is reached reproducibly; waits for the approach, not for the final move.
  int16_t XYMoveAbsBacklash(double x, double y);
  int16_t XYWait();
  // On failure x and y are left as they were; on success they also become X() and Y().
  int16_t XYReadPos(double& x, double& y);
  int16_t XYOrigin();
  int16_t XYJog(int32_t vx, int32_t vy);  // microsteps/s; 0 stops that axis
  int16_t XYStop();
  // jx, jy: joystick deflections; range: the full-scale deflection.
  int16_t XYJoyJog(double jx, double jy, double range);
  int16_t XYHome();   // 0 or more success, a step code on failure
  int16_t XYHomeX();  // homing on the home sensor only; 0 and nothing done otherwise
  // Drives each axis to both limits: 1 and the travels in microns; on failure both travels
  // are -1.0 and the failing status is returned.
  int16_t XYMeasureTravel(int32_t vx, int32_t vy, double& travelX, double& travelY);
  int16_t XYJump(StageJump jump);
  static std::string_view JumpText(StageJump jump);  // "Stage Left", ...

  const XYParams& Params() const { return params_; }
  double XUmPerStep() const { return xUmPerStep_; }
  double YUmPerStep() const { return yUmPerStep_; }
  // The last position read, microns.
  double X() const { return lastX_; }
  double Y() const { return lastY_; }

 private:
  int16_t ApplyAxis(const StageAxisParams& axis);
  int16_t TargetsRefused(double sx, double sy);
  // One axis run at v (0 stops it); a run that sets the top speed notes its rate in force.
  int16_t Run(const StageAxisParams& axis, bool& rateInForce, int32_t v);
  // Both axes: x, y their statuses; the first failure, else Y's status.
  int16_t Runs(int32_t vx, int32_t vy, int16_t& x, int16_t& y);
  // The axis's slew velocity in force again after a run; `unlessMoving` leaves a run that
  // still goes on alone.
  int16_t SlewBack(const StageAxisParams& axis, bool& rateInForce, bool unlessMoving);
  int16_t SlewsBack();  // both axes, unless moving
  // Microns per microstep of one axis ("X" or "Y"); empty, after a message, when unusable.
  std::optional<double> AxisScale(const StageAxisParams& axis, const std::string& name);
  // Runs one axis's part of a two-axis motion: the operation on the axis's unit; -1 on failure.
  template <class Op>
  int16_t OnAxis(const StageAxisParams& axis, Op op);

  KeywordFiles& keywordFiles_;
  Notifier& notifier_;
  MotorControllers& mot_;
  Clock& clock_;
  XYParams params_;
  double xUmPerStep_ = 0;  // microns per microstep
  double yUmPerStep_ = 0;  // microns per microstep
  double lastX_ = 0;       // microns, last position read
  double lastY_ = 0;       // microns
  double joyPrevX_ = 0;    // microsteps/s, the joystick speeds last sent
  double joyPrevY_ = 0;    // microsteps/s
  bool jogRateX_ = false;  // a run left its rate as the top speed of X
  bool jogRateY_ = false;  // ... of Y
  StageHoming homing_;
};

}  // namespace qv
