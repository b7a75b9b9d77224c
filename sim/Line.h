#pragma once
// The serial line with its units: takes the bytes the program writes, cuts them into frames at
// the controller type's terminator, lets the addressed unit (only it) answer, and queues the
// reply bytes with the time each reaches the program. Wire time, adapter latency and faults
// shape those times and bytes. Time is always passed in, never read from a clock.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>

#include "sim/Axis.h"
#include "sim/Faults.h"
#include "sim/Unit.h"

namespace sim {

enum class ControllerType { EZHR17, IM483I };

struct LineOptions {
  int baud = 0;             // bits/s at 10 bits a byte, both directions; 0: bytes take no time
  Micros latency = 0;       // added before every reply reaches the program (a USB adapter: 16 ms)
  uint32_t seed = 1;        // for random faults and garbage bytes
  bool strictBusy = false;  // EZHR17: every move while moving fails with error 15, runs too
};

class Line {
 public:
  explicit Line(ControllerType type, LineOptions options = {});

  ControllerType Type() const { return type_; }
  // Adds the unit that answers to `address`, replacing one that was there.
  Unit& AddUnit(char address, const AxisConfig& axis);
  Unit* FindUnit(char address);

  void SetFault(char address, const Fault& fault);  // '*': every unit without a fault of its own
  void SetRandomFaults(double rate);                // probability per reply, 0 for none
  void ApplyFaultPlan(const FaultPlan& plan);
  void ClearFaults();

  // Bytes written by the program at `now`; they arrive one wire time apart.
  void Receive(std::string_view bytes, Micros now);
  // Runs every frame that has arrived completely by `now`.
  void Service(Micros now);
  // The next time a byte arrives at either end, or kNever.
  Micros NextEventTime() const;
  // Reply bytes that have reached the program by `now` (services first).
  std::string TakeDue(Micros now);
  size_t DueCount(Micros now);

  // The latest complete frames received (terminator removed), oldest first, at most 10000.
  const std::deque<std::string>& Frames() const { return frames_; }
  void ClearFrames() { frames_.clear(); }

 private:
  void Dispatch(const std::string& frame, Micros at);
  void Answer(Unit& unit, const std::string& frame, Micros at);
  // Queues bytes to start no earlier than `earliest` and after earlier replies; the arrival
  // time of the last byte.
  Micros Schedule(std::string_view bytes, Micros earliest);
  std::optional<Fault> TakeFault(char address);
  std::string Garbage(int count);

  ControllerType type_;
  LineOptions options_;
  Micros byteTime_ = 0;  // microseconds a byte takes on the wire
  std::map<char, std::unique_ptr<Unit>> units_;
  std::map<char, Fault> faults_;
  double randomRate_ = 0;
  std::mt19937 random_;
  std::deque<std::pair<Micros, char>> incoming_;  // arrival time, byte from the program
  std::deque<std::pair<Micros, char>> outgoing_;  // arrival time at the program, reply byte
  Micros inFree_ = 0;                             // when the wire toward the units is free again
  Micros outFree_ = 0;                            // when the wire toward the program is free again
  std::string partial_;                           // bytes of the frame being received
  std::deque<std::string> frames_;
};

}  // namespace sim
