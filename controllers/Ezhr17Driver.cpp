#include "controllers/Ezhr17Driver.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "controllers/Ezhr17StageHoming.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

// The controller-resident sequence that homes a filter wheel: small steps back until the
// home sensor is found, then forward until it clears.
constexpr std::string_view kHomeProgram = "v1000V10000L12gD10S13G0D1gD1S03G0D1R";
// The homing command searches at most this many steps.
constexpr std::string_view kHomeCommand = "Z1000000000R";
// Address characters of the units that the wake-up call greets, in the order greeted.
constexpr std::string_view kWakeUpAddresses = "123456789ABCDEF";
constexpr char kEndMarker = '\x03';  // ETX, the last character of every reply's data
constexpr int16_t kStatusErrorBits = 15;
constexpr int16_t kStatusReadyBit = 32;
constexpr int16_t kHomeInputBit = 4;         // opto 1 in the "?4" inputs
constexpr int16_t kLimitsModeBit = 2;        // limit inputs enabled
constexpr int16_t kModeFlagBits = 1 | 4;     // the jog modes of SetModeFlags
constexpr int kMaxStepDivideExponent = 30;   // 2^30 still fits the controller's 32-bit operand
constexpr int32_t kOriginSettleMs = 500;     // the counter takes the new value after this
constexpr int32_t kHomeSmartSettleMs = 100;  // before the slew speed is restored
// The firmware version query: its answer carries letters, which no other answer does.
constexpr std::string_view kVersionQuery = "?&";
constexpr int kBadCommand = 2;      // the error code of a command the unit does not know
constexpr int kResyncTimeouts = 2;  // port time-outs a silent unit has to give its version

// Plain decimal digits, "-" when negative: the only number form of this protocol.
std::string Plain(int64_t value) {
  return GeneralText(static_cast<double>(value));
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

struct InputDigits {
  int value = 0;           // the one or two digits read as a decimal number
  bool twoDigits = false;  // a second digit followed the first
};

std::optional<InputDigits> ReadInputDigits(std::string_view data) {
  if (data.size() < 2 || !IsDigit(data[1])) return std::nullopt;
  const int first = data[1] - '0';
  if (data.size() >= 3 && IsDigit(data[2])) return InputDigits{10 * first + (data[2] - '0'), true};
  return InputDigits{first, false};
}

}  // namespace

std::string Ezhr17Frame(int16_t address, std::string_view command) {
  std::string frame = "/";
  frame.push_back(static_cast<char>(static_cast<unsigned char>(address)));
  frame.append(command);
  return frame;
}

Ezhr17Reply ParseEzhr17Reply(std::string_view raw) {
  Ezhr17Reply reply;
  if (raw.size() < 3 || raw.substr(1, 2) != "/0") {
    reply.check = Ezhr17ReplyCheck::kNoSlashZero;
    return reply;
  }
  if (raw.size() == 3) {
    reply.check = Ezhr17ReplyCheck::kNoStatus;
    return reply;
  }
  const auto status = static_cast<unsigned char>(raw[3]);
  reply.errorCode = status & kStatusErrorBits;
  reply.ready = (status & kStatusReadyBit) != 0;
  reply.data = std::string(raw.substr(3));
  reply.check = reply.errorCode == 0 ? Ezhr17ReplyCheck::kOk : Ezhr17ReplyCheck::kControllerError;
  return reply;
}

std::string_view Ezhr17Number(std::string_view data) {
  if (data.size() < 2 || data.back() != kEndMarker) return {};
  return data.substr(1, data.size() - 2);
}

std::optional<int16_t> Ezhr17HardwareValue(std::string_view data) {
  const auto digits = ReadInputDigits(data);
  if (!digits) return std::nullopt;
  return static_cast<int16_t>(digits->twoDigits ? (digits->value & 15) : digits->value);
}

std::optional<int16_t> Ezhr17LimitsValue(std::string_view data) {
  const auto digits = ReadInputDigits(data);
  if (!digits) return std::nullopt;
  return static_cast<int16_t>(digits->value / 4);
}

bool IsEzhr17VersionAnswer(std::string_view raw) {
  const Ezhr17Reply reply = ParseEzhr17Reply(raw);
  if (reply.check == Ezhr17ReplyCheck::kControllerError) return reply.errorCode == kBadCommand;
  if (reply.check != Ezhr17ReplyCheck::kOk) return false;
  const std::string_view text = Ezhr17Number(reply.data);
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

int16_t Ezhr17ModeWithLimits(int16_t modeWord, int16_t on) {
  // Any non-zero request switches the limits on: only bit value 2 may change here.
  const int word = (modeWord & ~kLimitsModeBit) | (on != 0 ? kLimitsModeBit : 0);
  return static_cast<int16_t>(word);
}

int16_t Ezhr17ModeWithFlags(int16_t modeWord, int16_t mode) {
  int word = modeWord & ~kModeFlagBits;
  if (mode == 1) word |= 1;
  if (mode == 2) word |= 4;
  return static_cast<int16_t>(word);
}

// --- Exchanges ---

Result Ezhr17Driver::Command(int16_t unit, std::string_view command, std::string& reply) {
  if (inProgress_ >= 1) {
    comm_.CommLogShow("inst>0;");
    return Cause::kReentered;
  }
  ++inProgress_;
  const std::string sent = Ezhr17Frame(unit, command);
  Result result = Attempt(sent, reply);
  if (retryOnce_ && result.failed()) {
    comm_.CommLogShow("Retrying " + sent);
    result = Attempt(sent, reply);
  }
  --inProgress_;
  return result;
}

Result Ezhr17Driver::Attempt(const std::string& sent, std::string& reply) {
  if (outOfStep_) Resync();
  return Exchange(sent, reply);
}

void Ezhr17Driver::Resync() {
  outOfStep_ = false;
  const std::string sent = Ezhr17Frame(silentUnit_, kVersionQuery);
  std::string raw;
  const bool answered =
      comm_.CommAwaitAnswer(sent, kResyncTimeouts, true, IsEzhr17VersionAnswer, raw);
  versionOwed_ = !answered;
  if (!answered) comm_.CommLogAppend(sent + "-comm error-" + raw);
}

Result Ezhr17Driver::Exchange(const std::string& sent, std::string& reply) {
  std::string raw;
  bool received = comm_.CommOutIn2(sent, raw);
  // A version answer that came late belongs to no command: the reply after it is this one's.
  while (received && versionOwed_ && IsEzhr17VersionAnswer(raw)) {
    versionOwed_ = false;
    comm_.CommLogLateReply(raw);
    received = comm_.CommIn2(raw);
  }
  if (!received) {
    // The channel has just shown "Port TimeOut"; the failed command goes beside it.
    comm_.CommLogAppend(sent + "-comm error-" + raw);
    NoteUnanswered(sent);
    return Cause::kNoAnswer;
  }
  Ezhr17Reply parsed = ParseEzhr17Reply(raw);
  switch (parsed.check) {
    case Ezhr17ReplyCheck::kNoSlashZero:
      comm_.CommLogShow(sent + "-no 0xFF /0-" + raw);
      return Cause::kBadReply;
    case Ezhr17ReplyCheck::kNoStatus:
      comm_.CommLogShow(sent + "-no status-" + raw);
      return Cause::kBadReply;
    case Ezhr17ReplyCheck::kControllerError:
      reply = std::move(parsed.data);
      comm_.CommLogShow(sent + "-error returned by controller-" + raw + "-status-" +
                        Plain(parsed.errorCode));
      return Cause::kControllerError;
    case Ezhr17ReplyCheck::kOk:
      break;
  }
  reply = std::move(parsed.data);
  return Cause::kDone;
}

Result Ezhr17Driver::Send(int16_t unit, std::string_view command) {
  std::string reply;
  return Command(unit, command, reply);
}

Result Ezhr17Driver::RawCommand(const std::string& text, std::string& reply) {
  if (outOfStep_) Resync();
  if (comm_.CommOutIn2(text, reply)) return Cause::kDone;
  NoteUnanswered(text);
  return Cause::kNoAnswer;
}

// A reply the channel gave up on may still come, unless the line itself went or late replies
// are not awaited (units that are expected to be absent).
void Ezhr17Driver::NoteUnanswered(const std::string& sent) {
  if (sent.size() < 2 || sent[0] != '/' || comm_.LineLost() || !comm_.CommAwaitsLateReplies())
    return;
  const int16_t unit = static_cast<unsigned char>(sent[1]);
  if (versionOwed_ && unit == silentUnit_) return;  // still silent: asking again costs only time
  outOfStep_ = true;
  silentUnit_ = unit;
}

void Ezhr17Driver::InitChannel() {
  comm_.CommSetTxTerm(13);
  comm_.CommSetRxTerm(13);
  comm_.CommSetRxTerm2(10);
}

// --- Single commands ---

Result Ezhr17Driver::MoveAtSpeed(int16_t unit, int32_t speed) {
  if (speed == 0) return Send(unit, "T");
  return RunUntilStopped(unit, speed);
}

Result Ezhr17Driver::RunUntilStopped(int16_t unit, int32_t speed) {
  if (MotionsHeld(clock_, motor_)) return Cause::kHeld;
  const int64_t wide = speed;  // the magnitude of the most negative speed needs 33 bits
  if (speed > 0) return Send(unit, "V" + Plain(wide) + "P0R");
  return Send(unit, "V" + Plain(-wide) + "D0R");
}

Result Ezhr17Driver::MoveAbs(int16_t unit, double position) {
  if (MotionsHeld(clock_, motor_)) return Cause::kHeld;
  const auto steps = RoundToInt32(position);
  if (!steps) {
    comm_.CommLogShow("EZHR17_MoveAbs: position out of range");
    return Cause::kOutOfRange;
  }
  return Send(unit, "A" + Plain(*steps) + "R");
}

Result Ezhr17Driver::MoveRel(int16_t unit, double distance) {
  const double steps = std::floor(std::fabs(distance) + 0.5);
  if (!std::isfinite(steps) || steps > std::numeric_limits<int32_t>::max()) {
    comm_.CommLogShow("EZHR17_MoveRel: distance out of range");
    return Cause::kOutOfRange;
  }
  if (steps == 0) return Cause::kDone;  // "P0R" would run to the end of travel
  if (MotionsHeld(clock_, motor_)) return Cause::kHeld;
  return Send(unit, (distance > 0 ? "P" : "D") + Plain(static_cast<int64_t>(steps)) + "R");
}

Result Ezhr17Driver::ReadMovingStatus(int16_t unit, int16_t& status) {
  std::string reply;
  if (const Result asked = Command(unit, "Q", reply); !asked.ok()) return asked;
  if (reply.empty()) return Cause::kNoValue;
  status = (static_cast<unsigned char>(reply[0]) & kStatusReadyBit) != 0 ? 0 : 1;
  return Cause::kDone;
}

Result Ezhr17Driver::ReadPos(int16_t unit, double& position) {
  std::string reply;
  if (const Result asked = Command(unit, "?0", reply); !asked.ok()) {
    comm_.CommLogShow("error reading position:" + reply);
    return asked;
  }
  const auto count = PositionCount(Ezhr17Number(reply));
  if (!count) {
    // Framed but without a count (letters, nothing, a number no counter holds): no position.
    comm_.CommLogShow("error reading position:" + reply);
    return Cause::kNoValue;
  }
  position = *count;
  return Cause::kDone;
}

Result Ezhr17Driver::ReadInputs(int16_t unit, std::optional<int16_t> (*read)(std::string_view),
                                std::string_view op, int16_t& value) {
  std::string reply;
  if (const Result asked = Command(unit, "?4", reply); !asked.ok()) return asked;
  const auto inputs = read(reply);
  if (!inputs) {
    comm_.CommLogShow(std::string(op) + ": no inputs in reply-" + reply);
    return Cause::kNoValue;
  }
  value = *inputs;
  return Cause::kDone;
}

Result Ezhr17Driver::ReadHardware(int16_t unit, int16_t& value) {
  return ReadInputs(unit, Ezhr17HardwareValue, "EZHR17_ReadHardware", value);
}

Result Ezhr17Driver::ReadLimits(int16_t unit, int16_t& value) {
  return ReadInputs(unit, Ezhr17LimitsValue, "EZHR17_ReadLimits", value);
}

Result Ezhr17Driver::SetCurrents(int16_t unit, int16_t hold, int16_t run) {
  return Send(unit, "h" + Plain(hold) + "m" + Plain(run) + "R");
}

Result Ezhr17Driver::SetRamp(int16_t unit, int32_t acceleration, int32_t /*unusedDeceleration*/) {
  return Send(unit, "L" + Plain(acceleration) + "R");
}

Result Ezhr17Driver::SetLimitPolarity(int16_t unit, int16_t polarity) {
  return Send(unit, "f" + Plain(polarity) + "R");
}

Result Ezhr17Driver::SetSlewSpeed(int16_t unit, int32_t speed) {
  return Send(unit, "V" + Plain(speed) + "R");
}

Result Ezhr17Driver::SetStepDivide(int16_t unit, int16_t exponent) {
  if (exponent < 0 || exponent > kMaxStepDivideExponent) {
    comm_.CommLogShow("EZHR17_SetStepDivide: resolution exponent out of range");
    return Cause::kOutOfRange;
  }
  return Send(unit, "j" + Plain(int64_t{1} << exponent) + "R");
}

Result Ezhr17Driver::EnableLimits(int16_t unit, int16_t on) {
  ezModeWord_ = Ezhr17ModeWithLimits(ezModeWord_, on);
  return Send(unit, "n" + Plain(ezModeWord_) + "R");
}

Result Ezhr17Driver::SetModeFlags(int16_t unit, int16_t mode) {
  ezModeWord_ = Ezhr17ModeWithFlags(ezModeWord_, mode);
  return Send(unit, "n" + Plain(ezModeWord_) + "R");
}

Result Ezhr17Driver::SetIndexSteps(int16_t unit, int16_t steps) {
  return Send(unit, "B" + Plain(steps) + "R");
}

Result Ezhr17Driver::WriteOutPorts(int16_t unit, int16_t o1, int16_t o2, int16_t /*unusedO3*/) {
  return Send(unit, "J" + Plain(int64_t{o1} + 2 * int64_t{o2}) + "R");
}

Result Ezhr17Driver::SetOrigin(int16_t unit, int32_t position) {
  const Result result = Send(unit, "z" + Plain(position) + "R");
  clock_.DelayMs(kOriginSettleMs);
  return result;
}

Result Ezhr17Driver::WakeUp() {
  for (const char address : kWakeUpAddresses) {
    std::string reply;
    RawCommand(std::string("/") + address + "?Q", reply);  // absent units simply time out
  }
  return Cause::kDone;
}

// --- Composite motions ---

Result Ezhr17Driver::WaitMoveEnd(int16_t unit) {
  const int32_t intervalMs = waitPollingInterval_;
  MoveDeadline deadline(clock_, motor_);
  while (true) {
    if (deadline.Passed()) return Cause::kTimedOut;
    // A failing query is polled again: only the time-out ends such a wait, unless the line
    // itself has gone, when no answer can come before the time-out.
    int16_t moving = 0;
    const Result asked = ReadMovingStatus(unit, moving);
    if (asked.ok() && moving == 0) return Cause::kDone;
    if (!asked.ok() && comm_.LineLost()) return asked;
    pump_.DoEvents();
    clock_.DelayMs(intervalMs);
  }
}

Result Ezhr17Driver::RunHomeProgram(int16_t unit) {
  if (MotionsHeld(clock_, motor_)) return Cause::kHeld;
  Send(unit, kHomeProgram);
  return WaitMoveEnd(unit);
}

Result Ezhr17Driver::MotorHome(int16_t unit, int32_t speed) {
  if (speed == 0) {
    comm_.CommLogShow("EZHR17_MotorHome: zero home speed");
    return Cause::kOutOfRange;
  }
  if (MotionsHeld(clock_, motor_)) return Cause::kHeld;
  const int64_t magnitude = std::llabs(int64_t{speed});
  if (const Result set = Send(unit, "V" + Plain(magnitude) + "R"); !set.ok()) {
    comm_.CommLogShow("EZHR17_MotorHome: error setting home speed");
    return set;
  }
  if (const Result homing = Send(unit, kHomeCommand); !homing.ok()) {
    comm_.CommLogShow("EZHR17_MotorHome: error homing");
    return homing;
  }
  return Cause::kDone;  // the controller goes on homing by itself
}

std::optional<int32_t> Ezhr17Driver::ReadSlewSpeed(int16_t unit, std::string_view op,
                                                   bool logFailures, Result& failure) {
  std::string reply;
  if (const Result asked = Command(unit, "?2", reply); !asked.ok()) {
    if (logFailures) comm_.CommLogShow(std::string(op) + ": error reading max speed" + reply);
    failure = asked;
    return std::nullopt;
  }
  const auto speed = TextToInt32(Ezhr17Number(reply));
  if (!speed) {
    if (logFailures) comm_.CommLogShow(std::string(op) + ": bad read of max speed" + reply);
    failure = Cause::kNoValue;
  }
  return speed;
}

Result Ezhr17Driver::MotorHomeSmart(int16_t unit, int32_t speed, int32_t /*unusedInitSpeed*/) {
  Result saved;
  const auto speedInForce = ReadSlewSpeed(unit, "EZHR17_MotorHomeSmart", true, saved);
  if (!speedInForce) return saved;
  Result outcome = MotorHome(unit, speed);
  if (!outcome.ok()) {
    comm_.CommLogShow("EZHR17_MotorHomeSmart: error homing");
  } else if (outcome = WaitMoveEnd(unit); !outcome.ok()) {
    comm_.CommLogShow("EZHR17_MotorHomeSmart: timeout");
  }
  clock_.DelayMs(kHomeSmartSettleMs);
  if (const Result restored = SetSlewSpeed(unit, *speedInForce); !restored.ok() && outcome.ok()) {
    comm_.CommLogShow("EZHR17_MotorHomeSmart: error restoring max speed");
    outcome = restored;
  }
  return outcome;
}

Result Ezhr17Driver::StartRunTwice(int16_t unit, int32_t speed) {
  // The start is sent twice; only the second answer counts (the first may meet a unit that
  // is still settling from the previous command).
  MoveAtSpeed(unit, speed);
  return MoveAtSpeed(unit, speed);
}

Result Ezhr17Driver::WaitForHomeInput(int16_t unit, MoveDeadline& deadline, bool set) {
  while (true) {
    if (deadline.Passed()) return Cause::kTimedOut;
    int16_t inputs = 0;
    if (const Result read = ReadHardware(unit, inputs); !read.ok()) return read;
    if (((inputs & kHomeInputBit) != 0) == set) return Cause::kDone;
    pump_.DoEvents();  // the window answers, and Stop with it
  }
}

Result Ezhr17Driver::MotorHomeOwn(int16_t unit, int32_t speed) {
  Result saved;
  const auto speedInForce = ReadSlewSpeed(unit, "EZHR17_MotorHomeOwn", false, saved);
  if (!speedInForce) return saved;
  MoveDeadline deadline(clock_, motor_);
  Result outcome = StartRunTwice(unit, speed);
  if (outcome.ok()) outcome = WaitForHomeInput(unit, deadline, true);
  if (outcome.ok()) {
    // Creep on in the same direction until the sensor clears: that edge is the home.
    const int32_t creep = RoundToInt32(speed / 10.0).value_or(0);
    outcome = StartRunTwice(unit, creep);
    if (outcome.ok()) outcome = WaitForHomeInput(unit, deadline, false);
  }
  MoveAtSpeed(unit, 0);
  SetSlewSpeed(unit, *speedInForce);
  return outcome;
}

Result Ezhr17Driver::RunToLimit(int16_t unit, MoveDeadline& deadline, int32_t mask, int32_t speed) {
  int16_t limits = 0;
  Result result = ReadLimits(unit, limits);
  if (!result.ok() || (limits & mask) != 0) return result;
  result = MoveAtSpeed(unit, speed);
  if (!result.ok()) return result;
  while (true) {
    if (deadline.Passed()) return Cause::kTimedOut;
    result = ReadLimits(unit, limits);
    if (!result.ok() || (limits & mask) != 0) return result;
    pump_.DoEvents();  // the window answers, and Stop with it
  }
}

Result Ezhr17Driver::MotorToLimit(int16_t unit, int32_t mask, int32_t speed, int16_t& reached) {
  MoveDeadline deadline(clock_, motor_);
  Result saved;
  const auto speedInForce = ReadSlewSpeed(unit, "EZHR17_MotorToLimit", true, saved);
  if (!speedInForce) {
    MoveAtSpeed(unit, 0);
    return saved;
  }
  Result outcome = RunToLimit(unit, deadline, mask, speed);
  MoveAtSpeed(unit, 0);
  if (const Result restored = SetSlewSpeed(unit, *speedInForce); !restored.ok() && outcome.ok()) {
    comm_.CommLogShow("EZHR17_MotorToLimit: error restoring max speed");
    outcome = restored;
  }
  if (outcome.ok()) reached = 1;
  return outcome;
}

Result Ezhr17Driver::HomeIndexer(int16_t unit, const IndexerHoming& homing,
                                 double& positionOneCount) {
  if (const Result origin = SetOrigin(unit, homing.powerUpOrigin); origin.failed()) return origin;
  Result outcome = RunHomeProgram(unit);
  double position = 0;  // microsteps, at position 1
  if (!outcome.failed()) {
    // The offset move has to end before the count at position 1 can be read.
    outcome = MoveRel(unit, homing.offsetHome);
    if (!outcome.failed()) outcome = WaitMoveEnd(unit);
    if (!outcome.failed()) outcome = ReadPos(unit, position);
  } else {
    MoveAtSpeed(unit, 0);  // the program searches without end when it never finds home
  }
  // The homing program leaves its own speeds and ramp behind (the initial speed is not one of
  // this controller's settings).
  outcome = FirstFailure(outcome, SetSlewSpeed(unit, homing.slewVelocity));
  outcome = FirstFailure(outcome, SetRamp(unit, homing.acceleration, homing.deceleration));
  if (outcome.failed()) return outcome;
  positionOneCount = position;
  return Cause::kDone;
}

Result Ezhr17Driver::HomeStage(const StageHomingPlan& plan) {
  return Ezhr17StageHoming(*this).Home(plan);
}

}  // namespace qv
