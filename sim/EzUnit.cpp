#include "sim/EzUnit.h"

#include <cstdlib>

namespace sim {
namespace {

bool HasMove(const std::vector<EzCommand>& commands) {
  for (const EzCommand& c : commands) {
    if (IsEzMove(c.letter) || c.letter == 'g') return true;
  }
  return false;
}

bool EndsWithRun(const std::vector<EzCommand>& commands) {
  return !commands.empty() && commands.back().letter == 'R';
}

// Queries, status and terminate act without a closing "R".
bool OnlyImmediate(const std::vector<EzCommand>& commands) {
  for (const EzCommand& c : commands) {
    if (c.letter != '?' && c.letter != 'Q' && c.letter != 'T') return false;
  }
  return true;
}

bool IsRun(const EzCommand& c) {
  return (c.letter == 'P' || c.letter == 'D') && c.value == 0;
}

}  // namespace

Sensor EzUnit::HomeSensorKind() const {
  return axis_.Config().kind == AxisKind::Linear ? Sensor::Low : Sensor::Home;
}

bool EzUnit::HomeSensor(Micros now) const {
  return axis_.SensorActive(HomeSensorKind(), now);
}

int EzUnit::Inputs(Micros now) const {
  int bits = switches_ & 3;
  if (HomeSensor(now)) bits |= 4;
  if (axis_.Config().kind == AxisKind::Linear && axis_.SensorActive(Sensor::High, now)) bits |= 8;
  return bits;
}

bool EzUnit::Busy(Micros now) {
  CatchUp(now);
  return axis_.Moving(now) || homing_ != Homing::None || next_ < program_.size();
}

std::optional<std::string> EzUnit::Handle(std::string_view frame, Micros now) {
  CatchUp(now);
  std::vector<EzCommand> commands;
  const std::string_view text = frame.substr(2);
  if (text == "R") {
    commands = stored_;
  } else if (int error = ParseEzCommands(text, commands)) {
    return EzFrame(EzStatus(!Busy(now), error), "");
  }
  if (!EndsWithRun(commands) && !OnlyImmediate(commands)) {
    stored_ = commands;
    stored_.push_back(EzCommand{'R', "", 0});
    return EzFrame(EzStatus(!Busy(now), 0), "");
  }
  if (RefusesMove(commands, now)) return EzFrame(EzStatus(false, kEzOverflow), "");
  const std::string data = Execute(std::move(commands), now);
  CatchUp(now);  // a motion of no steps has already ended
  return EzFrame(EzStatus(!Busy(now), 0), data);
}

bool EzUnit::RefusesMove(const std::vector<EzCommand>& commands, Micros now) {
  if (!HasMove(commands) || !Busy(now)) return false;
  const Move* running = axis_.CurrentMove();
  const bool endlessRun =
      running && running->steps == kEndless && homing_ == Homing::None && next_ >= program_.size();
  if (!options_.runMayRetarget || !endlessRun) return true;
  for (const EzCommand& c : commands) {
    if (IsEzMove(c.letter) && !IsRun(c)) return true;
    if (c.letter == 'g') return true;
  }
  return false;
}

std::string EzUnit::Execute(std::vector<EzCommand> commands, Micros now) {
  if (!HasMove(commands)) {
    // Settings and queries act at once and leave a running program alone.
    std::string data;
    for (const EzCommand& c : commands)
      Step(c, now, data);
    return data;
  }
  if (EndsWithRun(commands)) commands.pop_back();
  program_ = std::move(commands);
  next_ = 0;
  loops_.clear();
  return RunProgram(now);
}

std::string EzUnit::RunProgram(Micros now) {
  std::string data;
  // A loop without a motion in it would never end; the controller gives up on it.
  for (int budget = 100000; next_ < program_.size() && budget > 0; --budget) {
    const EzCommand& command = program_[next_++];
    if (Step(command, now, data)) return data;
  }
  next_ = program_.size();
  return data;
}

bool EzUnit::Step(const EzCommand& c, Micros now, std::string& data) {
  switch (c.letter) {
    case 'A': {
      const int64_t distance = c.value - axis_.Counter(now);
      StartMove(distance >= 0 ? 1 : -1, std::llabs(distance), now);
      return true;
    }
    case 'P':
    case 'D':
      StartMove(c.letter == 'P' ? 1 : -1, c.value == 0 ? kEndless : c.value, now);
      return true;
    case 'Z':
      StartHoming(c.value, now);
      return true;
    case 'T':
      axis_.Stop(now);
      homing_ = Homing::None;
      program_.clear();
      next_ = 0;
      return false;
    case 'V':
      topSpeed_ = c.value;
      break;
    case 'v':
      startSpeed_ = c.value;
      break;
    case 'L':
      acceleration_ = c.value;
      break;
    case 'm':
      runCurrent_ = c.value;
      break;
    case 'h':
      holdCurrent_ = c.value;
      break;
    case 'j':
      resolution_ = c.value;
      break;
    case 'f':
      polarity_ = c.value;
      break;
    case 'n':
      mode_ = static_cast<int>(c.value);
      break;
    case 'J':
      outputs_ = static_cast<int>(c.value);
      break;
    case 'B':
      indexSteps_ = c.value;
      break;
    case 'z':
      axis_.SetCounter(c.value, now);
      break;
    case '?':
      data = Query(c.operand, now);
      break;
    case 'g':
      loops_.push_back(Loop{next_, 0});
      break;
    case 'G':
      if (!loops_.empty()) {
        Loop& loop = loops_.back();
        if (c.value == 0 || ++loop.count < c.value) {
          next_ = loop.start;
        } else {
          loops_.pop_back();
        }
      }
      break;
    case 'S': {
      // "S1n" skips the next command when input n is active, "S0n" when it is not.
      const int input = c.operand[1] - '0';  // 1 switch 1, 2 switch 2, 3 opto 1, 4 opto 2
      const bool active = (Inputs(now) & (1 << (input - 1))) != 0;
      if (active == (c.operand[0] == '1')) ++next_;
      break;
    }
    default:  // Q and R: nothing to do
      break;
  }
  return false;
}

std::string EzUnit::Query(const std::string& what, Micros now) {
  if (what == "0") return std::to_string(axis_.Counter(now));
  if (what == "1") return std::to_string(startSpeed_);
  if (what == "2") return std::to_string(topSpeed_);
  if (what == "4") return std::to_string(Inputs(now));
  if (what == "&") return "EZHR17 simulated";  // the firmware version
  return {};                                   // "?Q": status only
}

void EzUnit::StartMove(int direction, int64_t steps, Micros now) {
  Move move;
  move.direction = direction;
  move.speed = static_cast<double>(topSpeed_);
  move.steps = steps;
  move.stopAtEnds = LimitsEnabled();
  axis_.Start(move, now);
}

void EzUnit::StartHoming(int64_t budget, Micros now) {
  homeBudget_ = budget;
  Move move;
  move.speed = static_cast<double>(topSpeed_);
  move.sensor = HomeSensorKind();
  move.stopAtEnds = false;  // the search ends on the home sensor, wherever the limits stand
  if (HomeSensor(now)) {
    homing_ = Homing::BackOut;
    move.direction = 1;
    move.until = Until::Leave;
  } else {
    homing_ = Homing::ComeIn;
    move.direction = -1;
    move.until = Until::Enter;
    move.steps = budget;
  }
  axis_.Start(move, now);
}

void EzUnit::OnMotionEnd(Micros end) {
  if (homing_ == Homing::BackOut) {
    homing_ = Homing::None;
    StartHoming(homeBudget_, end);
    if (homing_ == Homing::BackOut) homing_ = Homing::None;  // the sensor never cleared
    return;
  }
  if (homing_ == Homing::ComeIn) {
    homing_ = Homing::None;
    if (HomeSensor(end)) axis_.SetCounter(0, end);
  }
  RunProgram(end);
}

std::string EzUnit::Refusal(std::string_view, int code, Micros now) {
  return EzFrame(EzStatus(!Busy(now), code), "");
}

std::string EzUnit::WithoutNumber(std::string reply, std::string_view) const {
  // The data follow the start byte, "/0" and the status character.
  return LettersForDigits(std::move(reply), 4);
}

std::string EzUnit::Corrupted(std::string reply) const {
  // The reader checks "/0" right after the start byte.
  if (reply.size() > 2) reply[2] = '?';
  return reply;
}

}  // namespace sim
