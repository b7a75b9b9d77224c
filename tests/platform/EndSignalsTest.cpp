// A stop signal as the program sees it: named, and the first one counts. (Delays and the
// console's input cut short by it: the executable's tests.)
#include "platform/EndSignals.h"

#include <gtest/gtest.h>

#include <csignal>

#include "controllers/Clock.h"

namespace qv {
namespace {

TEST(EndSignals, TheFirstSignalIsNamedAndEndsDelays) {
  const EndSignals endSignals;
  SystemClock clock(endSignals.Fd());
  raise(SIGHUP);
  raise(SIGTERM);  // a later signal changes nothing
  EXPECT_TRUE(clock.EndRequested());
  EXPECT_EQ(endSignals.Signal(), SIGHUP);
}

}  // namespace
}  // namespace qv
