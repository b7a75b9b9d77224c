// The "F", "B", "Cube", "Slide" and "Turn" words through the device-word pattern, on both
// controller types against simulated units: exact replies, and "??" replies that, run as
// commands, bring the device back to the same place.
#include <gtest/gtest.h>

#include "commands/DeviceCommands.h"
#include "commands/Display.h"
#include "commands/IndexerCommands.h"
#include "tests/devices/IndexerRig.h"
#include "tests/support/RecordingFrontEnd.h"

namespace qv::test::indexer {
namespace {

class IndexerCommands : public IndexerTypes {
 protected:
  void SetUp() override {
    rig_ = std::make_unique<IndexerRig>(GetParam());
    rig_->InitAll();
    state_.Ready = rig_->ready;
    front_.loaded.insert(std::string(kMainForm));
    RegisterIndexerCommands(commands_,
                            IndexerDevices{*rig_->wheels, *rig_->cube, *rig_->slide, *rig_->turret},
                            state_.SymConst, [this] { ++captions_; });
  }
  IndexerRig& rig() { return *rig_; }
  // One command line "word arguments" through the device table.
  std::string Run(const std::string& word, const std::string& arguments) {
    for (const DeviceWord& device : commands_.Words()) {
      if (device.word == word) return commands_.Execute(device, arguments);
    }
    return "no such word";
  }
  std::string Run(const std::string& line) {
    const size_t blank = line.find(' ');
    return Run(line.substr(0, blank), blank == std::string::npos ? "" : line.substr(blank + 1));
  }

  std::unique_ptr<IndexerRig> rig_;
  SharedState state_;
  RecordingFrontEnd front_;
  Display display_{front_};
  DeviceCommands commands_{state_, display_};
  int captions_ = 0;
};

TEST_P(IndexerCommands, WheelWordsMoveReadAndWait) {
  EXPECT_EQ(Run("F Home"), "OK ");
  EXPECT_EQ(Run("F ?"), "1");
  EXPECT_EQ(Run("F 4"), "OK ");
  EXPECT_EQ(rig().wheels->CurrentFilter(1), 4);
  EXPECT_EQ(Run("F Wait"), "OK ");
  EXPECT_EQ(Run("F ??"), "F 4");
  EXPECT_EQ(rig().InBeam(rig().address.w1), 4);
  EXPECT_EQ(Run("B Home"), "OK ");
  EXPECT_EQ(Run("B 6"), "OK ");
  EXPECT_EQ(Run("B Wait"), "OK ");
  EXPECT_EQ(Run("B ??"), "B 6");
  EXPECT_EQ(Run("F ?"), "4");
  EXPECT_EQ(state_.LastDevice, "F");
  EXPECT_EQ(captions_, 10);  // after every F and B command
  EXPECT_EQ(front_.commandText, "F ?");
}

TEST_P(IndexerCommands, WheelNextAndPrevAlwaysReplyOk) {
  EXPECT_EQ(Run("F Home"), "OK ");
  EXPECT_EQ(Run("F Prev"), "OK ");
  EXPECT_EQ(Run("F Wait"), "OK ");
  EXPECT_EQ(Run("F ?"), "6");
  EXPECT_EQ(Run("F Next"), "OK ");
  EXPECT_EQ(Run("F Wait"), "OK ");
  EXPECT_EQ(Run("F ?"), "1");
  rig().line->SetFault(rig().address.w1, sim::Fault{sim::FaultKind::NoReply, 0, -1});
  EXPECT_EQ(Run("F Next"), "OK ");  // even when the wheel does not move
}

TEST_P(IndexerCommands, WheelValuesThatAreNoFilterGiveError) {
  state_.SymConst.push_back({"BLUE", std::string("3")});
  state_.SymConst.push_back({"HUGE", std::string("70000")});
  EXPECT_EQ(Run("F Home"), "OK ");
  EXPECT_EQ(Run("F BLUE"), "OK ");
  EXPECT_EQ(rig().wheels->CurrentFilter(1), 3);
  rig().TakeFrames();
  EXPECT_EQ(Run("F abc"), "Error ");
  EXPECT_EQ(Run("F 70000"), "Error ");
  EXPECT_EQ(Run("F HUGE"), "Error ");
  EXPECT_EQ(Run("F 7"), "Error ");
  EXPECT_EQ(Run("F 0"), "Error ");
  EXPECT_EQ(Run("F home"), "Error ");  // sub-commands are case-sensitive
  EXPECT_TRUE(rig().TakeFrames().empty());
  EXPECT_EQ(rig().wheels->CurrentFilter(1), 3);
  EXPECT_EQ(Run("F"), "Error Missing Argument ");
}

TEST_P(IndexerCommands, WheelLampWords) {
  EXPECT_EQ(Run("F Lamp Maybe"), "Error Bad Value ");
  EXPECT_EQ(Run("F Lamp"), "Error Missing Argument ");
  const std::string expected = rig().Ez() ? "Error " : "OK ";  // no lamp output on EZHR17
  EXPECT_EQ(Run("F Lamp On"), expected);
  EXPECT_EQ(Run("F Lamp 0"), expected);
  EXPECT_EQ(Run("B Lamp 1"), expected);
  EXPECT_EQ(Run("B Lamp Off"), expected);
  EXPECT_EQ(Run("F Lamp on"), "Error Bad Value ");
}

TEST_P(IndexerCommands, WheelFocShiftWords) {
  PutBytes(rig().folder.File("QV_DZW2.TXT"),
           "\"W2DZ1\",0\r\n\"W2DZ2\",10\r\n\"W2DZ3\",0\r\n\"W2DZ4\",0\r\n\"W2DZ5\",0\r\n"
           "\"W2DZ6\",0\r\n");
  EXPECT_EQ(Run("B FocShift"), "Error Missing Argument ");
  EXPECT_EQ(Run("B FocShift File"), "Error Missing Argument ");
  EXPECT_EQ(Run("B FocShift File NOSUCH.TXT"), "Error ");
  EXPECT_EQ(Run("B FocShift File QV_DZW2.TXT"), "OK ");
  EXPECT_EQ(Run("B FocShift On"), "OK ");
  EXPECT_TRUE(rig().wheels->ZCompIsOn(2));
  EXPECT_FALSE(rig().wheels->ZCompIsOn(1));
  EXPECT_EQ(Run("B Home"), "OK ");
  EXPECT_EQ(Run("B 2"), "OK ");
  EXPECT_EQ(Run("B Wait"), "OK ");
  EXPECT_EQ(rig().focusMoves, std::vector<double>{10});
  EXPECT_EQ(rig().focusWaits, 1);
  EXPECT_EQ(Run("B FocShift Off"), "OK ");
  EXPECT_FALSE(rig().wheels->ZCompIsOn(2));
}

TEST_P(IndexerCommands, AWheelThatIsNotReadyAnswersOff) {
  state_.Ready.WReady[2] = 0;
  rig().TakeFrames();
  EXPECT_EQ(Run("B ?"), "Off ");
  EXPECT_EQ(Run("B 3"), "Off ");
  EXPECT_EQ(state_.LastDevice, "B");
  EXPECT_TRUE(rig().TakeFrames().empty());
}

TEST_P(IndexerCommands, CubeWords) {
  EXPECT_EQ(Run("Cube Home"), "OK ");
  EXPECT_EQ(Run("Cube ?"), "1");
  EXPECT_EQ(Run("Cube 3"), "OK ");
  EXPECT_EQ(rig().cube->CurrentCube(), 3);
  EXPECT_EQ(Run("Cube Wait"), "OK ");
  EXPECT_EQ(Run("Cube ??"), "Cube 3");
  EXPECT_EQ(Run("Cube 5"), "Error ");
  EXPECT_EQ(Run("Cube 2.5"), "OK ");  // halves to even: cube 2
  EXPECT_EQ(Run("Cube Wait"), "OK ");
  EXPECT_EQ(Run("Cube ?"), "2");
  EXPECT_EQ(Run("Cube Stop"), "Error ");
  EXPECT_EQ(Run("Cube 99999"), "Error ");
}

TEST_P(IndexerCommands, SlideAndTurnWords) {
  EXPECT_EQ(Run("Slide Home"), "OK ");
  EXPECT_EQ(Run("Slide 12.5"), "OK ");
  EXPECT_EQ(Run("Slide Wait"), "OK ");
  EXPECT_EQ(Run("Slide ?"), "12.50");
  EXPECT_EQ(Run("Slide Rel -2.25"), "OK ");
  EXPECT_EQ(Run("Slide Wait"), "OK ");
  EXPECT_EQ(Run("Slide ??"), "Slide 10.25");
  EXPECT_EQ(Run("Slide Rel"), "Error No Value ");
  EXPECT_EQ(Run("Slide Rel far"), "Error ");
  for (const char* word : {"Stop", "Move", "Origin"})
    EXPECT_EQ(Run("Slide", word), "Error ") << word;
  EXPECT_EQ(Run("Turn Home"), "OK ");
  EXPECT_EQ(Run("Turn 90"), "OK ");
  EXPECT_EQ(Run("Turn Wait"), "OK ");
  EXPECT_EQ(Run("Turn ?"), "90.00");
  EXPECT_EQ(Run("Turn Rel 45"), "OK ");
  EXPECT_EQ(Run("Turn Wait"), "OK ");
  EXPECT_EQ(Run("Turn ??"), "Turn 135.00");
  EXPECT_EQ(state_.LastDevice, "Turn");
}

// "??" gives a command that takes the device back to where it was.
TEST_P(IndexerCommands, QueryRepliesReplayToTheSamePlace) {
  for (const char* word : {"F", "B", "Cube", "Slide", "Turn"})
    ASSERT_EQ(Run(word, "Home"), "OK ") << word;
  const std::vector<std::pair<std::string, std::string>> moves{{"F 5", "F Wait"},
                                                               {"B 2", "B Wait"},
                                                               {"Cube 4", "Cube Wait"},
                                                               {"Slide 7.75", "Slide Wait"},
                                                               {"Turn 202.5", "Turn Wait"}};
  std::vector<std::string> saved;
  for (const auto& [move, wait] : moves) {
    ASSERT_EQ(Run(move), "OK ");
    ASSERT_EQ(Run(wait), "OK ");
    saved.push_back(Run(move.substr(0, move.find(' ')) + " ??"));
  }
  EXPECT_EQ(saved, (std::vector<std::string>{"F 5", "B 2", "Cube 4", "Slide 7.75", "Turn 202.50"}));
  const int64_t slideCount = rig().State(rig().address.slide).counter;
  const int64_t turretCount = rig().State(rig().address.turret).counter;
  // Elsewhere, then back by the saved replies.
  for (const char* line : {"F 1", "B 6", "Cube 1", "Slide 1", "Turn 10"})
    ASSERT_EQ(Run(line), "OK ") << line;
  for (const char* line : {"F Wait", "B Wait", "Cube Wait", "Slide Wait", "Turn Wait"})
    ASSERT_EQ(Run(line), "OK ");
  for (const std::string& line : saved)
    ASSERT_EQ(Run(line), "OK ") << line;
  for (const char* line : {"F Wait", "B Wait", "Cube Wait", "Slide Wait", "Turn Wait"})
    ASSERT_EQ(Run(line), "OK ");
  EXPECT_EQ(rig().InBeam(rig().address.w1), 5);
  EXPECT_EQ(rig().InBeam(rig().address.w2), 2);
  EXPECT_EQ(rig().InBeam(rig().address.cube), 4);
  EXPECT_EQ(rig().State(rig().address.slide).counter, slideCount);
  EXPECT_EQ(rig().State(rig().address.turret).counter, turretCount);
}

TEST_P(IndexerCommands, AFailedReadGivesError) {
  rig().line->SetFault(rig().address.cube, sim::Fault{sim::FaultKind::NoReply, 0, -1});
  rig().line->SetFault(rig().address.slide, sim::Fault{sim::FaultKind::NoReply, 0, -1});
  rig().line->SetFault(rig().address.w1, sim::Fault{sim::FaultKind::NoReply, 0, -1});
  EXPECT_EQ(Run("Cube ??"), "Error ");
  EXPECT_EQ(Run("Slide ?"), "Error ");
  EXPECT_EQ(Run("F ??"), "Error ");
}

INSTANTIATE_TEST_SUITE_P(Types, IndexerCommands,
                         ::testing::Values(ControllerKind::kEzhr17, ControllerKind::kIm483i),
                         KindName);

}  // namespace
}  // namespace qv::test::indexer
