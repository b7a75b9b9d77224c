#pragma once
// The one door to the motor controllers: the same motor operations for every controller type,
// each routed to the driver of the configured type (read on every call), and what all controller
// traffic shares (the motion time-out, the operator's Stop). Every operation on a unit names that
// unit; the dispatch keeps no addressed unit between calls.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controllers/Clock.h"
#include "controllers/Comm.h"
#include "controllers/MotorDriver.h"
#include "controllers/MotorState.h"

namespace qv {

// What a driver is built from: the line and what every motion shares.
struct DriverParts {
  Comm& comm;
  Clock& clock;
  EventPump& pump;
  const MotorState& motor;
  const int16_t& waitPollingInterval;  // ms between status polls of an EZHR17 wait
};

// The controller types: the name compared exactly (case-sensitive) with the configuration's
// ContrType, and how its driver is made. A new type is a new driver and a row in the table
// (MotorControllers.cpp) beside its name in the configuration's list.
struct ControllerTypeEntry {
  std::string_view name;
  std::unique_ptr<MotorDriver> (*make)(const DriverParts& parts);
};

// An unknown controller type sends nothing and gives "not sent". Operations that one type lacks
// give the fixed result noted at MotorDriver.
class MotorControllers {
 public:
  MotorControllers(Comm& comm, Clock& clock, EventPump& pump, const std::string& contrType,
                   const int16_t& waitPollingInterval);

  void MotorSetMoveTimeout(int16_t seconds) { motor_.MotorMoveTimeout = seconds; }
  // Raised by the operator's Stop, lowered when the stopped operation has ended.
  void MotorRequestStop(bool raised) { motor_.MotorStopRequested = raised; }
  const MotorState& Motor() const { return motor_; }

  // While on, every driver makes a failed exchange once more (a line that damaged one reply
  // among the many of an initialisation does not leave the device off).
  void MotorRetryFailedExchanges(bool on);

  void MotorInitChannel();
  Result MotorWakeUp();
  Result MotorRawCommand(const std::string& text, std::string& reply);
  Result MotorHome(int16_t unit, int16_t speed);
  Result MotorHomeOwn(int16_t unit, int32_t speed);
  Result MotorHomeSmart(int16_t unit, int32_t speed, int32_t initSpeed);
  Result MotorMoveAtSpeed(int16_t unit, int32_t speed);
  Result MotorMoveAbs(int16_t unit, double position);
  Result MotorMoveRel(int16_t unit, double distance);
  Result MotorReadMovingStatus(int16_t unit, int16_t& status);
  Result MotorReadPos(int16_t unit, double& position);
  Result MotorReadHardware(int16_t unit, int16_t& value);
  Result MotorReadLimits(int16_t unit, int16_t& value);
  Result MotorGetOutput(int16_t unit, int16_t n, int16_t& value);
  Result MotorSetOutput(int16_t unit, int16_t n, int16_t value);
  Result MotorReadInPorts(int16_t unit, std::array<int16_t, 3>& values);
  Result MotorReadOutPorts(int16_t unit, std::array<int16_t, 3>& values);
  Result MotorWriteOutPorts(int16_t unit, int16_t o1, int16_t o2, int16_t o3);
  Result MotorPause(int16_t unit, int16_t ms);
  Result MotorSetCurrents(int16_t unit, int16_t hold, int16_t run);
  Result MotorSetRamp(int16_t unit, int32_t acceleration, int32_t deceleration);
  Result MotorSetLimitPolarity(int16_t unit, int16_t polarity);
  Result MotorSetJogSpeeds(int16_t unit, int32_t low, int32_t high);
  Result MotorSetSlewSpeed(int16_t unit, int32_t speed);
  Result MotorSetStepDivide(int16_t unit, int16_t value);
  Result MotorSetInitSpeed(int16_t unit, int32_t speed);
  Result MotorToLimit(int16_t unit, int32_t mask, int32_t speed, int16_t& reached);
  Result MotorSetOrigin(int16_t unit, int32_t position);
  Result MotorWaitMoveEnd(int16_t unit);
  Result MotorEnableLimits(int16_t unit, int16_t on);
  Result MotorSetModeFlags(int16_t unit, int16_t mode);
  Result MotorSetIndexSteps(int16_t unit, int16_t steps);
  Result MotorHomeIndexer(int16_t unit, const IndexerHoming& homing, double& positionOneCount);
  Result MotorHomeStage(const StageHomingPlan& plan);

  // The count a unit holds after MotorSetOrigin(origin); `origin` for an unknown type.
  double MotorCountAtOrigin(int32_t origin) const;
  // Whether a run leaves its rate as the unit's top speed, so that the device has to put its
  // slew velocity back before it moves again; false for an unknown type.
  bool MotorRunSetsTopSpeed() const;
  // How the configured type is driven from the joystick; empty for an unknown type (nothing is
  // sent then).
  std::optional<JoystickRuns> MotorJoystickRuns() const;

  // Whether `unit` may still move: it says so, or its status could not be read. False for an
  // unknown type.
  bool MotorMayBeMoving(int16_t unit);

  // Whether `unit` may be given a new target now; the caller sends its move next (see
  // MotorDriver::TakesTarget). Done for an unknown type, which sends nothing anyway.
  Result MotorTakesTarget(int16_t unit);

 private:
  // The driver of the configured type; none for an unknown type.
  MotorDriver* Driver() const;
  // Calls `op` with the configured driver; not sent for an unknown type.
  template <class Op>
  Result Route(Op op);

  struct Installed {
    std::string_view name;
    std::unique_ptr<MotorDriver> driver;
  };

  const std::string& contrType_;  // the configuration's ContrType, read on every call
  MotorState motor_;
  std::vector<Installed> drivers_;  // one per controller type, in table order
};

}  // namespace qv
