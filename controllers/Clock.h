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
  // True once the program has been told to end: from then on delays return at once and motion
  // deadlines count as passed, so that every wait gives way and the program reaches its orderly
  // end within moments.
  virtual bool EndRequested() { return false; }
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

class SystemClock final : public Clock {
 public:
  // `endFd`: a descriptor that becomes readable when the program is told to end (and stays so);
  // -1 for none.
  explicit SystemClock(int endFd = -1) : endFd_(endFd) {}

  int32_t TimeMs() override;
  // Blocks in the operating system; returns early once the end descriptor is readable.
  void DelayMs(int32_t ms) override;
  int64_t RoundedSeconds() override;
  bool EndRequested() override;

 private:
  // True when the end descriptor became readable within `ms` milliseconds.
  bool WaitForEnd(int ms) const;

  int endFd_;
};

}  // namespace qv
