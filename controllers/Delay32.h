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
  // Whole seconds for motion time-outs, rounded half to even. Counted on a clock that never
  // jumps or wraps at midnight, so a wait across midnight neither fails nor waits forever.
  virtual int64_t RoundedSeconds() = 0;
};

// Lets pending window events run while a motion is waited for.
class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void DoEvents() {}
};

// Elapsed milliseconds between two TimeMs readings, correct across the wrap-around.
inline int32_t ElapsedMs(int32_t since, int32_t now) {
  return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(since));
}

// Whether more than `ms` milliseconds lie between two TimeMs readings. The difference is taken
// unsigned: the longest delay, 2^31 - 1 ms, is over at 2^31 ms, which as a signed difference
// would read as negative and never be over.
inline bool DelayOver(int32_t since, int32_t now, int32_t ms) {
  return static_cast<uint32_t>(now) - static_cast<uint32_t>(since) > static_cast<uint32_t>(ms);
}

class SystemClock final : public Clock {
 public:
  int32_t TimeMs() override;
  void DelayMs(int32_t ms) override;
  int64_t RoundedSeconds() override;
};

}  // namespace qv
