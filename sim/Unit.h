#pragma once
// One controller on the simulated line: its mechanics, its inputs and outputs, and the protocol
// that turns a received frame into a reply. The two controller types derive from it.
#include <optional>
#include <string>
#include <string_view>

#include "sim/Axis.h"

namespace sim {

// What a test can see of a unit: the truth behind what the controller reports.
struct UnitState {
  int64_t counter = 0;  // the controller's position count, microsteps
  int64_t load = 0;     // the mechanics, microsteps from the low end (linear) or index (rotary)
  bool moving = false;  // busy: a motion, homing or stored program is still running
  bool lowEnd = false;  // end sensor at the low end (linear only)
  bool highEnd = false;
  bool home = false;  // the separate home input (linear) or the index (rotary)
  int outputs = 0;    // output bits as this controller type numbers them
  int switches = 0;   // general inputs set from outside, as this controller type numbers them
};

class Unit {
 public:
  Unit(char address, const AxisConfig& axis) : address_(address), axis_(axis) {}
  virtual ~Unit() = default;
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;

  // Runs one frame (terminator removed, address included) received completely at `now`; the
  // reply bytes including their terminator, or nullopt when the unit stays silent.
  virtual std::optional<std::string> Handle(std::string_view frame, Micros now) = 0;
  // The reply of a unit that refuses the frame with controller error `code`; nothing runs.
  virtual std::string Refusal(std::string_view frame, int code, Micros now) = 0;
  // The reply damaged the way the program's reader is meant to notice (bad start or echo).
  virtual std::string Corrupted(std::string reply) const = 0;
  // The reply to `frame` with letters for the digits of its answer, every check still passed.
  virtual std::string WithoutNumber(std::string reply, std::string_view frame) const = 0;
  virtual bool Busy(Micros now) = 0;

  UnitState State(Micros now);
  char Address() const { return address_; }
  Axis& GetAxis() { return axis_; }
  int Outputs() const { return outputs_; }
  void SetSwitches(int bits) { switches_ = bits; }

 protected:
  // Runs every motion that has ended by `now` to its end and lets the protocol continue there.
  void CatchUp(Micros now);
  virtual void OnMotionEnd(Micros end) = 0;
  virtual bool HomeSensor(Micros now) const = 0;

  // `text` from `from` on with each digit d written as the d-th letter ("a" for 0).
  static std::string LettersForDigits(std::string text, size_t from);

  char address_;
  Axis axis_;
  int outputs_ = 0;   // output bits
  int switches_ = 0;  // general input bits
};

}  // namespace sim
