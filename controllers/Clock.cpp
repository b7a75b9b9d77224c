#include "controllers/Clock.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>

namespace qv {

int32_t SystemClock::TimeMs() {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

int64_t SystemClock::RoundedSeconds() {
  using namespace std::chrono;
  const double seconds = duration<double>(steady_clock::now().time_since_epoch()).count();
  return static_cast<int64_t>(std::nearbyint(seconds));  // default rounding: half to even
}

void SystemClock::DelayMs(int32_t ms) {
  using namespace std::chrono;
  if (ms <= 0) return;
  // Counted on a 64-bit clock, so the longest delay (2^31 - 1 ms) ends too. poll() may wake a
  // little early: it is called again until more than `ms` has passed.
  const auto end = steady_clock::now() + milliseconds(ms);
  for (auto now = steady_clock::now(); now <= end; now = steady_clock::now()) {
    const int64_t left = ceil<milliseconds>(end - now).count() + 1;
    if (WaitForEnd(static_cast<int>(std::min<int64_t>(left, INT_MAX)))) return;
  }
}

bool SystemClock::EndRequested() {
  return WaitForEnd(0);
}

bool SystemClock::WaitForEnd(int ms) const {
  pollfd end{endFd_, POLLIN, 0};  // poll() only sleeps for a negative descriptor
  return poll(&end, 1, ms) > 0 && (end.revents & POLLIN) != 0;
}

}  // namespace qv
