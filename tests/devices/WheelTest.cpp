// The filter wheels on both controller types: the filter behind a count, the shortest way
// round, the settings sent at start-up, moves while moving, homing, joystick stepping and focus
// compensation, all against simulated wheels with their index. The words "F" and "B" are
// transcripts (tests/transcripts/devices-a/).
#include <gtest/gtest.h>

#include "devices/Wheels.h"
#include "tests/devices/DeviceRig.h"

namespace qv::test {
namespace {

// --- The arithmetic of positions, without a controller ---

TEST(WheelGeometry, FilterFromCountRoundsTiesDownAndCountsRoundTheWheel) {
  const std::pair<double, int> cases[] = {{0, 1},           {9600, 1},  // one turn on
                                          {-1600, 6},                   // one filter back from 1
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
  // A tie going backward and 1 -> 6 through the wrap are in the "F" transcript.
  const Case cases[] = {{8000, 1, 1600},              // 6 -> 1 through the wrap
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

using WheelSetup = RigTypes;

// What the keys give shows in the frames and moves of the other tests; here the defaults.
TEST_P(WheelSetup, ReadingAFileSendsNothingAndOptionalKeysDefault) {
  rig.Drop("W2", {"W2JOGSPEEDLOW", "W2JOGSPEEDHIGH", "W2POWERUPORIGIN"});
  ASSERT_EQ(rig.W().ReadPar(2), 1);
  const WheelParams& w2 = rig.W().Params(2);
  EXPECT_EQ(Numbers(w2.jogSpeedLow, w2.jogSpeedHigh, w2.powerUpOrigin, w2.profile.contr),
            Numbers(10, 50, 0, rig.Address('B')));
  EXPECT_TRUE(rig.notifier.Messages.empty());
  EXPECT_TRUE(rig.Take().empty());
}

TEST_P(WheelSetup, ApplySendsTheProfileThenLimitsOffModeAndIndexSteps) {
  ASSERT_EQ(rig.W().ReadPar(1), 1);
  ASSERT_EQ(rig.W().ApplyPar(1), 1);
  EXPECT_EQ(
      rig.Take(),
      Expect({"/4j8R", "/4h10m50R", "/4V8000R", "/4L20R", "/4f0R", "/4n0R", "/4n1R", "/4B1600R"},
             {"FH 0", "FD 3", "FY 10 50", "FV 8000", "FI 500", "FK 20 25", "FB 15 60", "Fl 0"}));
  Rig wide(GetParam());
  wide.Set("W1", "W1MSTEPSPERFILT", "40000");  // beyond 16 bits
  ASSERT_EQ(wide.W().ReadPar(1), 1);
  EXPECT_EQ(wide.W().ApplyPar(1), -1);
}

TEST_P(WheelSetup, APowerUpOriginIsGivenOnlyToAControllerThatCountsZero) {
  rig.Set("W1", "W1POWERUPORIGIN", "5000");
  ASSERT_EQ(rig.W().ReadPar(1), 1);
  ASSERT_EQ(rig.W().ApplyPar(1), 1);
  Frames frames = rig.Take();
  ASSERT_EQ(frames.size(), 11u);
  EXPECT_EQ(Frames(frames.begin() + (rig.Ez() ? 4 : 7), frames.begin() + (rig.Ez() ? 7 : 10)),
            Expect({"/4?0", "/4P1R", "/4z5000R"}, {"FZ", "F+1", "FO"}));
  rig.Mot().MotorSelect(rig.Address('F'));
  rig.Mot().MotorWaitMoveEnd();
  rig.Take();
  // A second start-up of an EZHR17 wheel finds a count that is not 0 and leaves it alone; an
  // IM483I origin always makes the count 0, so it is set again.
  ASSERT_EQ(rig.W().ApplyPar(1), 1);
  frames = rig.Take();
  EXPECT_EQ(frames.size(), rig.Ez() ? 9u : 11u);
}

TEST_P(WheelSetup, InitReadsTheFilterAndASilentControllerFailsAtThatStep) {
  rig.InitAll();
  EXPECT_EQ(Numbers(rig.ready.WReady[1], rig.ready.WReady[2], rig.W().CurrentWheel(),
                    rig.W().CurrentFilter(1), rig.W().CurrentFilter(2)),
            Numbers(1, 1, 2, 1, 1));  // a fresh controller counts 0: filter 1
  rig.Take();
  rig.Fault('F');
  EXPECT_EQ(rig.W().Init(1), -1);
  EXPECT_EQ(rig.Take().size(), rig.Ez() ? 1u : 2u);  // nothing after the failed step
}

QV_ON_BOTH_TYPES(WheelSetup);

// --- Moves on an initialised, homed wheel ---

class WheelMotion : public RigTypes {
 protected:
  void SetUp() override {
    rig.InitAll();
    rig.W().SelectWheel(1);
    ASSERT_EQ(rig.W().Home(), 1);
    rig.Take();
  }
  // The filter the program reads after the wheel stopped.
  int16_t Filter() {
    EXPECT_EQ(rig.W().Wait(), 1);
    int16_t filter = 0;
    EXPECT_EQ(rig.W().ReadFilter(filter), 1);
    return filter;
  }
};

TEST_P(WheelMotion, NextAndPrevWrapAtTheEndsAndAGotoWaitsForARunningMove) {
  rig.W().SetCurrentFilter(1, 1);
  ASSERT_EQ(rig.W().Prev(), 1);
  EXPECT_EQ(Filter(), 6);
  ASSERT_EQ(rig.W().Next(), 1);
  EXPECT_EQ(Filter(), 1);
  ASSERT_EQ(rig.W().GotoFilter(4), 1);
  EXPECT_TRUE(rig.State('F').moving);
  ASSERT_EQ(rig.W().GotoFilter(3), 1);  // no refusal of a move while moving
  EXPECT_EQ(Filter(), 3);
}

TEST_P(WheelMotion, NothingIsSentForAFilterOutsideTheWheelOrAWheelThatIsNotReady) {
  rig.ready.WReady[1] = 0;
  EXPECT_EQ(rig.W().Next(), 0);
  EXPECT_EQ(rig.W().Prev(), 0);
  rig.W().SetJoyWheel(1);
  EXPECT_EQ(rig.W().JoyStep(1000, 1000), 1);
  rig.W().SetJoyWheel(0);
  EXPECT_EQ(rig.W().JoyStep(1000, 1000), 1);
  EXPECT_TRUE(rig.Take().empty());
  EXPECT_EQ(rig.W().CurrentFilter(1), 1);
}

TEST_P(WheelMotion, JoystickStepsOnceADeflectionAndAgainOnlyAfterTheCentre) {
  rig.W().AssignJoyWheelToReady();
  EXPECT_EQ(rig.W().JoyWheel(), 1);
  int captions = 0;
  rig.W().SetFilterChangedHook([&] { ++captions; });
  rig.W().SelectWheel(2);
  // Held, and not back near the centre: no second step; inside 20 % the latch opens.
  for (int deflection : {900, 1000, 500, 950})
    EXPECT_EQ(rig.W().JoyStep(deflection, 1000), 1);
  EXPECT_EQ(rig.W().CurrentWheel(), 1);
  EXPECT_EQ(rig.W().CurrentFilter(1), 2);
  EXPECT_EQ(captions, 1);
  for (int deflection : {100, -900})
    EXPECT_EQ(rig.W().JoyStep(deflection, 1000), 1);
  EXPECT_EQ(rig.W().CurrentFilter(1), 1);
  EXPECT_EQ(captions, 2);
  EXPECT_EQ(Filter(), 1);
}

TEST_P(WheelMotion, HomesFromAnyStartingAngle) {
  for (int64_t start : {0, 1000, 4800, 9500}) {
    SCOPED_TRACE(start);
    Rig other(GetParam());
    other.Tweak('F', [=](sim::UnitPlan& unit) { unit.axis.startPosition = start; });
    other.InitAll();
    other.W().SelectWheel(1);
    ASSERT_EQ(other.W().Home(), 1);
    EXPECT_EQ(other.InBeam('F'), 1);
    int16_t filter = 0;
    ASSERT_EQ(other.W().ReadFilter(filter), 1);
    EXPECT_EQ(filter, 1);
  }
}

// --- Focus compensation: the table file and the focus shift of a filter change (the
// simulator's Z unit follows it) ---

// The shift by the difference of the offsets, and per wheel, is the "F" and "B" transcripts'
// (tests/transcripts/devices-a/a_wheel_options.transcript).
TEST_P(WheelMotion, AFilterChangeShiftsTheFocusOnlyOnAChangeAndFailsWhenTheFocusCannot) {
  PutBytes(rig.File("QV_DZW1.TXT"),
           "\"W1DZ1\",0\r\n\"W1DZ2\",12\r\n\"W1DZ3\",-5\r\n\"W1DZ4\",3\r\n\"W1DZ5\",0\r\n"
           "\"W1DZ6\",40\r\n");
  ASSERT_EQ(rig.W().ReadZCompTable(1, "QV_DZW1.TXT"), 1);
  rig.W().ZCompOn();
  for (int16_t filter : {3, 3}) {  // the second: no change, no shift
    ASSERT_EQ(rig.W().GotoFilterComp(filter), 1);
    ASSERT_EQ(rig.W().WaitComp(), 1);
  }
  EXPECT_EQ(rig.State('Z').counter, -80);  // 5 microns down
  rig.W().SetCurrentFilter(1, 1);
  ASSERT_EQ(rig.W().Prev(), 1);  // 1 -> 6
  EXPECT_EQ(rig.focusMoves, (std::vector<double>{-5, 0, 40}));
  // A focus that cannot move fails the change, but the wheel did move.
  rig.Fault('Z');
  EXPECT_LT(rig.W().GotoFilterComp(2), 0);
  ASSERT_EQ(rig.W().Wait(), 1);
  EXPECT_EQ(rig.InBeam('F'), 2);
}

TEST_P(WheelMotion, FaultyCompensationTablesAreNamedFailTheReadAndCountAsOffsetZero) {
  FocusCompensation& table = rig.W().Compensation();
  PutBytes(rig.File("QV_DZW1_B.TXT"), "\"W1DZ1\",0\r\n\"W1DZ2\",12\r\n\"W1DZ4\",3\r\n");
  rig.notifier.Clear();
  EXPECT_EQ(rig.W().ReadZCompTable(1, "QV_DZW1_B.TXT"), -1);
  ASSERT_EQ(rig.notifier.Messages.size(), 3u);  // W1DZ3, W1DZ5, W1DZ6
  EXPECT_EQ(rig.notifier.Messages[0].Text,
            "Parameter W1DZ3 not found in " + rig.File("QV_DZW1_B.TXT"));
  EXPECT_EQ(table.Offset(1, 3), 0);
  EXPECT_EQ(table.Offset(1, 2), 12);
  EXPECT_EQ(table.Shift(1, 2, 3), -12);
  EXPECT_EQ(rig.W().ReadZCompTable(1, "NOSUCH.TXT"), -1);  // a missing file empties it
  EXPECT_EQ(table.Offset(1, 2), 0);
  PutBytes(rig.File("QV_DZW1_C.TXT"),
           "\"W1DZ1\",0\r\n\"W1DZ2\",far\r\n\"W1DZ3\",1\r\n\"W1DZ4\",99999\r\n\"W1DZ5\",0\r\n"
           "\"W1DZ6\",2.5\r\n");
  EXPECT_EQ(rig.W().ReadZCompTable(1, "QV_DZW1_C.TXT"), -1);
  EXPECT_EQ(table.Offset(1, 2), 0);
  EXPECT_EQ(table.Offset(1, 4), 0);  // beyond 16 bits
  EXPECT_EQ(table.Offset(1, 6), 2);  // halves to even
}

QV_ON_BOTH_TYPES(WheelMotion);

// The IM483I's search starts at a quarter of the homing speed when that is below the initial
// speed (300 here, sent as a speed without sign), then the offset and the origin; the EZHR17
// runs its homing program, the offset, and gets its own profile again.
TEST(WheelHomingSequence, SearchThenOffsetOnBothTypes) {
  for (ControllerType type : {ControllerType::IM483I, ControllerType::EZHR17}) {
    Rig rig(type);
    rig.Set("W1", "W1HOMESPEED", "-1200");
    rig.InitAll();
    rig.W().SelectWheel(1);
    rig.Take();
    ASSERT_EQ(rig.W().Home(), 1);
    const Frames frames = Commands(rig.Take());
    if (rig.Ez()) {
      EXPECT_EQ(frames, (Frames{"/4z0R", "/4v1000V10000L12gD10S13G0D1gD1S03G0D1R", "/4P200R",
                                "/4?0", "/4V8000R", "/4L20R"}));
      continue;
    }
    ASSERT_GE(frames.size(), 6u);
    EXPECT_EQ(Frames(frames.begin(), frames.begin() + 3), (Frames{"FI 300", "FF 1200 1", "F] 1"}));
    EXPECT_EQ(Frames(frames.end() - 5, frames.end()),
              (Frames{"FI 500", "FM0", "F+200", "FE 50", "FO"}));
  }
}

TEST(WheelFocusLink, CompensationWithoutAFocusDriveFails) {
  Rig rig(ControllerType::IM483I);
  rig.Build().ready.ZReady = 1;
  Wheels wheels(rig.trapar, rig.mot, rig.comm, rig.contrType, rig.ready, FocusLink{});
  ASSERT_EQ(wheels.Init(1), 1);
  wheels.ZCompOn();
  EXPECT_EQ(wheels.GotoFilterComp(2), -1);
  EXPECT_EQ(wheels.WaitComp(), -1);
}

}  // namespace
}  // namespace qv::test
