#include "controllers/Im483iDriver.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "controllers/Im483iStageHoming.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

constexpr int kInputsFirstBit = 0;              // bit values 1, 2, 4 of the port byte
constexpr int kOutputsFirstBit = 3;             // bit values 8, 16, 32 of the port byte
constexpr int16_t kHomeInputBit = 1;            // bit 0 of "] 1"
constexpr int32_t kMinBackOffSpeed = 20;        // steps/s, the slowest run the controller makes
constexpr int32_t kWaitPollMs = 20;             // between status polls of a wait
constexpr int16_t kMaxSettleTens = 255;         // the settle time setting is one byte
constexpr int16_t kIndexerSettleMs = 500;       // pause before an indexing drive gets its origin
constexpr std::string_view kStatusQuery = "^";  // harmless: asked to find a unit's echo again
constexpr int kResyncTimeouts = 2;  // port time-outs a silent unit has to echo the status query

// The magnitude of a position or distance in whole steps (halves up); empty when it does not
// fit the controller's counter.
std::optional<int64_t> WholeSteps(double value) {
  const double steps = std::floor(std::fabs(value) + 0.5);
  if (!std::isfinite(steps) || steps > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int64_t>(steps);
}

}  // namespace

std::string Im483iFrame(int16_t address, std::string_view command) {
  std::string frame(1, static_cast<char>(static_cast<unsigned char>(address)));
  frame.append(command);
  return frame;
}

std::string Im483iBlankLed(int64_t value) {
  return Str(static_cast<double>(value));
}

std::string Im483iPlain(int64_t value) {
  return GeneralText(static_cast<double>(value));
}

Im483iReply CheckIm483iEcho(std::string_view sent, std::string_view reply) {
  Im483iReply result;
  if (reply.size() < sent.size()) {
    result.check = Im483iEchoCheck::kShort;
    return result;
  }
  result.answer = std::string(reply.substr(sent.size()));
  if (reply.substr(0, sent.size()) != sent) {
    result.check = Im483iEchoCheck::kMismatch;
  } else {
    const size_t first = result.answer.find_first_not_of(' ');
    const bool refused = first != std::string::npos && result.answer.substr(first) == "?";
    result.check = refused ? Im483iEchoCheck::kRefused : Im483iEchoCheck::kOk;
  }
  return result;
}

std::array<int16_t, 3> Im483iPortBits(int16_t portByte, int firstBit) {
  std::array<int16_t, 3> values{};
  for (int i = 0; i < 3; ++i) {
    values[static_cast<size_t>(i)] = (portByte & (1 << (firstBit + i))) != 0 ? 1 : 0;
  }
  return values;
}

std::optional<int32_t> Im483iOutputByte(const std::array<int16_t, 3>& values) {
  for (const int16_t v : values) {
    if (v != 0 && v != 1) return std::nullopt;
  }
  return 8 * (values[0] + 2 * values[1] + 4 * values[2]);
}

int16_t Im483iSettleTens(int16_t ms) {
  const int16_t tens = RoundToInt16(ms / 10.0).value_or(0);  // |ms / 10| always fits
  return std::clamp<int16_t>(tens, 0, kMaxSettleTens);
}

int32_t Im483iBackOffSpeed(int32_t speed, int divisor) {
  const double magnitude = std::fabs(static_cast<double>(speed)) / divisor;
  const int32_t rounded = std::max(RoundToInt32(magnitude).value_or(0), kMinBackOffSpeed);
  return speed > 0 ? -rounded : rounded;
}

// --- Exchanges ---

Result Im483iDriver::Command(int16_t unit, std::string_view command, std::string& answer) {
  if (inProgress_ >= 1) {
    comm_.CommLogShow("inst>0;");
    return Cause::kReentered;
  }
  ++inProgress_;
  const std::string sent = Im483iFrame(unit, command);
  Result result = Attempt(sent, answer);
  if (retryOnce_ && result.failed()) {
    comm_.CommLogShow("Retrying " + sent);
    result = Attempt(sent, answer);
  }
  --inProgress_;
  return result;
}

Result Im483iDriver::Attempt(const std::string& sent, std::string& answer) {
  if (outOfStep_) Resync();
  return Exchange(sent, answer);
}

void Im483iDriver::Resync() {
  outOfStep_ = false;
  const std::string marker = Im483iFrame(silentUnit_, kStatusQuery);
  std::string line;
  const bool answered = comm_.CommAwaitAnswer(
      marker, kResyncTimeouts, false,
      [&marker](const std::string& text) { return text.starts_with(marker); }, line);
  lateLineOwed_ = !answered;
  if (!answered) comm_.CommLogAppend(marker + "\\" + line);
}

Result Im483iDriver::Exchange(const std::string& sent, std::string& answer) {
  std::string reply;
  bool received = comm_.CommOutIn(sent, reply);
  if (received && lateLineOwed_ && !reply.starts_with(sent)) {
    // The answer of a unit that stayed silent, come late: this command's own follows it.
    comm_.CommLogLateReply(reply);
    received = comm_.CommIn(reply);
  }
  if (received) lateLineOwed_ = false;
  if (!received) {
    // The channel has just shown "Port TimeOut"; the failed command goes beside it.
    comm_.CommLogAppend(sent + "\\" + reply);
    NoteUnanswered(sent);
    return Cause::kNoAnswer;
  }
  Im483iReply checked = CheckIm483iEcho(sent, reply);
  switch (checked.check) {
    case Im483iEchoCheck::kShort:
      comm_.CommLogShow(sent + ">" + reply);
      return Cause::kBadReply;
    case Im483iEchoCheck::kMismatch:
      answer = std::move(checked.answer);
      comm_.CommLogShow(sent + "!=" + reply);
      return Cause::kControllerError;
    case Im483iEchoCheck::kRefused:
      // A refused move must not read as done: the axis stays where it was.
      answer = std::move(checked.answer);
      comm_.CommLogShow(sent + "-refused by controller-" + reply);
      return Cause::kControllerError;
    case Im483iEchoCheck::kOk:
      break;
  }
  answer = std::move(checked.answer);
  return Cause::kDone;
}

Result Im483iDriver::Send(int16_t unit, std::string_view command) {
  std::string answer;
  return Command(unit, command, answer);
}

Result Im483iDriver::RawCommand(const std::string& text, std::string& reply) {
  if (outOfStep_) Resync();
  if (comm_.CommOutIn(text, reply)) return Cause::kDone;
  NoteUnanswered(text);
  return Cause::kNoAnswer;
}

// A reply the channel gave up on may still come, unless the line itself went or late replies
// are not awaited (units that are expected to be absent).
void Im483iDriver::NoteUnanswered(const std::string& sent) {
  if (sent.empty() || comm_.LineLost() || !comm_.CommAwaitsLateReplies()) return;
  const int16_t unit = static_cast<unsigned char>(sent[0]);
  if (lateLineOwed_ && unit == silentUnit_) return;  // still silent: asking again costs only time
  outOfStep_ = true;
  silentUnit_ = unit;
}

void Im483iDriver::InitChannel() {
  comm_.CommSetTxTerm(10);
  comm_.CommSetRxTerm(10);
}

bool Im483iDriver::Fits16(std::string_view op, std::initializer_list<int32_t> values) {
  for (const int32_t v : values) {
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max()) {
      comm_.CommLogShow(std::string(op) + ": argument out of 16-bit range");
      return false;
    }
  }
  return true;
}

// --- Single commands ---

Result Im483iDriver::Home(int16_t unit, int16_t speed) {
  if (speed == 0) return Cause::kOutOfRange;
  if (MotionsHeld(clock_, motor_)) return Cause::kHeld;
  const int64_t magnitude = speed < 0 ? -int64_t{speed} : int64_t{speed};
  return Send(unit, "F" + Im483iBlankLed(magnitude) + Im483iBlankLed(speed < 0 ? 1 : 0));
}

Result Im483iDriver::Run(int16_t unit, int32_t speed) {
  if (!Fits16("IM483I_MoveAtSpeed", {speed})) return Cause::kOutOfRange;
  if (speed != 0 && MotionsHeld(clock_, motor_)) return Cause::kHeld;
  return Send(unit, "M" + Im483iPlain(speed));
}

Result Im483iDriver::MoveAbs(int16_t unit, double position) {
  if (MotionsHeld(clock_, motor_)) return Cause::kHeld;
  const auto steps = WholeSteps(position);
  if (!steps) {
    comm_.CommLogShow("IM483I_MoveAbs: position out of range");
    return Cause::kOutOfRange;
  }
  return Send(unit, (position > 0 ? "R+" : "R-") + Im483iPlain(*steps));
}

Result Im483iDriver::MoveRel(int16_t unit, double distance) {
  if (distance == 0) return Cause::kDone;
  if (MotionsHeld(clock_, motor_)) return Cause::kHeld;
  const auto steps = WholeSteps(distance);
  if (!steps) {
    comm_.CommLogShow("IM483I_MoveRel: distance out of range");
    return Cause::kOutOfRange;
  }
  return Send(unit, (distance > 0 ? "+" : "-") + Im483iPlain(*steps));
}

Result Im483iDriver::QueryMoving(int16_t unit, int16_t& status) {
  std::string answer;
  if (const Result asked = Command(unit, "^", answer); !asked.ok()) return asked;
  const auto number = TextToInt16(answer);
  if (!number || *number < 0) {
    comm_.CommLogShow("IM483I_ReadMovingStatus: no status in answer-" + answer);
    return Cause::kNoValue;
  }
  status = *number;
  return Cause::kDone;
}

Result Im483iDriver::ReadPos(int16_t unit, double& position) {
  std::string answer;
  if (const Result asked = Command(unit, "Z", answer); !asked.ok()) return asked;
  const auto count = PositionCount(answer);
  if (!count) {
    // An echo without a count (letters, nothing, a number no counter holds): no position.
    comm_.CommLogShow("IM483I_ReadPos: no position in answer-" + answer);
    return Cause::kNoValue;
  }
  position = *count;
  return Cause::kDone;
}

Result Im483iDriver::ReadInt16(int16_t unit, std::string_view op, std::string_view command,
                               int16_t& value) {
  std::string answer;
  if (const Result asked = Command(unit, command, answer); !asked.ok()) return asked;
  const auto number = TextToInt16(answer);
  if (!number) {
    // Inputs that were not read are no inputs: a homing or limit run must not go on as if its
    // switch had been seen (or not seen).
    comm_.CommLogShow(std::string(op) + ": no inputs in answer-" + answer);
    return Cause::kNoValue;
  }
  value = *number;
  return Cause::kDone;
}

Result Im483iDriver::ReadHardware(int16_t unit, int16_t& value) {
  return ReadInt16(unit, "IM483I_ReadHardware", "] 1", value);
}

Result Im483iDriver::ReadLimits(int16_t unit, int16_t& value) {
  return ReadInt16(unit, "IM483I_ReadLimits", "] 0", value);
}

Result Im483iDriver::ReadPortBits(int16_t unit, int firstBit, std::array<int16_t, 3>& values) {
  std::string answer;
  if (const Result asked = Command(unit, "A 129", answer); !asked.ok()) return asked;
  const auto portByte = TextToInt16(answer);
  if (!portByte) {
    comm_.CommLogShow("IM483I_ReadPorts: no port byte in answer-" + answer);
    return Cause::kNoValue;
  }
  values = Im483iPortBits(*portByte, firstBit);
  return Cause::kDone;
}

Result Im483iDriver::ReadInPorts(int16_t unit, std::array<int16_t, 3>& values) {
  return ReadPortBits(unit, kInputsFirstBit, values);
}

Result Im483iDriver::ReadOutPorts(int16_t unit, std::array<int16_t, 3>& values) {
  return ReadPortBits(unit, kOutputsFirstBit, values);
}

Result Im483iDriver::GetOutput(int16_t unit, int16_t n, int16_t& value) {
  if (n < 0 || n > 2) return Cause::kOutOfRange;
  std::array<int16_t, 3> outputs{};
  if (const Result read = ReadOutPorts(unit, outputs); !read.ok()) return read;
  value = outputs[static_cast<size_t>(n)];
  return Cause::kDone;
}

Result Im483iDriver::SetOutput(int16_t unit, int16_t n, int16_t value) {
  if (n < 0 || n > 2) return Cause::kOutOfRange;
  std::array<int16_t, 3> outputs{};
  // Without the current outputs a write would switch the other two off: nothing is written.
  if (const Result read = ReadOutPorts(unit, outputs); !read.ok()) return read;
  outputs[static_cast<size_t>(n)] = value;
  return WritePorts(unit, outputs);
}

Result Im483iDriver::WriteOutPorts(int16_t unit, int16_t o1, int16_t o2, int16_t o3) {
  return WritePorts(unit, {o1, o2, o3});
}

Result Im483iDriver::WritePorts(int16_t unit, const std::array<int16_t, 3>& values) {
  const auto portByte = Im483iOutputByte(values);
  if (!portByte) return Cause::kOutOfRange;
  return Send(unit, "A" + Im483iBlankLed(*portByte));
}

Result Im483iDriver::SetSettle(int16_t unit, int16_t ms) {
  return Send(unit, "E " + Im483iPlain(Im483iSettleTens(ms)));
}

Result Im483iDriver::Pause(int16_t unit, int16_t ms) {
  const Result result = SetSettle(unit, ms);
  if (!result.ok()) return result;
  clock_.DelayMs(ms);
  return Cause::kDone;
}

Result Im483iDriver::SetCurrents(int16_t unit, int16_t hold, int16_t run) {
  return Send(unit, "Y" + Im483iBlankLed(hold) + Im483iBlankLed(run));
}

Result Im483iDriver::SetRamp(int16_t unit, int32_t acceleration, int32_t deceleration) {
  if (!Fits16("IM483I_SetRamp", {acceleration, deceleration})) return Cause::kOutOfRange;
  return Send(unit, "K" + Im483iBlankLed(acceleration) + Im483iBlankLed(deceleration));
}

Result Im483iDriver::SetLimitPolarity(int16_t unit, int16_t polarity) {
  return Send(unit, "l" + Im483iBlankLed(polarity));
}

Result Im483iDriver::SetJogSpeeds(int16_t unit, int32_t low, int32_t high) {
  if (!Fits16("IM483I_SetJogSpeeds", {low, high})) return Cause::kOutOfRange;
  return Send(unit, "B" + Im483iBlankLed(low) + Im483iBlankLed(high));
}

Result Im483iDriver::SetSlewSpeed(int16_t unit, int32_t speed) {
  if (!Fits16("IM483I_SetSlewSpeed", {speed})) return Cause::kOutOfRange;
  return Send(unit, "V" + Im483iBlankLed(speed));
}

Result Im483iDriver::SetStepDivide(int16_t unit, int16_t divide) {
  Send(unit, "H 0");  // fixed resolution mode first; a unit that refuses it still takes "D"
  return Send(unit, "D" + Im483iBlankLed(divide));
}

Result Im483iDriver::SetInitSpeed(int16_t unit, int32_t speed) {
  if (!Fits16("IM483I_SetInitSpeed", {speed})) return Cause::kOutOfRange;
  return Send(unit, "I" + Im483iBlankLed(speed));
}

Result Im483iDriver::SetOrigin(int16_t unit) {
  return Send(unit, "O");
}

Result Im483iDriver::WakeUp() {
  std::string reply;
  return RawCommand("AX", reply);
}

// --- Composite motions ---

Result Im483iDriver::AwaitStill(int16_t unit) {
  MoveDeadline deadline(clock_, motor_);
  while (true) {
    if (deadline.Passed()) return Cause::kTimedOut;
    int16_t status = 0;
    if (const Result asked = QueryMoving(unit, status); !asked.ok()) return asked;
    if (status == 0) return Cause::kDone;
    pump_.DoEvents();
    clock_.DelayMs(kWaitPollMs);
  }
}

Result Im483iDriver::WaitForHomeInput(int16_t unit, MoveDeadline& deadline, bool set) {
  while (true) {
    if (deadline.Passed()) return Cause::kTimedOut;
    int16_t inputs = 0;
    if (const Result read = ReadHardware(unit, inputs); !read.ok()) return read;
    if (((inputs & kHomeInputBit) != 0) == set) return Cause::kDone;
    pump_.DoEvents();  // the window answers, and Stop with it
  }
}

Result Im483iDriver::MotorHomeOwn(int16_t unit, int32_t speed) {
  if (!Fits16("IM483I_MotorHomeOwn", {speed})) return Cause::kOutOfRange;
  MoveDeadline deadline(clock_, motor_);
  Result outcome = Run(unit, speed);
  if (outcome.ok()) outcome = WaitForHomeInput(unit, deadline, true);
  if (outcome.ok()) {
    // Back off slowly until the home input clears: that edge is the home.
    outcome = Run(unit, Im483iBackOffSpeed(speed, 4));
    if (outcome.ok()) outcome = WaitForHomeInput(unit, deadline, false);
  }
  Run(unit, 0);
  return outcome;
}

Result Im483iDriver::HomeSmartSteps(int16_t unit, int32_t speed, int32_t initSpeed,
                                    MoveDeadline& deadline) {
  // The homing run starts at the initial speed; a quarter of the home speed keeps it gentle.
  // A speed has a size only: the sign of a search toward the low end is no initial speed.
  const int32_t quarter = RoundToInt32(std::fabs(speed / 4.0)).value_or(0);
  const bool lowerInit = quarter < initSpeed;
  if (lowerInit) {
    if (const Result lowered = SetInitSpeed(unit, quarter); !lowered.ok()) return lowered;
  }
  if (const Result homing = Home(unit, static_cast<int16_t>(speed)); !homing.ok()) return homing;
  if (const Result still = AwaitStill(unit); !still.ok()) return still;
  int16_t inputs = 0;
  if (const Result read = ReadHardware(unit, inputs); !read.ok()) return read;
  if ((inputs & kHomeInputBit) != 0) {
    if (const Result run = Run(unit, Im483iBackOffSpeed(speed, 4)); !run.ok()) return run;
    do {
      if (deadline.Passed()) return Cause::kTimedOut;
      if (const Result read = ReadHardware(unit, inputs); !read.ok()) return read;
      pump_.DoEvents();
    } while ((inputs & kHomeInputBit) != 0);
  }
  return lowerInit ? SetInitSpeed(unit, initSpeed) : Result();
}

Result Im483iDriver::MotorHomeSmart(int16_t unit, int32_t speed, int32_t initSpeed) {
  if (!Fits16("IM483I_MotorHomeSmart", {speed, initSpeed})) return Cause::kOutOfRange;
  MoveDeadline deadline(clock_, motor_);
  const Result outcome = HomeSmartSteps(unit, speed, initSpeed, deadline);
  Run(unit, 0);
  return outcome;
}

Result Im483iDriver::RunToLimit(int16_t unit, int32_t mask, int32_t speed, MoveDeadline& deadline,
                                int16_t& reached) {
  // The run command is repeated on every pass: a unit that missed it still starts.
  int16_t seen = 0;  // limit bits seen when the limit was reached
  // Window events are served between the passes: the window answers, and Stop with it.
  do {
    if (deadline.Passed()) return Cause::kTimedOut;
    if (const Result run = Run(unit, speed); !run.ok()) return run;
    if (const Result read = ReadLimits(unit, seen); !read.ok()) return read;
    if ((seen & mask) == 0) pump_.DoEvents();
  } while ((seen & mask) == 0);
  const int32_t backOff = Im483iBackOffSpeed(speed, 2);
  int16_t now = 0;  // limit bits while backing off
  do {
    if (deadline.Passed()) return Cause::kTimedOut;
    if (const Result run = Run(unit, backOff); !run.ok()) return run;
    if (const Result read = ReadLimits(unit, now); !read.ok()) return read;
    if (now != 0) pump_.DoEvents();
  } while (now != 0);
  Run(unit, 0);
  reached = seen;
  return Cause::kDone;
}

Result Im483iDriver::MotorToLimit(int16_t unit, int32_t mask, int32_t speed, int16_t& reached) {
  if (!Fits16("IM483I_MotorToLimit", {mask, speed})) return Cause::kOutOfRange;
  MoveDeadline deadline(clock_, motor_);
  const Result outcome = RunToLimit(unit, mask, speed, deadline, reached);
  Run(unit, 0);
  return outcome;
}

Result Im483iDriver::IndexerSteps(int16_t unit, const IndexerHoming& homing,
                                  double& positionOneCount) {
  Result outcome = MotorHomeSmart(unit, homing.homeSpeed, homing.initVelocity);
  if (!outcome.failed() && homing.offsetHome != 0) {
    outcome = MoveRel(unit, homing.offsetHome);
    if (!outcome.failed()) outcome = AwaitStill(unit);
  }
  // Not at position 1: no origin is taken from where the drive stands.
  if (outcome.failed()) return outcome;
  const Result pause = Pause(unit, kIndexerSettleMs);
  outcome = FirstFailure(pause, SetOrigin(unit));
  if (outcome.failed()) return outcome;
  positionOneCount = 0;
  return Cause::kDone;
}

// --- What the unit may still be doing ---

Result Im483iDriver::MoveAtSpeed(int16_t unit, int32_t speed) {
  // A stop is a motion too: the unit may still be slowing down after it.
  return Started(unit, Run(unit, speed));
}

Result Im483iDriver::ReadMovingStatus(int16_t unit, int16_t& status) {
  int16_t number = 1;
  const Result asked = QueryMoving(unit, number);
  if (asked.ok()) status = number;
  return Looked(unit, asked, asked.ok() && number == 0);
}

Result Im483iDriver::WaitMoveEnd(int16_t unit) {
  const Result result = AwaitStill(unit);
  return Looked(unit, result, result.ok());
}

Result Im483iDriver::HomeIndexer(int16_t unit, const IndexerHoming& homing,
                                 double& positionOneCount) {
  const Result result = IndexerSteps(unit, homing, positionOneCount);
  return Looked(unit, result, result.ok());  // a homing ends with the drive standing
}

Result Im483iDriver::TakesTarget(int16_t unit) {
  if (mayBeMoving_.contains(unit)) {
    int16_t status = 0;
    const Result asked = ReadMovingStatus(unit, status);  // a failed read is logged already
    if (asked.ok() && status > 0) {
      comm_.CommLogShow(std::string(1, static_cast<char>(unit)) +
                        " still moving: no new target sent");
    }
    if (!asked.ok() || status != 0) return Cause::kStillMoving;
  }
  // The target the caller sends next may still run when the one after it comes.
  mayBeMoving_.insert(unit);
  return Cause::kDone;
}

Result Im483iDriver::Started(int16_t unit, Result result) {
  if (result.ok()) mayBeMoving_.insert(unit);
  return result;
}

Result Im483iDriver::Looked(int16_t unit, Result result, bool still) {
  if (still) mayBeMoving_.erase(unit);
  return result;
}

Result Im483iDriver::HomeStage(const StageHomingPlan& plan) {
  return Im483iStageHoming(*this, clock_, pump_, motor_).Home(plan);
}

}  // namespace qv
