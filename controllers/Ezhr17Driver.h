#pragma once
// The EZHR17 (AllMotion) command protocol: frames "/" + unit + command, checks the "/0" reply
// frame and the controller's status character, and builds homing and limit runs out of single
// commands and status polls. The pure frame and reply helpers come first so that tests and the
// fuzzer can use them without a port.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "controllers/Clock.h"
#include "controllers/Comm.h"
#include "controllers/MotorDriver.h"
#include "controllers/MotorState.h"

namespace qv {

// --- Frames and replies (pure) ---

// "/" + the unit's address character + the command. The channel appends CR.
std::string Ezhr17Frame(int16_t address, std::string_view command);

// How a reply, terminators already removed, passed the frame checks.
enum class Ezhr17ReplyCheck {
  kOk,               // framed, error code 0
  kNoSlashZero,      // characters 2-3 are not "/0"
  kNoStatus,         // "/0" but nothing after it
  kControllerError,  // framed, error code 1..15
};

struct Ezhr17Reply {
  Ezhr17ReplyCheck check = Ezhr17ReplyCheck::kNoSlashZero;
  int errorCode = 0;   // status character And 15; 0 means no error
  bool ready = false;  // status character And 32: the unit is not moving
  std::string data;    // the reply from the status character on (start byte and "/0" dropped)
};

Ezhr17Reply ParseEzhr17Reply(std::string_view raw);

// The decimal number of a query's data part: the status character and the end marker (ETX)
// dropped. Empty when the data part is too short to hold a number or does not end with the
// end marker (a reply cut short, whose last character would be taken for the marker).
std::string_view Ezhr17Number(std::string_view data);

// The "?4" inputs: one or two decimal digits after the status character. ReadHardware keeps the
// four input bits; ReadLimits keeps the two upper ones (the end sensors). Empty when no digit
// follows the status character.
std::optional<int16_t> Ezhr17HardwareValue(std::string_view data);
std::optional<int16_t> Ezhr17LimitsValue(std::string_view data);

// Whether a reply is the answer of the firmware version query ("?&"): framed, with letters in
// its data, which no answer to the program's other commands has; or, from a unit without that
// query, refused as a bad command (error code 2).
bool IsEzhr17VersionAnswer(std::string_view raw);

// The mode word after switching the limit inputs on or off (bit value 2), and after choosing
// a mode (bit values 1 and 4: mode 1 sets 1, mode 2 sets 4, anything else neither).
int16_t Ezhr17ModeWithLimits(int16_t modeWord, int16_t on);
int16_t Ezhr17ModeWithFlags(int16_t modeWord, int16_t mode);

// --- The driver ---

class Ezhr17Driver final : public MotorDriver {
 public:
  Ezhr17Driver(Comm& comm, Clock& clock, EventPump& pump, const MotorState& motor,
               const int16_t& waitPollingInterval)
      : comm_(comm),
        clock_(clock),
        pump_(pump),
        motor_(motor),
        waitPollingInterval_(waitPollingInterval) {}

  // One framed exchange with `unit`: done; no answer; a controller error code; a bad reply (not
  // framed); re-entered (another exchange is under way). `reply` receives the data part when
  // done and on a controller error, and is left alone otherwise.
  // The replies of this protocol do not say whose they are. After an exchange gave up on its
  // reply, which may still come, the line is brought back in step before anything else is sent
  // (see Resync), so that a late reply is never taken for another command's answer.
  Result Command(int16_t unit, std::string_view command, std::string& reply);
  // While on (the devices' initialisation), an exchange that fails (but for re-entry) is made once
  // more, and the channel log says so.
  void RetryFailedExchanges(bool on) override { retryOnce_ = on; }
  // The text as it is, no address, no frame check: the channel's result.
  Result RawCommand(const std::string& text, std::string& reply) override;
  void InitChannel() override;
  Result WakeUp() override;

  Result Home(int16_t unit, int16_t speed) override { return MotorHome(unit, speed); }
  Result MotorHome(int16_t unit, int32_t speed);
  Result MotorHomeSmart(int16_t unit, int32_t speed, int32_t unusedInitSpeed) override;
  Result MotorHomeOwn(int16_t unit, int32_t speed) override;
  Result MotorToLimit(int16_t unit, int32_t mask, int32_t speed, int16_t& reached) override;
  // 0 stops ("T"); any other speed runs until stopped (see RunUntilStopped).
  Result MoveAtSpeed(int16_t unit, int32_t speed) override;
  Result MoveAbs(int16_t unit, double position) override;
  // A distance that rounds to no whole microstep sends nothing and succeeds: the controller
  // reads a relative move of 0 as a run without end.
  Result MoveRel(int16_t unit, double distance) override;
  // `status` 1 moving, 0 ready.
  Result ReadMovingStatus(int16_t unit, int16_t& status) override;
  // The count; when the query fails or its answer is no count the position is untouched and the
  // reply logged.
  Result ReadPos(int16_t unit, double& position) override;
  Result ReadHardware(int16_t unit, int16_t& value) override;
  Result ReadLimits(int16_t unit, int16_t& value) override;
  Result SetCurrents(int16_t unit, int16_t hold, int16_t run) override;
  Result SetRamp(int16_t unit, int32_t acceleration, int32_t unusedDeceleration) override;
  Result SetLimitPolarity(int16_t unit, int16_t polarity) override;
  Result SetSlewSpeed(int16_t unit, int32_t speed) override;
  Result SetStepDivide(int16_t unit, int16_t exponent) override;
  Result EnableLimits(int16_t unit, int16_t on) override;
  Result SetModeFlags(int16_t unit, int16_t mode) override;
  Result SetIndexSteps(int16_t unit, int16_t steps) override;
  Result WriteOutPorts(int16_t unit, int16_t o1, int16_t o2, int16_t unusedO3) override;
  // The counter takes `position` (pausing while it settles).
  Result SetOrigin(int16_t unit, int32_t position) override;
  // Polls `unit` until it stands still, serving window events between the polls: done, timed
  // out, or the failure of the last poll when the line is gone.
  Result WaitMoveEnd(int16_t unit) override;
  // The controller-resident homing sequence of a filter wheel, then the wait for its end.
  Result RunHomeProgram(int16_t unit);

  // The port and settings operations of the other type: nothing to send.
  Result GetOutput(int16_t, int16_t, int16_t&) override { return Cause::kNotSent; }
  Result SetOutput(int16_t, int16_t, int16_t) override { return Cause::kNotSent; }
  Result ReadInPorts(int16_t, std::array<int16_t, 3>&) override { return Cause::kNotSent; }
  Result ReadOutPorts(int16_t, std::array<int16_t, 3>&) override { return Cause::kNotSent; }
  Result SetJogSpeeds(int16_t, int32_t, int32_t) override { return Cause::kNotSent; }
  Result SetInitSpeed(int16_t, int32_t) override { return Cause::kNotSent; }
  Result Pause(int16_t, int16_t) override { return Cause::kDone; }

  // The counter takes the origin it is given.
  double CountAtOrigin(int32_t origin) const override { return origin; }
  // A unit refuses a new target while it moves.
  Result TakesTarget(int16_t /*unit*/) override { return Cause::kDone; }
  // A run ("V" + rate + "P0R") makes its rate the top speed.
  bool RunSetsTopSpeed() const override { return true; }
  JoystickRuns Joystick() const override {
    return {.heldRunRange = false, .keepShare = 0.25, .startShare = 0.2, .quietWhenCentred = true};
  }
  // Two passes onto the home sensors, then out to the origin point (Ezhr17StageHoming.h).
  Result HomeStage(const StageHomingPlan& plan) override;
  // The origin first, then the controller's own homing program and the move to position 1;
  // that position's count is read back. The profile is put back, as the program leaves its own.
  Result HomeIndexer(int16_t unit, const IndexerHoming& homing, double& positionOneCount) override;

 private:
  Result Send(int16_t unit, std::string_view command);
  // One exchange, brought back in step first when an earlier one gave up on its reply.
  Result Attempt(const std::string& sent, std::string& reply);
  // Asks the unit that did not answer for its firmware version and drops every reply that comes
  // before that answer: a unit answers its commands in turn, so nothing it still owed can come
  // after it. A unit that does not answer within a few time-outs is left; its version answer,
  // should it come later, is told apart and dropped where it comes.
  void Resync();
  void NoteUnanswered(const std::string& sent);
  // "P0"/"D0" at `speed` (not 0): the controller runs until "T" or a limit stops it. The only
  // command that moves without a given end; nothing else sends it.
  Result RunUntilStopped(int16_t unit, int32_t speed);
  Result Exchange(const std::string& sent, std::string& reply);
  // The slew speed in force ("?2"); empty when the query fails or its number cannot be read
  // (logged with `op` as the speaker when `logFailures`).
  // `failure` gets the cause when it is empty.
  std::optional<int32_t> ReadSlewSpeed(int16_t unit, std::string_view op, bool logFailures,
                                       Result& failure);
  // The inputs ("?4") as `read` takes them; no value when the reply holds none (logged with
  // `op` as the speaker).
  Result ReadInputs(int16_t unit, std::optional<int16_t> (*read)(std::string_view),
                    std::string_view op, int16_t& value);
  Result StartRunTwice(int16_t unit, int32_t speed);
  // Polls the inputs until the home sensor is `set`, the time-out passes or a read fails.
  Result WaitForHomeInput(int16_t unit, MoveDeadline& deadline, bool set);
  // Runs until a limit in `mask` is seen, the time-out passes or a command fails.
  Result RunToLimit(int16_t unit, MoveDeadline& deadline, int32_t mask, int32_t speed);

  Comm& comm_;
  Clock& clock_;
  EventPump& pump_;
  const MotorState& motor_;             // the motion time-out and the operator's Stop
  const int16_t& waitPollingInterval_;  // ms between status polls of a wait
  int16_t inProgress_ = 0;              // exchanges of Command under way (0 or 1)
  bool outOfStep_ = false;              // an exchange gave up on a reply that may still come
  int16_t silentUnit_ = 0;              // the address of the unit that owes it
  bool versionOwed_ = false;  // a version query went unanswered: its answer may still come
  bool retryOnce_ = false;    // a failed exchange is made once more
  int16_t ezModeWord_ = 0;    // mode bits 1, 2, 4 last sent; one copy for all units
};

}  // namespace qv
