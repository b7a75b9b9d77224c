// The filter wheels, cube changer, slide and turret on both controller types against simulated
// units with their index. Their words are transcripts (tests/transcripts/devices-a/, devices/).
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/devices/DeviceRig.h"

namespace qv::test {
namespace {

TEST(IndexerGeometry, FilterFromCountRoundsTiesDownCountsRoundTheWheelAndNeedsAGeometry) {
  const std::pair<double, int> cases[] = {{0, 1},           {9600, 1},  // one turn on
                                          {-1600, 6},                   // one filter back from 1
                                          {2.5 * 1600, 3},    // f = 2.5: the lower, filter 3
                                          {2.51 * 1600, 4},   // f = 2.51: filter 4
                                          {-0.5 * 1600, 6}};  // f = -0.5 goes down to -1
  for (const auto& [count, filter] : cases)
    EXPECT_EQ(FilterAtCount(count, 1600, 6), filter) << count;
  EXPECT_EQ(FilterAtCount(100, 0, 6), std::nullopt);
  EXPECT_EQ(FilterAtCount(100, 1600, 0), std::nullopt);
  EXPECT_EQ(FilterAtCount(1e300, 1600, 6), std::nullopt);
}

TEST(IndexerGeometry, ShortestMoveTakesTheShorterWayAndBackwardOnATieToAFilterOfTheWheel) {
  struct Case {
    double count;
    int16_t filter;
    double move;
  };
  const Case cases[] = {{8000, 1, 1600},              // 6 -> 1 through the wrap
                        {0, 6, -1600},                // 1 -> 6 through the wrap
                        {0, 4, -4800},                // a tie goes backward
                        {3200, 3, 0},                 // already there
                        {9600 * 5 + 1600, 1, -1600},  // turns on count nothing
                        {1610, 2, -10},               // back onto the position
                        {-8000, 6, -3200}};           // at filter 2, one turn below
  for (const Case& c : cases)
    EXPECT_EQ(ShortestMove(c.count, c.filter, 1600, 6), c.move) << c.count << " -> " << c.filter;
  EXPECT_EQ(ShortestMove(0, 2, 0, 6), std::nullopt);
  EXPECT_EQ(ShortestMove(0, 2, 1600, 0), std::nullopt);
  EXPECT_EQ(ShortestMove(0, 2, 0.01, 6), std::nullopt);  // a turn of no whole microstep
  EXPECT_EQ(ShortestMove(0, 0, 1600, 6), std::nullopt);
  EXPECT_EQ(ShortestMove(0, 7, 1600, 6), std::nullopt);
}

TEST(IndexerGeometry, CubeNumberFromTheCountIsCountedFromCubeOne) {
  // 30 units a cube, 0.01 a microstep; ties halve to even.
  const std::pair<double, int> cases[] = {{6000, 3}, {0, 1}, {2250, 2}, {1500, 2}, {4500, 2}};
  for (const auto& [count, cube] : cases)
    EXPECT_EQ(CubeAtCount(count, 0.01, 30), cube) << count;
  EXPECT_EQ(CubeAtCount(100, 0, 30), std::nullopt);
  EXPECT_EQ(CubeAtCount(100, 0.01, 0), std::nullopt);
  EXPECT_EQ(CubeAtCount(1e12, 0.01, 30), std::nullopt);  // no 16-bit cube number
  // The simulated changer of a file without usable cube numbers keeps one motor turn.
  Rig rig(ControllerType::IM483I);
  rig.Set("CUBE", "CUBEPOSITIONS", "0");
  EXPECT_EQ(Numbers(rig.Plan('C').axis.revolution, rig.Plan('C').indexing.positions),
            Numbers(1600, 0));
}

using WheelSetup = RigTypes;

// The profile, then limits off, the mode and the index steps; the power-up origin (the focus's
// rule, tested there) comes after the jog speeds.
TEST_P(WheelSetup, ApplySendsTheProfileLimitsOffModeIndexStepsAndAnOriginAtCountZero) {
  Frames settings =
      Expect({"/4j8R", "/4h10m50R", "/4V8000R", "/4L20R", "/4f0R", "/4n0R", "/4n1R", "/4B1600R"},
             {"FH 0", "FD 3", "FY 10 50", "FV 8000", "FI 500", "FK 20 25", "FB 15 60", "Fl 0"});
  const Frames origin = Expect({"/4?0", "/4P1R", "/4z5000R"}, {"FZ", "F+1", "FO"});
  for (const Frames& inserted : {Frames{}, origin}) {
    ASSERT_EQ(rig.W().ReadPar(1), kDone);
    ASSERT_EQ(rig.W().ApplyPar(1), kDone);
    Frames expected = settings;
    expected.insert(expected.begin() + (rig.Ez() ? 4 : 7), inserted.begin(), inserted.end());
    EXPECT_EQ(rig.Take(), expected);
    rig.mot.MotorWaitMoveEnd(rig.Address('F'));
    rig.Take();
    // Limits off keeps the mode flag an EZHR17 unit was given before.
    if (rig.Ez()) std::ranges::replace(settings, "/4n0R", "/4n1R");
    rig.Set("W1", "W1POWERUPORIGIN", "5000");
    WriteKeys(rig.folder.File("QV_PARW1.TXT"), rig.files["W1"]);
  }
  Rig wide(GetParam());
  wide.Set("W1", "W1MSTEPSPERFILT", "40000");  // beyond 16 bits
  ASSERT_EQ(wide.W().ReadPar(1), kDone);
  EXPECT_EQ(wide.W().ApplyPar(1), kOutOfRange);
}

// The IM483I's search starts at a quarter of the homing speed when that is below the initial
// speed (300 here, sent as a speed without sign), then the offset, a pause and the origin; the
// EZHR17 runs its homing program, the offset, and gets its own profile again. Either brings
// filter 1 into the beam from just before the index. A silent controller fails the init.
TEST_P(WheelSetup, InitReadsTheFilterHomingSearchesThenMovesByTheOffset) {
  rig.Set("W1", "W1HOMESPEED", "-1200");
  rig.Tweak('F', [](sim::UnitPlan& unit) { unit.axis.startPosition = 9500; });
  rig.InitAll();
  EXPECT_EQ(Numbers(rig.ready[DeviceId::W1], rig.ready[DeviceId::W2], rig.W().CurrentFilter(1),
                    rig.W().CurrentFilter(2)),
            Numbers(1, 1, 1, 1));  // a fresh controller counts 0: filter 1
  rig.Take();
  ASSERT_EQ(rig.W().Home(1), kDone);
  const Frames frames = Commands(rig.Take());
  EXPECT_EQ(frames, Expect({"/4z0R", "/4v1000V10000L12gD10S13G0D1gD1S03G0D1R", "/4P200R", "/4?0",
                            "/4V8000R", "/4L20R"},
                           {"FI 300", "FF 1200 1", "F] 1", "FM300", "F] 1", "FI 500", "FM0",
                            "F+200", "FE 50", "FO"}));
  int16_t filter = 0;
  ASSERT_EQ(rig.W().ReadFilter(1, filter), kDone);
  EXPECT_EQ(Numbers(rig.InBeam('F'), filter), Numbers(1, 1));
  rig.Take();
  rig.Fault('F');
  EXPECT_EQ(rig.W().Init(1), kNoAnswer);
  // Nothing after the failed step; an IM483I asks for the status after its unanswered mode.
  EXPECT_EQ(rig.Take().size(), rig.Ez() ? 1u : 3u);
}

QV_ON_BOTH_TYPES(WheelSetup);

class Indexers : public RigTypes {
 protected:
  void SetUp() override {
    rig.InitAll();
    ASSERT_EQ(rig.W().Home(1), kDone);
    rig.Take();
  }
};

TEST_P(Indexers, JoystickStepsOnceADeflectionAndAgainOnlyAfterTheCentreAndNothingMovesUnready) {
  rig.W().AssignJoyWheelToReady();
  EXPECT_EQ(rig.W().JoyWheel(), 1);
  int captions = 0;
  rig.W().SetFilterChangedHook([&] { ++captions; });
  // Held, and not back near the centre: no second step; inside 20 % the latch opens.
  std::vector<double> seen;  // filters of both wheels and captions after each group
  for (const auto& deflections : {std::vector{900, 1000, 500, 950}, {100, -900}}) {
    for (int deflection : deflections)
      EXPECT_EQ(rig.W().JoyStep(deflection, 1000), kDone);
    seen.push_back(rig.W().CurrentFilter(1));
    seen.push_back(rig.W().CurrentFilter(2));
    seen.push_back(captions);
  }
  EXPECT_EQ(seen, Numbers(2, 1, 1, 1, 1, 2));
  ASSERT_EQ(rig.W().Wait(1), kDone);
  EXPECT_EQ(rig.InBeam('F'), 1);
  EXPECT_EQ(rig.W().JoyStep(0, 1000), kDone);
  rig.ready[DeviceId::W1] = 0;
  rig.Take();
  for (int16_t wheel : {1, 0}) {
    rig.W().SetJoyWheel(wheel);
    EXPECT_EQ(rig.W().JoyStep(1000, 1000), kDone);
  }
  EXPECT_EQ(rig.W().Next(1), kNotSent);
  EXPECT_EQ(rig.W().Prev(1), kNotSent);
  EXPECT_TRUE(rig.Take().empty());
}

// The shift by the difference of the offsets, and per wheel, is the wheel words' transcript
// (tests/transcripts/devices-a/a_indexer_words.transcript).
TEST_P(Indexers, AFilterChangeShiftsTheFocusOnlyOnAChangeAndFailsWithoutAFocusThatMoves) {
  PutBytes(rig.folder.File("QV_DZW1.TXT"),
           "\"W1DZ1\",0\r\n\"W1DZ2\",12\r\n\"W1DZ3\",-5\r\n\"W1DZ4\",3\r\n\"W1DZ5\",0\r\n"
           "\"W1DZ6\",40\r\n");
  ASSERT_EQ(rig.W().ReadZCompTable(1, "QV_DZW1.TXT"), kDone);
  rig.W().ZCompOn(1);
  for (int16_t filter : {3, 3}) {  // the second: no change, no shift
    ASSERT_EQ(rig.W().GotoFilterComp(1, filter), kDone);
    ASSERT_EQ(rig.W().WaitComp(1), kDone);
  }
  EXPECT_EQ(rig.State('Z').counter, -80);  // 5 microns down
  rig.W().SetCurrentFilter(1, 1);
  ASSERT_EQ(rig.W().Prev(1), kDone);  // 1 -> 6: 40 microns up
  ASSERT_EQ(rig.W().WaitComp(1), kDone);
  EXPECT_EQ(rig.State('Z').counter, -80 + 640);
  // A focus that cannot move, or no focus drive at all, fails the change; the wheel moves.
  rig.Fault('Z');
  EXPECT_TRUE(rig.W().GotoFilterComp(1, 2).failed());
  ASSERT_EQ(rig.W().Wait(1), kDone);
  EXPECT_EQ(rig.InBeam('F'), 2);
  Wheels unlinked(rig.keywordFiles, rig.mot, rig.comm, rig.ready, FocusLink{});
  ASSERT_EQ(unlinked.Init(1), kDone);
  unlinked.ZCompOn(1);
  EXPECT_EQ(unlinked.GotoFilterComp(1, 3), kUnsupported);
  EXPECT_EQ(unlinked.WaitComp(1), kUnsupported);
}

TEST_P(Indexers, SlideAndTurretMoveInTheirOwnUnits) {
  ASSERT_EQ(rig.S().MoveAbs(10.25), kDone);
  ASSERT_EQ(rig.T().MoveAbs(90), kDone);
  EXPECT_EQ(rig.Take(), Expect({"/6A16400R", "/7A400R"}, {"SR+16400", "TR+400"}));
}

// The cube's wait polls the cube's own unit, whichever unit was addressed last.
TEST_P(Indexers, TheCubeIsReadFromWhereItStandsAndHomesToCubeOne) {
  ASSERT_EQ(rig.C().Home(), kDone);
  ASSERT_EQ(rig.C().Goto(3), kDone);
  double turret = 0;
  rig.T().ReadPos(turret);
  rig.Take();
  ASSERT_EQ(rig.C().Wait(), kDone);
  EXPECT_EQ(rig.InBeam('C'), 3);
  EXPECT_EQ(rig.Take().front(), Expect({"/8Q"}, {"C^"}).front());
  ASSERT_EQ(rig.C().Home(), kDone);
  EXPECT_EQ(Numbers(rig.State('C').counter, rig.InBeam('C')), Numbers(0, 1));
  // A count nearest to no cube of the changer reads as no cube, as Goto would refuse it; the
  // changer stays ready at start-up all the same, for homing to bring it back.
  const std::tuple<std::string, int64_t, int16_t, int16_t> counts[] = {
      // where the changer stands, its count, what ReadPos and Init leave as the current cube
      {"before cube 1", -3200, 1, 0},
      {"on the last cube", 3 * 3200, 4, 4},
      {"past the last cube", 4 * 3200, 1, 0},
  };
  for (const auto& [where, count, afterRead, afterInit] : counts) {
    SCOPED_TRACE(where);
    rig.C().SetCurrentCube(1);
    rig.Unit('C').GetAxis().SetCounter(count, rig.clock.Now());
    int16_t cube = 9;
    EXPECT_EQ(rig.C().ReadPos(cube), afterInit > 0 ? kDone : kOutOfRange);
    EXPECT_EQ(cube, afterInit > 0 ? afterInit : 9);
    EXPECT_EQ(rig.C().CurrentCube(), afterRead);
    EXPECT_EQ(rig.C().Init(), kDone);
    EXPECT_EQ(rig.C().CurrentCube(), afterInit);
  }
}

QV_ON_BOTH_TYPES(Indexers);

using IndexerHoming = BothTypes;

TEST_P(IndexerHoming, FailsWhenTheHomeSensorIsNeverSeenAndLeavesTheDeviceStopped) {
  // An IM483I slide that finds no home input stops at its limits; its controller's search
  // reports that as found, so the slide is checked on an EZHR17 line only.
  const std::pair<char, std::function<Result(Rig&)>> devices[] = {
      {'F', [](Rig& r) { return r.W().Home(1); }},
      {'C', [](Rig& r) { return r.C().Home(); }},
      {'T', [](Rig& r) { return r.T().Home(); }},
      {'S', [](Rig& r) { return r.S().Home(); }}};
  for (const auto& [role, home] : devices) {
    SCOPED_TRACE(role);
    Rig rig(GetParam());
    if (role == 'S' && !rig.Ez()) continue;
    rig.KillSensor(role, sim::Sensor::Home);
    if (role == 'S') rig.KillSensor(role, sim::Sensor::Low);
    rig.mot.MotorSetMoveTimeout(3);
    rig.InitAll();
    rig.Take();
    EXPECT_EQ(home(rig), kTimedOut);
    EXPECT_FALSE(rig.State(role).moving);  // the search is not left running
    if (role != 'F') continue;
    // The wheel's profile is set again (EZHR17); no origin is taken where no home was found.
    const Frames frames = rig.Take();
    EXPECT_GE(std::ranges::count(frames, rig.Ez() ? "/4T" : "FM0"), 1);
    EXPECT_EQ(frames.back(), rig.Ez() ? "/4L20R" : "FM0");
  }
}

QV_ON_BOTH_TYPES(IndexerHoming);

}  // namespace
}  // namespace qv::test
