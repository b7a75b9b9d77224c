// Focus compensation of the filter wheels: the table file, the focus shift of a filter change
// (the simulator's Z unit follows it), and the wait for wheel and focus together.
#include <gtest/gtest.h>

#include "devices/Wheels.h"
#include "tests/devices/DeviceRig.h"

namespace qv::test {
namespace {

class WheelFocus : public BothTypes {
 protected:
  void SetUp() override {
    rig.InitAll();
    rig.wheels->SelectWheel(1);
    ASSERT_EQ(rig.wheels->Home(), 1);
    int16_t filter = 0;
    ASSERT_EQ(rig.wheels->ReadFilter(filter), 1);
    PutBytes(rig.File("QV_DZW1.TXT"),
             "\"W1DZ1\",0\r\n\"W1DZ2\",12\r\n\"W1DZ3\",-5\r\n\"W1DZ4\",3\r\n\"W1DZ5\",0\r\n"
             "\"W1DZ6\",40\r\n");
  }
  // Reads the table above and switches compensation on.
  void CompOn() {
    ASSERT_EQ(rig.wheels->ReadZCompTable(1, "QV_DZW1.TXT"), 1);
    rig.wheels->ZCompOn();
  }
  int64_t ZCount() { return rig.State(rig.address.z).counter; }
  IndexerRig rig{GetParam()};
};

TEST_P(WheelFocus, AFilterChangeMovesTheFocusByTheDifferenceOfTheOffsets) {
  CompOn();
  EXPECT_TRUE(rig.wheels->ZCompIsOn(1));
  for (int16_t filter : {2, 3, 3}) {  // the second 3: no change, no shift
    ASSERT_EQ(rig.wheels->GotoFilterComp(filter), 1);
    ASSERT_EQ(rig.wheels->WaitComp(), 1);
  }
  EXPECT_EQ(rig.focusWaits, 3);
  EXPECT_EQ(rig.wheels->CurrentFilter(1), 3);
  // The focus unit stands 5 microns (8 microsteps) below where it started.
  EXPECT_EQ(ZCount(), -8);
  EXPECT_FALSE(rig.State(rig.address.z).moving);
  EXPECT_EQ(rig.InBeam(rig.address.w1), 3);
  rig.wheels->SetCurrentFilter(1, 1);
  ASSERT_EQ(rig.wheels->Prev(), 1);  // 1 -> 6
  ASSERT_EQ(rig.wheels->Next(), 1);  // 6 -> 1
  EXPECT_EQ(rig.focusMoves, (std::vector<double>{12, -17, 0, 40, -40}));
}

TEST_P(WheelFocus, CompensationBelongsToOneWheelAndWhenOffTheFocusIsNotWaitedFor) {
  CompOn();
  rig.wheels->SelectWheel(2);
  EXPECT_FALSE(rig.wheels->ZCompIsOn(2));
  ASSERT_EQ(rig.wheels->GotoFilterComp(4), 1);
  rig.wheels->SelectWheel(1);
  rig.wheels->ZCompOff();
  ASSERT_EQ(rig.wheels->GotoFilterComp(2), 1);
  ASSERT_EQ(rig.wheels->WaitComp(), 1);
  EXPECT_TRUE(rig.focusMoves.empty());
  EXPECT_EQ(rig.focusWaits, 0);
  EXPECT_EQ(ZCount(), 0);
}

TEST_P(WheelFocus, FaultyTablesAreNamedFailTheReadAndCountAsOffsetZero) {
  FocusCompensation& table = rig.wheels->Compensation();
  PutBytes(rig.File("QV_DZW1_B.TXT"), "\"W1DZ1\",0\r\n\"W1DZ2\",12\r\n\"W1DZ4\",3\r\n");
  rig.notifier.Clear();
  EXPECT_EQ(rig.wheels->ReadZCompTable(1, "QV_DZW1_B.TXT"), -1);
  ASSERT_EQ(rig.notifier.Messages.size(), 3u);  // W1DZ3, W1DZ5, W1DZ6
  EXPECT_EQ(rig.notifier.Messages[0].Text,
            "Parameter W1DZ3 not found in " + rig.File("QV_DZW1_B.TXT"));
  EXPECT_EQ(table.Offset(1, 3), 0);
  EXPECT_EQ(table.Offset(1, 2), 12);
  EXPECT_EQ(table.Shift(1, 2, 3), -12);
  EXPECT_EQ(rig.wheels->ReadZCompTable(1, "NOSUCH.TXT"), -1);  // a missing file empties it
  EXPECT_EQ(table.Offset(1, 2), 0);
  PutBytes(rig.File("QV_DZW1_C.TXT"),
           "\"W1DZ1\",0\r\n\"W1DZ2\",far\r\n\"W1DZ3\",1\r\n\"W1DZ4\",99999\r\n\"W1DZ5\",0\r\n"
           "\"W1DZ6\",2.5\r\n");
  EXPECT_EQ(rig.wheels->ReadZCompTable(1, "QV_DZW1_C.TXT"), -1);
  EXPECT_EQ(table.Offset(1, 2), 0);
  EXPECT_EQ(table.Offset(1, 4), 0);  // beyond 16 bits
  EXPECT_EQ(table.Offset(1, 6), 2);  // halves to even
}

TEST_P(WheelFocus, AFocusThatCannotMoveFailsTheChangeButTheFilterIsTaken) {
  CompOn();
  rig.NoReply(rig.address.z);
  EXPECT_LT(rig.wheels->GotoFilterComp(2), 0);
  EXPECT_EQ(rig.wheels->CurrentFilter(1), 2);  // the wheel did move
  ASSERT_EQ(rig.wheels->Wait(), 1);
  EXPECT_EQ(rig.InBeam(rig.address.w1), 2);
}

QV_ON_BOTH_TYPES(WheelFocus);

TEST(WheelFocusLink, CompensationWithoutAFocusDriveFails) {
  IndexerRig rig(ControllerType::IM483I);
  rig.ready.ZReady = 1;
  Wheels wheels(rig.trapar, rig.mot, rig.comm, rig.contrType, rig.ready, FocusLink{});
  ASSERT_EQ(wheels.Init(1), 1);
  wheels.ZCompOn();
  EXPECT_EQ(wheels.GotoFilterComp(2), -1);
  EXPECT_EQ(wheels.WaitComp(), -1);
}

}  // namespace
}  // namespace qv::test
