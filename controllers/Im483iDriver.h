#pragma once
// The IM483I (Intelligent Motion Systems) command protocol in party mode: unit name + command,
// an echo of exactly that text before every answer, and the homing and limit runs (with their
// back-off) built from single commands and status polls. The pure text helpers come first so
// that tests and the fuzzer can use them without a port.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <set>
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

  // One exchange with `unit`: done when the echo matches; no answer; a controller error when the
  // echo differs or the unit refuses (the answer is handed back all the same); a bad reply when
  // it is shorter than the command; re-entered when another exchange is under way. `answer` is
  // left alone for the others. After an exchange gave up on its
  // reply, which may still come, the line is brought back in step before anything else is sent
  // (see Resync), so that a late reply is never taken for another command's answer.
  Result Command(int16_t unit, std::string_view command, std::string& answer);
  // While on (the devices' initialisation), an exchange that fails (but for re-entry) is made once
  // more, and the channel log says so.
  void RetryFailedExchanges(bool on) override { retryOnce_ = on; }
  Result RawCommand(const std::string& text, std::string& reply) override;
  void InitChannel() override;
  Result WakeUp() override;

  // The controller takes 16-bit numbers only: a 32-bit argument outside -32768..32767 is out
  // of range before anything is sent, and the log names the operation.
  Result Home(int16_t unit, int16_t speed) override;
  Result MoveAtSpeed(int16_t unit, int32_t speed) override;
  Result MoveAbs(int16_t unit, double position) override;
  Result MoveRel(int16_t unit, double distance) override;
  // The status number (0: still); no value when the answer is no number.
  Result ReadMovingStatus(int16_t unit, int16_t& status) override;
  // The count; when the query fails or its answer is no count the position is untouched and the
  // answer logged.
  Result ReadPos(int16_t unit, double& position) override;
  // The value untouched when the query fails or its answer is no number.
  Result ReadHardware(int16_t unit, int16_t& value) override;
  Result ReadLimits(int16_t unit, int16_t& value) override;
  Result ReadInPorts(int16_t unit, std::array<int16_t, 3>& values) override;
  Result ReadOutPorts(int16_t unit, std::array<int16_t, 3>& values) override;
  Result GetOutput(int16_t unit, int16_t n, int16_t& value) override;
  Result SetOutput(int16_t unit, int16_t n, int16_t value) override;
  Result WriteOutPorts(int16_t unit, int16_t o1, int16_t o2, int16_t o3) override;
  Result WritePorts(int16_t unit, const std::array<int16_t, 3>& values);
  Result SetSettle(int16_t unit, int16_t ms);
  Result Pause(int16_t unit, int16_t ms) override;
  Result SetCurrents(int16_t unit, int16_t hold, int16_t run) override;
  Result SetRamp(int16_t unit, int32_t acceleration, int32_t deceleration) override;
  Result SetLimitPolarity(int16_t unit, int16_t polarity) override;
  Result SetJogSpeeds(int16_t unit, int32_t low, int32_t high) override;
  Result SetSlewSpeed(int16_t unit, int32_t speed) override;
  Result SetStepDivide(int16_t unit, int16_t divide) override;
  Result SetInitSpeed(int16_t unit, int32_t speed) override;
  // The counter becomes 0, whatever position is given (see CountAtOrigin).
  Result SetOrigin(int16_t unit, int32_t /*unusedPosition*/) override { return SetOrigin(unit); }
  Result SetOrigin(int16_t unit);
  // Polls `unit` until it stands still, serving window events between the polls.
  Result WaitMoveEnd(int16_t unit) override;
  Result MotorHomeOwn(int16_t unit, int32_t speed) override;
  // The search starts at a quarter of the homing speed's size when that is below `initSpeed`,
  // which is restored afterwards; the sign of `speed` only gives the direction.
  Result MotorHomeSmart(int16_t unit, int32_t speed, int32_t initSpeed) override;
  Result MotorToLimit(int16_t unit, int32_t mask, int32_t speed, int16_t& reached) override;

  // The mode settings of the other type: nothing to set.
  Result EnableLimits(int16_t, int16_t) override { return Cause::kDone; }
  Result SetModeFlags(int16_t, int16_t) override { return Cause::kDone; }
  Result SetIndexSteps(int16_t, int16_t) override { return Cause::kDone; }

  double CountAtOrigin(int32_t /*origin*/) const override { return 0; }
  // A unit that is still moving drops a new target and echoes it all the same: it is asked
  // first when its last target or run (a stop included) that came through these operations has
  // not been seen to end. The driver's own composite motions leave that record alone.
  Result TakesTarget(int16_t unit) override;
  bool RunSetsTopSpeed() const override { return false; }
  JoystickRuns Joystick() const override {
    return {.heldRunRange = true, .keepShare = 0, .startShare = 1, .quietWhenCentred = false};
  }
  // Onto the home inputs (or the limits) and off them (Im483iStageHoming.h).
  Result HomeStage(const StageHomingPlan& plan) override;
  // The smart homing, the move to position 1 and its end, then the origin (the count 0) there.
  Result HomeIndexer(int16_t unit, const IndexerHoming& homing, double& positionOneCount) override;

 private:
  Result Send(int16_t unit, std::string_view command);
  Result Exchange(const std::string& sent, std::string& answer);
  // One exchange, brought back in step first when an earlier one gave up on its reply.
  Result Attempt(const std::string& sent, std::string& answer);
  // Asks the unit that did not answer for its status and drops every line that comes before the
  // echo of that query: a unit answers its commands in turn, so nothing it still owed comes
  // after it. When that echo does not come within a few time-outs, the next line that echoes
  // another command than the one sent is dropped as the late one.
  void Resync();
  void NoteUnanswered(const std::string& sent);
  // False, with a log line naming `op`, when a value does not fit the controller's 16 bits.
  bool Fits16(std::string_view op, std::initializer_list<int32_t> values);
  // The answer of `command` as a 16-bit number; no value, logged with `op`, when it is none.
  Result ReadInt16(int16_t unit, std::string_view op, std::string_view command, int16_t& value);
  Result ReadPortBits(int16_t unit, int firstBit, std::array<int16_t, 3>& values);
  // Polls the home input until bit 0 is `set`, the time-out passes or a read fails.
  Result WaitForHomeInput(int16_t unit, MoveDeadline& deadline, bool set);
  Result HomeSmartSteps(int16_t unit, int32_t speed, int32_t initSpeed, MoveDeadline& deadline);
  Result RunToLimit(int16_t unit, int32_t mask, int32_t speed, MoveDeadline& deadline,
                    int16_t& reached);
  // The single commands and waits as the composite motions use them, without noting what the
  // unit may still be doing.
  Result Run(int16_t unit, int32_t speed);
  Result QueryMoving(int16_t unit, int16_t& status);
  Result AwaitStill(int16_t unit);
  Result IndexerSteps(int16_t unit, const IndexerHoming& homing, double& positionOneCount);
  // Notes the outcome of a run of `unit`, and of a look at its motion.
  Result Started(int16_t unit, Result result);
  Result Looked(int16_t unit, Result result, bool still);

  Comm& comm_;
  Clock& clock_;
  EventPump& pump_;
  const MotorState& motor_;        // the motion time-out and the operator's Stop
  int16_t inProgress_ = 0;         // exchanges of Command under way (0 or 1)
  bool retryOnce_ = false;         // a failed exchange is made once more
  bool outOfStep_ = false;         // an exchange gave up on a reply that may still come
  int16_t silentUnit_ = 0;         // the name of the unit that owes it
  bool lateLineOwed_ = false;      // a silent unit's late line may still come
  std::set<int16_t> mayBeMoving_;  // units whose last target or run has not been seen to end
};

}  // namespace qv
