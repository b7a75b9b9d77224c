#include "controllers/Delay32.h"

#include <chrono>
#include <cmath>
#include <thread>

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
  if (ms <= 0) return;
  const int32_t start = TimeMs();
  // "More than ms" on a millisecond clock: sleep, then top up in short sleeps until the
  // counter has moved past the mark (sleep_for may wake a little early on some systems).
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  while (!DelayOver(start, TimeMs(), ms)) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

}  // namespace qv
