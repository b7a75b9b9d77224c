#pragma once
// The one door to the motor controllers: the same motor operations for both controller types,
// each routed to the driver of the configured type (read on every call), and the state all
// controller traffic shares (the addressed unit, the motion time-out).
#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "controllers/Clock.h"
#include "controllers/Comm.h"
#include "controllers/Ezhr17Driver.h"
#include "controllers/Im483iDriver.h"
#include "controllers/MotorState.h"

namespace qv {

enum class ControllerKind { kNone, kIm483i, kEzhr17 };

// The controller types, compared exactly (case-sensitive) with the configuration's ContrType.
struct ControllerTypeEntry {
  std::string_view name;
  ControllerKind kind;
};
inline constexpr std::array<ControllerTypeEntry, 2> kControllerTypes{{
    {"IM483I", ControllerKind::kIm483i},
    {"EZHR17", ControllerKind::kEzhr17},
}};

ControllerKind ControllerKindOf(std::string_view contrType);

// Results are 1 done or a driver's negative failure; an unknown controller type sends nothing
// and gives 0. Operations that one type lacks give the fixed result noted beside them.
class MotCon {
 public:
  MotCon(Comm& comm, Clock& clock, EventPump& pump, const std::string& contrType,
         const int16_t& waitPollingInterval)
      : comm_(comm),
        contrType_(contrType),
        im_(comm, clock, pump, motor_),
        ez_(comm, clock, pump, motor_, waitPollingInterval) {}

  void MotorSelect(int16_t address) { motor_.MotorAddress = address; }
  void MotorSetMoveTimeout(int16_t seconds) { motor_.MotorMoveTimeout = seconds; }
  // Raised by the operator's Stop, lowered when the stopped operation has ended.
  void MotorRequestStop(bool raised) { motor_.MotorStopRequested = raised; }
  const MotorState& Motor() const { return motor_; }

  // While on, both drivers make a failed exchange once more (a line that damaged one reply
  // among the many of an initialisation does not leave the device off).
  void MotorRetryFailedExchanges(bool on) {
    im_.RetryFailedExchanges(on);
    ez_.RetryFailedExchanges(on);
  }

  void MotorInitChannel();
  int16_t MotorWakeUp();
  int16_t MotorRawCommand(const std::string& text, std::string& reply);
  int16_t MotorHome(int16_t speed);
  int16_t MotorHomeOwn(int32_t speed);
  int16_t MotorHomeSmart(int32_t speed, int32_t initSpeed);  // EZHR17 ignores initSpeed
  int16_t MotorMoveAtSpeed(int32_t speed);
  int16_t MotorMoveAbs(double position);
  int16_t MotorMoveRel(double distance);
  // IM483I: the status number (0 still); EZHR17: 1 moving, 0 still; -1 failure.
  int16_t MotorReadMovingStatus();
  int16_t MotorReadPos(double& position);
  int16_t MotorReadHardware(int16_t& value);
  int16_t MotorReadLimits(int16_t& value);
  int16_t MotorGetOutput(int16_t n, int16_t& value);               // EZHR17: 0
  int16_t MotorSetOutput(int16_t n, int16_t value);                // EZHR17: 0
  int16_t MotorReadInPorts(std::array<int16_t, 3>& values);        // EZHR17: 0
  int16_t MotorReadOutPorts(std::array<int16_t, 3>& values);       // EZHR17: 0
  int16_t MotorWriteOutPorts(int16_t o1, int16_t o2, int16_t o3);  // EZHR17 ignores o3
  int16_t MotorPause(int16_t ms);                                  // EZHR17: 1 at once
  int16_t MotorSetCurrents(int16_t hold, int16_t run);
  int16_t MotorSetRamp(int32_t acceleration, int32_t deceleration);
  int16_t MotorSetLimitPolarity(int16_t polarity);
  int16_t MotorSetJogSpeeds(int32_t low, int32_t high);  // EZHR17: 0
  int16_t MotorSetSlewSpeed(int32_t speed);
  int16_t MotorSetStepDivide(int16_t value);  // IM483I divide value, EZHR17 power of two
  int16_t MotorSetInitSpeed(int32_t speed);   // EZHR17: 0
  // IM483I: the limit bits seen; EZHR17: 1.
  int16_t MotorToLimit(int32_t mask, int32_t speed);
  int16_t MotorSetOrigin(int32_t position);  // IM483I ignores the position: the counter becomes 0
  int16_t MotorWaitMoveEnd();
  int16_t MotorEnableLimits(int16_t on);      // IM483I: 1
  int16_t MotorSetModeFlags(int16_t mode);    // IM483I: 1
  int16_t MotorSetIndexSteps(int16_t steps);  // IM483I: 1

  // Whether the selected unit may be given a new target now; the caller sends its move next.
  // An IM483I unit that is still moving drops a new target and echoes it all the same, so one
  // whose last such target or run (a stop included) has not been seen to end is asked first: 1
  // when it stands still, -1 (logged) when it moves or does not say. An EZHR17 unit refuses
  // such a target itself: 1 without asking.
  int16_t MotorTakesTarget();

  // The device layer runs the wheel homing program and reads positions on the EZHR17 driver
  // directly.
  Ezhr17Driver& Ezhr17() { return ez_; }
  Im483iDriver& Im483i() { return im_; }

 private:
  // Calls `onIm` or `onEz` with the driver of the configured type; 0 for an unknown type.
  template <class OnIm, class OnEz>
  int16_t Route(OnIm onIm, OnEz onEz);
  // The same call on whichever driver is configured.
  template <class OnBoth>
  int16_t Route(OnBoth onBoth) {
    return Route(onBoth, onBoth);
  }

  // Notes the outcome of a run of the selected unit, and of a look at its motion.
  int16_t Started(int16_t result);
  int16_t Looked(int16_t result, bool still);

  Comm& comm_;
  const std::string& contrType_;  // the configuration's ContrType, read on every call
  MotorState motor_;
  std::set<int16_t> mayBeMoving_;  // units whose last target or run has not been seen to end
  Im483iDriver im_;
  Ezhr17Driver ez_;
};

}  // namespace qv
