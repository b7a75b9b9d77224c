// The cube changer, slide and turret on both controller types against simulated units: the cube
// behind a count, moves in their own units, cube homing, and every indexing device's homing
// without its home sensor. The words "Cube", "Slide" and "Turn" are transcripts
// (tests/transcripts/devices-a/, devices/), all but the filter caption hook.
#include <gtest/gtest.h>

#include "commands/DeviceCommands.h"
#include "commands/Display.h"
#include "commands/IndexerCommands.h"
#include "devices/Indexers.h"
#include "tests/devices/DeviceRig.h"
#include "tests/support/RecordingFrontEnd.h"

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

class Indexers : public RigTypes {
 protected:
  void SetUp() override {
    rig.InitAll();
    rig.Take();
  }
};

TEST_P(Indexers, SlideAndTurretMoveInTheirOwnUnits) {
  ASSERT_EQ(rig.S().MoveAbs(10.25), 1);
  ASSERT_EQ(rig.T().MoveAbs(90), 1);
  EXPECT_EQ(rig.Take(), Expect({"/6A16400R", "/7A400R"}, {"SR+16400", "TR+400"}));
}

TEST_P(Indexers, TheCubeIsReadFromWhereItStandsAndHomesToCubeOne) {
  ASSERT_EQ(rig.C().Home(), 1);
  ASSERT_EQ(rig.C().Goto(3), 1);
  ASSERT_EQ(rig.C().Wait(), 1);
  EXPECT_EQ(rig.InBeam('C'), 3);
  rig.Take();
  ASSERT_EQ(rig.C().Home(), 1);
  EXPECT_EQ(rig.State('C').counter, 0);
  EXPECT_EQ(rig.InBeam('C'), 1);
  // A count nearest to no cube of the changer reads as no cube, as Goto would refuse it; the
  // changer stays ready at start-up all the same, for homing to bring it back.
  for (int64_t count : {-3200, 4 * 3200}) {
    rig.Unit('C').GetAxis().SetCounter(count, rig.clock.Now());
    int16_t cube = 9;
    EXPECT_EQ(rig.C().ReadPos(cube), -1) << count;
    EXPECT_EQ(cube, 9);
    EXPECT_EQ(rig.C().CurrentCube(), 1);
    EXPECT_EQ(rig.C().Init(), 1);
    EXPECT_EQ(rig.C().CurrentCube(), 0);
    rig.C().SetCurrentCube(1);
  }
}

QV_ON_BOTH_TYPES(Indexers);

using IndexerHoming = BothTypes;

TEST_P(IndexerHoming, FailsWhenTheHomeSensorIsNeverSeenAndLeavesTheDeviceStopped) {
  // An IM483I slide that finds no home input stops at its limits; its controller's search
  // reports that as found, so the slide is checked on an EZHR17 line only.
  const std::pair<char, std::function<int(Rig&)>> devices[] = {
      {'F',
       [](Rig& r) {
         r.W().SelectWheel(1);
         return r.W().Home();
       }},
      {'C', [](Rig& r) { return r.C().Home(); }},
      {'T', [](Rig& r) { return r.T().Home(); }},
      {'S', [](Rig& r) { return r.S().Home(); }}};
  for (const auto& [role, home] : devices) {
    SCOPED_TRACE(role);
    Rig rig(GetParam());
    if (role == 'S' && !rig.Ez()) continue;
    rig.KillSensor(role, sim::Sensor::Home);
    if (role == 'S') rig.KillSensor(role, sim::Sensor::Low);
    rig.Mot().MotorSetMoveTimeout(3);
    rig.InitAll();
    rig.Take();
    EXPECT_EQ(home(rig), -1);
    EXPECT_FALSE(rig.State(role).moving);  // the search is not left running
    if (role != 'F') continue;
    // The wheel's profile (EZHR17) or origin (IM483I) is set all the same.
    const Frames frames = rig.Take();
    EXPECT_GE(std::ranges::count(frames, rig.Ez() ? "/4T" : "FM0"), 1);
    EXPECT_EQ(frames.back(), rig.Ez() ? "/4L20R" : "FO");
  }
}

QV_ON_BOTH_TYPES(IndexerHoming);

// What the simulator takes from the wheel and cube files shows in where the tests above find
// the filters and cubes; a changer without usable cube numbers keeps one motor turn.
TEST(IndexerSimPlan, UnusableCubeNumbersKeepOneMotorTurn) {
  Rig rig(ControllerType::IM483I);
  rig.Set("CUBE", "CUBEPOSITIONS", "0");
  EXPECT_EQ(rig.Plan('C').axis.revolution, 1600);
  EXPECT_EQ(rig.Plan('C').indexing.positions, 0);
}

// The filter caption hook of the indexing devices' words.
TEST(IndexerCommands, TheCaptionHookRunsAfterEveryWheelCommandOnly) {
  Rig rig(ControllerType::IM483I);
  rig.InitAll();
  SharedState state;
  state.Ready = rig.ready;
  RecordingFrontEnd front;
  front.loaded.insert(std::string(kMainForm));
  Display display{front};
  DeviceCommands commands{state, display};
  int captions = 0;
  RegisterIndexerCommands(commands, IndexerDevices{rig.W(), rig.C(), rig.S(), rig.T()},
                          state.SymConst, [&] { ++captions; });
  const std::pair<const char*, int> lines[] = {{"F ?", 1},     {"B 7", 2},    {"Cube ?", 2},
                                               {"Slide ?", 2}, {"Turn ?", 2}, {"F Lamp", 3}};
  for (const auto& [line, after] : lines) {
    const std::string text = line;
    const size_t blank = text.find(' ');
    for (const DeviceWord& device : commands.Words())
      if (device.word == text.substr(0, blank)) commands.Execute(device, text.substr(blank + 1));
    EXPECT_EQ(captions, after) << line;
  }
  EXPECT_EQ(front.commandText, "F Lamp");
}

}  // namespace
}  // namespace qv::test
