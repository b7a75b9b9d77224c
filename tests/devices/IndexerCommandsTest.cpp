// The "F", "B", "Cube", "Slide" and "Turn" words through the device-word pattern, on both
// controller types against simulated units: exact replies, and "??" replies that, run as
// commands, bring the device back to the same place.
#include <gtest/gtest.h>

#include "commands/DeviceCommands.h"
#include "commands/Display.h"
#include "commands/IndexerCommands.h"
#include "tests/devices/DeviceRig.h"
#include "tests/support/RecordingFrontEnd.h"

namespace qv::test {
namespace {

using Replies = std::vector<std::string>;  // "command line -> reply"

class IndexerCommands : public BothTypes {
 protected:
  void SetUp() override {
    rig.InitAll();
    state_.Ready = rig.ready;
    front_.loaded.insert(std::string(kMainForm));
    RegisterIndexerCommands(commands_,
                            IndexerDevices{*rig.wheels, *rig.cube, *rig.slide, *rig.turret},
                            state_.SymConst, [this] { ++captions_; });
  }
  // One command line "word arguments" through the device table.
  std::string Run(const std::string& line) {
    const size_t blank = line.find(' ');
    const std::string word = line.substr(0, blank);
    for (const DeviceWord& device : commands_.Words()) {
      if (device.word == word)
        return commands_.Execute(device, blank == std::string::npos ? "" : line.substr(blank + 1));
    }
    return "no such word";
  }
  void ExpectReplies(const Replies& replies) {
    for (const std::string& item : replies) {
      const size_t arrow = item.find(" -> ");
      EXPECT_EQ(Run(item.substr(0, arrow)), item.substr(arrow + 4)) << item;
    }
  }
  void AllOk(std::initializer_list<std::string> lines) {
    for (const std::string& line : lines)
      ASSERT_EQ(Run(line), "OK ") << line;
  }

  IndexerRig rig{GetParam()};
  SharedState state_;
  RecordingFrontEnd front_;
  Display display_{front_};
  DeviceCommands commands_{state_, display_};
  int captions_ = 0;
};

TEST_P(IndexerCommands, WheelWordsMoveReadAndWait) {
  ExpectReplies({"F Home -> OK ", "F ? -> 1", "F 4 -> OK "});
  EXPECT_EQ(rig.wheels->CurrentFilter(1), 4);
  ExpectReplies({"F Wait -> OK ", "F ?? -> F 4"});
  EXPECT_EQ(rig.InBeam(rig.address.w1), 4);
  ExpectReplies({"B Home -> OK ", "B 6 -> OK ", "B Wait -> OK ", "B ?? -> B 6", "F ? -> 4",
                 "F Prev -> OK ", "F Wait -> OK ", "F ? -> 3", "F Next -> OK ", "F Wait -> OK ",
                 "F ? -> 4"});
  EXPECT_EQ(state_.LastDevice, "F");
  EXPECT_EQ(captions_, 16);  // after every F and B command
  EXPECT_EQ(front_.commandText, "F ?");
  rig.NoReply(rig.address.w1);
  EXPECT_EQ(Run("F Next"), "OK ");  // even when the wheel does not move
}

TEST_P(IndexerCommands, WheelValuesThatAreNoFilterGiveError) {
  state_.SymConst.push_back({"BLUE", std::string("3")});
  state_.SymConst.push_back({"HUGE", std::string("70000")});
  AllOk({"F Home", "F BLUE"});
  EXPECT_EQ(rig.wheels->CurrentFilter(1), 3);
  rig.TakeFrames();
  // Sub-commands are case-sensitive.
  for (const char* line : {"F abc", "F 70000", "F HUGE", "F 7", "F 0", "F home"})
    EXPECT_EQ(Run(line), "Error ") << line;
  EXPECT_TRUE(rig.TakeFrames().empty());
  EXPECT_EQ(rig.wheels->CurrentFilter(1), 3);
  EXPECT_EQ(Run("F"), "Error Missing Argument ");
}

TEST_P(IndexerCommands, WheelLampWords) {
  ExpectReplies({"F Lamp Maybe -> Error Bad Value ", "F Lamp -> Error Missing Argument ",
                 "F Lamp on -> Error Bad Value "});
  const std::string expected = rig.Ez() ? "Error " : "OK ";  // no lamp output on EZHR17
  for (const char* line : {"F Lamp On", "F Lamp 0", "B Lamp 1", "B Lamp Off"})
    EXPECT_EQ(Run(line), expected) << line;
}

TEST_P(IndexerCommands, WheelFocShiftWords) {
  PutBytes(rig.File("QV_DZW2.TXT"),
           "\"W2DZ1\",0\r\n\"W2DZ2\",10\r\n\"W2DZ3\",0\r\n\"W2DZ4\",0\r\n\"W2DZ5\",0\r\n"
           "\"W2DZ6\",0\r\n");
  ExpectReplies({"B FocShift -> Error Missing Argument ",
                 "B FocShift File -> Error Missing Argument ",
                 "B FocShift File NOSUCH.TXT -> Error ", "B FocShift File QV_DZW2.TXT -> OK ",
                 "B FocShift On -> OK "});
  EXPECT_TRUE(rig.wheels->ZCompIsOn(2));
  EXPECT_FALSE(rig.wheels->ZCompIsOn(1));
  AllOk({"B Home", "B 2", "B Wait"});
  EXPECT_EQ(rig.focusMoves, std::vector<double>{10});
  EXPECT_EQ(rig.focusWaits, 1);
  EXPECT_EQ(Run("B FocShift Off"), "OK ");
  EXPECT_FALSE(rig.wheels->ZCompIsOn(2));
}

TEST_P(IndexerCommands, AWheelThatIsNotReadyAnswersOff) {
  state_.Ready.WReady[2] = 0;
  rig.TakeFrames();
  ExpectReplies({"B ? -> Off ", "B 3 -> Off "});
  EXPECT_EQ(state_.LastDevice, "B");
  EXPECT_TRUE(rig.TakeFrames().empty());
}

TEST_P(IndexerCommands, CubeSlideAndTurnWords) {
  ExpectReplies({"Cube Home -> OK ", "Cube ? -> 1", "Cube 3 -> OK "});
  EXPECT_EQ(rig.cube->CurrentCube(), 3);
  // "Cube 2.5" halves to even: cube 2.
  ExpectReplies({"Cube Wait -> OK ", "Cube ?? -> Cube 3", "Cube 5 -> Error ", "Cube 2.5 -> OK ",
                 "Cube Wait -> OK ", "Cube ? -> 2", "Cube Stop -> Error ", "Cube 99999 -> Error "});
  ExpectReplies({"Slide Home -> OK ", "Slide 12.5 -> OK ", "Slide Wait -> OK ", "Slide ? -> 12.50",
                 "Slide Rel -2.25 -> OK ", "Slide Wait -> OK ", "Slide ?? -> Slide 10.25",
                 "Slide Rel -> Error No Value ", "Slide Rel far -> Error "});
  for (const char* line : {"Slide Stop", "Slide Move", "Slide Origin"})
    EXPECT_EQ(Run(line), "Error ") << line;
  ExpectReplies({"Turn Home -> OK ", "Turn 90 -> OK ", "Turn Wait -> OK ", "Turn ? -> 90.00",
                 "Turn Rel 45 -> OK ", "Turn Wait -> OK ", "Turn ?? -> Turn 135.00"});
  EXPECT_EQ(state_.LastDevice, "Turn");
}

TEST_P(IndexerCommands, QueryRepliesReplayToTheSamePlace) {
  const std::vector<std::string> words{"F", "B", "Cube", "Slide", "Turn"};
  auto waitAll = [&] {
    for (const std::string& word : words)
      AllOk({word + " Wait"});
  };
  for (const std::string& word : words)
    AllOk({word + " Home"});
  AllOk({"F 5", "B 2", "Cube 4", "Slide 7.75", "Turn 202.5"});
  waitAll();
  std::vector<std::string> saved;
  for (const std::string& word : words)
    saved.push_back(Run(word + " ??"));
  EXPECT_EQ(saved, (std::vector<std::string>{"F 5", "B 2", "Cube 4", "Slide 7.75", "Turn 202.50"}));
  const int64_t slideCount = rig.State(rig.address.slide).counter;
  const int64_t turretCount = rig.State(rig.address.turret).counter;
  AllOk({"F 1", "B 6", "Cube 1", "Slide 1", "Turn 10"});
  waitAll();
  for (const std::string& line : saved)
    AllOk({line});
  waitAll();
  EXPECT_EQ(rig.InBeam(rig.address.w1), 5);
  EXPECT_EQ(rig.InBeam(rig.address.w2), 2);
  EXPECT_EQ(rig.InBeam(rig.address.cube), 4);
  EXPECT_EQ(rig.State(rig.address.slide).counter, slideCount);
  EXPECT_EQ(rig.State(rig.address.turret).counter, turretCount);
}

TEST_P(IndexerCommands, AFailedReadGivesError) {
  for (char a : {rig.address.cube, rig.address.slide, rig.address.w1})
    rig.NoReply(a);
  ExpectReplies({"Cube ?? -> Error ", "Slide ? -> Error ", "F ?? -> Error "});
}

QV_ON_BOTH_TYPES(IndexerCommands);

}  // namespace
}  // namespace qv::test
