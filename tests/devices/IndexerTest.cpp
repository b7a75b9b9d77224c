// The cube changer, slide and turret on both controller types against simulated units: device
// files, the settings sent, moves in their own units, reads, homing and failed homing.
#include <gtest/gtest.h>

#include "devices/Indexers.h"
#include "tests/devices/DeviceRig.h"

namespace qv::test {
namespace {

TEST(CubeGeometry, CubeNumberFromTheCountIsCountedFromCubeOne) {
  // 30 units a cube, 0.01 a microstep; ties halve to even.
  const std::pair<double, int> cases[] = {{6000, 3}, {0, 1}, {2250, 2}, {1500, 2}, {4500, 2}};
  for (const auto& [count, cube] : cases)
    EXPECT_EQ(CubeAtCount(count, 0.01, 30), cube) << count;
  EXPECT_EQ(CubeAtCount(100, 0, 30), std::nullopt);
  EXPECT_EQ(CubeAtCount(100, 0.01, 0), std::nullopt);
  EXPECT_EQ(CubeAtCount(1e12, 0.01, 30), std::nullopt);  // no 16-bit cube number
}

class Indexers : public BothTypes {
 protected:
  void SetUp() override {
    rig.InitAll();
    rig.TakeFrames();
  }
  IndexerRig rig{GetParam()};
};

TEST_P(Indexers, EveryDeviceIsReadyAfterInitialisationWithItsScale) {
  EXPECT_EQ(rig.ready.CubeReady, 1);
  EXPECT_EQ(rig.ready.SReady, 1);
  EXPECT_EQ(rig.ready.TReady, 1);
  EXPECT_DOUBLE_EQ(*rig.cube->UnitPerStep(), 1.0 / 1600);
  EXPECT_DOUBLE_EQ(*rig.slide->UnitPerStep(), 1.0 / 1600);
  EXPECT_DOUBLE_EQ(*rig.turret->UnitPerStep(), 360.0 / 1600);
  EXPECT_EQ(rig.cube->Count(), 4);
  EXPECT_TRUE(rig.notifier.Messages.empty());
}

TEST_P(Indexers, TheCubeGoesToItsPositionsAndReadsThemBack) {
  ASSERT_EQ(rig.cube->Home(), 1);
  EXPECT_EQ(rig.InBeam(rig.address.cube), 1);
  for (int16_t n : {3, 4, 2, 1}) {
    rig.TakeFrames();
    ASSERT_EQ(rig.cube->Goto(n), 1);
    const std::string count = std::to_string((n - 1) * 3200);
    EXPECT_EQ(rig.TakeFrames().front(),
              rig.Ez() ? "/8A" + count + "R" : std::string(n == 1 ? "CR-" : "CR+") + count);
    ASSERT_EQ(rig.cube->Wait(), 1);
    int16_t cube = 0;
    ASSERT_EQ(rig.cube->ReadPos(cube), 1);
    EXPECT_EQ(cube, n);
    EXPECT_EQ(rig.cube->CurrentCube(), n);
    EXPECT_EQ(rig.InBeam(rig.address.cube), n);
  }
  rig.TakeFrames();
  EXPECT_EQ(rig.cube->Goto(0), -1);  // outside the changer: nothing sent
  EXPECT_EQ(rig.cube->Goto(5), -1);
  EXPECT_TRUE(rig.TakeFrames().empty());
  // A count nearest to no cube of the changer reads as no cube, as Goto would refuse it; the
  // changer stays ready at start-up all the same, for homing to bring it back.
  for (int64_t count : {-3200, 4 * 3200}) {
    rig.Unit(rig.address.cube).GetAxis().SetCounter(count, rig.clock.Now());
    int16_t cube = 9;
    EXPECT_EQ(rig.cube->ReadPos(cube), -1) << count;
    EXPECT_EQ(cube, 9);
    EXPECT_EQ(rig.cube->CurrentCube(), 1);
    EXPECT_EQ(rig.cube->Init(), 1);
    EXPECT_EQ(rig.cube->CurrentCube(), 0);
    rig.cube->SetCurrentCube(1);
  }
}

TEST_P(Indexers, CubeHomingSearchesThenMovesToCubeOneBeforeTheOrigin) {
  ASSERT_EQ(rig.cube->Goto(3), 1);
  ASSERT_EQ(rig.cube->Wait(), 1);
  rig.TakeFrames();
  ASSERT_EQ(rig.cube->Home(), 1);
  const Frames frames = rig.TakeFrames();
  EXPECT_TRUE(Has(frames, rig.Ez() ? "/8P400R" : "C+400"));
  EXPECT_EQ(frames.back(), rig.Ez() ? "/8z0R" : "CO");
  EXPECT_EQ(rig.State(rig.address.cube).counter, 0);
  EXPECT_FALSE(rig.State(rig.address.cube).moving);
  EXPECT_EQ(rig.InBeam(rig.address.cube), 1);
}

TEST_P(Indexers, TheSlideMovesInItsUnitAndHomesToZero) {
  ASSERT_EQ(rig.slide->MoveAbs(10.5), 1);
  ASSERT_EQ(rig.slide->Wait(), 1);
  double position = 0;
  ASSERT_EQ(rig.slide->ReadPos(position), 1);
  EXPECT_DOUBLE_EQ(position, 10.5);
  ASSERT_EQ(rig.slide->MoveRel(-0.25), 1);
  ASSERT_EQ(rig.slide->Wait(), 1);
  ASSERT_EQ(rig.slide->ReadPos(position), 1);
  EXPECT_DOUBLE_EQ(position, 10.25);
  EXPECT_EQ(rig.State(rig.address.slide).counter, 16400);
  ASSERT_EQ(rig.slide->Home(), 1);
  ASSERT_EQ(rig.slide->ReadPos(position), 1);
  EXPECT_EQ(position, 0);
  const sim::UnitState state = rig.State(rig.address.slide);
  EXPECT_TRUE(rig.Ez() ? state.lowEnd : state.load < 2 * 1600);  // at the home sensor
}

TEST_P(Indexers, TheTurretTurnsInDegrees) {
  ASSERT_EQ(rig.turret->Home(), 1);
  rig.TakeFrames();
  ASSERT_EQ(rig.turret->MoveAbs(90), 1);
  EXPECT_EQ(rig.TakeFrames(), Frames{rig.Ez() ? "/7A400R" : "TR+400"});
  ASSERT_EQ(rig.turret->Wait(), 1);
  ASSERT_EQ(rig.turret->MoveRel(-45), 1);
  ASSERT_EQ(rig.turret->Wait(), 1);
  double angle = 0;
  ASSERT_EQ(rig.turret->ReadPos(angle), 1);
  EXPECT_DOUBLE_EQ(angle, 45);
  EXPECT_DOUBLE_EQ(rig.turret->Position(), 45);
}

QV_ON_BOTH_TYPES(Indexers);

using IndexerFiles = BothTypes;

TEST_P(IndexerFiles, MissingKeysAreNamedAndTheDeviceStaysOff) {
  const Addresses a = AddressesOf(GetParam());
  IndexerRig rig(GetParam(), {{"QV_PARCUBE.TXT", Without(CubeFile(a.cube), {"CUBESHIFTDIST"})},
                              {"QV_PARS.TXT", Without(DriveFile("S", a.slide), {"SSTROKEPERROT"})},
                              {"QV_PART.TXT", {}}});
  rig.InitAll();
  EXPECT_EQ(rig.ready.CubeReady, 0);
  EXPECT_EQ(rig.ready.SReady, 0);
  EXPECT_EQ(rig.ready.TReady, 0);
  Frames texts;
  for (const auto& m : rig.notifier.Messages)
    texts.push_back(m.Text);
  EXPECT_TRUE(Has(texts, "Parameter CUBESHIFTDIST not found in " + rig.File("QV_PARCUBE.TXT")));
  EXPECT_TRUE(Has(texts, "Parameter SSTROKEPERROT not found in " + rig.File("QV_PARS.TXT")));
  EXPECT_TRUE(Has(texts, "File " + rig.File("QV_PART.TXT") + " does not exist"));
}

TEST_P(IndexerFiles, MechanicsWithoutAScaleAreNamedAndTheDeviceStaysOffAndSilent) {
  const Addresses a = AddressesOf(GetParam());
  IndexerRig rig(GetParam(),
                 {{"QV_PARS.TXT", With(DriveFile("S", a.slide), "SMOTORSTEPS", "0")},
                  {"QV_PART.TXT", With(TurretFile(a.turret), "TMOTORSTEPS", "-200")},
                  {"QV_PARCUBE.TXT", With(CubeFile(a.cube), "CUBESTROKEPERROT", "-2")}});
  rig.InitAll();
  EXPECT_EQ(rig.ready.SReady, 0);
  EXPECT_EQ(rig.ready.TReady, 0);
  EXPECT_EQ(rig.ready.CubeReady, 0);
  Frames texts;
  for (const auto& m : rig.notifier.Messages)
    texts.push_back(m.Text);
  const std::string usable = " give no usable ";
  EXPECT_EQ(texts, (Frames{"SSTROKEPERROT, SMOTORSTEPS and SSTEPDIVIDE in " +
                               rig.File("QV_PARS.TXT") + usable + "slide units per microstep",
                           "TMOTORSTEPS and TSTEPDIVIDE in " + rig.File("QV_PART.TXT") + usable +
                               "degrees per microstep",
                           "CUBESTROKEPERROT, CUBEMOTORSTEPS and CUBESTEPDIVIDE in " +
                               rig.File("QV_PARCUBE.TXT") + usable + "cube units per microstep"}));
  EXPECT_EQ(rig.slide->Init(), -1);
  EXPECT_EQ(rig.slide->MoveAbs(1), -1);
  EXPECT_EQ(rig.slide->MoveRel(1), -1);
  EXPECT_EQ(rig.cube->Goto(2), -1);
  const Frames frames = rig.TakeFrames();
  EXPECT_TRUE(std::none_of(frames.begin(), frames.end(), [&](const std::string& f) {
    const char unit = f.size() > 1 && rig.Ez() ? f[1] : f[0];
    return unit == a.slide || unit == a.turret || unit == a.cube;
  }));
}

TEST_P(IndexerFiles, HomingFailsWhenTheHomeSensorIsNeverSeen) {
  const Addresses a = AddressesOf(GetParam());
  // An IM483I slide that finds no home input stops at its limits; its
  // controller's search reports that as found, so only the rotary drives are
  // checked on that type.
  std::vector<char> dead{a.cube, a.turret};
  if (IsEz(GetParam())) dead.push_back(a.slide);
  IndexerRig rig(GetParam(), {}, IndexerRig::Dead(GetParam(), dead));
  rig.mot.MotorSetMoveTimeout(3);
  rig.InitAll();
  EXPECT_EQ(rig.cube->Home(), -1);
  EXPECT_FALSE(rig.State(a.cube).moving);  // the search is not left running
  EXPECT_EQ(rig.turret->Home(), -1);
  EXPECT_FALSE(rig.State(a.turret).moving);
  if (rig.Ez()) {
    EXPECT_EQ(rig.slide->Home(), -1);
    EXPECT_FALSE(rig.State(a.slide).moving);
  }
}

QV_ON_BOTH_TYPES(IndexerFiles);

}  // namespace
}  // namespace qv::test
