#pragma once
// An IM483I controller in party mode: answers every line with its echo and, for a query, the
// value; homes onto a separate home input (or the index of a rotary axis).
#include <map>
#include <vector>

#include "sim/ImsProtocol.h"
#include "sim/Unit.h"

namespace sim {

class ImsUnit final : public Unit {
 public:
  ImsUnit(char address, const AxisConfig& axis) : Unit(address, axis) {}

  std::optional<std::string> Handle(std::string_view frame, Micros now) override;
  std::string Refusal(std::string_view frame, int code, Micros now) override;
  std::string Corrupted(std::string reply) const override;
  std::string WithoutNumber(std::string reply, std::string_view frame) const override;
  bool Busy(Micros now) override;

  int64_t SlewSpeed() const { return slewSpeed_; }

 protected:
  void OnMotionEnd(Micros end) override;
  bool HomeSensor(Micros now) const override { return axis_.SensorActive(Sensor::Home, now); }

 private:
  enum class Homing { None, Search, Reversed };

  // The answer text (empty for a setting), or kImsRefused.
  std::string Run(const ImsCommand& command, Micros now);
  void StartMove(int direction, int64_t steps, double speed, Micros now);
  void StartSearch(int direction, Micros now);
  int Limits(Micros now) const;

  int64_t slewSpeed_ = 2000;  // V, microsteps/s
  int64_t initSpeed_ = 400;   // I, microsteps/s (stored only)
  int64_t homeSpeed_ = 0;     // speed of the running home search, microsteps/s
  Homing homing_ = Homing::None;
  // Settings that are only stored and echoed: Y hold run, K acc dec, D, H, E, l, B low high.
  std::map<char, std::vector<int64_t>> settings_;
};

}  // namespace sim
