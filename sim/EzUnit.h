#pragma once
// An EZHR17 controller: executes command strings (stored ones on a later "R"), runs loops and
// skips as a small program, homes onto its home sensor and answers in the FF "/0" frame.
#include <vector>

#include "sim/EzProtocol.h"
#include "sim/Unit.h"

namespace sim {

struct EzOptions {
  // A run command (P0/D0) during an endless run changes speed and direction instead of failing
  // with error 15; the program starts its home search by sending the run twice in a row.
  bool runMayRetarget = true;
};

class EzUnit final : public Unit {
 public:
  EzUnit(char address, const AxisConfig& axis, EzOptions options = {})
      : Unit(address, axis), options_(options) {}

  std::optional<std::string> Handle(std::string_view frame, Micros now) override;
  std::string Refusal(std::string_view frame, int code, Micros now) override;
  std::string Corrupted(std::string reply) const override;
  std::string WithoutNumber(std::string reply, std::string_view frame) const override;
  bool Busy(Micros now) override;

  int64_t TopSpeed() const { return topSpeed_; }
  int ModeBits() const { return mode_; }
  bool LimitsEnabled() const { return (mode_ & 2) != 0; }

 protected:
  void OnMotionEnd(Micros end) override;
  bool HomeSensor(Micros now) const override;

 private:
  enum class Homing { None, BackOut, ComeIn };
  struct Loop {
    size_t start;   // command index after the "g"
    int64_t count;  // passes completed
  };

  std::string Execute(std::vector<EzCommand> commands, Micros now);
  bool RefusesMove(const std::vector<EzCommand>& commands, Micros now);
  // Runs the program from the current command until a motion starts or it ends; the data of
  // the last query it met.
  std::string RunProgram(Micros now);
  // Runs one command; true when it started a motion.
  bool Step(const EzCommand& command, Micros now, std::string& data);
  void StartMove(int direction, int64_t steps, Micros now);
  void StartHoming(int64_t budget, Micros now);
  std::string Query(const std::string& what, Micros now);
  int Inputs(Micros now) const;
  Sensor HomeSensorKind() const;

  EzOptions options_;
  int64_t topSpeed_ = 5000;    // V, microsteps/s
  int64_t startSpeed_ = 1000;  // v, microsteps/s
  int64_t acceleration_ = 10;  // L, controller units (stored only)
  int64_t runCurrent_ = 50;    // m, percent
  int64_t holdCurrent_ = 10;   // h, percent
  int64_t resolution_ = 8;     // j, microsteps per step (stored only: travel is set in microsteps)
  int64_t polarity_ = 0;       // f
  int64_t indexSteps_ = 0;     // B, microsteps (stored only)
  int mode_ = 0;               // n: bit value 2 enables the end sensors
  std::vector<EzCommand> stored_;   // the last string received without "R"
  std::vector<EzCommand> program_;  // the string running now
  size_t next_ = 0;                 // index of the next command of program_ to run
  std::vector<Loop> loops_;
  Homing homing_ = Homing::None;
  int64_t homeBudget_ = 0;  // microsteps the home search may still travel
};

}  // namespace sim
