#include "sim/Axis.h"

#include <algorithm>
#include <cmath>

namespace sim {
namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

int64_t MinSteps(int64_t a, int64_t b) {
  if (a == kEndless) return b;
  if (b == kEndless) return a;
  return std::min(a, b);
}

// Effective microsteps per microsecond; a zero or negative speed creeps instead of dividing by 0.
double Rate(const Move& move, double timeScale) {
  return std::max(move.speed, 1.0) * std::max(timeScale, 1e-6) / 1e6;
}

}  // namespace

Axis::Axis(const AxisConfig& config) : config_(config) {
  // A nonsensical configuration must not break the geometry: keep every zone inside the travel.
  config_.sensorWidth = std::max<int64_t>(config_.sensorWidth, 1);
  config_.travel = std::max(config_.travel, 6 * config_.sensorWidth);
  config_.revolution = std::max(config_.revolution, 4 * config_.sensorWidth);
  config_.homeOffset =
      std::clamp<int64_t>(config_.homeOffset, config_.sensorWidth + 1, config_.travel / 2);
  config_.backlash = std::max<int64_t>(config_.backlash, 0);
  const int64_t top = config_.kind == AxisKind::Linear ? config_.travel : config_.revolution - 1;
  state_.load = std::clamp<int64_t>(config_.startPosition, 0, top);
}

bool Axis::Active(Sensor sensor, int64_t load) const {
  if ((config_.deadSensors & SensorBit(sensor)) != 0) return false;
  const int64_t w = config_.sensorWidth;
  if (config_.kind == AxisKind::Rotary) {
    if (sensor != Sensor::Home) return false;
    const int64_t angle = load - FloorDiv(load, config_.revolution) * config_.revolution;
    return angle <= w;
  }
  switch (sensor) {
    case Sensor::Low:
      return load <= w;
    case Sensor::High:
      return load >= config_.travel - w;
    case Sensor::Home:
      return load >= config_.homeOffset && load <= config_.homeOffset + w;
  }
  return false;
}

std::optional<int64_t> Axis::Edge(Sensor sensor, Until until, int direction, int64_t load) const {
  const bool active = Active(sensor, load);
  if ((until == Until::Enter) == active) return load;
  if ((config_.deadSensors & SensorBit(sensor)) != 0) return std::nullopt;  // never entered
  const int64_t w = config_.sensorWidth;
  if (config_.kind == AxisKind::Rotary) {
    if (sensor != Sensor::Home) return std::nullopt;
    const int64_t base = FloorDiv(load, config_.revolution) * config_.revolution;
    if (until == Until::Enter) return direction > 0 ? base + config_.revolution : base + w;
    return direction > 0 ? base + w + 1 : base - 1;
  }
  int64_t low = 0, high = w;
  if (sensor == Sensor::High) low = config_.travel - w, high = config_.travel;
  if (sensor == Sensor::Home) low = config_.homeOffset, high = config_.homeOffset + w;
  int64_t edge;
  if (until == Until::Enter) {
    if (direction > 0 && load < low) return low;
    if (direction < 0 && load > high) return high;
    return std::nullopt;
  }
  edge = direction > 0 ? high + 1 : low - 1;
  if (edge < 0 || edge > config_.travel) return std::nullopt;
  return edge;
}

int64_t Axis::StepsToLoad(const Mechanics& from, int direction, int64_t target) const {
  const int64_t distance = (target - from.load) * direction;
  if (distance <= 0) return 0;
  const int64_t takeUp = direction > 0 ? config_.backlash - from.gap : from.gap;
  return takeUp + distance;
}

int64_t Axis::StepsToEnd(const Mechanics& from, const Move& move) const {
  int64_t steps = move.steps;
  if (move.until != Until::Budget) {
    if (auto edge = Edge(move.sensor, move.until, move.direction, from.load)) {
      steps = MinSteps(steps, StepsToLoad(from, move.direction, *edge));
    }
  }
  if (move.stopAtEnds && config_.kind == AxisKind::Linear) {
    const Sensor end = move.direction > 0 ? Sensor::High : Sensor::Low;
    if (auto edge = Edge(end, Until::Enter, move.direction, from.load)) {
      steps = MinSteps(steps, StepsToLoad(from, move.direction, *edge));
    }
  }
  return steps;
}

Axis::Mechanics Axis::Stepped(const Mechanics& from, int direction, int64_t steps) const {
  Mechanics to = from;
  to.counter += direction * steps;
  int64_t moved;
  if (direction > 0) {
    const int64_t takeUp = std::min(steps, config_.backlash - from.gap);
    to.gap += takeUp;
    moved = steps - takeUp;
  } else {
    const int64_t takeUp = std::min(steps, from.gap);
    to.gap -= takeUp;
    moved = steps - takeUp;
  }
  to.load += direction * moved;
  // A linear load stops at its mechanical end; the motor slips and its count runs on.
  if (config_.kind == AxisKind::Linear) to.load = std::clamp<int64_t>(to.load, 0, config_.travel);
  return to;
}

int64_t Axis::StepsDone(const Motion& motion, Micros now) const {
  if (now <= motion.start) return 0;
  const double steps =
      std::floor(static_cast<double>(now - motion.start) * Rate(motion.move, config_.timeScale));
  if (motion.total != kEndless && steps >= static_cast<double>(motion.total)) return motion.total;
  return steps > 9e15 ? int64_t{9'000'000'000'000'000} : static_cast<int64_t>(steps);
}

Axis::Mechanics Axis::At(Micros now) const {
  if (!motion_) return state_;
  return Stepped(state_, motion_->move.direction, StepsDone(*motion_, now));
}

void Axis::Start(const Move& move, Micros now) {
  state_ = At(now);
  Motion motion{move, now, StepsToEnd(state_, move), kNever};
  if (motion.total != kEndless) {
    motion.end = now + static_cast<Micros>(std::ceil(static_cast<double>(motion.total) /
                                                     Rate(move, config_.timeScale)));
  }
  motion_ = motion;
}

void Axis::Stop(Micros now) {
  state_ = At(now);
  motion_.reset();
}

bool Axis::FinishDue(Micros now) {
  if (!motion_ || now < motion_->end) return false;
  state_ = Stepped(state_, motion_->move.direction, motion_->total);
  motion_.reset();
  return true;
}

bool Axis::Moving(Micros now) const {
  return motion_ && now < motion_->end;
}

int64_t Axis::Counter(Micros now) const {
  return At(now).counter;
}

int64_t Axis::Load(Micros now) const {
  return At(now).load;
}

bool Axis::SensorActive(Sensor sensor, Micros now) const {
  return Active(sensor, Load(now));
}

void Axis::SetCounter(int64_t value, Micros now) {
  // Restart the running motion from here so its progress is counted from the new value.
  const std::optional<Motion> running = motion_;
  state_ = At(now);
  state_.counter = value;
  motion_.reset();
  if (running) {
    Move rest = running->move;
    if (rest.steps != kEndless)
      rest.steps = std::max<int64_t>(0, running->total - StepsDone(*running, now));
    Start(rest, now);
  }
}

}  // namespace sim
