// What the simulator takes from the wheel and cube files: a turn of the wheel's filter positions,
// the cube positions around the changer, and where position 1 lies past the index.
#include <gtest/gtest.h>

#include "tests/devices/DeviceRig.h"

namespace qv::test {
namespace {

TEST(IndexerSimPlan, WheelsAndCubeGetTheirPositionsFromTheDeviceFiles) {
  IndexerRig rig(ControllerType::EZHR17,
                 {{"QV_PARW2.TXT", With(With(WheelFile(2, '5'), "W2FILTPOSITIONS", "8"),
                                        "W2MSTEPSPERFILT", "1000")}});
  const sim::UnitPlan& w1 = rig.Plan('4');
  EXPECT_EQ(w1.axis.revolution, 9600);
  EXPECT_EQ(w1.indexing.positions, 6);
  EXPECT_EQ(w1.indexing.pitch, 1600);
  EXPECT_EQ(w1.indexing.first, 200);
  const sim::UnitPlan& w2 = rig.Plan('5');
  EXPECT_EQ(w2.axis.revolution, 8000);
  EXPECT_EQ(w2.indexing.positions, 8);
  const sim::UnitPlan& cube = rig.Plan('8');
  EXPECT_EQ(cube.axis.kind, sim::AxisKind::Rotary);
  EXPECT_EQ(cube.axis.revolution, 4 * 3200);  // 4 cubes 2 units apart, 1600 microsteps a unit
  EXPECT_EQ(cube.indexing.pitch, 3200);
  EXPECT_EQ(cube.indexing.first, 400);
  EXPECT_EQ(rig.Plan('6').indexing.positions, 0);  // the slide has no numbered positions
}

TEST(IndexerSimPlan, PositionAtNamesThePositionInTheBeamAcrossTheWrap) {
  IndexerRig rig(ControllerType::IM483I);
  const sim::UnitPlan& w1 = rig.Plan('F');
  EXPECT_EQ(sim::PositionAt(w1, 200, 10), 1);
  EXPECT_EQ(sim::PositionAt(w1, 200 + 5 * 1600 + 9600 * 3, 10), 6);
  EXPECT_EQ(sim::PositionAt(w1, 195 - 9600, 10), 1);
  EXPECT_EQ(sim::PositionAt(w1, 1000, 10), 0);  // between filters
  EXPECT_EQ(sim::PositionAt(rig.Plan('S'), 200, 10), 0);
}

TEST(IndexerSimPlan, UnusableCubeNumbersKeepOneMotorTurn) {
  IndexerRig rig(ControllerType::IM483I,
                 {{"QV_PARCUBE.TXT", With(CubeFile('C'), "CUBEPOSITIONS", "0")}});
  EXPECT_EQ(rig.Plan('C').axis.revolution, 1600);
  EXPECT_EQ(rig.Plan('C').indexing.positions, 0);
}

}  // namespace
}  // namespace qv::test
