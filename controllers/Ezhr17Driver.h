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

class Ezhr17Driver {
 public:
  Ezhr17Driver(Comm& comm, Clock& clock, EventPump& pump, MotorState& motor,
               const int16_t& waitPollingInterval)
      : comm_(comm),
        clock_(clock),
        pump_(pump),
        motor_(motor),
        waitPollingInterval_(waitPollingInterval) {}

  // One framed exchange with the selected unit. 1 done; -1 channel failure; -2 controller
  // error code; -3 reply not framed; -4 another exchange is under way. `reply` receives the
  // data part for 1 and -2 and is left alone otherwise.
  // The replies of this protocol do not say whose they are. After an exchange gave up on its
  // reply, which may still come, the line is brought back in step before anything else is sent
  // (see Resync), so that a late reply is never taken for another command's answer.
  int16_t Command(std::string_view command, std::string& reply);
  // While on (the devices' initialisation), an exchange that fails (-1, -2, -3) is made once
  // more, and the channel log says so.
  void RetryFailedExchanges(bool on) { retryOnce_ = on; }
  // The text as it is, no address, no frame check: the channel's result.
  int16_t RawCommand(const std::string& text, std::string& reply);
  void InitChannel();

  int16_t MotorHome(int32_t speed);
  int16_t MotorHomeSmart(int32_t speed, int32_t unusedInitSpeed);
  int16_t MotorHomeOwn(int32_t speed);
  int16_t MotorToLimit(int32_t mask, int32_t speed);
  // 0 stops ("T"); any other speed runs until stopped (see RunUntilStopped).
  int16_t MoveAtSpeed(int32_t speed);
  int16_t MoveAbs(double position);
  // A distance that rounds to no whole microstep sends nothing and succeeds: the controller
  // reads a relative move of 0 as a run without end.
  int16_t MoveRel(double distance);
  // 1 moving, 0 ready, -1 failure.
  int16_t ReadMovingStatus();
  // 1 and the count; -1, the position untouched and the reply logged, when the query fails or
  // its answer is no count.
  int16_t ReadPos(double& position);
  int16_t ReadHardware(int16_t& value);
  int16_t ReadLimits(int16_t& value);
  int16_t SetCurrents(int16_t hold, int16_t run);
  int16_t SetRamp(int32_t acceleration, int32_t unusedDeceleration);
  int16_t SetLimitPolarity(int16_t polarity);
  int16_t SetSlewSpeed(int32_t speed);
  int16_t SetStepDivide(int16_t exponent);
  int16_t EnableLimits(int16_t on);
  int16_t SetModeFlags(int16_t mode);
  int16_t SetIndexSteps(int16_t steps);
  int16_t WriteOutPorts(int16_t o1, int16_t o2, int16_t unusedO3);
  int16_t SetOrigin(int32_t position);
  // Polls the unit selected at the call until it stands still, serving window events between
  // the polls; the unit stays selected whatever those events select. 1 still, -2 time-out, -1
  // the line is gone.
  int16_t WaitMoveEnd();
  int16_t WakeUp();
  int16_t RunHomeProgram();

  int16_t EZModeWord() const { return ezModeWord_; }

 private:
  int16_t Send(std::string_view command);
  // One exchange, brought back in step first when an earlier one gave up on its reply.
  int16_t Attempt(const std::string& sent, std::string& reply);
  // Asks the unit that did not answer for its firmware version and drops every reply that comes
  // before that answer: a unit answers its commands in turn, so nothing it still owed can come
  // after it. A unit that does not answer within a few time-outs is left; its version answer,
  // should it come later, is told apart and dropped where it comes.
  void Resync();
  void NoteUnanswered(const std::string& sent);
  // "P0"/"D0" at `speed` (not 0): the controller runs until "T" or a limit stops it. The only
  // command that moves without a given end; nothing else sends it.
  int16_t RunUntilStopped(int32_t speed);
  int16_t Exchange(const std::string& sent, std::string& reply);
  // The slew speed in force ("?2"); empty when the query fails or its number cannot be read
  // (logged with `op` as the speaker when `logFailures`).
  std::optional<int32_t> ReadSlewSpeed(std::string_view op, bool logFailures);
  // The inputs ("?4") as `read` takes them; -1 when the query fails or its reply holds no
  // inputs (logged with `op` as the speaker).
  int16_t ReadInputs(std::optional<int16_t> (*read)(std::string_view), std::string_view op,
                     int16_t& value);
  int16_t StartRunTwice(int32_t speed);
  // Polls the inputs until the home sensor is `set` (1), the time-out passes (-2) or a read
  // fails (-1).
  int16_t WaitForHomeInput(MoveDeadline& deadline, bool set);
  // Runs until a limit in `mask` is seen: 1, -2 time-out, or the failing command's result.
  int16_t RunToLimit(MoveDeadline& deadline, int32_t mask, int32_t speed);

  Comm& comm_;
  Clock& clock_;
  EventPump& pump_;
  MotorState& motor_;  // the selected unit; a wait selects its own unit again after events
  const int16_t& waitPollingInterval_;  // ms between status polls of a wait
  int16_t inProgress_ = 0;              // exchanges of Command under way (0 or 1)
  bool outOfStep_ = false;              // an exchange gave up on a reply that may still come
  int16_t silentUnit_ = 0;              // the address of the unit that owes it
  bool versionOwed_ = false;  // a version query went unanswered: its answer may still come
  bool retryOnce_ = false;    // a failed exchange is made once more
  int16_t ezModeWord_ = 0;    // mode bits 1, 2, 4 last sent; one copy for all units
};

}  // namespace qv
