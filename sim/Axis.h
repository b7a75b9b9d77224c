#pragma once
// The mechanics behind one simulated controller: a motor whose step counter the controller
// reports, a load that follows it through an optional play (backlash), sensors on the load, and
// one motion at a time that is evaluated lazily at whatever time the caller names. Nothing here
// reads a clock, so the same axis runs in real time and in test time.
#include <cstdint>
#include <limits>
#include <optional>

namespace sim {

using Micros = int64_t;  // simulated time, microseconds
inline constexpr Micros kNever = std::numeric_limits<Micros>::max();
inline constexpr int64_t kEndless = -1;  // a motion without a step budget

enum class AxisKind { Linear, Rotary };

// Low and High are the end sensors of a linear axis; Home is the separate home input of a linear
// axis, or the once-per-turn index of a rotary one.
enum class Sensor { Low, High, Home };

constexpr unsigned SensorBit(Sensor sensor) {
  return 1u << static_cast<unsigned>(sensor);
}

struct AxisConfig {
  AxisKind kind = AxisKind::Linear;
  int64_t travel = 160000;        // microsteps between the two mechanical ends (linear)
  int64_t revolution = 9600;      // microsteps per turn (rotary)
  int64_t sensorWidth = 100;      // microsteps over which an end, home or index sensor is active
  int64_t homeOffset = 300;       // microsteps from the low end to a separate home input (linear)
  int64_t startPosition = 80000;  // load position at power-up, microsteps from the low end / index
  int64_t backlash = 0;           // microsteps of lost motion after a direction change
  double timeScale = 1.0;         // motions run this many times faster than their speed says
  unsigned deadSensors = 0;       // SensorBit()s of sensors that never respond (broken, unplugged)
};

enum class Until { Budget, Enter, Leave };

struct Move {
  int direction = 1;            // +1 or -1
  double speed = 1000;          // microsteps/s
  int64_t steps = kEndless;     // step budget, or kEndless
  Until until = Until::Budget;  // an optional sensor condition that ends the motion early
  Sensor sensor = Sensor::Home;
  bool stopAtEnds = true;  // an end sensor in the direction of travel stops the motion
};

class Axis {
 public:
  explicit Axis(const AxisConfig& config);

  // Starts a motion at `now`, replacing (and keeping the progress of) any running one.
  void Start(const Move& move, Micros now);
  void Stop(Micros now);
  // When the running motion ends by itself (kNever for none or an endless one).
  Micros EndTime() const { return motion_ ? motion_->end : kNever; }
  // Completes a motion whose end time has come; false when none has.
  bool FinishDue(Micros now);

  bool Moving(Micros now) const;
  const Move* CurrentMove() const { return motion_ ? &motion_->move : nullptr; }
  int64_t Counter(Micros now) const;  // the controller's position count, microsteps
  int64_t Load(Micros now) const;     // where the mechanics are, microsteps from low end / index
  bool SensorActive(Sensor sensor, Micros now) const;
  void SetCounter(int64_t value, Micros now);
  const AxisConfig& Config() const { return config_; }

 private:
  struct Mechanics {
    int64_t counter = 0;  // microsteps
    int64_t load = 0;     // microsteps
    int64_t gap = 0;      // microsteps of play taken up in the positive direction, 0..backlash
  };
  struct Motion {
    Move move;
    Micros start = 0;   // when the motion (or its latest restart) began
    int64_t total = 0;  // steps until it ends by itself, or kEndless
    Micros end = kNever;
  };

  Mechanics At(Micros now) const;
  Mechanics Stepped(const Mechanics& from, int direction, int64_t steps) const;
  int64_t StepsDone(const Motion& motion, Micros now) const;
  int64_t StepsToEnd(const Mechanics& from, const Move& move) const;
  int64_t StepsToLoad(const Mechanics& from, int direction, int64_t target) const;
  bool Active(Sensor sensor, int64_t load) const;
  // The first load position in `direction` where the sensor becomes active (Enter) or inactive
  // (Leave); nullopt when there is none.
  std::optional<int64_t> Edge(Sensor sensor, Until until, int direction, int64_t load) const;

  AxisConfig config_;
  Mechanics state_;  // at the start of the running motion, or now when still
  std::optional<Motion> motion_;
};

}  // namespace sim
