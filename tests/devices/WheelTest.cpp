// The filter wheels on both controller types: device files, the settings sent at start-up, the
// filter behind a count, the shortest way round, homing, the lamp, joystick stepping, all
// against simulated wheels with their index.
#include <gtest/gtest.h>

#include "devices/Wheels.h"
#include "sim/EzUnit.h"
#include "tests/devices/DeviceRig.h"

namespace qv::test {
namespace {

// --- The arithmetic of positions, without a controller ---

TEST(WheelGeometry, FilterFromCountRoundsTiesDownAndCountsRoundTheWheel) {
  const std::pair<double, int> cases[] = {{0, 1},
                                          {8000, 6},
                                          {9600, 1},   // one turn on
                                          {-1600, 6},  // one filter back from 1
                                          {-9600 * 3 + 3200, 3},
                                          {2.5 * 1600, 3},    // f = 2.5: the lower, filter 3
                                          {2.51 * 1600, 4},   // f = 2.51: filter 4
                                          {-0.5 * 1600, 6}};  // f = -0.5 goes down to -1
  for (const auto& [count, filter] : cases)
    EXPECT_EQ(FilterAtCount(count, 1600, 6), filter) << count;
}

TEST(WheelGeometry, ShortestMoveTakesTheShorterWayAndBackwardOnATie) {
  struct Case {
    double count;
    int16_t filter;
    double move;
  };
  const Case cases[] = {{8000, 1, 1600},              // 6 -> 1 through the wrap
                        {1600, 5, -4800},             // 2 -> 5: a tie goes backward
                        {1600, 4, 3200},              // 2 -> 4
                        {0, 6, -1600},                // 1 -> 6 through the wrap
                        {3200, 3, 0},                 // already there
                        {9600 * 5 + 1600, 1, -1600},  // turns on count nothing
                        {1610, 2, -10},               // back onto the position
                        {-8000, 6, -3200},            // at filter 2, one turn below
                        {-1600, 1, 1600}};            // at filter 6
  for (const Case& c : cases)
    EXPECT_EQ(ShortestMove(c.count, c.filter, 1600, 6), c.move) << c.count << " -> " << c.filter;
}

TEST(WheelGeometry, UnusableGeometryCountOrFilterGivesNothing) {
  EXPECT_EQ(FilterAtCount(100, 0, 6), std::nullopt);
  EXPECT_EQ(FilterAtCount(100, 1600, 0), std::nullopt);
  EXPECT_EQ(FilterAtCount(1e300, 1600, 6), std::nullopt);
  EXPECT_EQ(ShortestMove(0, 2, 0, 6), std::nullopt);
  EXPECT_EQ(ShortestMove(0, 2, 1600, 0), std::nullopt);
  EXPECT_EQ(ShortestMove(0, 2, 0.01, 6), std::nullopt);  // a turn of no whole microstep
  EXPECT_EQ(ShortestMove(0, 0, 1600, 6), std::nullopt);
  EXPECT_EQ(ShortestMove(0, 7, 1600, 6), std::nullopt);
}

// --- Device files and the settings sent at start-up ---

using WheelSetup = BothTypes;

IndexerRig WithW1(ControllerType t, const std::string& key, const std::string& value) {
  return IndexerRig(t, {{"QV_PARW1.TXT", With(WheelFile(1, AddressesOf(t).w1), key, value)}});
}

TEST_P(WheelSetup, ReadsEveryKeyAndDefaultsTheOptionalOnes) {
  IndexerRig rig(GetParam(), {{"QV_PARW2.TXT",
                               Without(WheelFile(2, AddressesOf(GetParam()).w2),
                                       {"W2JOGSPEEDLOW", "W2JOGSPEEDHIGH", "W2POWERUPORIGIN"})}});
  ASSERT_EQ(rig.wheels->ReadPar(1), 1);
  const WheelParams& w1 = rig.wheels->Params(1);
  EXPECT_EQ(w1.profile.contr, rig.address.w1);
  EXPECT_EQ(Numbers(w1.profile.stepDivide, w1.profile.deceleration, w1.jogSpeedLow,
                    w1.mstepsPerFilt, w1.offsetHome, w1.filtPositions, w1.homeSpeed),
            (std::vector<double>{3, 25, 15, 1600, 200, 6, -2000}));
  ASSERT_EQ(rig.wheels->ReadPar(2), 1);
  const WheelParams& w2 = rig.wheels->Params(2);
  EXPECT_EQ(w2.jogSpeedLow, 10);
  EXPECT_EQ(w2.jogSpeedHigh, 50);
  EXPECT_EQ(w2.powerUpOrigin, 0);
  EXPECT_TRUE(rig.notifier.Messages.empty());
  EXPECT_TRUE(rig.TakeFrames().empty());  // reading a file sends nothing
}

TEST_P(WheelSetup, MissingKeysOrFilesAreNamedAndFailTheLoad) {
  IndexerRig rig(GetParam(), {{"QV_PARW1.TXT", Without(WheelFile(1, AddressesOf(GetParam()).w1),
                                                       {"W1OFFSETHOME", "W1FILTPOSITIONS"})},
                              {"QV_PARW2.TXT", {}}});
  EXPECT_EQ(rig.wheels->ReadPar(1), -1);
  const std::string file = rig.File("QV_PARW1.TXT");
  ASSERT_EQ(rig.notifier.Messages.size(), 2u);
  EXPECT_EQ(rig.notifier.Messages[0].Text, "Parameter W1OFFSETHOME not found in " + file);
  EXPECT_EQ(rig.notifier.Messages[1].Text, "Parameter W1FILTPOSITIONS not found in " + file);
  EXPECT_EQ(rig.wheels->Params(1).homeSpeed, -2000);  // keys after them still read
  EXPECT_EQ(rig.wheels->Init(1), -1);
  EXPECT_EQ(rig.wheels->Init(2), -1);
  EXPECT_EQ(rig.notifier.LastText(), "File " + rig.File("QV_PARW2.TXT") + " does not exist");
  EXPECT_TRUE(rig.TakeFrames().empty());
}

TEST_P(WheelSetup, ApplySendsTheProfileThenLimitsOffModeAndIndexSteps) {
  IndexerRig rig(GetParam());
  ASSERT_EQ(rig.wheels->ReadPar(1), 1);
  ASSERT_EQ(rig.wheels->ApplyPar(1), 1);
  const Frames ez{"/4j8R", "/4h10m50R", "/4V8000R", "/4L20R",
                  "/4f0R", "/4n0R",     "/4n1R",    "/4B1600R"};
  const Frames ims{"FH 0", "FD 3", "FY 10 50", "FV 8000", "FI 500", "FK 20 25", "FB 15 60", "Fl 0"};
  EXPECT_EQ(rig.TakeFrames(), rig.Ez() ? ez : ims);
  IndexerRig wide = WithW1(GetParam(), "W1MSTEPSPERFILT", "40000");  // beyond 16 bits
  ASSERT_EQ(wide.wheels->ReadPar(1), 1);
  EXPECT_EQ(wide.wheels->ApplyPar(1), -1);
}

TEST_P(WheelSetup, APowerUpOriginIsGivenOnlyToAControllerThatCountsZero) {
  IndexerRig rig = WithW1(GetParam(), "W1POWERUPORIGIN", "5000");
  ASSERT_EQ(rig.wheels->ReadPar(1), 1);
  ASSERT_EQ(rig.wheels->ApplyPar(1), 1);
  Frames frames = rig.TakeFrames();
  ASSERT_EQ(frames.size(), 11u);
  if (rig.Ez()) {
    EXPECT_EQ(Frames(frames.begin() + 4, frames.begin() + 7),
              (Frames{"/4?0", "/4P1R", "/4z5000R"}));
    EXPECT_EQ(rig.State('4').counter, 5000);
  } else {
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
  // Homing still puts filter 1 in the beam, and filters count from there.
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
  EXPECT_EQ(rig.InBeam(rig.address.w1), 4);
}

TEST_P(WheelSetup, InitReadsTheFilterAndASilentControllerFailsAtThatStep) {
  IndexerRig rig(GetParam());
  rig.InitAll();
  EXPECT_EQ(rig.ready.WReady[1], 1);
  EXPECT_EQ(rig.ready.WReady[2], 1);
  EXPECT_EQ(rig.wheels->CurrentWheel(), 2);
  EXPECT_EQ(rig.wheels->CurrentFilter(1), 1);  // a fresh controller counts 0
  EXPECT_EQ(rig.wheels->CurrentFilter(2), 1);
  IndexerRig silent(GetParam());
  silent.NoReply(silent.address.w1);
  EXPECT_EQ(silent.wheels->Init(1), -1);
  EXPECT_EQ(silent.TakeFrames().size(), silent.Ez() ? 1u : 2u);  // nothing after the failed step
}

QV_ON_BOTH_TYPES(WheelSetup);

// --- Moves, homing and the rest on an initialised, homed wheel ---

class WheelMotion : public BothTypes {
 protected:
  void SetUp() override {
    rig.InitAll();
    rig.wheels->SelectWheel(1);
    ASSERT_EQ(rig.wheels->Home(), 1);
    rig.TakeFrames();
  }
  // The filter the program reads after the wheel stopped.
  int16_t Filter() {
    EXPECT_EQ(rig.wheels->Wait(), 1);
    int16_t filter = 0;
    EXPECT_EQ(rig.wheels->ReadFilter(filter), 1);
    return filter;
  }
  std::string Rel(int steps) {
    const std::string size = std::to_string(std::abs(steps));
    return rig.Ez() ? std::string("/4") + (steps > 0 ? "P" : "D") + size + "R"
                    : std::string("F") + (steps > 0 ? "+" : "-") + size;
  }
  // The relative moves among the frames since the last call.
  Frames Moves() {
    Frames moves;
    const size_t at = rig.Ez() ? 2 : 1;
    for (const std::string& f : rig.TakeFrames()) {
      if (f.size() > at && std::string(rig.Ez() ? "PD" : "+-").find(f[at]) != std::string::npos)
        moves.push_back(f);
    }
    return moves;
  }
  IndexerRig rig{GetParam()};
  const char w1 = rig.address.w1;
};

TEST_P(WheelMotion, HomingPutsFilterOneInTheBeam) {
  EXPECT_EQ(rig.InBeam(w1), 1);
  EXPECT_EQ(Filter(), 1);
  if (rig.Ez()) {
    // The homing program's speeds are replaced by the wheel's own again.
    EXPECT_EQ(static_cast<sim::EzUnit&>(rig.Unit(w1)).TopSpeed(), 8000);
    EXPECT_EQ(rig.wheels->HomingOffset(1), rig.State(w1).counter);
  } else {
    EXPECT_EQ(rig.State(w1).counter, 0);
  }
}

TEST_P(WheelMotion, GoesToAFilterTheShortWayRound) {
  // 1 -> 6 and 6 -> 1 through the wrap, 1 -> 2, then 2 -> 5: the tie goes backward.
  const std::pair<int16_t, int> steps[] = {{6, -1600}, {1, 1600}, {2, 1600}, {5, -4800}};
  for (const auto& [filter, move] : steps) {
    ASSERT_EQ(rig.wheels->GotoFilter(filter), 1);
    EXPECT_EQ(Moves(), Frames{Rel(move)}) << filter;
    EXPECT_EQ(Filter(), filter);
    EXPECT_EQ(rig.InBeam(w1), filter);
  }
}

TEST_P(WheelMotion, AGotoWaitsForARunningMoveBeforeItReadsTheCount) {
  ASSERT_EQ(rig.wheels->GotoFilter(4), 1);
  EXPECT_TRUE(rig.State(w1).moving);
  ASSERT_EQ(rig.wheels->GotoFilter(3), 1);  // no refusal of a move while moving
  EXPECT_EQ(Filter(), 3);
  EXPECT_EQ(rig.InBeam(w1), 3);
}

TEST_P(WheelMotion, NextAndPrevWrapAtTheEnds) {
  rig.wheels->SetCurrentFilter(1, 1);
  ASSERT_EQ(rig.wheels->Prev(), 1);
  EXPECT_EQ(rig.wheels->CurrentFilter(1), 6);
  EXPECT_EQ(Filter(), 6);
  ASSERT_EQ(rig.wheels->Next(), 1);
  EXPECT_EQ(rig.wheels->CurrentFilter(1), 1);
  EXPECT_EQ(Filter(), 1);
  EXPECT_EQ(rig.InBeam(w1), 1);
  ASSERT_EQ(rig.wheels->Next(), 1);
  EXPECT_EQ(Filter(), 2);
}

TEST_P(WheelMotion, NothingIsSentForAFilterOutsideTheWheelOrAWheelThatIsNotReady) {
  EXPECT_EQ(rig.wheels->GotoFilter(0), -1);
  EXPECT_EQ(rig.wheels->GotoFilter(7), -1);
  EXPECT_EQ(rig.wheels->GotoFilterComp(-3), -1);
  rig.ready.WReady[1] = 0;
  EXPECT_EQ(rig.wheels->Next(), 0);
  EXPECT_EQ(rig.wheels->Prev(), 0);
  rig.wheels->SetJoyWheel(1);
  EXPECT_EQ(rig.wheels->JoyStep(1000, 1000), 1);
  rig.wheels->SetJoyWheel(0);
  EXPECT_EQ(rig.wheels->JoyStep(1000, 1000), 1);
  EXPECT_TRUE(rig.TakeFrames().empty());
  EXPECT_EQ(rig.wheels->CurrentFilter(1), 1);
}

TEST_P(WheelMotion, TheSecondWheelMovesOnItsOwnAddress) {
  EXPECT_EQ(rig.wheels->SelectWheel(2), 6);
  ASSERT_EQ(rig.wheels->Home(), 1);
  ASSERT_EQ(rig.wheels->GotoFilter(3), 1);
  EXPECT_EQ(Filter(), 3);
  EXPECT_EQ(rig.InBeam(rig.address.w2), 3);
  EXPECT_EQ(rig.InBeam(w1), 1);  // wheel 1 stayed
}

TEST_P(WheelMotion, JoystickStepsOnceADeflectionAndAgainOnlyAfterTheCentre) {
  rig.wheels->AssignJoyWheelToReady();
  EXPECT_EQ(rig.wheels->JoyWheel(), 1);
  int captions = 0;
  rig.wheels->SetFilterChangedHook([&] { ++captions; });
  rig.wheels->SelectWheel(2);
  // Held, and not back near the centre: no second step; inside 20 % the latch opens.
  for (int deflection : {900, 1000, 500, 950})
    EXPECT_EQ(rig.wheels->JoyStep(deflection, 1000), 1);
  EXPECT_EQ(rig.wheels->CurrentWheel(), 1);
  EXPECT_EQ(rig.wheels->CurrentFilter(1), 2);
  EXPECT_EQ(captions, 1);
  for (int deflection : {100, -900})
    EXPECT_EQ(rig.wheels->JoyStep(deflection, 1000), 1);
  EXPECT_EQ(rig.wheels->CurrentFilter(1), 1);
  EXPECT_EQ(captions, 2);
  EXPECT_EQ(Filter(), 1);
}

TEST_P(WheelMotion, TheLampIsTheFirstOutputOfAnIm483iWheel) {
  if (rig.Ez()) {
    EXPECT_EQ(rig.wheels->Lamp(1), 0);  // an EZHR17 wheel has no lamp output
    EXPECT_TRUE(rig.TakeFrames().empty());
    EXPECT_EQ(rig.wheels->LampState(1), 0);
    return;
  }
  EXPECT_EQ(rig.wheels->Lamp(1), 1);
  EXPECT_EQ(rig.TakeFrames(), (Frames{"FA 129", "FA 8"}));
  EXPECT_EQ(rig.Unit(w1).Outputs(), 8);
  EXPECT_EQ(rig.wheels->LampState(1), 1);
  EXPECT_EQ(rig.wheels->Lamp(0), 1);
  EXPECT_EQ(rig.Unit(w1).Outputs(), 0);
  EXPECT_EQ(rig.wheels->LampState(1), 0);
}

QV_ON_BOTH_TYPES(WheelMotion);

// --- Homing variants ---

using WheelHoming = BothTypes;

TEST_P(WheelHoming, HomesFromAnyStartingAngle) {
  for (int64_t start : {0, 1000, 4800, 9500}) {
    SCOPED_TRACE(start);
    const char w1 = AddressesOf(GetParam()).w1;
    IndexerRig rig(GetParam(), {}, [&](sim::LinePlan& plan) {
      for (sim::UnitPlan& unit : plan.units)
        if (unit.address == w1) unit.axis.startPosition = start;
    });
    rig.InitAll();
    rig.wheels->SelectWheel(1);
    ASSERT_EQ(rig.wheels->Home(), 1);
    EXPECT_EQ(rig.InBeam(w1), 1);
    int16_t filter = 0;
    ASSERT_EQ(rig.wheels->ReadFilter(filter), 1);
    EXPECT_EQ(filter, 1);
  }
}

TEST_P(WheelHoming, FailsWhenTheIndexIsNeverSeenAndLeavesTheWheelStopped) {
  const char a = AddressesOf(GetParam()).w1;
  IndexerRig rig(GetParam(), {}, IndexerRig::Dead(GetParam(), {a}));
  rig.mot.MotorSetMoveTimeout(3);
  rig.InitAll();
  rig.wheels->SelectWheel(1);
  rig.TakeFrames();
  EXPECT_EQ(rig.wheels->Home(), -1);
  EXPECT_FALSE(rig.State(a).moving);
  const Frames frames = rig.TakeFrames();
  if (rig.Ez()) {
    EXPECT_TRUE(Has(frames, "/4T"));
    EXPECT_EQ(frames.back(), "/4L20R");  // the profile is restored all the same
    EXPECT_EQ(static_cast<sim::EzUnit&>(rig.Unit(a)).TopSpeed(), 8000);
  } else {
    EXPECT_EQ(frames.back(), "FO");  // the origin is set all the same
    EXPECT_TRUE(Has(frames, "FM0"));
  }
}

QV_ON_BOTH_TYPES(WheelHoming);

TEST(WheelHomingSequence, Im483iSmartSearchThenOffsetThenOrigin) {
  // Homing backwards at 1200: a quarter, 300, is below the initial speed of 500 and is sent
  // as a speed (no sign) for the search, then 500 again.
  IndexerRig rig = WithW1(ControllerType::IM483I, "W1HOMESPEED", "-1200");
  rig.InitAll();
  rig.wheels->SelectWheel(1);
  rig.TakeFrames();
  ASSERT_EQ(rig.wheels->Home(), 1);
  const Frames frames = Commands(rig.TakeFrames());
  ASSERT_GE(frames.size(), 6u);
  EXPECT_EQ(Frames(frames.begin(), frames.begin() + 3), (Frames{"FI 300", "FF 1200 1", "F] 1"}));
  EXPECT_EQ(Frames(frames.end() - 5, frames.end()),
            (Frames{"FI 500", "FM0", "F+200", "FE 50", "FO"}));
}

TEST(WheelHomingSequence, Ezhr17HomingProgramThenOffsetThenTheProfileAgain) {
  IndexerRig rig(ControllerType::EZHR17);
  rig.InitAll();
  rig.wheels->SelectWheel(1);
  rig.TakeFrames();
  ASSERT_EQ(rig.wheels->Home(), 1);
  EXPECT_EQ(Commands(rig.TakeFrames()), (Frames{"/4z0R", "/4v1000V10000L12gD10S13G0D1gD1S03G0D1R",
                                                "/4P200R", "/4?0", "/4V8000R", "/4L20R"}));
  EXPECT_EQ(rig.InBeam(rig.address.w1), 1);
}

}  // namespace
}  // namespace qv::test
