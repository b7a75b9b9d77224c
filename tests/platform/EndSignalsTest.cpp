// A stop signal as the program sees it: delays give way, the console's input ends, and the
// signal is named.
#include "platform/EndSignals.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <istream>
#include <string>

#include "controllers/Clock.h"
#include "platform/InputUntilEnd.h"

namespace qv {
namespace {

TEST(EndSignals, ASignalCutsDelaysAndInputShort) {
  const EndSignals endSignals;
  SystemClock clock(endSignals.Fd());
  int input[2];
  ASSERT_EQ(pipe(input), 0);
  ASSERT_EQ(write(input[1], "Ver\n", 4), 4);
  InputUntilEnd buffer(input[0], endSignals.Fd());
  std::istream lines(&buffer);
  std::string line;
  ASSERT_TRUE(std::getline(lines, line));  // input is read while no signal came
  EXPECT_EQ(line, "Ver");
  EXPECT_FALSE(clock.EndRequested());
  EXPECT_EQ(endSignals.Signal(), 0);

  raise(SIGHUP);
  EXPECT_TRUE(endSignals.Requested());
  EXPECT_TRUE(clock.EndRequested());
  EXPECT_EQ(endSignals.Signal(), SIGHUP);
  clock.DelayMs(INT_MAX);                   // returns at once
  EXPECT_FALSE(std::getline(lines, line));  // the writer is still there, yet the input ends
  raise(SIGTERM);                           // a later signal changes nothing
  EXPECT_EQ(endSignals.Signal(), SIGHUP);
  close(input[0]);
  close(input[1]);
}

}  // namespace
}  // namespace qv
