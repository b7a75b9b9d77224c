#pragma once
// The millisecond clock and the plain delay. A delay serves no window events, as one serial
// exchange does not, but it blocks in the operating system instead of spinning a core.
#include <cstdint>

namespace qv {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; wraps around like a 32-bit counter, so callers
  // subtract two readings and never compare them directly.
  virtual int32_t TimeMs() = 0;
  // Returns when more than `ms` milliseconds have passed; at once for 0 or less.
  virtual void DelayMs(int32_t ms) = 0;
};

// Elapsed milliseconds between two TimeMs readings, correct across the wrap-around.
inline int32_t ElapsedMs(int32_t since, int32_t now) {
  return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(since));
}

class SystemClock final : public Clock {
 public:
  int32_t TimeMs() override;
  void DelayMs(int32_t ms) override;
};

}  // namespace qv
