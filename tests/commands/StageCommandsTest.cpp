// The "XY" and "Z" device words on simulated controllers of both types: every sub-command, the
// replies of the edge cases, symbols for numbers, and "??" replies that bring the device back.
#include <gtest/gtest.h>

#include "commands/CommandText.h"
#include "commands/DeviceCommands.h"
#include "commands/StageCommands.h"
#include "foundation/SharedState.h"
#include "tests/devices/DeviceRig.h"
#include "tests/support/RecordingFrontEnd.h"

namespace qv::test {
namespace {

using Replies = std::vector<std::string>;  // "command line -> reply"

class StageWords : public StageTypes {
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
  void ExpectReplies(const Replies& replies) {
    for (const std::string& item : replies) {
      const size_t arrow = item.find(" -> ");
      EXPECT_EQ(Run(item.substr(0, arrow)), item.substr(arrow + 4)) << item;
    }
  }
  // Runs `move`, waits, saves the "??" reply, goes to `elsewhere` and back by the saved reply.
  std::string ReplayReturns(const std::string& word, const std::string& move,
                            const std::string& elsewhere) {
    EXPECT_EQ(Run(move), "OK ");
    EXPECT_EQ(Run(word + " Wait"), "OK ");
    const std::string saved = Run(word + " ??");
    const int64_t x = rig.State('X').counter, y = rig.State('Y').counter,
                  z = rig.State('Z').counter;
    for (const std::string& line : {elsewhere, word + " Wait", saved, word + " Wait"})
      EXPECT_EQ(Run(line), "OK ") << line;
    EXPECT_EQ(rig.State('X').counter, x);
    EXPECT_EQ(rig.State('Y').counter, y);
    EXPECT_EQ(rig.State('Z').counter, z);
    return saved;
  }

  SharedState state;
  RecordingFrontEnd front;
  Display display{front};
  DeviceCommands commands{state, display};
  ParList symbols;
};

TEST_P(StageWords, ReplayOfTheDoubleQueryReturnsTheDeviceToTheSamePlace) {
  // 7 and -5 microsteps: 4.375 and -3.125 microns, shown to one decimal.
  EXPECT_EQ(ReplayReturns("XY", "XY Rel 4.375 -3.125", "XY 2000 1500"), "XY 4.4 -3.1");
  EXPECT_EQ(rig.State('X').counter, 7);
  EXPECT_EQ(rig.State('Y').counter, -5);
  EXPECT_EQ(ReplayReturns("Z", "Z Rel 0.4375", "Z FAR"),  // 7 microsteps
            rig.Ez() ? "Z 0.44" : "Z -49.56");
}

TEST_P(StageWords, MissingAndBadValuesSendNothing) {
  ExpectReplies({"XY Rel -> Error No Value for X", "XY Rel 10 -> Error No Value for Y",
                 "XY Move -> Error No Value for X", "XY Move 10 -> Error No Value for Y",
                 "XY 100 -> Error No Value for Y", "XY -> Error Missing Argument ",
                 "Z -> Error Missing Argument ", "Z Rel -> Error No Value ",
                 "Z Move -> Error No Value "});
  // "Move" rates must fit 16 bits, sub-commands are case-sensitive, and "Z HomeX" is neither a
  // Z sub-command nor a number.
  for (const char* line : {"XY Rel abc 10", "XY Rel 10 abc", "XY abc 10", "XY 10 abc",
                           "XY Move 40000 0", "XY Move 0 -32769", "XY move 10 10", "Z Rel abc",
                           "Z Move 99999", "Z Move abc", "Z abc", "Z HomeX", "Z 1e400"})
    EXPECT_EQ(Run(line), "Error ") << line;
  EXPECT_TRUE(rig.Frames().empty());
  // A position beyond the controllers' 32-bit count fails in the driver, not with a crash.
  ExpectReplies({"Z 1e300 -> Error ", "XY 1e300 0 -> Error "});
}

TEST_P(StageWords, XYValuesMayBeSymbols) {
  ExpectReplies({"XY FAR FAR -> OK ", "XY Wait -> OK ", "XY Rel SLOW 0 -> OK ", "XY Wait -> OK ",
                 "XY Move SLOW 2.5 -> OK "});  // 2.5 goes to the even neighbour, 2
  EXPECT_EQ(Commands(rig.Frames()),
            Expect({"/1A1600R", "/2A1600R", "/1D480R", "/1V300D0R", "/2V2P0R"},
                   {"XR+1600", "YR+1600", "X-480", "XM-300", "YM2"}));
  EXPECT_EQ(Run("XY Stop"), "OK ");
  EXPECT_EQ(rig.Frames(), Expect({"/1T", "/2T"}, {"XM0", "YM0"}));
}

TEST_P(StageWords, XYOriginHomeAndHomeX) {
  ExpectReplies({"XY 100 100 -> OK ", "XY Wait -> OK ", "XY Origin -> OK ", "XY ? -> 0.0 0.0",
                 "XY Home -> OK "});
  EXPECT_EQ(rig.State('X').counter, 0);
  rig.Frames();
  // Homing X alone exists for EZHR17 controllers only.
  EXPECT_EQ(Run("XY HomeX"), rig.Ez() ? "OK " : "Error ");
  if (!rig.Ez()) {
    EXPECT_TRUE(rig.Frames().empty());
  }
}

TEST_P(StageWords, ZMovesFromThePowerUpOriginAndReports) {
  const std::string origin = rig.Ez() ? "0.00" : "-50.00";  // an IM483I zeroes its counter
  ExpectReplies({"Z ? -> " + origin, "Z 10 -> OK ", "Z Wait -> OK ", "Z ? -> 10.00",
                 "Z Rel -2.5 -> OK ", "Z Wait -> OK ", "Z ?? -> Z 7.50"});
  EXPECT_EQ(Commands(rig.Frames()), Expect({"/3?0", "/3A960R", "/3?0", "/3D40R", "/3?0"},
                                           {"ZZ", "ZR+960", "ZZ", "Z-40", "ZZ"}));
  EXPECT_EQ(Run("Z Move SLOW"), "OK ");
  EXPECT_TRUE(rig.State('Z').moving);
  EXPECT_EQ(Run("Z Stop"), "OK ");
  EXPECT_EQ(rig.Frames(), Expect({"/3V300D0R", "/3T"}, {"ZM-300", "ZM0"}));
  ExpectReplies({"Z Origin -> OK ", "Z ? -> " + origin, "Z Home -> OK "});
  EXPECT_EQ(state.LastDevice, "Z");
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

TEST_P(StageWords, FailuresAreErrorReplies) {
  rig.NoReply('Y');
  rig.NoReply('Z');
  for (const char* line :
       {"XY ?", "XY ??", "XY 10 10", "XY Rel 10 10", "XY Move 10 10", "XY Stop", "XY Origin",
        "XY Wait", "Z ?", "Z ??", "Z 5", "Z Rel 5", "Z Move 5", "Z Origin", "Z Wait"})
    EXPECT_EQ(Run(line), "Error ") << line;
}

QV_ON_BOTH_TYPES(StageWords);

TEST(StageWordsIm483i, AHomeSearchThatMissesTheHomeInputRepliesErrorAndStopsBothAxes) {
  StageRig rig(ControllerType::IM483I);
  rig.HomeNeverFound('X');
  ASSERT_EQ(rig.XY().XYInit(), 1);
  const ParList symbols;
  XYCommands xy(rig.XY(), symbols);
  std::string rest;
  EXPECT_EQ(xy("Home", rest), "Error ");
  EXPECT_EQ(rig.Frames().back(), "YM0");
  EXPECT_FALSE(rig.State('Y').moving);
}

}  // namespace
}  // namespace qv::test
