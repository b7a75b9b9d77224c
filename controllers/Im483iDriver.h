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
#include "controllers/MotorDriver.h"
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

class Im483iDriver final : public MotorDriver {
 public:
  Im483iDriver(Comm& comm, Clock& clock, EventPump& pump, const MotorState& motor)
      : comm_(comm), clock_(clock), pump_(pump), motor_(motor) {}

  // One exchange with `unit`. 1 echo matches; -1 channel failure; -2 echo differs (the answer
  // is handed back all the same); -3 reply shorter than the command; -4 another exchange is
  // under way. `answer` is left alone for -1, -3 and -4. After an exchange gave up on its
  // reply, which may still come, the line is brought back in step before anything else is sent
  // (see Resync), so that a late reply is never taken for another command's answer.
  int16_t Command(int16_t unit, std::string_view command, std::string& answer);
  // While on (the devices' initialisation), an exchange that fails (-1, -2, -3) is made once
  // more, and the channel log says so.
  void RetryFailedExchanges(bool on) override { retryOnce_ = on; }
  int16_t RawCommand(const std::string& text, std::string& reply) override;
  void InitChannel() override;
  int16_t WakeUp() override;

  // The controller takes 16-bit numbers only: a 32-bit argument outside -32768..32767 fails
  // with -1 before anything is sent, and the log names the operation.
  int16_t Home(int16_t unit, int16_t speed) override;
  int16_t MoveAtSpeed(int16_t unit, int32_t speed) override;
  int16_t MoveAbs(int16_t unit, double position) override;
  int16_t MoveRel(int16_t unit, double distance) override;
  // The status number (0: still), or -1 when the query fails or its answer is no number.
  int16_t ReadMovingStatus(int16_t unit) override;
  // 1 and the count; -1, the position untouched and the answer logged, when the query fails or
  // its answer is no count.
  int16_t ReadPos(int16_t unit, double& position) override;
  // -1, the value untouched, when the query fails or its answer is no number.
  int16_t ReadHardware(int16_t unit, int16_t& value) override;
  int16_t ReadLimits(int16_t unit, int16_t& value) override;
  int16_t ReadInPorts(int16_t unit, std::array<int16_t, 3>& values) override;
  int16_t ReadOutPorts(int16_t unit, std::array<int16_t, 3>& values) override;
  int16_t GetOutput(int16_t unit, int16_t n, int16_t& value) override;
  int16_t SetOutput(int16_t unit, int16_t n, int16_t value) override;
  int16_t WriteOutPorts(int16_t unit, int16_t o1, int16_t o2, int16_t o3) override;
  int16_t WritePorts(int16_t unit, const std::array<int16_t, 3>& values);
  int16_t SetSettle(int16_t unit, int16_t ms);
  int16_t Pause(int16_t unit, int16_t ms) override;
  int16_t SetCurrents(int16_t unit, int16_t hold, int16_t run) override;
  int16_t SetRamp(int16_t unit, int32_t acceleration, int32_t deceleration) override;
  int16_t SetLimitPolarity(int16_t unit, int16_t polarity) override;
  int16_t SetJogSpeeds(int16_t unit, int32_t low, int32_t high) override;
  int16_t SetSlewSpeed(int16_t unit, int32_t speed) override;
  int16_t SetStepDivide(int16_t unit, int16_t divide) override;
  int16_t SetInitSpeed(int16_t unit, int32_t speed) override;
  // The counter becomes 0, whatever position is given (see CountAtOrigin).
  int16_t SetOrigin(int16_t unit, int32_t /*unusedPosition*/) override { return SetOrigin(unit); }
  int16_t SetOrigin(int16_t unit);
  // Polls `unit` until it stands still, serving window events between the polls.
  int16_t WaitMoveEnd(int16_t unit) override;
  int16_t MotorHomeOwn(int16_t unit, int32_t speed) override;
  // The search starts at a quarter of the homing speed's size when that is below `initSpeed`,
  // which is restored afterwards; the sign of `speed` only gives the direction.
  int16_t MotorHomeSmart(int16_t unit, int32_t speed, int32_t initSpeed) override;
  int16_t MotorToLimit(int16_t unit, int32_t mask, int32_t speed) override;

  // The mode settings of the other type: nothing to set.
  int16_t EnableLimits(int16_t, int16_t) override { return 1; }
  int16_t SetModeFlags(int16_t, int16_t) override { return 1; }
  int16_t SetIndexSteps(int16_t, int16_t) override { return 1; }

  double CountAtOrigin(int32_t /*origin*/) const override { return 0; }
  // A unit that is still moving drops a new target and echoes it all the same.
  bool DropsTargetsWhileMoving() const override { return true; }
  bool RunSetsTopSpeed() const override { return false; }
  JoystickRuns Joystick() const override {
    return {.heldRunRange = true, .keepShare = 0, .startShare = 1, .quietWhenCentred = false};
  }
  StageHomingMethod StageHoming() const override { return StageHomingMethod::kHomeInputBackOff; }
  // The smart homing, the move to position 1 and its end, then the origin (the count 0) there.
  int16_t HomeIndexer(int16_t unit, const IndexerHoming& homing, double& positionOneCount) override;

 private:
  int16_t Send(int16_t unit, std::string_view command);
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
  int16_t ReadInt16(int16_t unit, std::string_view op, std::string_view command, int16_t& value);
  int16_t ReadPortBits(int16_t unit, int firstBit, std::array<int16_t, 3>& values);
  // Polls the home input until bit 0 is `set`: 1, -2 time-out, -1 failed read.
  int16_t WaitForHomeInput(int16_t unit, MoveDeadline& deadline, bool set);
  int16_t HomeSmartSteps(int16_t unit, int32_t speed, int32_t initSpeed, MoveDeadline& deadline);
  int16_t RunToLimit(int16_t unit, int32_t mask, int32_t speed, MoveDeadline& deadline);

  Comm& comm_;
  Clock& clock_;
  EventPump& pump_;
  const MotorState& motor_;    // the motion time-out and the operator's Stop
  int16_t inProgress_ = 0;     // exchanges of Command under way (0 or 1)
  bool retryOnce_ = false;     // a failed exchange is made once more
  bool outOfStep_ = false;     // an exchange gave up on a reply that may still come
  int16_t silentUnit_ = 0;     // the name of the unit that owes it
  bool lateLineOwed_ = false;  // a silent unit's late line may still come
};

}  // namespace qv
