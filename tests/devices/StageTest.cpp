// The XY stage and the Z focus on simulated controllers of both types: initialisation, jumps,
// failed reads, the joystick curves and homing. Moves, reads and the backlash approach are
// transcripts (tests/transcripts/commands/, specimen/).
#include <gtest/gtest.h>

#include <algorithm>

#include "devices/JoySpeed.h"
#include "tests/devices/DeviceRig.h"

namespace qv::test {
namespace {

using Stage = RigTypes;

TEST_P(Stage, AppliesEveryParameterXCompletelyThenYReadsThePositionAndStopsAtASilentUnit) {
  EXPECT_EQ(rig.XY().XYInit(), kDone);
  const Frames all = Expect(
      {"/1j8R", "/1h10m50R", "/1V8000R", "/1L20R",    "/1f0R",    "/1n2R",  "/1n3R",
       "/1P1R", "/1D1R",     "/2j8R",    "/2h12m60R", "/2V7000R", "/2L25R", "/2f0R",
       "/2n3R", "/2n3R",     "/2P1R",    "/2D1R",     "/1?0",     "/2?0"},
      {"XH 0",      "XD 3", "XY 10 50", "XV 8000", "XI 400",   "XK 20 30", "XB 25 250", "Xl 0",
       "X+1",       "X-1",  "YH 0",     "YD 3",    "YY 12 60", "YV 7000",  "YI 500",    "YK 25 35",
       "YB 25 250", "Yl 0", "Y+1",      "Y-1",     "XZ",       "YZ"});
  EXPECT_EQ(rig.Take(), all);
  // Silent Y and Z units: X completely, then Y's and Z's first setting.
  Rig silent(GetParam());
  silent.Fault('Y');
  silent.Fault('Z');
  EXPECT_EQ(silent.XY().XYInit(), kNoAnswer);
  EXPECT_EQ(silent.Z().ZInit(), kNoAnswer);
  // After a silence the unit is asked for its version (EZHR17) or status (IM483I) before the
  // next command, so that a late reply is never taken for another's; once, while it stays silent.
  Frames expected(all.begin(), all.begin() + 10);
  for (const std::string& f :
       Expect({"/2?&", "/3j16R"}, {"YH 0", "Y^", "YD 3", "ZH 0", "Z^", "ZD 4"}))
    expected.push_back(f);
  EXPECT_EQ(silent.Take(), expected);
}

// The focus gets its settings, then an origin by the count it finds: a powered-up controller
// (count 0) the power-up origin, one that kept its count none. An IM483I can only zero its
// counter, so its origin is the count 0 there.
TEST_P(Stage, TheFocusGetsItsSettingsThenAnOriginByTheCountItFinds) {
  EXPECT_EQ(rig.Z().ZInit(), kDone);
  EXPECT_EQ(rig.Take(), Expect({"/3j16R", "/3h5m40R", "/3V4000R", "/3L15R", "/3?0", "/3P1R",
                                "/3z800R", "/3f1R", "/3n2R", "/3n3R", "/3?0"},
                               {"ZH 0", "ZD 4", "ZY 5 40", "ZV 4000", "ZI 300", "ZK 15 16",
                                "ZB 10 100", "ZZ", "Z+1", "ZO", "Zl 1", "ZZ"}));
  // The mode word is one for all units: fresh rigs, so that the focus's settings are sent again.
  const auto afterSettings = [settings = rig.Ez() ? 4 : 7](Rig& other) {
    EXPECT_EQ(other.Z().ZInit(), kDone);
    const Frames frames = other.Take();
    return Frames(frames.begin() + settings, frames.end());
  };
  Rig kept(GetParam());
  kept.Unit('Z').GetAxis().SetCounter(960, kept.clock.Now());
  EXPECT_EQ(afterSettings(kept),
            Expect({"/3?0", "/3f1R", "/3n2R", "/3n3R", "/3?0"}, {"ZZ", "Zl 1", "ZZ"}));
  EXPECT_DOUBLE_EQ(kept.Z().Z(), kept.Ez() ? 10 : 60);  // (960 - 800 or 0) x 0.0625
  // A count that cannot be read is no count of 0: the init ends at that read, with no origin
  // and no read after it. (The settings' replies carry no number the fault could take.)
  kept.Fault('Z', sim::FaultKind::NoNumber);
  EXPECT_EQ(kept.Z().ZInit(), kNoValue);
  EXPECT_EQ(std::ranges::count(kept.Take(), kept.Ez() ? "/3?0" : "ZZ"), 1);
  // Without a power-up origin the motor is energised by a step out and back.
  Rig plain(GetParam());
  plain.Set("Z", "ZPOWERUPORIGIN", "0");
  plain.Set("Z", "ZENABLELIMITS", "0");
  EXPECT_EQ(afterSettings(plain), Expect({"/3P1R", "/3D1R", "/3f1R", "/3n0R", "/3n1R", "/3?0"},
                                         {"Z+1", "Z-1", "Zl 1", "ZZ"}));
}

TEST_P(Stage, JumpsAndFocusStepsMoveByTheirSizesAndFailedReadsLeaveTheValuesAlone) {
  rig.InitStage();
  // XYJUMPSIZE 50 microns = 80 microsteps; the axis that does not move gets nothing.
  for (StageJump jump : {StageJump::Left, StageJump::Forward, StageJump::Back, StageJump::Right}) {
    EXPECT_EQ(rig.XY().XYJump(jump), kDone);
    EXPECT_EQ(rig.XY().XYWait(), kDone);
  }
  // ZJUMPSIZE 1 micron = 16 microsteps; ZCOARSEFACTOR 10.
  for (FocusStep step :
       {FocusStep::UpCoarse, FocusStep::DownFine, FocusStep::DownCoarse, FocusStep::UpFine}) {
    EXPECT_EQ(rig.Z().ZStepMove(step), kDone);
    EXPECT_EQ(rig.Z().ZWait(), kDone);
  }
  EXPECT_EQ(
      Commands(rig.Take()),
      Expect({"/1D80R", "/2P80R", "/2D80R", "/1P80R", "/3D160R", "/3P16R", "/3P160R", "/3D16R"},
             {"X-80", "Y+80", "Y-80", "X+80", "Z-160", "Z+16", "Z+160", "Z-16"}));
  ASSERT_EQ(rig.XY().XYMoveAbs(100, 50), kDone);
  ASSERT_EQ(rig.XY().XYWait(), kDone);
  rig.Fault('Y');
  rig.Fault('Z');
  double x = -7, y = -8, travelX = 0, travelY = 0, z = 3;
  EXPECT_EQ(rig.XY().XYReadPos(x, y), kNoAnswer);
  EXPECT_TRUE(rig.XY().XYMeasureTravel(8000, 6000, travelX, travelY).failed());
  EXPECT_EQ(rig.Z().ZReadPos(z), kNoAnswer);
  // X() is the last good read.
  EXPECT_EQ(Numbers(x, y, rig.XY().X(), travelX, travelY, z), Numbers(-7, -8, 0, -1, -1, 3));
}

TEST_P(Stage, TheFocusHomesOntoItsLimitAndSetsNoOriginWhenItFindsNone) {
  rig.InitStage();
  EXPECT_EQ(rig.Z().ZHome(), kDone);
  // At the low end sensor (0.1 mm = 1600 microsteps wide), where the negative speed leads.
  const sim::UnitState s = rig.State('Z');
  EXPECT_EQ(Numbers(s.counter, s.load >= 1600 && s.load < 1800), Numbers(rig.Ez() ? 800 : 0, 1));
  const std::string origin = rig.Ez() ? "/3z800R" : "ZO";
  EXPECT_EQ(rig.Take().back(), origin);
  Rig dead(GetParam());
  dead.KillSensor('Z', sim::Sensor::Low);
  dead.KillSensor('Z', sim::Sensor::High);
  dead.InitStage();
  dead.mot.MotorSetMoveTimeout(5);
  EXPECT_EQ(dead.Z().ZHome(), kTimedOut);
  EXPECT_EQ(std::ranges::count(dead.Take(), origin), 0);
}

QV_ON_BOTH_TYPES(Stage);

TEST(StageJoystick, Im483iSquaresRoundsAndClampsTheDeflection) {
  Rig rig(ControllerType::IM483I);
  rig.Set("Z", "ZJOYMAXSPEED", "25000");
  rig.InitStage();
  EXPECT_EQ(rig.XY().XYJoyJog(10, 10, 0), kOutOfRange);  // a joystick without range sends nothing
  EXPECT_EQ(rig.Z().ZJoyJog(5, 0), kOutOfRange);
  // 10 % of range with 5000 at full scale: rnd(rnd(500) x 0.1) = 50; 1 % of 4000 gives 0, a stop.
  EXPECT_EQ(rig.XY().XYJoyJog(100, 10, 1000), kDone);
  // 3 %: rnd(rnd(150) x 0.03) = 4 and rnd(rnd(-120) x 0.03) = -4, raised to 20 and -20.
  EXPECT_EQ(rig.XY().XYJoyJog(30, -30, 1000), kDone);
  EXPECT_EQ(rig.XY().XYJoyJog(-1000, 1000, 1000), kDone);
  // Z: rnd(1) = 1 raised to 20; 25000 held to 20000; a stop is always sent.
  for (double deflection : {0.04, -0.04, 1000.0, 0.0, 0.0})
    EXPECT_EQ(rig.Z().ZJoyJog(deflection, 1000), kDone);
  EXPECT_EQ(rig.Take(), (Frames{"XM50", "YM0", "XM20", "YM-20", "XM-5000", "YM4000", "ZM20",
                                "ZM-20", "ZM20000", "ZM0", "ZM0"}));
}

TEST(StageJoystick, Ezhr17SmoothsStartsGentlyAndRestoresTheSlewSpeeds) {
  Rig rig(ControllerType::EZHR17);
  rig.InitStage();
  // A command that fails keeps the speeds as they were, so that the next call sends again.
  rig.Fault('X', sim::FaultKind::NoReply, 1);
  EXPECT_TRUE(rig.XY().XYJoyJog(100, 0, 1000).failed());
  EXPECT_EQ(rig.Take(), (Frames{"/1V8P0R", "/1?&", "/2T"}));  // Y's stop goes all the same
  const std::pair<int, Frames> steps[] = {
      {0, {}},  // standstill: nothing is sent
      // Still a start from standstill: 50 microsteps/s wanted, 0.75 x 50 = 37.5; a fifth
      // (7.5 -> 8) first, then 38.
      {100, {"/1V8P0R", "/2T", "/1V38P0R", "/2T"}},
      {100, {"/1V47P0R", "/2T"}},  // 0.25 x 37.5 + 0.75 x 50 = 46.875
      {0, {"/1T", "/2T", "/1V8000R", "/2V7000R"}},
      {0, {}}};
  int step = 0;
  for (const auto& [x, frames] : steps) {
    SCOPED_TRACE("step " + std::to_string(++step) + ", deflection " + std::to_string(x));
    EXPECT_EQ(rig.XY().XYJoyJog(x, 0, 1000), kDone);
    EXPECT_EQ(rig.Take(), frames);
  }
  // Z sends changes only: 0.1 % of 1000 is 1, not clamped; a stop from standstill sends nothing.
  for (double deflection : {0.0, 1.0, -500.0, 0.0, 0.0})
    EXPECT_EQ(rig.Z().ZJoyJog(deflection, 1000), kDone);
  EXPECT_EQ(rig.Take(), (Frames{"/3V1P0R", "/3V500D0R", "/3T", "/3V4000R"}));
}

// What the curves above leave out: the far ends, negative deflections and rounding (2.5 to 2).
TEST(StageJoystick, SpeedsAreClampedRoundedAndKeepTheirSign) {
  EXPECT_EQ(
      Numbers(ClampImsSpeed(-30000), ImsSquaredJoySpeed(-1000, 40000, 1000),
              SquaredJoySpeed(-100, 5000, 1000), LinearJoySpeed(2.5, 1, 1),
              RoundToInt32Saturated(1e300), RoundToInt32Saturated(-1e300), UsableJoyRange(-1)),
      Numbers(-20000, -20000, -50, 2, 2147483647, -2147483648.0, false));
}

TEST(Ezhr17Homing, TwoPassesOntoTheHomeSensorsThenOutToTheOriginPointButNotAfterAFailure) {
  Rig rig(ControllerType::EZHR17);
  // floor(5 x 200 / 1000) + 1 = 2 full steps of 8 microsteps: exactly on a full step, one more.
  const StageAxisParams axis{.profile = {.stepDivide = 3}, .ScrewLead = 1, .MotorSteps = 200};
  EXPECT_EQ(StageHoming::OriginPoint(axis, 5), 16);
  rig.InitStage();
  EXPECT_EQ(rig.XY().XYHome(), kDone);
  EXPECT_EQ(Commands(rig.Take()),
            (Frames{"/1P800R",  "/2P800R", "/1?2",     "/1V4000R",       "/1Z1000000000R",
                    "/1V8000R", "/2?2",    "/2V3000R", "/2Z1000000000R", "/2V7000R",
                    "/1P800R",  "/2P800R", "/1?2",     "/1V400R",        "/1Z1000000000R",
                    "/1V8000R", "/2?2",    "/2V300R",  "/2Z1000000000R", "/2V7000R",
                    "/1A168R",  "/1z0R",   "/2A168R",  "/2z0R"}));  // 100 microns out
  rig.Fault('Y');
  // The Y move-out fails: no origin is taken, X stays moved out.
  EXPECT_EQ(rig.XY().XYHome(), kNoAnswer);
  EXPECT_EQ(rig.State('X').counter, 800);
}

TEST(Ezhr17Homing, AnUnreachableSensorFailsTheSearchAndStopsTheAxis) {
  for (const char role : {'X', 'Y'}) {
    Rig rig(ControllerType::EZHR17);
    rig.KillSensor(role, sim::Sensor::Low);
    rig.InitStage();
    EXPECT_EQ(rig.XY().XYHome(), kTimedOut);
    const Frames commands = Commands(rig.Take());
    // The given-up search is stopped at once; no origin is taken, and Y is never searched
    // after X failed.
    const std::string unit = role == 'X' ? "/1" : "/2";
    const auto search = std::find(commands.begin(), commands.end(), unit + "Z1000000000R");
    ASSERT_GE(commands.end() - search, 3);
    EXPECT_EQ(*(search + 2), unit + "T");
    EXPECT_EQ(
        Numbers(rig.State(role).moving, std::ranges::count(commands, "/2Z1000000000R"),
                std::ranges::count(commands, "/1z0R") + std::ranges::count(commands, "/2z0R")),
        Numbers(false, role == 'X' ? 0 : 1, 0));
    if (role == 'X') {
      EXPECT_EQ(rig.XY().XYHomeX(), kTimedOut);
    }
  }
}

TEST(Im483iHoming, ASlowHomingLowersTheInitialSpeedAndRestoresIt) {
  Rig rig(ControllerType::IM483I);
  rig.Set("XY", "XHOMESPEED", "400");
  rig.Set("XY", "YHOMESPEED", "300");
  // Below the home input, which is searched forwards.
  for (char role : {'X', 'Y'})
    rig.Tweak(role, [](sim::UnitPlan& unit) { unit.axis.startPosition = 500; });
  rig.InitStage();
  EXPECT_EQ(rig.XY().XYHome(), kDone);
  // s = 300: rnd(75) is below 400; |s| / 16 = 18.75 gives 19, below 20, so back off at -40.
  EXPECT_EQ(Commands(rig.Take()),
            (Frames{"XI 75", "YI 75", "X-800",  "Y-800",  "XF 300 0", "YF 300 0", "X] 1",  "XM-40",
                    "X] 1",  "XM0",   "Y] 1",   "YM-40",  "Y] 1",     "YM0",      "XE 50", "YE 50",
                    "XO",    "YO",    "XI 400", "YI 400", "XM0",      "YM0"}));
  // The homing ends with both axes stopped: each is asked whether it stands still before its
  // next target.
  rig.XY().XYMoveAbs(0, 0);
  EXPECT_EQ(rig.Take(), (Frames{"X^", "Y^", "XR-0", "YR-0"}));
}

TEST(Im483iHoming, OntoTheLimitSwitchesWhenTheLimitPolarityIsOneAndNoOriginWhereOneFailed) {
  Rig rig(ControllerType::IM483I);
  rig.Set("XY", "XYLIMPOLARITY", "1");
  rig.InitStage();
  EXPECT_TRUE(rig.XY().XYHome().ok());
  const Frames commands = Commands(rig.Take());
  EXPECT_EQ(commands.front(), "XM-4000");
  EXPECT_EQ(std::ranges::count(commands, "XF 4000 1"), 0);
  for (char role : {'X', 'Y'}) {  // zeroed, backed off the switch
    const sim::UnitState s = rig.State(role);
    EXPECT_EQ(Numbers(s.counter, s.lowEnd, s.load < 400), Numbers(0, false, true)) << role;
  }
  Rig dead(ControllerType::IM483I);
  dead.Set("XY", "XYLIMPOLARITY", "1");
  dead.KillSensor('X', sim::Sensor::Low);
  dead.InitStage();
  dead.mot.MotorSetMoveTimeout(30);  // Y runs 20 s to its limit
  EXPECT_TRUE(dead.XY().XYHome().failed());
  const Frames failed = Commands(dead.Take());
  EXPECT_EQ(Numbers(std::ranges::count(failed, "XO"), std::ranges::count(failed, "YO")),
            Numbers(0, 1));
}

// s = -4000 (the smaller): out by 800 away from home, search backwards, back off each home
// input at 250, pause, set the origin and stop. A search that ends off its home input (the
// sensor never responds and the travel, 10 mm, is too short to reach an end) fails, but only
// after those steps.
TEST(Im483iHoming, SearchesBacksOffThenSetsTheOriginAlsoAfterASearchThatEndsOffTheInput) {
  const Result notFound = Cause::kHomeNotFound;
  const std::tuple<char, Result, Frames> cases[] = {
      {0, kDone, {"X] 1", "XM250", "X] 1", "XM0", "Y] 1", "YM250", "Y] 1", "YM0"}},
      {'X', notFound, {"X] 1", "Y] 1", "YM250", "Y] 1", "YM0"}},
      {'Y', notFound, {"X] 1", "XM250", "X] 1", "XM0", "Y] 1"}}};
  for (const auto& [role, code, backOff] : cases) {
    SCOPED_TRACE(role == 0 ? std::string("both found") : std::string("no home input on ") + role);
    Rig rig(ControllerType::IM483I);
    if (role != 0) {
      rig.KillSensor(role, sim::Sensor::Home);
      rig.Tweak(role, [](sim::UnitPlan& unit) {
        unit.axis.travel = 16000;
        unit.axis.startPosition = 8000;
      });
    }
    rig.InitStage();
    EXPECT_EQ(rig.XY().XYHome(), code);
    Frames expected{"X+800", "Y+800", "XF 4000 1", "YF 4000 1"};
    expected.insert(expected.end(), backOff.begin(), backOff.end());
    for (const char* f : {"XE 50", "YE 50", "XO", "YO", "XM0", "YM0"})
      expected.push_back(f);
    EXPECT_EQ(Commands(rig.Take()), expected);
  }
}

TEST(Im483iHoming, AFailureGivesItsCauseAndStillEndsBothAxesStopped) {
  Rig rig(ControllerType::IM483I);
  rig.Set("XY", "XHOMESPEED", "1200");
  rig.Set("XY", "YHOMESPEED", "1200");
  rig.InitStage();
  rig.Fault('Y');
  EXPECT_EQ(rig.XY().XYHome(), kNoAnswer);  // lowering Y's initial speed
  EXPECT_EQ(Commands(rig.Take()), (Frames{"XI 300", "YI 300", "XI 400", "YI 400", "XM0", "YM0"}));
  Rig slow(ControllerType::IM483I);  // a search that outlasts the time-out
  slow.KillSensor('X', sim::Sensor::Home);
  slow.InitStage();
  slow.mot.MotorSetMoveTimeout(30);
  EXPECT_EQ(slow.XY().XYHome(), kTimedOut);
  const Frames frames = slow.Take();
  EXPECT_EQ(Frames(frames.end() - 2, frames.end()), (Frames{"XM0", "YM0"}));
  Rig backing(ControllerType::IM483I);  // X falls silent while it backs off its home input
  backing.InitStage();
  backing.pump.hook = [&backing] {
    if (std::ranges::count(backing.line.Frames(), std::string("XM250")) > 0) backing.Fault('X');
  };
  EXPECT_EQ(backing.XY().XYHome(), kNoAnswer);
}

}  // namespace
}  // namespace qv::test
