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

int16_t Im483iDriver::Command(int16_t unit, std::string_view command, std::string& answer) {
  if (inProgress_ >= 1) {
    comm_.CommLogShow("inst>0;");
    return -4;
  }
  ++inProgress_;
  const std::string sent = Im483iFrame(unit, command);
  int16_t result = Attempt(sent, answer);
  if (retryOnce_ && result < 0) {
    comm_.CommLogShow("Retrying " + sent);
    result = Attempt(sent, answer);
  }
  --inProgress_;
  return result;
}

int16_t Im483iDriver::Attempt(const std::string& sent, std::string& answer) {
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

int16_t Im483iDriver::Exchange(const std::string& sent, std::string& answer) {
  std::string reply;
  int16_t received = comm_.CommOutIn(sent, reply);
  if (received == 1 && lateLineOwed_ && !reply.starts_with(sent)) {
    // The answer of a unit that stayed silent, come late: this command's own follows it.
    comm_.CommLogLateReply(reply);
    received = comm_.CommIn(reply);
  }
  if (received == 1) lateLineOwed_ = false;
  if (received != 1) {
    // The channel has just shown "Port TimeOut"; the failed command goes beside it.
    comm_.CommLogAppend(sent + "\\" + reply);
    NoteUnanswered(sent);
    return -1;
  }
  Im483iReply checked = CheckIm483iEcho(sent, reply);
  switch (checked.check) {
    case Im483iEchoCheck::kShort:
      comm_.CommLogShow(sent + ">" + reply);
      return -3;
    case Im483iEchoCheck::kMismatch:
      answer = std::move(checked.answer);
      comm_.CommLogShow(sent + "!=" + reply);
      return -2;
    case Im483iEchoCheck::kRefused:
      // A refused move must not read as done: the axis stays where it was.
      answer = std::move(checked.answer);
      comm_.CommLogShow(sent + "-refused by controller-" + reply);
      return -2;
    case Im483iEchoCheck::kOk:
      break;
  }
  answer = std::move(checked.answer);
  return 1;
}

int16_t Im483iDriver::Send(int16_t unit, std::string_view command) {
  std::string answer;
  return Command(unit, command, answer);
}

int16_t Im483iDriver::RawCommand(const std::string& text, std::string& reply) {
  if (outOfStep_) Resync();
  const int16_t result = comm_.CommOutIn(text, reply);
  if (result != 1) NoteUnanswered(text);
  return result;
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

int16_t Im483iDriver::Home(int16_t unit, int16_t speed) {
  if (speed == 0 || MotionsHeld(clock_, motor_)) return -1;
  const int64_t magnitude = speed < 0 ? -int64_t{speed} : int64_t{speed};
  return Send(unit, "F" + Im483iBlankLed(magnitude) + Im483iBlankLed(speed < 0 ? 1 : 0));
}

int16_t Im483iDriver::Run(int16_t unit, int32_t speed) {
  if (!Fits16("IM483I_MoveAtSpeed", {speed})) return -1;
  if (speed != 0 && MotionsHeld(clock_, motor_)) return -1;
  return Send(unit, "M" + Im483iPlain(speed));
}

int16_t Im483iDriver::MoveAbs(int16_t unit, double position) {
  if (MotionsHeld(clock_, motor_)) return -1;
  const auto steps = WholeSteps(position);
  if (!steps) {
    comm_.CommLogShow("IM483I_MoveAbs: position out of range");
    return -1;
  }
  return Send(unit, (position > 0 ? "R+" : "R-") + Im483iPlain(*steps));
}

int16_t Im483iDriver::MoveRel(int16_t unit, double distance) {
  if (distance == 0) return 1;
  if (MotionsHeld(clock_, motor_)) return -1;
  const auto steps = WholeSteps(distance);
  if (!steps) {
    comm_.CommLogShow("IM483I_MoveRel: distance out of range");
    return -1;
  }
  return Send(unit, (distance > 0 ? "+" : "-") + Im483iPlain(*steps));
}

int16_t Im483iDriver::QueryMoving(int16_t unit) {
  std::string answer;
  if (Command(unit, "^", answer) != 1) return -1;
  const auto status = TextToInt16(answer);
  if (!status || *status < 0) {
    comm_.CommLogShow("IM483I_ReadMovingStatus: no status in answer-" + answer);
    return -1;
  }
  return *status;
}

int16_t Im483iDriver::ReadPos(int16_t unit, double& position) {
  std::string answer;
  if (Command(unit, "Z", answer) != 1) return -1;
  const auto count = PositionCount(answer);
  if (!count) {
    // An echo without a count (letters, nothing, a number no counter holds): no position.
    comm_.CommLogShow("IM483I_ReadPos: no position in answer-" + answer);
    return -1;
  }
  position = *count;
  return 1;
}

int16_t Im483iDriver::ReadInt16(int16_t unit, std::string_view op, std::string_view command,
                                int16_t& value) {
  std::string answer;
  if (Command(unit, command, answer) != 1) return -1;
  const auto number = TextToInt16(answer);
  if (!number) {
    // Inputs that were not read are no inputs: a homing or limit run must not go on as if its
    // switch had been seen (or not seen).
    comm_.CommLogShow(std::string(op) + ": no inputs in answer-" + answer);
    return -1;
  }
  value = *number;
  return 1;
}

int16_t Im483iDriver::ReadHardware(int16_t unit, int16_t& value) {
  return ReadInt16(unit, "IM483I_ReadHardware", "] 1", value);
}

int16_t Im483iDriver::ReadLimits(int16_t unit, int16_t& value) {
  return ReadInt16(unit, "IM483I_ReadLimits", "] 0", value);
}

int16_t Im483iDriver::ReadPortBits(int16_t unit, int firstBit, std::array<int16_t, 3>& values) {
  std::string answer;
  if (Command(unit, "A 129", answer) != 1) return -1;
  const auto portByte = TextToInt16(answer);
  if (!portByte) {
    comm_.CommLogShow("IM483I_ReadPorts: no port byte in answer-" + answer);
    return -1;
  }
  values = Im483iPortBits(*portByte, firstBit);
  return 1;
}

int16_t Im483iDriver::ReadInPorts(int16_t unit, std::array<int16_t, 3>& values) {
  return ReadPortBits(unit, kInputsFirstBit, values);
}

int16_t Im483iDriver::ReadOutPorts(int16_t unit, std::array<int16_t, 3>& values) {
  return ReadPortBits(unit, kOutputsFirstBit, values);
}

int16_t Im483iDriver::GetOutput(int16_t unit, int16_t n, int16_t& value) {
  if (n < 0 || n > 2) return -1;
  std::array<int16_t, 3> outputs{};
  if (ReadOutPorts(unit, outputs) != 1) return -1;
  value = outputs[static_cast<size_t>(n)];
  return 1;
}

int16_t Im483iDriver::SetOutput(int16_t unit, int16_t n, int16_t value) {
  if (n < 0 || n > 2) return -1;
  std::array<int16_t, 3> outputs{};
  // Without the current outputs a write would switch the other two off: nothing is written.
  if (ReadOutPorts(unit, outputs) != 1) return -1;
  outputs[static_cast<size_t>(n)] = value;
  return WritePorts(unit, outputs) == 1 ? 1 : -1;
}

int16_t Im483iDriver::WriteOutPorts(int16_t unit, int16_t o1, int16_t o2, int16_t o3) {
  return WritePorts(unit, {o1, o2, o3});
}

int16_t Im483iDriver::WritePorts(int16_t unit, const std::array<int16_t, 3>& values) {
  const auto portByte = Im483iOutputByte(values);
  if (!portByte) return -2;
  return Send(unit, "A" + Im483iBlankLed(*portByte));
}

int16_t Im483iDriver::SetSettle(int16_t unit, int16_t ms) {
  return Send(unit, "E " + Im483iPlain(Im483iSettleTens(ms)));
}

int16_t Im483iDriver::Pause(int16_t unit, int16_t ms) {
  const int16_t result = SetSettle(unit, ms);
  if (result < 0) return result;
  clock_.DelayMs(ms);
  return 1;
}

int16_t Im483iDriver::SetCurrents(int16_t unit, int16_t hold, int16_t run) {
  return Send(unit, "Y" + Im483iBlankLed(hold) + Im483iBlankLed(run));
}

int16_t Im483iDriver::SetRamp(int16_t unit, int32_t acceleration, int32_t deceleration) {
  if (!Fits16("IM483I_SetRamp", {acceleration, deceleration})) return -1;
  return Send(unit, "K" + Im483iBlankLed(acceleration) + Im483iBlankLed(deceleration));
}

int16_t Im483iDriver::SetLimitPolarity(int16_t unit, int16_t polarity) {
  return Send(unit, "l" + Im483iBlankLed(polarity));
}

int16_t Im483iDriver::SetJogSpeeds(int16_t unit, int32_t low, int32_t high) {
  if (!Fits16("IM483I_SetJogSpeeds", {low, high})) return -1;
  return Send(unit, "B" + Im483iBlankLed(low) + Im483iBlankLed(high));
}

int16_t Im483iDriver::SetSlewSpeed(int16_t unit, int32_t speed) {
  if (!Fits16("IM483I_SetSlewSpeed", {speed})) return -1;
  return Send(unit, "V" + Im483iBlankLed(speed));
}

int16_t Im483iDriver::SetStepDivide(int16_t unit, int16_t divide) {
  Send(unit, "H 0");  // fixed resolution mode first; a unit that refuses it still takes "D"
  return Send(unit, "D" + Im483iBlankLed(divide));
}

int16_t Im483iDriver::SetInitSpeed(int16_t unit, int32_t speed) {
  if (!Fits16("IM483I_SetInitSpeed", {speed})) return -1;
  return Send(unit, "I" + Im483iBlankLed(speed));
}

int16_t Im483iDriver::SetOrigin(int16_t unit) {
  return Send(unit, "O");
}

int16_t Im483iDriver::WakeUp() {
  std::string reply;
  return RawCommand("AX", reply);
}

// --- Composite motions ---

int16_t Im483iDriver::AwaitStill(int16_t unit) {
  MoveDeadline deadline(clock_, motor_);
  while (true) {
    if (deadline.Passed()) return -2;
    const int16_t status = QueryMoving(unit);
    if (status < 0) return -1;
    if (status == 0) return 1;
    pump_.DoEvents();
    clock_.DelayMs(kWaitPollMs);
  }
}

int16_t Im483iDriver::WaitForHomeInput(int16_t unit, MoveDeadline& deadline, bool set) {
  while (true) {
    if (deadline.Passed()) return -2;
    int16_t inputs = 0;
    if (ReadHardware(unit, inputs) != 1) return -1;
    if (((inputs & kHomeInputBit) != 0) == set) return 1;
    pump_.DoEvents();  // the window answers, and Stop with it
  }
}

int16_t Im483iDriver::MotorHomeOwn(int16_t unit, int32_t speed) {
  if (!Fits16("IM483I_MotorHomeOwn", {speed})) return -1;
  MoveDeadline deadline(clock_, motor_);
  int16_t outcome = -1;
  if (Run(unit, speed) == 1) {
    outcome = WaitForHomeInput(unit, deadline, true);
    if (outcome == 1) {
      // Back off slowly until the home input clears: that edge is the home.
      outcome = Run(unit, Im483iBackOffSpeed(speed, 4)) == 1
                    ? WaitForHomeInput(unit, deadline, false)
                    : -1;
    }
  }
  Run(unit, 0);
  return outcome;
}

int16_t Im483iDriver::HomeSmartSteps(int16_t unit, int32_t speed, int32_t initSpeed,
                                     MoveDeadline& deadline) {
  // The homing run starts at the initial speed; a quarter of the home speed keeps it gentle.
  // A speed has a size only: the sign of a search toward the low end is no initial speed.
  const int32_t quarter = RoundToInt32(std::fabs(speed / 4.0)).value_or(0);
  const bool lowerInit = quarter < initSpeed;
  if (lowerInit && SetInitSpeed(unit, quarter) != 1) return -7;
  if (Home(unit, static_cast<int16_t>(speed)) != 1) return -1;
  if (AwaitStill(unit) != 1) return -2;
  int16_t inputs = 0;
  if (ReadHardware(unit, inputs) != 1) return -3;
  if ((inputs & kHomeInputBit) != 0) {
    if (Run(unit, Im483iBackOffSpeed(speed, 4)) != 1) return -4;
    do {
      if (deadline.Passed()) return -5;
      if (ReadHardware(unit, inputs) != 1) return -6;
      pump_.DoEvents();
    } while ((inputs & kHomeInputBit) != 0);
  }
  if (lowerInit && SetInitSpeed(unit, initSpeed) != 1) return -8;
  return 1;
}

int16_t Im483iDriver::MotorHomeSmart(int16_t unit, int32_t speed, int32_t initSpeed) {
  if (!Fits16("IM483I_MotorHomeSmart", {speed, initSpeed})) return -1;
  MoveDeadline deadline(clock_, motor_);
  const int16_t outcome = HomeSmartSteps(unit, speed, initSpeed, deadline);
  Run(unit, 0);
  return outcome;
}

int16_t Im483iDriver::RunToLimit(int16_t unit, int32_t mask, int32_t speed,
                                 MoveDeadline& deadline) {
  // The run command is repeated on every pass: a unit that missed it still starts.
  int16_t reached = 0;  // limit bits seen when the limit was reached
  // Window events are served between the passes: the window answers, and Stop with it.
  do {
    if (deadline.Passed()) return -2;
    if (Run(unit, speed) != 1) return -1;
    if (ReadLimits(unit, reached) != 1) return -1;
    if ((reached & mask) == 0) pump_.DoEvents();
  } while ((reached & mask) == 0);
  const int32_t backOff = Im483iBackOffSpeed(speed, 2);
  int16_t now = 0;  // limit bits while backing off
  do {
    if (deadline.Passed()) return -2;
    if (Run(unit, backOff) != 1) return -1;
    if (ReadLimits(unit, now) != 1) return -1;
    if (now != 0) pump_.DoEvents();
  } while (now != 0);
  Run(unit, 0);
  return reached;
}

int16_t Im483iDriver::MotorToLimit(int16_t unit, int32_t mask, int32_t speed) {
  if (!Fits16("IM483I_MotorToLimit", {mask, speed})) return -1;
  MoveDeadline deadline(clock_, motor_);
  const int16_t outcome = RunToLimit(unit, mask, speed, deadline);
  Run(unit, 0);
  return outcome;
}

int16_t Im483iDriver::IndexerSteps(int16_t unit, const IndexerHoming& homing,
                                   double& positionOneCount) {
  bool ok = MotorHomeSmart(unit, homing.homeSpeed, homing.initVelocity) >= 0;
  if (ok && homing.offsetHome != 0) {
    ok = MoveRel(unit, homing.offsetHome) >= 0 && AwaitStill(unit) >= 0;
  }
  if (!ok) return -1;  // not at position 1: no origin is taken from where the drive stands
  if (Pause(unit, kIndexerSettleMs) < 0) ok = false;
  if (SetOrigin(unit) < 0) ok = false;
  if (!ok) return -1;
  positionOneCount = 0;
  return 1;
}

// --- What the unit may still be doing ---

int16_t Im483iDriver::MoveAtSpeed(int16_t unit, int32_t speed) {
  // A stop is a motion too: the unit may still be slowing down after it.
  return Started(unit, Run(unit, speed));
}

int16_t Im483iDriver::ReadMovingStatus(int16_t unit) {
  const int16_t status = QueryMoving(unit);
  return Looked(unit, status, status == 0);
}

int16_t Im483iDriver::WaitMoveEnd(int16_t unit) {
  const int16_t result = AwaitStill(unit);
  return Looked(unit, result, result == 1);
}

int16_t Im483iDriver::HomeIndexer(int16_t unit, const IndexerHoming& homing,
                                  double& positionOneCount) {
  const int16_t result = IndexerSteps(unit, homing, positionOneCount);
  return Looked(unit, result, result == 1);  // a homing ends with the drive standing
}

int16_t Im483iDriver::TakesTarget(int16_t unit) {
  if (mayBeMoving_.contains(unit)) {
    const int16_t status = ReadMovingStatus(unit);  // a failed read is logged already
    if (status > 0) {
      comm_.CommLogShow(std::string(1, static_cast<char>(unit)) +
                        " still moving: no new target sent");
    }
    if (status != 0) return -1;
  }
  // The target the caller sends next may still run when the one after it comes.
  mayBeMoving_.insert(unit);
  return 1;
}

int16_t Im483iDriver::Started(int16_t unit, int16_t result) {
  if (result > 0) mayBeMoving_.insert(unit);
  return result;
}

int16_t Im483iDriver::Looked(int16_t unit, int16_t result, bool still) {
  if (still) mayBeMoving_.erase(unit);
  return result;
}

int16_t Im483iDriver::HomeStage(const StageHomingPlan& plan) {
  return Im483iStageHoming(*this, clock_, pump_, motor_).Home(plan);
}

}  // namespace qv
