#include "sim/ImsUnit.h"

#include <cctype>
#include <cstdlib>

namespace sim {

bool ImsUnit::Busy(Micros now) {
  CatchUp(now);
  return axis_.Moving(now) || homing_ != Homing::None;
}

int ImsUnit::Limits(Micros now) const {
  if (axis_.Config().kind == AxisKind::Rotary) return 0;
  return (axis_.SensorActive(Sensor::Low, now) ? 1 : 0) |
         (axis_.SensorActive(Sensor::High, now) ? 2 : 0);
}

std::optional<std::string> ImsUnit::Handle(std::string_view frame, Micros now) {
  CatchUp(now);
  ImsCommand command;
  if (!ParseImsCommand(frame.substr(1), command)) return ImsReply(frame, kImsRefused);
  return ImsReply(frame, Run(command, now));
}

std::string ImsUnit::Run(const ImsCommand& c, Micros now) {
  const int64_t arg = c.args.empty() ? 0 : c.args[0];
  switch (c.op) {
    case 'Z':
      return std::to_string(axis_.Counter(now));
    case '^':
      return std::to_string(Busy(now) ? (homing_ != Homing::None ? 9 : 1) : 0);
    case ']':
      if (arg == 0) return std::to_string(Limits(now));
      if (arg == 1) return HomeSensor(now) ? "1" : "0";
      return std::string(kImsRefused);
    case 'A':
      if (arg == 129) return std::to_string((switches_ & 7) | (outputs_ & 56));
      outputs_ = static_cast<int>(arg & 56);
      return {};
    case 'O':
      axis_.SetCounter(0, now);
      return {};
    case 'M':
      homing_ = Homing::None;
      if (arg == 0) {
        axis_.Stop(now);
      } else {
        StartMove(arg > 0 ? 1 : -1, kEndless, static_cast<double>(std::llabs(arg)), now);
      }
      return {};
    case 'R':
    case '+':
    case '-': {
      // A unit that is still moving ignores a new target; the echo alone reports nothing.
      if (Busy(now)) return {};
      const int64_t distance = c.op == 'R' ? arg - axis_.Counter(now) : arg;
      StartMove(distance >= 0 ? 1 : -1, std::llabs(distance), static_cast<double>(slewSpeed_), now);
      return {};
    }
    case 'F':
      if (arg == 0) return std::string(kImsRefused);
      homeSpeed_ = std::llabs(arg);
      homing_ = Homing::Search;
      StartSearch(c.args[1] == 0 ? 1 : -1, now);
      return {};
    case 'V':
      if (arg <= 0) return std::string(kImsRefused);
      slewSpeed_ = arg;
      return {};
    case 'I':
      initSpeed_ = arg;
      return {};
    default:
      settings_[c.op] = c.args;
      return {};
  }
}

void ImsUnit::StartMove(int direction, int64_t steps, double speed, Micros now) {
  Move move;
  move.direction = direction;
  move.speed = speed;
  move.steps = steps;
  move.stopAtEnds = true;  // the limit inputs always stop this controller
  axis_.Start(move, now);
}

void ImsUnit::StartSearch(int direction, Micros now) {
  Move move;
  move.direction = direction;
  move.speed = static_cast<double>(homeSpeed_);
  move.until = Until::Enter;
  move.sensor = Sensor::Home;
  move.stopAtEnds = true;
  axis_.Start(move, now);
}

void ImsUnit::OnMotionEnd(Micros end) {
  const int limits = Limits(end);
  if (homing_ == Homing::Search && !HomeSensor(end) && limits != 0) {
    // Ran into a limit on the wrong side of the home input: search the other way once.
    homing_ = Homing::Reversed;
    StartSearch(limits & 1 ? 1 : -1, end);
    return;
  }
  homing_ = Homing::None;
}

std::string ImsUnit::Refusal(std::string_view frame, int, Micros) {
  return ImsReply(frame, kImsRefused);
}

std::string ImsUnit::WithoutNumber(std::string reply, std::string_view frame) const {
  // The answer follows the echo of the frame.
  return LettersForDigits(std::move(reply), frame.size());
}

std::string ImsUnit::Corrupted(std::string reply) const {
  // The echo comes back in the other letter case, which the program's echo test rejects.
  for (char& ch : reply) {
    if (std::isalpha(static_cast<unsigned char>(ch))) {
      ch = static_cast<char>(std::isupper(static_cast<unsigned char>(ch)) ? std::tolower(ch)
                                                                          : std::toupper(ch));
      return reply;
    }
  }
  if (!reply.empty()) reply[0] = '?';
  return reply;
}

}  // namespace sim
