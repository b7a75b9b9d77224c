// The "XY" and "Z" device words on simulated controllers of both types: every sub-command, the
// replies of the edge cases, symbols for numbers, and "??" replies that bring the device back.
#include <gtest/gtest.h>

#include "commands/CommandText.h"
#include "commands/DeviceCommands.h"
#include "commands/StageCommands.h"
#include "foundation/SharedState.h"
#include "sim/Faults.h"
#include "tests/devices/StageTestRig.h"
#include "tests/support/RecordingFrontEnd.h"

namespace qv::test {
namespace {

using Frames = std::vector<std::string>;

class StageWords : public BothTypes {
 protected:
  void SetUp() override {
    ASSERT_EQ(rig.XY().XYInit(), 1);
    ASSERT_EQ(rig.Z().ZInit(), 1);
    state.Ready.XYReady = 1;
    state.Ready.ZReady = 1;
    symbols.push_back(ParEntry{"FAR", std::string("1000")});
    symbols.push_back(ParEntry{"SLOW", std::string("-300")});
    RegisterStageCommands(commands, rig.XY(), rig.Z(), symbols);
    rig.Frames();
  }
  // One command line "Word arguments", as the dispatcher hands it over.
  std::string Run(std::string line) {
    std::string word;
    SplitWord(line, word);
    for (const DeviceWord& device : commands.Words()) {
      if (device.word == word) return commands.Execute(device, line);
    }
    return "no such word";
  }
  // Moves: the frames without status polls.
  Frames Commands() {
    Frames kept;
    for (const std::string& f : rig.Frames()) {
      if (!f.ends_with("Q") && !f.ends_with("^")) kept.push_back(f);
    }
    return kept;
  }
  Frames Expect(Frames ez, Frames ims) const { return rig.Ez() ? ez : ims; }

  SharedState state;
  RecordingFrontEnd front;
  Display display{front};
  DeviceCommands commands{state, display};
  ParList symbols;
};

TEST_P(StageWords, XYMovesAndReportsItsPosition) {
  EXPECT_EQ(Run("XY ?"), "0.0 0.0");
  EXPECT_EQ(Run("XY 100 -50.5"), "OK ");
  EXPECT_EQ(Run("XY Wait"), "OK ");
  EXPECT_EQ(Run("XY ?"), "100.0 -50.6");  // -80.8 microsteps became -81: -50.625
  EXPECT_EQ(Run("XY ??"), "XY 100.0 -50.6");
  EXPECT_EQ(Run("XY Rel 10 -10"), "OK ");
  EXPECT_EQ(Run("XY Wait"), "OK ");
  EXPECT_EQ(Run("XY ?"), "110.0 -60.6");
  EXPECT_EQ(Commands(), Expect({"/1?0", "/2?0", "/1A160R", "/2A-81R", "/1?0", "/2?0", "/1?0",
                                "/2?0", "/1P16R", "/2D16R", "/1?0", "/2?0"},
                               {"XZ", "YZ", "XR+160", "YR-81", "XZ", "YZ", "XZ", "YZ", "X+16",
                                "Y-16", "XZ", "YZ"}));
  EXPECT_EQ(state.LastDevice, "XY");
}

TEST_P(StageWords, XYReplayOfTheDoubleQueryReturnsTheStageToTheSamePlace) {
  // 7 and -5 microsteps: 4.375 and -3.125 microns, shown to one decimal.
  ASSERT_EQ(Run("XY Rel 4.375 -3.125"), "OK ");
  ASSERT_EQ(Run("XY Wait"), "OK ");
  const std::string saved = Run("XY ??");
  EXPECT_EQ(saved, "XY 4.4 -3.1");
  const int64_t x = rig.State('X').counter, y = rig.State('Y').counter;
  ASSERT_EQ(Run("XY 2000 1500"), "OK ");
  ASSERT_EQ(Run("XY Wait"), "OK ");
  EXPECT_EQ(Run(saved), "OK ");
  EXPECT_EQ(Run("XY Wait"), "OK ");
  EXPECT_EQ(rig.State('X').counter, x);
  EXPECT_EQ(rig.State('Y').counter, y);
  EXPECT_EQ(x, 7);
  EXPECT_EQ(y, -5);
}

TEST_P(StageWords, XYMissingAndBadValues) {
  EXPECT_EQ(Run("XY Rel"), "Error No Value for X");
  EXPECT_EQ(Run("XY Rel 10"), "Error No Value for Y");
  EXPECT_EQ(Run("XY Move"), "Error No Value for X");
  EXPECT_EQ(Run("XY Move 10"), "Error No Value for Y");
  EXPECT_EQ(Run("XY 100"), "Error No Value for Y");
  EXPECT_EQ(Run("XY Rel abc 10"), "Error ");
  EXPECT_EQ(Run("XY Rel 10 abc"), "Error ");
  EXPECT_EQ(Run("XY abc 10"), "Error ");
  EXPECT_EQ(Run("XY 10 abc"), "Error ");
  EXPECT_EQ(Run("XY Move 40000 0"), "Error ");  // no 16-bit rate
  EXPECT_EQ(Run("XY Move 0 -32769"), "Error ");
  EXPECT_EQ(Run("XY move 10 10"), "Error ");  // sub-commands are case-sensitive
  EXPECT_EQ(Run("XY"), "Error Missing Argument ");
  EXPECT_TRUE(rig.Frames().empty());
}

TEST_P(StageWords, XYValuesMayBeSymbols) {
  EXPECT_EQ(Run("XY FAR FAR"), "OK ");
  EXPECT_EQ(Run("XY Wait"), "OK ");
  EXPECT_EQ(Run("XY Rel SLOW 0"), "OK ");
  EXPECT_EQ(Run("XY Wait"), "OK ");
  EXPECT_EQ(Run("XY Move SLOW 2.5"), "OK ");  // 2.5 goes to the even neighbour, 2
  EXPECT_EQ(Commands(), Expect({"/1A1600R", "/2A1600R", "/1D480R", "/1V300D0R", "/2V2P0R"},
                               {"XR+1600", "YR+1600", "X-480", "XM-300", "YM2"}));
  EXPECT_EQ(Run("XY Stop"), "OK ");
  EXPECT_EQ(rig.Frames(), Expect({"/1T", "/2T"}, {"XM0", "YM0"}));
}

TEST_P(StageWords, XYOriginHomeAndHomeX) {
  EXPECT_EQ(Run("XY 100 100"), "OK ");
  EXPECT_EQ(Run("XY Wait"), "OK ");
  EXPECT_EQ(Run("XY Origin"), "OK ");
  EXPECT_EQ(Run("XY ?"), "0.0 0.0");
  EXPECT_EQ(Run("XY Home"), "OK ");
  EXPECT_EQ(rig.State('X').counter, 0);
  rig.Frames();
  // Homing X alone exists for EZHR17 controllers only.
  EXPECT_EQ(Run("XY HomeX"), rig.Ez() ? "OK " : "Error ");
  if (!rig.Ez()) {
    EXPECT_TRUE(rig.Frames().empty());
  }
}

TEST_P(StageWords, XYFailuresAreErrorReplies) {
  rig.Line().SetFault(rig.Address('Y'), sim::DefaultFault(sim::FaultKind::NoReply));
  EXPECT_EQ(Run("XY ?"), "Error ");
  EXPECT_EQ(Run("XY ??"), "Error ");
  EXPECT_EQ(Run("XY 10 10"), "Error ");
  EXPECT_EQ(Run("XY Rel 10 10"), "Error ");
  EXPECT_EQ(Run("XY Move 10 10"), "Error ");
  EXPECT_EQ(Run("XY Stop"), "Error ");
  EXPECT_EQ(Run("XY Origin"), "Error ");
  EXPECT_EQ(Run("XY Wait"), "Error ");
}

TEST_P(StageWords, ZMovesFromThePowerUpOriginAndReports) {
  const std::string origin = rig.Ez() ? "0.00" : "-50.00";  // an IM483I zeroes its counter
  EXPECT_EQ(Run("Z ?"), origin);
  EXPECT_EQ(Run("Z 10"), "OK ");
  EXPECT_EQ(Run("Z Wait"), "OK ");
  EXPECT_EQ(Run("Z ?"), "10.00");
  EXPECT_EQ(Run("Z Rel -2.5"), "OK ");
  EXPECT_EQ(Run("Z Wait"), "OK ");
  EXPECT_EQ(Run("Z ??"), "Z 7.50");
  EXPECT_EQ(Commands(), Expect({"/3?0", "/3A960R", "/3?0", "/3D40R", "/3?0"},
                               {"ZZ", "ZR+960", "ZZ", "Z-40", "ZZ"}));
  EXPECT_EQ(Run("Z Move SLOW"), "OK ");
  EXPECT_TRUE(rig.State('Z').moving);
  EXPECT_EQ(Run("Z Stop"), "OK ");
  EXPECT_EQ(rig.Frames(), Expect({"/3V300D0R", "/3T"}, {"ZM-300", "ZM0"}));
  EXPECT_EQ(Run("Z Origin"), "OK ");
  EXPECT_EQ(Run("Z ?"), rig.Ez() ? "0.00" : "-50.00");
  EXPECT_EQ(Run("Z Home"), "OK ");
  EXPECT_EQ(state.LastDevice, "Z");
}

TEST_P(StageWords, ZReplayOfTheDoubleQueryReturnsTheFocusToTheSamePlace) {
  ASSERT_EQ(Run("Z Rel 0.4375"), "OK ");  // 7 microsteps
  ASSERT_EQ(Run("Z Wait"), "OK ");
  const std::string saved = Run("Z ??");
  EXPECT_EQ(saved, rig.Ez() ? "Z 0.44" : "Z -49.56");
  const int64_t count = rig.State('Z').counter;
  ASSERT_EQ(Run("Z FAR"), "OK ");
  ASSERT_EQ(Run("Z Wait"), "OK ");
  EXPECT_EQ(Run(saved), "OK ");
  EXPECT_EQ(Run("Z Wait"), "OK ");
  EXPECT_EQ(rig.State('Z').counter, count);
}

TEST_P(StageWords, ZMissingAndBadValues) {
  EXPECT_EQ(Run("Z"), "Error Missing Argument ");
  EXPECT_EQ(Run("Z Rel"), "Error No Value ");
  EXPECT_EQ(Run("Z Move"), "Error No Value ");
  EXPECT_EQ(Run("Z Rel abc"), "Error ");
  EXPECT_EQ(Run("Z Move 99999"), "Error ");
  EXPECT_EQ(Run("Z Move abc"), "Error ");
  EXPECT_EQ(Run("Z abc"), "Error ");
  EXPECT_EQ(Run("Z HomeX"), "Error ");  // not a Z sub-command, and no number
  EXPECT_EQ(Run("Z 1e400"), "Error ");
  EXPECT_TRUE(rig.Frames().empty());
  // A position beyond the controllers' 32-bit count fails in the driver, not with a crash.
  EXPECT_EQ(Run("Z 1e300"), "Error ");
  EXPECT_EQ(Run("XY 1e300 0"), "Error ");
}

TEST_P(StageWords, ADeviceThatIsNotReadyAnswersOffAndIsStillTheLastDevice) {
  state.Ready.ZReady = 0;
  EXPECT_EQ(Run("Z ?"), "Off ");
  EXPECT_EQ(state.LastDevice, "Z");
  EXPECT_EQ(Run("Z Wait"), "Off ");
  state.Ready.XYReady = 0;
  EXPECT_EQ(Run("XY ??"), "Off ");
  EXPECT_EQ(state.LastDevice, "XY");
  EXPECT_TRUE(rig.Frames().empty());
}

TEST_P(StageWords, ZFailuresAreErrorReplies) {
  rig.Line().SetFault(rig.Address('Z'), sim::DefaultFault(sim::FaultKind::NoReply));
  EXPECT_EQ(Run("Z ?"), "Error ");
  EXPECT_EQ(Run("Z ??"), "Error ");
  EXPECT_EQ(Run("Z 5"), "Error ");
  EXPECT_EQ(Run("Z Rel 5"), "Error ");
  EXPECT_EQ(Run("Z Move 5"), "Error ");
  EXPECT_EQ(Run("Z Origin"), "Error ");
  EXPECT_EQ(Run("Z Wait"), "Error ");
}

INSTANTIATE_TEST_SUITE_P(Types, StageWords,
                         ::testing::Values(sim::ControllerType::EZHR17,
                                           sim::ControllerType::IM483I),
                         TypeName);

}  // namespace
}  // namespace qv::test
