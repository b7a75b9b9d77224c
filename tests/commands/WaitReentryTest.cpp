// A motion wait serves window events between its polls, and a command run by one of them
// addresses other units; the wait still polls its own unit and answers for it. On both
// simulated microscopes.
#include <gtest/gtest.h>

#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

class WaitReentry : public ::testing::TestWithParam<std::string> {};

TEST_P(WaitReentry, AWaitGoesOnPollingItsOwnUnitAfterAClientsCommand) {
  SimSystem s(RepoFolder(GetParam()), sim::LineOptions{.baud = 9600});
  ASSERT_EQ(s.Start(), 1) << s.system.comm.CommLogText();
  const bool ez = GetParam() == "config/demo";
  const char z = ez ? '3' : 'Z';
  ASSERT_EQ(s.Run("Z 200"), "OK  ; ");
  std::string nested;  // the reply of the client's command, run at the first poll
  s.front.onDoEvents = [&] {
    s.front.onDoEvents = nullptr;
    nested = s.Run("XY ?");
  };
  s.line.ClearFrames();
  EXPECT_EQ(s.Run("Z Wait"), "OK  ; ");
  EXPECT_EQ(nested, "0.0 0.0 ; ");
  EXPECT_FALSE(s.State(z).moving);  // the wait ended with the focus, not with Y
  const std::vector<std::string> frames(s.line.Frames().begin(), s.line.Frames().end());
  const std::string poll = ez ? "/3Q" : "Z^";
  const std::vector<std::string> nestedFrames =
      ez ? std::vector<std::string>{"/1?0", "/2?0"} : std::vector<std::string>{"XZ", "YZ"};
  ASSERT_GE(frames.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(frames.begin(), frames.begin() + 3),
            (std::vector<std::string>{poll, nestedFrames[0], nestedFrames[1]}));
  for (auto f = frames.begin() + 3; f != frames.end(); ++f)
    EXPECT_EQ(*f, poll);
}

INSTANTIATE_TEST_SUITE_P(BothLines, WaitReentry,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());

}  // namespace
}  // namespace qv::test
