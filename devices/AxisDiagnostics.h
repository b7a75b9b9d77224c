#pragma once
// What the axes service panel may do to a controller unit, named by its address: the single
// operations an operator runs by hand to try a unit out, with the controllers' own results.
// Nothing else of the controllers is reachable from the panel.
#include <array>
#include <cstdint>

#include "controllers/Result.h"

namespace qv {

class MotorControllers;

class AxisDiagnostics {
 public:
  virtual ~AxisDiagnostics() = default;

  virtual Result Home(int16_t unit, int16_t speed) = 0;
  virtual Result HomeOwn(int16_t unit, int32_t speed) = 0;
  virtual Result HomeSmart(int16_t unit, int32_t speed, int32_t initSpeed) = 0;
  // Runs to the limits of `mask`; `reached` gets the limit bits as the controller type reports.
  virtual Result ToLimit(int16_t unit, int32_t mask, int32_t speed, int16_t& reached) = 0;
  virtual Result MoveAtSpeed(int16_t unit, int32_t speed) = 0;  // 0 stops the jog
  virtual Result MoveAbs(int16_t unit, double position) = 0;
  virtual Result MoveRel(int16_t unit, double distance) = 0;
  virtual Result ReadPos(int16_t unit, double& position) = 0;
  virtual Result SetOrigin(int16_t unit, int32_t position) = 0;
  virtual Result ReadMovingStatus(int16_t unit, int16_t& status) = 0;
  virtual Result ReadLimits(int16_t unit, int16_t& value) = 0;
  virtual Result ReadHardware(int16_t unit, int16_t& value) = 0;
  virtual Result ReadInPorts(int16_t unit, std::array<int16_t, 3>& values) = 0;
  virtual Result ReadOutPorts(int16_t unit, std::array<int16_t, 3>& values) = 0;
  virtual Result WriteOutPorts(int16_t unit, const std::array<int16_t, 3>& values) = 0;
};

// The panel's operations run by the motor controllers on the serial line.
class ControllerDiagnostics final : public AxisDiagnostics {
 public:
  explicit ControllerDiagnostics(MotorControllers& motors) : motors_(motors) {}

  Result Home(int16_t unit, int16_t speed) override;
  Result HomeOwn(int16_t unit, int32_t speed) override;
  Result HomeSmart(int16_t unit, int32_t speed, int32_t initSpeed) override;
  Result ToLimit(int16_t unit, int32_t mask, int32_t speed, int16_t& reached) override;
  Result MoveAtSpeed(int16_t unit, int32_t speed) override;
  Result MoveAbs(int16_t unit, double position) override;
  Result MoveRel(int16_t unit, double distance) override;
  Result ReadPos(int16_t unit, double& position) override;
  Result SetOrigin(int16_t unit, int32_t position) override;
  Result ReadMovingStatus(int16_t unit, int16_t& status) override;
  Result ReadLimits(int16_t unit, int16_t& value) override;
  Result ReadHardware(int16_t unit, int16_t& value) override;
  Result ReadInPorts(int16_t unit, std::array<int16_t, 3>& values) override;
  Result ReadOutPorts(int16_t unit, std::array<int16_t, 3>& values) override;
  Result WriteOutPorts(int16_t unit, const std::array<int16_t, 3>& values) override;

 private:
  MotorControllers& motors_;
};

}  // namespace qv
