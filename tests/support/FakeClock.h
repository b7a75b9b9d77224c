#pragma once
// A clock for tests: time moves only when the program delays, so waits take no real time and
// their lengths can be checked exactly.
#include <vector>

#include "controllers/Clock.h"

namespace qv::test {

class FakeClock final : public Clock {
 public:
  int32_t TimeMs() override { return now; }
  void DelayMs(int32_t ms) override {
    delays.push_back(ms);
    if (ms <= 0) return;
    ending = ending || endInDelay;
    Advance(ms);
    Advance(1);  // "more than ms" on a millisecond clock
  }
  // Time that passes outside any delay, as while a port waits for bytes.
  void Advance(int32_t ms) {
    now = static_cast<int32_t>(static_cast<uint32_t>(now) + static_cast<uint32_t>(ms));
  }
  int64_t RoundedSeconds() override {
    // Half to even, like the real clock: 1500 ms is 2 s, 2500 ms is 2 s.
    const int64_t ms = static_cast<uint32_t>(now);
    int64_t s = ms / 1000;
    const int64_t rest = ms % 1000;
    if (rest > 500 || (rest == 500 && (s % 2) == 1)) ++s;
    return s;
  }
  bool EndRequested() override { return ending; }
  int32_t now = 1000;
  bool ending = false;      // the program has been told to end
  bool endInDelay = false;  // it is told so during the next delay
  std::vector<int32_t> delays;
};

}  // namespace qv::test
