#pragma once
// Small helpers for simulated lines: talking to one directly, without a port, and small axes
// to reason about.
#include <string>

#include "sim/Line.h"

namespace sim::test {

inline constexpr Micros kMs = 1000;
inline constexpr Micros kSecond = 1'000'000;

// Sends one frame at `at` on a line without wire time or latency and returns what came back by
// then.
inline std::string Exchange(Line& line, const std::string& frame, Micros at) {
  line.Receive(frame, at);
  return line.TakeDue(at);
}

// The EZHR17 reply frame the program expects.
inline std::string Ez(char status, const std::string& data = "") {
  return std::string("\xFF/0") + status + data + "\x03\r\n";
}

// A linear axis small enough to reason about: ends at 0 and 10000, sensors 100 wide, a separate
// home input at 300..400, starting in the middle.
inline AxisConfig SmallLinear() {
  AxisConfig axis;
  axis.travel = 10000;
  axis.sensorWidth = 100;
  axis.homeOffset = 300;
  axis.startPosition = 5000;
  return axis;
}

}  // namespace sim::test
