#pragma once
// The IM483I (Intelligent Motion Systems) command protocol in party mode: unit name + command,
// an echo of exactly that text before every answer, and the homing and limit runs (with their
// back-off) built from single commands and status polls. The pure text helpers come first so
// that tests and the fuzzer can use them without a port.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "controllers/Clock.h"
#include "controllers/Comm.h"
#include "controllers/MotorState.h"

namespace qv {

// --- Texts and answers (pure) ---

// The unit's name character + the command. The channel appends LF.
std::string Im483iFrame(int16_t address, std::string_view command);

// Numbers in commands: blank-led (" 5", "-5") or plain ("5", "-5"); each command keeps its own.
std::string Im483iBlankLed(int64_t value);
std::string Im483iPlain(int64_t value);

enum class Im483iEchoCheck {
  kOk,        // the reply begins with the sent text
  kShort,     // the reply is shorter than the sent text
  kMismatch,  // the reply begins with something else (the answer is still split off)
  kRefused,   // the echo and then "?": the unit did not run the command
};

struct Im483iReply {
  Im483iEchoCheck check = Im483iEchoCheck::kShort;
  std::string answer;  // what follows the echo; empty for kShort
};

Im483iReply CheckIm483iEcho(std::string_view sent, std::string_view reply);

// Bits 0..2 of a port byte, starting at `firstBit` (0: inputs, 3: outputs), as 0/1 values.
std::array<int16_t, 3> Im483iPortBits(int16_t portByte, int firstBit);
// The output byte for three 0/1 values (bits 3, 4, 5); empty when a value is not 0 or 1.
std::optional<int32_t> Im483iOutputByte(const std::array<int16_t, 3>& values);
// The settle time setting for a pause: tens of ms, halves to even, limited to 0..255.
int16_t Im483iSettleTens(int16_t ms);
// The speed of a back-off run: |speed| / divisor rounded, at least 20, against `speed`.
int32_t Im483iBackOffSpeed(int32_t speed, int divisor);

// --- The driver ---

class Im483iDriver {
 public:
  Im483iDriver(Comm& comm, Clock& clock, EventPump& pump, MotorState& motor)
      : comm_(comm), clock_(clock), pump_(pump), motor_(motor) {}

  // One exchange with the selected unit. 1 echo matches; -1 channel failure; -2 echo differs
  // (the answer is handed back all the same); -3 reply shorter than the command; -4 another
  // exchange is under way. `answer` is left alone for -1, -3 and -4. After an exchange gave up
  // on its reply, which may still come, the line is brought back in step before anything else
  // is sent (see Resync), so that a late reply is never taken for another command's answer.
  int16_t Command(std::string_view command, std::string& answer);
  // While on (the devices' initialisation), an exchange that fails (-1, -2, -3) is made once
  // more, and the channel log says so.
  void RetryFailedExchanges(bool on) { retryOnce_ = on; }
  int16_t RawCommand(const std::string& text, std::string& reply);
  void InitChannel();

  // The controller takes 16-bit numbers only: a 32-bit argument outside -32768..32767 fails
  // with -1 before anything is sent, and the log names the operation.
  int16_t Home(int16_t speed);
  int16_t MoveAtSpeed(int32_t speed);
  int16_t MoveAbs(double position);
  int16_t MoveRel(double distance);
  // The status number (0: still), or -1 when the query fails or its answer is no number.
  int16_t ReadMovingStatus();
  // 1 and the count; -1, the position untouched and the answer logged, when the query fails or
  // its answer is no count.
  int16_t ReadPos(double& position);
  // -1, the value untouched, when the query fails or its answer is no number.
  int16_t ReadHardware(int16_t& value);
  int16_t ReadLimits(int16_t& value);
  int16_t ReadInPorts(std::array<int16_t, 3>& values);
  int16_t ReadOutPorts(std::array<int16_t, 3>& values);
  int16_t GetOutput(int16_t n, int16_t& value);
  int16_t SetOutput(int16_t n, int16_t value);
  int16_t WriteOutPorts(int16_t o1, int16_t o2, int16_t o3);
  int16_t WritePorts(const std::array<int16_t, 3>& values);
  int16_t SetSettle(int16_t ms);
  int16_t Pause(int16_t ms);
  int16_t SetCurrents(int16_t hold, int16_t run);
  int16_t SetRamp(int32_t acceleration, int32_t deceleration);
  int16_t SetLimitPolarity(int16_t polarity);
  int16_t SetJogSpeeds(int32_t low, int32_t high);
  int16_t SetSlewSpeed(int32_t speed);
  int16_t SetStepDivide(int16_t divide);
  int16_t SetInitSpeed(int32_t speed);
  int16_t SetOrigin();
  // Polls the unit selected at the call until it stands still, serving window events between
  // the polls; the unit stays selected whatever those events select.
  int16_t WaitMoveEnd();
  int16_t MotorHomeOwn(int32_t speed);
  // The search starts at a quarter of the homing speed's size when that is below `initSpeed`,
  // which is restored afterwards; the sign of `speed` only gives the direction.
  int16_t MotorHomeSmart(int32_t speed, int32_t initSpeed);
  int16_t MotorToLimit(int32_t mask, int32_t speed);
  int16_t WakeUp();

 private:
  int16_t Send(std::string_view command);
  int16_t Exchange(const std::string& sent, std::string& answer);
  // One exchange, brought back in step first when an earlier one gave up on its reply.
  int16_t Attempt(const std::string& sent, std::string& answer);
  // Asks the unit that did not answer for its status and drops every line that comes before the
  // echo of that query: a unit answers its commands in turn, so nothing it still owed comes
  // after it. When that echo does not come within a few time-outs, the next line that echoes
  // another command than the one sent is dropped as the late one.
  void Resync();
  void NoteUnanswered(const std::string& sent);
  // False, with a log line naming `op`, when a value does not fit the controller's 16 bits.
  bool Fits16(std::string_view op, std::initializer_list<int32_t> values);
  // The answer of `command` as a 16-bit number; -1, logged with `op`, when it is none.
  int16_t ReadInt16(std::string_view op, std::string_view command, int16_t& value);
  int16_t ReadPortBits(int firstBit, std::array<int16_t, 3>& values);
  // Polls the home input until bit 0 is `set`: 1, -2 time-out, -1 failed read.
  int16_t WaitForHomeInput(MoveDeadline& deadline, bool set);
  int16_t HomeSmartSteps(int32_t speed, int32_t initSpeed, MoveDeadline& deadline);
  int16_t RunToLimit(int32_t mask, int32_t speed, MoveDeadline& deadline);

  Comm& comm_;
  Clock& clock_;
  EventPump& pump_;
  MotorState& motor_;          // the selected unit; a wait selects its own unit again after events
  int16_t inProgress_ = 0;     // exchanges of Command under way (0 or 1)
  bool retryOnce_ = false;     // a failed exchange is made once more
  bool outOfStep_ = false;     // an exchange gave up on a reply that may still come
  int16_t silentUnit_ = 0;     // the name of the unit that owes it
  bool lateLineOwed_ = false;  // a silent unit's late line may still come
};

}  // namespace qv
