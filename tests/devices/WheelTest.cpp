// The filter wheels on both controller types: device files, the settings sent at start-up, the
// filter behind a count, the shortest way round, homing, the lamp, joystick stepping and the
// focus shift of a filter change, all against simulated wheels with their index.
#include <gtest/gtest.h>

#include <algorithm>

#include "devices/Wheels.h"
#include "sim/EzUnit.h"
#include "tests/devices/IndexerRig.h"

namespace qv::test::indexer {
namespace {

using Frames = std::vector<std::string>;

// --- The arithmetic of positions, without a controller ---

TEST(WheelGeometry, FilterFromCountRoundsTiesDownAndCountsRoundTheWheel) {
  EXPECT_EQ(FilterAtCount(0, 1600, 6), 1);
  EXPECT_EQ(FilterAtCount(8000, 1600, 6), 6);
  EXPECT_EQ(FilterAtCount(9600, 1600, 6), 1);   // one turn on
  EXPECT_EQ(FilterAtCount(-1600, 1600, 6), 6);  // one filter back from 1
  EXPECT_EQ(FilterAtCount(-9600 * 3 + 3200, 1600, 6), 3);
  EXPECT_EQ(FilterAtCount(2.5 * 1600, 1600, 6), 3);   // f = 2.5: the lower, filter 3
  EXPECT_EQ(FilterAtCount(2.51 * 1600, 1600, 6), 4);  // f = 2.51: filter 4
  EXPECT_EQ(FilterAtCount(-0.5 * 1600, 1600, 6), 6);  // f = -0.5 goes down to -1
}

TEST(WheelGeometry, UnusableGeometryOrCountGivesNoFilter) {
  EXPECT_EQ(FilterAtCount(100, 0, 6), std::nullopt);
  EXPECT_EQ(FilterAtCount(100, 1600, 0), std::nullopt);
  EXPECT_EQ(FilterAtCount(1e300, 1600, 6), std::nullopt);
  EXPECT_EQ(ShortestMove(0, 2, 0, 6), std::nullopt);
  EXPECT_EQ(ShortestMove(0, 2, 1600, 0), std::nullopt);
  EXPECT_EQ(ShortestMove(0, 2, 0.01, 6), std::nullopt);  // a turn of no whole microstep
}

TEST(WheelGeometry, ShortestMoveTakesTheShorterWayAndBackwardOnATie) {
  EXPECT_EQ(ShortestMove(8000, 1, 1600, 6), 1600);              // 6 -> 1 through the wrap
  EXPECT_EQ(ShortestMove(1600, 5, 1600, 6), -4800);             // 2 -> 5: a tie goes backward
  EXPECT_EQ(ShortestMove(1600, 4, 1600, 6), 3200);              // 2 -> 4
  EXPECT_EQ(ShortestMove(0, 6, 1600, 6), -1600);                // 1 -> 6 through the wrap
  EXPECT_EQ(ShortestMove(3200, 3, 1600, 6), 0);                 // already there
  EXPECT_EQ(ShortestMove(9600 * 5 + 1600, 1, 1600, 6), -1600);  // turns on count nothing
  EXPECT_EQ(ShortestMove(1610, 2, 1600, 6), -10);               // back onto the position
}

TEST(WheelGeometry, NegativeCountsTakeTheShortWayToo) {
  EXPECT_EQ(ShortestMove(-8000, 6, 1600, 6), -3200);  // at filter 2, one turn below
  EXPECT_EQ(ShortestMove(-1600, 1, 1600, 6), 1600);   // at filter 6
}

TEST(WheelGeometry, FilterNumbersOutsideTheWheelGiveNoMove) {
  EXPECT_EQ(ShortestMove(0, 0, 1600, 6), std::nullopt);
  EXPECT_EQ(ShortestMove(0, 7, 1600, 6), std::nullopt);
}

// --- Device files ---

class WheelFiles : public IndexerTypes {};

TEST_P(WheelFiles, ReadsEveryKeyAndDefaultsTheOptionalOnes) {
  IndexerRig rig(
      GetParam(),
      {{"QV_PARW2.TXT",
        Without(Without(Without(WheelFile(2, AddressesOf(GetParam()).w2), "W2JOGSPEEDLOW"),
                        "W2JOGSPEEDHIGH"),
                "W2POWERUPORIGIN")}});
  ASSERT_EQ(rig.wheels->ReadPar(1), 1);
  const WheelParams& w1 = rig.wheels->Params(1);
  EXPECT_EQ(w1.profile.contr, rig.address.w1);
  EXPECT_EQ(w1.profile.stepDivide, 3);
  EXPECT_EQ(w1.profile.deceleration, 25);
  EXPECT_EQ(w1.jogSpeedLow, 15);
  EXPECT_EQ(w1.mstepsPerFilt, 1600);
  EXPECT_EQ(w1.offsetHome, 200);
  EXPECT_EQ(w1.filtPositions, 6);
  EXPECT_EQ(w1.homeSpeed, -2000);
  ASSERT_EQ(rig.wheels->ReadPar(2), 1);
  const WheelParams& w2 = rig.wheels->Params(2);
  EXPECT_EQ(w2.jogSpeedLow, 10);
  EXPECT_EQ(w2.jogSpeedHigh, 50);
  EXPECT_EQ(w2.powerUpOrigin, 0);
  EXPECT_TRUE(rig.notifier.Messages.empty());
  EXPECT_TRUE(rig.TakeFrames().empty());  // reading a file sends nothing
}

TEST_P(WheelFiles, MissingRequiredKeysAreEachNamedAndFailTheLoad) {
  IndexerRig rig(
      GetParam(),
      {{"QV_PARW1.TXT", Without(Without(WheelFile(1, AddressesOf(GetParam()).w1), "W1OFFSETHOME"),
                                "W1FILTPOSITIONS")}});
  EXPECT_EQ(rig.wheels->ReadPar(1), -1);
  ASSERT_EQ(rig.notifier.Messages.size(), 2u);
  EXPECT_EQ(rig.notifier.Messages[0].Text,
            "Parameter W1OFFSETHOME not found in " + rig.folder.Dir() + "QV_PARW1.TXT");
  EXPECT_EQ(rig.notifier.Messages[1].Text,
            "Parameter W1FILTPOSITIONS not found in " + rig.folder.Dir() + "QV_PARW1.TXT");
  EXPECT_EQ(rig.wheels->Params(1).homeSpeed, -2000);  // keys after them still read
  EXPECT_EQ(rig.wheels->Init(1), -1);
  EXPECT_TRUE(rig.TakeFrames().empty());
}

TEST_P(WheelFiles, AMissingFileFailsInitialisation) {
  IndexerRig rig(GetParam(), {{"QV_PARW2.TXT", {}}});
  EXPECT_EQ(rig.wheels->Init(2), -1);
  EXPECT_EQ(rig.notifier.LastText(), "File " + rig.folder.Dir() + "QV_PARW2.TXT does not exist");
  EXPECT_TRUE(rig.TakeFrames().empty());
}

INSTANTIATE_TEST_SUITE_P(Types, WheelFiles,
                         ::testing::Values(ControllerKind::kEzhr17, ControllerKind::kIm483i),
                         KindName);

// --- Settings sent at start-up ---

class WheelApply : public IndexerTypes {};

TEST_P(WheelApply, SendsTheProfileThenLimitsOffModeAndIndexSteps) {
  IndexerRig rig(GetParam());
  ASSERT_EQ(rig.wheels->ReadPar(1), 1);
  ASSERT_EQ(rig.wheels->ApplyPar(1), 1);
  if (rig.Ez()) {
    EXPECT_EQ(rig.TakeFrames(), (Frames{"/4j8R", "/4h10m50R", "/4V8000R", "/4L20R", "/4f0R",
                                        "/4n0R", "/4n1R", "/4B1600R"}));
  } else {
    EXPECT_EQ(rig.TakeFrames(), (Frames{"FH 0", "FD 3", "FY 10 50", "FV 8000", "FI 500", "FK 20 25",
                                        "FB 15 60", "Fl 0"}));
  }
}

TEST_P(WheelApply, APowerUpOriginIsGivenOnlyToAControllerThatCountsZero) {
  IndexerRig rig(GetParam(), {{"QV_PARW1.TXT", With(WheelFile(1, AddressesOf(GetParam()).w1),
                                                    "W1POWERUPORIGIN", "5000")}});
  ASSERT_EQ(rig.wheels->ReadPar(1), 1);
  ASSERT_EQ(rig.wheels->ApplyPar(1), 1);
  Frames frames = rig.TakeFrames();
  if (rig.Ez()) {
    ASSERT_EQ(frames.size(), 11u);
    EXPECT_EQ(Frames(frames.begin() + 4, frames.begin() + 7),
              (Frames{"/4?0", "/4P1R", "/4z5000R"}));
    EXPECT_EQ(rig.State('4').counter, 5000);
  } else {
    ASSERT_EQ(frames.size(), 11u);
    EXPECT_EQ(Frames(frames.begin() + 7, frames.begin() + 10), (Frames{"FZ", "F+1", "FO"}));
  }
  rig.WaitAll();
  rig.TakeFrames();
  // A second start-up of an EZHR17 wheel finds a count that is not 0 and leaves it alone; an
  // IM483I origin always makes the count 0, so it is set again.
  ASSERT_EQ(rig.wheels->ApplyPar(1), 1);
  frames = rig.TakeFrames();
  EXPECT_EQ(frames.size(), rig.Ez() ? 9u : 11u);
  if (rig.Ez()) {
    EXPECT_EQ(frames[4], "/4?0");
  }
}

TEST_P(WheelApply, AFilterDistanceBeyondSixteenBitsFailsTheApply) {
  const char a = AddressesOf(GetParam()).w1;
  IndexerRig rig(GetParam(), {{"QV_PARW1.TXT", With(WheelFile(1, a), "W1MSTEPSPERFILT", "40000")}});
  ASSERT_EQ(rig.wheels->ReadPar(1), 1);
  EXPECT_EQ(rig.wheels->ApplyPar(1), -1);
}

TEST_P(WheelApply, InitReadsTheFilterIntoTheCurrentFilter) {
  IndexerRig rig(GetParam());
  rig.InitAll();
  EXPECT_EQ(rig.ready.WReady[1], 1);
  EXPECT_EQ(rig.ready.WReady[2], 1);
  EXPECT_EQ(rig.wheels->CurrentWheel(), 2);
  EXPECT_EQ(rig.wheels->CurrentFilter(1), 1);  // a fresh controller counts 0
  EXPECT_EQ(rig.wheels->CurrentFilter(2), 1);
}

TEST_P(WheelApply, AControllerThatDoesNotAnswerFailsAtThatStep) {
  IndexerRig rig(GetParam());
  rig.line->SetFault(rig.address.w1, sim::Fault{sim::FaultKind::NoReply, 0, -1});
  EXPECT_EQ(rig.wheels->Init(1), -1);
  EXPECT_EQ(rig.TakeFrames().size(), rig.Ez() ? 1u : 2u);  // nothing after the failed step
}

INSTANTIATE_TEST_SUITE_P(Types, WheelApply,
                         ::testing::Values(ControllerKind::kEzhr17, ControllerKind::kIm483i),
                         KindName);

// --- Moves, homing and the rest on an initialised, homed wheel ---

class WheelMotion : public IndexerTypes {
 protected:
  void SetUp() override {
    rig_ = std::make_unique<IndexerRig>(GetParam());
    rig_->InitAll();
    rig_->wheels->SelectWheel(1);
    ASSERT_EQ(rig_->wheels->Home(), 1);
    rig_->TakeFrames();
  }
  IndexerRig& rig() { return *rig_; }
  char w1() { return rig().address.w1; }
  // The filter the program reads after the wheel stopped.
  int16_t Filter() {
    EXPECT_EQ(rig().wheels->Wait(), 1);
    int16_t filter = 0;
    EXPECT_EQ(rig().wheels->ReadFilter(filter), 1);
    return filter;
  }
  std::string Rel(int steps) {
    if (rig().Ez())
      return std::string("/4") + (steps > 0 ? "P" : "D") + std::to_string(std::abs(steps)) + "R";
    return std::string("F") + (steps > 0 ? "+" : "-") + std::to_string(std::abs(steps));
  }
  // The relative moves among the frames since the last call.
  Frames Moves() {
    Frames moves;
    for (const std::string& f : rig().TakeFrames()) {
      if (f.size() > 2 && (f[2] == 'P' || f[2] == 'D') && rig().Ez()) moves.push_back(f);
      if (f.size() > 1 && (f[1] == '+' || f[1] == '-') && !rig().Ez()) moves.push_back(f);
    }
    return moves;
  }

 private:
  std::unique_ptr<IndexerRig> rig_;
};

TEST_P(WheelMotion, HomingPutsFilterOneInTheBeam) {
  EXPECT_EQ(rig().InBeam(w1()), 1);
  EXPECT_EQ(Filter(), 1);
  if (rig().Ez()) {
    // The homing program's speeds are replaced by the wheel's own again.
    EXPECT_EQ(static_cast<sim::EzUnit&>(rig().Unit(w1())).TopSpeed(), 8000);
    EXPECT_EQ(rig().wheels->HomingOffset(1), rig().State(w1()).counter);
  } else {
    EXPECT_EQ(rig().State(w1()).counter, 0);
  }
}

TEST_P(WheelMotion, GoesToAFilterTheShortWayRound) {
  ASSERT_EQ(rig().wheels->GotoFilter(6), 1);
  EXPECT_EQ(Moves(), Frames{Rel(-1600)});  // 1 -> 6 backward through the wrap
  EXPECT_EQ(Filter(), 6);
  EXPECT_EQ(rig().InBeam(w1()), 6);
  ASSERT_EQ(rig().wheels->GotoFilter(1), 1);
  EXPECT_EQ(Moves(), Frames{Rel(1600)});  // 6 -> 1 forward through the wrap
  EXPECT_EQ(Filter(), 1);
  EXPECT_EQ(rig().InBeam(w1()), 1);
  ASSERT_EQ(rig().wheels->GotoFilter(2), 1);
  EXPECT_EQ(Filter(), 2);
  rig().TakeFrames();
  ASSERT_EQ(rig().wheels->GotoFilter(5), 1);
  EXPECT_EQ(Moves(), Frames{Rel(-4800)});  // the tie goes backward
  EXPECT_EQ(Filter(), 5);
  EXPECT_EQ(rig().InBeam(w1()), 5);
}

TEST_P(WheelMotion, AGotoWaitsForARunningMoveBeforeItReadsTheCount) {
  ASSERT_EQ(rig().wheels->GotoFilter(4), 1);
  EXPECT_TRUE(rig().State(w1()).moving);
  ASSERT_EQ(rig().wheels->GotoFilter(3), 1);  // no refusal of a move while moving
  EXPECT_EQ(Filter(), 3);
  EXPECT_EQ(rig().InBeam(w1()), 3);
}

TEST_P(WheelMotion, FilterNumbersOutsideTheWheelSendNothing) {
  EXPECT_EQ(rig().wheels->GotoFilter(0), -1);
  EXPECT_EQ(rig().wheels->GotoFilter(7), -1);
  EXPECT_EQ(rig().wheels->GotoFilterComp(-3), -1);
  EXPECT_TRUE(rig().TakeFrames().empty());
  EXPECT_EQ(rig().wheels->CurrentFilter(1), 1);
}

TEST_P(WheelMotion, NextAndPrevWrapAtTheEnds) {
  rig().wheels->SetCurrentFilter(1, 1);
  ASSERT_EQ(rig().wheels->Prev(), 1);
  EXPECT_EQ(rig().wheels->CurrentFilter(1), 6);
  EXPECT_EQ(Filter(), 6);
  ASSERT_EQ(rig().wheels->Next(), 1);
  EXPECT_EQ(rig().wheels->CurrentFilter(1), 1);
  EXPECT_EQ(Filter(), 1);
  EXPECT_EQ(rig().InBeam(w1()), 1);
  ASSERT_EQ(rig().wheels->Next(), 1);
  EXPECT_EQ(Filter(), 2);
}

TEST_P(WheelMotion, NextDoesNothingOnAWheelThatIsNotReady) {
  rig().ready.WReady[1] = 0;
  EXPECT_EQ(rig().wheels->Next(), 0);
  EXPECT_EQ(rig().wheels->Prev(), 0);
  EXPECT_TRUE(rig().TakeFrames().empty());
  EXPECT_EQ(rig().wheels->CurrentFilter(1), 1);
}

TEST_P(WheelMotion, TheSecondWheelMovesOnItsOwnAddress) {
  EXPECT_EQ(rig().wheels->SelectWheel(2), 6);
  ASSERT_EQ(rig().wheels->Home(), 1);
  ASSERT_EQ(rig().wheels->GotoFilter(3), 1);
  EXPECT_EQ(Filter(), 3);
  EXPECT_EQ(rig().InBeam(rig().address.w2), 3);
  EXPECT_EQ(rig().InBeam(w1()), 1);  // wheel 1 stayed
}

TEST_P(WheelMotion, JoystickStepsOnceADeflectionAndAgainOnlyAfterTheCentre) {
  rig().wheels->AssignJoyWheelToReady();
  EXPECT_EQ(rig().wheels->JoyWheel(), 1);
  int captions = 0;
  rig().wheels->SetFilterChangedHook([&] { ++captions; });
  rig().wheels->SelectWheel(2);
  EXPECT_EQ(rig().wheels->JoyStep(900, 1000), 1);
  EXPECT_EQ(rig().wheels->CurrentWheel(), 1);
  EXPECT_EQ(rig().wheels->JoyStep(1000, 1000), 1);  // held: no second step
  EXPECT_EQ(rig().wheels->JoyStep(500, 1000), 1);   // not back near the centre yet
  EXPECT_EQ(rig().wheels->JoyStep(950, 1000), 1);
  EXPECT_EQ(rig().wheels->CurrentFilter(1), 2);
  EXPECT_EQ(captions, 1);
  EXPECT_EQ(rig().wheels->JoyStep(100, 1000), 1);  // inside 20 %: the latch opens
  EXPECT_EQ(rig().wheels->JoyStep(-900, 1000), 1);
  EXPECT_EQ(rig().wheels->CurrentFilter(1), 1);
  EXPECT_EQ(captions, 2);
  EXPECT_EQ(Filter(), 1);
}

TEST_P(WheelMotion, JoystickDoesNothingForAWheelThatIsNotReady) {
  rig().wheels->SetJoyWheel(2);
  rig().ready.WReady[2] = 0;
  EXPECT_EQ(rig().wheels->JoyStep(1000, 1000), 1);
  rig().wheels->SetJoyWheel(0);
  EXPECT_EQ(rig().wheels->JoyStep(1000, 1000), 1);
  EXPECT_TRUE(rig().TakeFrames().empty());
}

TEST_P(WheelMotion, TheLampIsTheFirstOutputOfAnIm483iWheel) {
  if (rig().Ez()) {
    EXPECT_EQ(rig().wheels->Lamp(1), 0);  // an EZHR17 wheel has no lamp output
    EXPECT_TRUE(rig().TakeFrames().empty());
    EXPECT_EQ(rig().wheels->LampState(1), 0);
    return;
  }
  EXPECT_EQ(rig().wheels->Lamp(1), 1);
  EXPECT_EQ(rig().TakeFrames(), (Frames{"FA 129", "FA 8"}));
  EXPECT_EQ(rig().Unit(w1()).Outputs(), 8);
  EXPECT_EQ(rig().wheels->LampState(1), 1);
  EXPECT_EQ(rig().wheels->Lamp(0), 1);
  EXPECT_EQ(rig().Unit(w1()).Outputs(), 0);
  EXPECT_EQ(rig().wheels->LampState(1), 0);
}

INSTANTIATE_TEST_SUITE_P(Types, WheelMotion,
                         ::testing::Values(ControllerKind::kEzhr17, ControllerKind::kIm483i),
                         KindName);

// --- Homing variants ---

class WheelHoming : public IndexerTypes {};

TEST_P(WheelHoming, HomesFromAnyStartingAngle) {
  for (int64_t start : {0, 1000, 4800, 9500}) {
    IndexerRig rig(GetParam());
    rig.plan.units.clear();  // a fresh line with the wheel elsewhere
    sim::LinePlan plan = sim::ReadLinePlan(rig.folder.Dir());
    for (sim::UnitPlan& unit : plan.units) {
      if (unit.address == rig.address.w1) unit.axis.startPosition = start;
      rig.line->AddUnit(unit.address, unit.axis);
    }
    rig.plan = plan;
    rig.InitAll();
    rig.wheels->SelectWheel(1);
    ASSERT_EQ(rig.wheels->Home(), 1) << start;
    EXPECT_EQ(rig.InBeam(rig.address.w1), 1) << start;
    int16_t filter = 0;
    ASSERT_EQ(rig.wheels->ReadFilter(filter), 1);
    EXPECT_EQ(filter, 1) << start;
  }
}

TEST(WheelHomingSequence, Im483iSmartSearchThenOffsetThenOrigin) {
  IndexerRig rig(ControllerKind::kIm483i);
  rig.InitAll();
  rig.wheels->SelectWheel(1);
  rig.TakeFrames();
  ASSERT_EQ(rig.wheels->Home(), 1);
  const Frames frames = rig.TakeFrames();
  ASSERT_GE(frames.size(), 6u);
  EXPECT_EQ(frames[0], "FI-500");  // a quarter of the home speed as start speed while homing
  EXPECT_EQ(frames[1], "FF 2000 1");
  EXPECT_NE(std::find(frames.begin(), frames.end(), "F+200"), frames.end());
  EXPECT_EQ(Frames(frames.end() - 2, frames.end()), (Frames{"FE 50", "FO"}));
}

TEST(WheelHomingSequence, Ezhr17HomingProgramThenOffsetThenTheProfileAgain) {
  IndexerRig rig(ControllerKind::kEzhr17);
  rig.InitAll();
  rig.wheels->SelectWheel(1);
  rig.TakeFrames();
  ASSERT_EQ(rig.wheels->Home(), 1);
  Frames frames = rig.TakeFrames();
  std::erase(frames, "/4Q");  // the polls of the waits
  EXPECT_EQ(frames, (Frames{"/4z0R", "/4v1000V10000L12gD10S13G0D1gD1S03G0D1R", "/4P200R", "/4?0",
                            "/4V8000R", "/4L20R"}));
}

TEST_P(WheelHoming, AnEzhr17PowerUpOriginStillReadsFilterOneAfterHoming) {
  const char a = AddressesOf(GetParam()).w1;
  IndexerRig rig(GetParam(), {{"QV_PARW1.TXT", With(WheelFile(1, a), "W1POWERUPORIGIN", "5000")}});
  rig.InitAll();
  rig.wheels->SelectWheel(1);
  ASSERT_EQ(rig.wheels->Home(), 1);
  int16_t filter = 0;
  ASSERT_EQ(rig.wheels->ReadFilter(filter), 1);
  EXPECT_EQ(filter, 1);
  ASSERT_EQ(rig.wheels->GotoFilter(4), 1);
  ASSERT_EQ(rig.wheels->Wait(), 1);
  ASSERT_EQ(rig.wheels->ReadFilter(filter), 1);
  EXPECT_EQ(filter, 4);
  EXPECT_EQ(rig.InBeam(a), 4);
}

TEST_P(WheelHoming, FailsWhenTheIndexIsNeverSeenAndLeavesTheWheelStopped) {
  const char a = AddressesOf(GetParam()).w1;
  IndexerRig rig(GetParam(), {}, {a});
  rig.motCon->MotorSetMoveTimeout(3);
  rig.InitAll();
  rig.wheels->SelectWheel(1);
  rig.TakeFrames();
  EXPECT_EQ(rig.wheels->Home(), -1);
  EXPECT_FALSE(rig.State(a).moving);
  const Frames frames = rig.TakeFrames();
  if (rig.Ez()) {
    EXPECT_NE(std::find(frames.begin(), frames.end(), "/4T"), frames.end());
    EXPECT_EQ(frames.back(), "/4L20R");  // the profile is restored all the same
    EXPECT_EQ(static_cast<sim::EzUnit&>(rig.Unit(a)).TopSpeed(), 8000);
  } else {
    EXPECT_EQ(frames.back(), "FO");  // the origin is set all the same
    EXPECT_NE(std::find(frames.begin(), frames.end(), "FM0"), frames.end());
  }
}

INSTANTIATE_TEST_SUITE_P(Types, WheelHoming,
                         ::testing::Values(ControllerKind::kEzhr17, ControllerKind::kIm483i),
                         KindName);

}  // namespace
}  // namespace qv::test::indexer
