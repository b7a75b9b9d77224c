#pragma once
// The Z focus drive, moved in microns. Positions count from the power-up origin: the controller
// count ZPOWERUPORIGIN means Z = 0 (on an IM483I unit, which can only zero its counter, the
// count 0), so a restart of the program keeps Z positions valid as long as the controller kept
// its count. A positive step is "down", a negative one "up".
#include <cstdint>
#include <string>
#include <string_view>

#include "controllers/MotorControllers.h"
#include "devices/StageParams.h"
#include "foundation/KeywordFiles.h"
#include "foundation/Notifier.h"

namespace qv {

// The focus steps of the main window.
enum class FocusStep { DownCoarse, DownFine, UpCoarse, UpFine };

class Focus {
 public:
  Focus(KeywordFiles& keywordFiles, Notifier& notifier, MotorControllers& motors, Clock& clock);

  Result ZReadPar();   // no parameters when the file or a required key is missing
  Result ZApplyPar();  // the first controller operation that fails
  Result ZInit();      // read, scale, apply, read the position back

  // Results are the controller's status, passed on unchanged; no operation waits unless named so.
  Result ZMoveRel(double dz);  // microns
  Result ZMoveAbs(double z);   // microns from the power-up origin
  Result ZWait();
  Result ZReadPos(double& z);  // on failure z is left as it was
  Result ZOrigin();            // the present position becomes Z = 0
  Result ZHome();              // to the limit, then the origin
  Result ZJog(int32_t v);      // microsteps/s; 0 stops
  Result ZStop();
  Result ZJoyJog(double j, double range);
  Result ZStepMove(FocusStep step);
  static std::string_view StepText(FocusStep step);  // "Down Coarse", ...

  const ZParams& Params() const { return params_; }
  int16_t Unit() const { return params_.profile.contr; }  // the focus drive's controller
  double ZUmPerStep() const { return zUmPerStep_; }
  double Z() const { return lastZ_; }  // microns, the last position read

 private:
  Result ReadyForTarget();
  Result SlewBack(bool unlessMoving);
  double OriginCount() const;  // microsteps: the count that means Z = 0

  KeywordFiles& keywordFiles_;
  Notifier& notifier_;
  MotorControllers& mot_;
  Clock& clock_;
  ZParams params_;
  double zUmPerStep_ = 0;  // microns per microstep
  double lastZ_ = 0;       // microns, last position read
  int32_t joyPrev_ = 0;    // microsteps/s, the smoothed joystick speed last sent
  bool jogRate_ = false;   // a run left its rate as the top speed
};

}  // namespace qv
