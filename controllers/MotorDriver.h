#pragma once
// What the program can ask of the motor controllers of one type on the serial line. Every
// operation on a unit names that unit (the character code of its address): no unit stays
// "selected" between two calls, so an operation that lets window events run in its waits goes
// on with its own unit whatever those events send meanwhile.
//
// An operation that a type lacks sends nothing and gives the result noted beside it (done or not
// sent). Positions and distances are microsteps, speeds microsteps/s, currents percent.
#include <array>
#include <cstdint>
#include <string>

#include "controllers/Result.h"

namespace qv {

// What the homing of an indexing drive (a filter wheel) needs to know.
struct IndexerHoming {
  int32_t homeSpeed = 0;      // microsteps/s, the sign gives the direction toward home
  int32_t initVelocity = 0;   // microsteps/s, the drive's own initial speed
  double offsetHome = 0;      // microsteps from the home switch to position 1
  int32_t powerUpOrigin = 0;  // microsteps: the count given to the home position
  // The drive's own profile, put back when a homing program leaves its own behind.
  int32_t slewVelocity = 0;  // microsteps/s
  int32_t acceleration = 0;  // controller units
  int32_t deceleration = 0;  // controller units
};

// How joystick deflections best become runs of a unit of one type.
struct JoystickRuns {
  // The controller holds runs between 20 and 20000 microsteps/s only: a rate is a whole number
  // at each step of its computation, and a slow one is raised to 20 rather than lost.
  bool heldRunRange = false;
  // Sudden rate changes make the controller jerk: a new rate keeps this share of the previous
  // one, and a run from standstill first goes at `startShare` of its rate.
  double keepShare = 0;
  double startShare = 1;
  // A joystick that stays centred sends nothing again.
  bool quietWhenCentred = false;
};

// What the homing of the XY stage needs to know of one of its axes.
struct StageAxisHoming {
  int16_t unit = 0;          // character code of the axis's controller address
  int32_t homeSpeed = 0;     // microsteps/s, the sign points toward home
  int32_t initVelocity = 0;  // microsteps/s, the axis's own initial speed
  double originPoint = 0;    // microsteps from the home sensor out to the stage origin
};

// What the homing of the XY stage needs to know. X is always handled before Y.
struct StageHomingPlan {
  StageAxisHoming x;
  StageAxisHoming y;
  double moveOut = 0;       // microsteps run away from home before a search (sign ignored)
  int16_t limPolarity = 0;  // 0 or 1; 1 homes onto the limit switches where a type can
  bool withY = true;        // false: X alone, where a type can home one axis
};

class MotorDriver {
 public:
  virtual ~MotorDriver() = default;

  // --- The line ---
  virtual void InitChannel() = 0;  // the channel's terminators for this type
  virtual Result WakeUp() = 0;     // once after the port is open
  // The text exactly as given (no address, no frame check): the channel's result.
  virtual Result RawCommand(const std::string& text, std::string& reply) = 0;
  // While on, an exchange that fails is made once more.
  virtual void RetryFailedExchanges(bool on) = 0;

  // --- Operations on one unit ---
  virtual Result Home(int16_t unit, int16_t speed) = 0;  // starts; the sign gives the direction
  virtual Result MotorHomeOwn(int16_t unit, int32_t speed) = 0;
  virtual Result MotorHomeSmart(int16_t unit, int32_t speed, int32_t initSpeed) = 0;
  virtual Result MoveAtSpeed(int16_t unit, int32_t speed) = 0;  // 0 stops
  virtual Result MoveAbs(int16_t unit, double position) = 0;
  virtual Result MoveRel(int16_t unit, double distance) = 0;
  // `status`: IM483I the status number (0 still); EZHR17 1 moving, 0 still.
  virtual Result ReadMovingStatus(int16_t unit, int16_t& status) = 0;
  virtual Result ReadPos(int16_t unit, double& position) = 0;
  virtual Result ReadHardware(int16_t unit, int16_t& value) = 0;
  virtual Result ReadLimits(int16_t unit, int16_t& value) = 0;
  virtual Result GetOutput(int16_t unit, int16_t n, int16_t& value) = 0;         // EZHR17: not sent
  virtual Result SetOutput(int16_t unit, int16_t n, int16_t value) = 0;          // EZHR17: not sent
  virtual Result ReadInPorts(int16_t unit, std::array<int16_t, 3>& values) = 0;  // EZHR17: not sent
  virtual Result ReadOutPorts(int16_t unit,
                              std::array<int16_t, 3>& values) = 0;  // EZHR17: not sent
  virtual Result WriteOutPorts(int16_t unit, int16_t o1, int16_t o2, int16_t o3) = 0;
  virtual Result Pause(int16_t unit, int16_t ms) = 0;  // EZHR17: done at once
  virtual Result SetCurrents(int16_t unit, int16_t hold, int16_t run) = 0;
  virtual Result SetRamp(int16_t unit, int32_t acceleration, int32_t deceleration) = 0;
  virtual Result SetLimitPolarity(int16_t unit, int16_t polarity) = 0;
  virtual Result SetJogSpeeds(int16_t unit, int32_t low, int32_t high) = 0;  // EZHR17: not sent
  virtual Result SetSlewSpeed(int16_t unit, int32_t speed) = 0;
  // The IM483I divide value, the EZHR17 power of two.
  virtual Result SetStepDivide(int16_t unit, int16_t value) = 0;
  virtual Result SetInitSpeed(int16_t unit, int32_t speed) = 0;  // EZHR17: not sent
  // `reached`: IM483I the limit bits seen; EZHR17 1.
  virtual Result MotorToLimit(int16_t unit, int32_t mask, int32_t speed, int16_t& reached) = 0;
  // The unit's count becomes `position` without moving (see CountAtOrigin).
  virtual Result SetOrigin(int16_t unit, int32_t position) = 0;
  // Polls the unit until it stands still, serving window events between the polls.
  virtual Result WaitMoveEnd(int16_t unit) = 0;
  virtual Result EnableLimits(int16_t unit, int16_t on) = 0;      // IM483I: done
  virtual Result SetModeFlags(int16_t unit, int16_t mode) = 0;    // IM483I: done
  virtual Result SetIndexSteps(int16_t unit, int16_t steps) = 0;  // IM483I: done

  // --- Where the types differ in what the devices see ---
  // The count a unit holds after SetOrigin(origin): an IM483I unit can only zero its counter.
  virtual double CountAtOrigin(int32_t origin) const = 0;
  // Whether `unit` may be given a new target now; the caller sends its move next. Still moving
  // (logged) when it moves or does not say.
  virtual Result TakesTarget(int16_t unit) = 0;
  // Whether a run at a speed leaves that speed as the unit's top speed for later moves.
  virtual bool RunSetsTopSpeed() const = 0;
  virtual JoystickRuns Joystick() const = 0;
  // Homes the XY stage the way this type does it: done, or the cause of the first failure (a
  // home search that ended off its home input: home not found, though the homing still ends as a
  // found one does). Not sent when the type cannot home X alone.
  virtual Result HomeStage(const StageHomingPlan& plan) = 0;
  // Homes an indexing drive and sets its origin at position 1, waiting for the end: done and the
  // count the unit holds at position 1, or the first failure (then no origin is taken from where
  // it stands).
  virtual Result HomeIndexer(int16_t unit, const IndexerHoming& homing,
                             double& positionOneCount) = 0;
};

}  // namespace qv
