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
  Result XYReadPar();   // no parameters when the file or a required key is missing
  Result XYApplyPar();  // the first controller operation that fails
  // Read, scale, apply, read the position back: the result of the read.
  Result XYInit();

  // --- Motion (microns; the commands are accepted, the motion is not waited for) ---
  Result XYMoveRel(double dx, double dy);
  Result XYMoveAbs(double x, double y);
  // Approaches (x, y) always from lower coordinates, four backlashes away, so that a position
  // is reached reproducibly; waits for the approach, not for the final move.
  Result XYMoveAbsBacklash(double x, double y);
  Result XYWait();
  // On failure x and y are left as they were; on success they also become X() and Y().
  Result XYReadPos(double& x, double& y);
  Result XYOrigin();
  Result XYJog(int32_t vx, int32_t vy);  // microsteps/s; 0 stops that axis
  Result XYStop();
  // jx, jy: joystick deflections; range: the full-scale deflection.
  Result XYJoyJog(double jx, double jy, double range);
  Result XYHome();   // done, or the cause of the homing step that failed
  Result XYHomeX();  // homing on the home sensor only; not sent and nothing done otherwise
  // Drives each axis to both limits: done and the travels in microns; on failure both travels
  // are -1.0 and the failure is returned.
  Result XYMeasureTravel(int32_t vx, int32_t vy, double& travelX, double& travelY);
  Result XYJump(StageJump jump);
  static std::string_view JumpText(StageJump jump);  // "Stage Left", ...

  const XYParams& Params() const { return params_; }
  int16_t XUnit() const { return params_.X.profile.contr; }  // the X axis's controller
  int16_t YUnit() const { return params_.Y.profile.contr; }
  double XUmPerStep() const { return xUmPerStep_; }
  double YUmPerStep() const { return yUmPerStep_; }
  // The last position read, microns.
  double X() const { return lastX_; }
  double Y() const { return lastY_; }

 private:
  Result ApplyAxis(const StageAxisParams& axis);
  Result TargetsRefused(double sx, double sy);
  // One axis run at v (0 stops it); a run that sets the top speed notes its rate in force.
  Result Run(const StageAxisParams& axis, bool& rateInForce, int32_t v);
  // Both axes: x, y their results; the first failure, else Y's result.
  Result Runs(int32_t vx, int32_t vy, Result& x, Result& y);
  // The axis's slew velocity in force again after a run; `unlessMoving` leaves a run that
  // still goes on alone.
  Result SlewBack(const StageAxisParams& axis, bool& rateInForce, bool unlessMoving);
  Result SlewsBack();  // both axes, unless moving
  // Microns per microstep of one axis ("X" or "Y"); empty, after a message, when unusable.
  std::optional<double> AxisScale(const StageAxisParams& axis, const std::string& name);

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
