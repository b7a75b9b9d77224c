#pragma once
// What the program can ask of the motor controllers of one type on the serial line. Every
// operation on a unit names that unit (the character code of its address): no unit stays
// "selected" between two calls, so an operation that lets window events run in its waits goes
// on with its own unit whatever those events send meanwhile.
//
// Results are 1 done or the driver's negative failure. An operation that a type lacks sends
// nothing and gives the fixed result noted beside it. Positions and distances are microsteps,
// speeds microsteps/s, currents percent.
#include <array>
#include <cstdint>
#include <string>

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

// How the XY stage finds its home.
enum class StageHomingMethod {
  kHomeSensorPasses,  // the controller's own homing onto the home sensor, twice, then out
  kHomeInputBackOff,  // runs onto the home input (or the limits) and backs off it
};

class MotorDriver {
 public:
  virtual ~MotorDriver() = default;

  // --- The line ---
  virtual void InitChannel() = 0;  // the channel's terminators for this type
  virtual int16_t WakeUp() = 0;    // once after the port is open
  // The text exactly as given (no address, no frame check): the channel's result.
  virtual int16_t RawCommand(const std::string& text, std::string& reply) = 0;
  // While on, an exchange that fails is made once more.
  virtual void RetryFailedExchanges(bool on) = 0;

  // --- Operations on one unit ---
  virtual int16_t Home(int16_t unit, int16_t speed) = 0;  // starts; the sign gives the direction
  virtual int16_t MotorHomeOwn(int16_t unit, int32_t speed) = 0;
  virtual int16_t MotorHomeSmart(int16_t unit, int32_t speed, int32_t initSpeed) = 0;
  virtual int16_t MoveAtSpeed(int16_t unit, int32_t speed) = 0;  // 0 stops
  virtual int16_t MoveAbs(int16_t unit, double position) = 0;
  virtual int16_t MoveRel(int16_t unit, double distance) = 0;
  // IM483I: the status number (0 still); EZHR17: 1 moving, 0 still; -1 failure.
  virtual int16_t ReadMovingStatus(int16_t unit) = 0;
  virtual int16_t ReadPos(int16_t unit, double& position) = 0;
  virtual int16_t ReadHardware(int16_t unit, int16_t& value) = 0;
  virtual int16_t ReadLimits(int16_t unit, int16_t& value) = 0;
  virtual int16_t GetOutput(int16_t unit, int16_t n, int16_t& value) = 0;          // EZHR17: 0
  virtual int16_t SetOutput(int16_t unit, int16_t n, int16_t value) = 0;           // EZHR17: 0
  virtual int16_t ReadInPorts(int16_t unit, std::array<int16_t, 3>& values) = 0;   // EZHR17: 0
  virtual int16_t ReadOutPorts(int16_t unit, std::array<int16_t, 3>& values) = 0;  // EZHR17: 0
  virtual int16_t WriteOutPorts(int16_t unit, int16_t o1, int16_t o2, int16_t o3) = 0;
  virtual int16_t Pause(int16_t unit, int16_t ms) = 0;  // EZHR17: 1 at once
  virtual int16_t SetCurrents(int16_t unit, int16_t hold, int16_t run) = 0;
  virtual int16_t SetRamp(int16_t unit, int32_t acceleration, int32_t deceleration) = 0;
  virtual int16_t SetLimitPolarity(int16_t unit, int16_t polarity) = 0;
  virtual int16_t SetJogSpeeds(int16_t unit, int32_t low, int32_t high) = 0;  // EZHR17: 0
  virtual int16_t SetSlewSpeed(int16_t unit, int32_t speed) = 0;
  // The IM483I divide value, the EZHR17 power of two.
  virtual int16_t SetStepDivide(int16_t unit, int16_t value) = 0;
  virtual int16_t SetInitSpeed(int16_t unit, int32_t speed) = 0;  // EZHR17: 0
  // IM483I: the limit bits seen; EZHR17: 1.
  virtual int16_t MotorToLimit(int16_t unit, int32_t mask, int32_t speed) = 0;
  // The unit's count becomes `position` without moving (see CountAtOrigin).
  virtual int16_t SetOrigin(int16_t unit, int32_t position) = 0;
  // Polls the unit until it stands still, serving window events between the polls.
  virtual int16_t WaitMoveEnd(int16_t unit) = 0;
  virtual int16_t EnableLimits(int16_t unit, int16_t on) = 0;      // IM483I: 1
  virtual int16_t SetModeFlags(int16_t unit, int16_t mode) = 0;    // IM483I: 1
  virtual int16_t SetIndexSteps(int16_t unit, int16_t steps) = 0;  // IM483I: 1

  // --- Where the types differ in what the devices see ---
  // The count a unit holds after SetOrigin(origin): an IM483I unit can only zero its counter.
  virtual double CountAtOrigin(int32_t origin) const = 0;
  // Whether a unit that is still moving drops a new target and echoes it all the same (so it
  // has to be asked first whether it stands still).
  virtual bool DropsTargetsWhileMoving() const = 0;
  // Whether a run at a speed leaves that speed as the unit's top speed for later moves.
  virtual bool RunSetsTopSpeed() const = 0;
  virtual JoystickRuns Joystick() const = 0;
  virtual StageHomingMethod StageHoming() const = 0;
  // Homes an indexing drive and sets its origin at position 1, waiting for the end. 1 and the
  // count the unit holds at position 1, or -1 (then no origin is taken from where it stands).
  virtual int16_t HomeIndexer(int16_t unit, const IndexerHoming& homing,
                              double& positionOneCount) = 0;
};

}  // namespace qv
