// Every device of both demonstration microscopes through its descriptor: what start-up, the Stop
// and the command words use must be there and must reach the device's own units.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

class Descriptors : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { ASSERT_EQ(s.Start(), 1) << s.system.comm.CommLogText(); }
  SimSystem s{RepoFolder(GetParam())};
};

TEST_P(Descriptors, EveryDeviceStartsStopsAndAnswersThroughItsOwnUnits) {
  std::multiset<char> used;
  s.Run("XY 30000 20000;Z 500;F 4;B 2;Cube 3;Turn 300;Slide 1000");
  for (const DeviceDescriptor& d : s.system.Descriptors()) {
    const std::string word = d.Row().word;
    SCOPED_TRACE(word);
    ASSERT_TRUE(d.init && d.units && d.stop && d.subCommands);
    EXPECT_EQ(s.system.devices.Words()[DeviceIndex(d.id)].word, d.Row().word);
    const std::vector<int16_t> units = d.units();
    s.line.ClearFrames();
    EXPECT_EQ(d.stop(), Result());
    for (const int16_t unit : units) {
      const char address = static_cast<char>(unit);
      used.insert(address);
      ASSERT_NE(s.line.FindUnit(address), nullptr) << address;
      EXPECT_FALSE(s.State(address).moving) << address;
    }
    // A stop goes to the device's own units only (none for the LEDs, which do not move).
    EXPECT_EQ(s.line.Frames().size(), units.size());
    std::string rest;
    EXPECT_NE(d.subCommands(d.id == DeviceId::Leds ? "R" : "?", rest), "Error ");
    EXPECT_EQ(d.init(), Result());
  }
  // Together the devices drive every unit of the line but the LEDs', each unit once.
  std::multiset<char> expected;
  for (const sim::UnitPlan& unit : s.plan.units)
    if (unit.role != sim::Role::Leds) expected.insert(unit.address);
  EXPECT_EQ(used, expected);
}

INSTANTIATE_TEST_SUITE_P(BothLines, Descriptors,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());

}  // namespace
}  // namespace qv::test
