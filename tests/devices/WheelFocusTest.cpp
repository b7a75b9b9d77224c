// Focus compensation of the filter wheels: the table file, the focus shift of a filter change
// (the simulator's Z unit follows it), and the wait for wheel and focus together.
#include <gtest/gtest.h>

#include "devices/Wheels.h"
#include "tests/devices/IndexerRig.h"

namespace qv::test::indexer {
namespace {

void WriteTable(IndexerRig& rig, const std::string& name, const std::string& text) {
  PutBytes(rig.folder.File(name), text);
}

class WheelFocus : public IndexerTypes {
 protected:
  void SetUp() override {
    rig_ = std::make_unique<IndexerRig>(GetParam());
    rig_->InitAll();
    rig_->wheels->SelectWheel(1);
    ASSERT_EQ(rig_->wheels->Home(), 1);
    int16_t filter = 0;
    ASSERT_EQ(rig_->wheels->ReadFilter(filter), 1);
    WriteTable(*rig_, "QV_DZW1.TXT",
               "\"W1DZ1\",0\r\n\"W1DZ2\",12\r\n\"W1DZ3\",-5\r\n\"W1DZ4\",3\r\n\"W1DZ5\",0\r\n"
               "\"W1DZ6\",40\r\n");
  }
  IndexerRig& rig() { return *rig_; }
  int64_t ZCount() { return rig().State(rig().address.z).counter; }

 private:
  std::unique_ptr<IndexerRig> rig_;
};

TEST_P(WheelFocus, AFilterChangeMovesTheFocusByTheDifferenceOfTheOffsets) {
  ASSERT_EQ(rig().wheels->ReadZCompTable(1, "QV_DZW1.TXT"), 1);
  rig().wheels->ZCompOn();
  EXPECT_TRUE(rig().wheels->ZCompIsOn(1));
  ASSERT_EQ(rig().wheels->GotoFilterComp(2), 1);
  ASSERT_EQ(rig().wheels->WaitComp(), 1);
  ASSERT_EQ(rig().wheels->GotoFilterComp(3), 1);
  ASSERT_EQ(rig().wheels->WaitComp(), 1);
  ASSERT_EQ(rig().wheels->GotoFilterComp(3), 1);  // no change, no shift
  ASSERT_EQ(rig().wheels->WaitComp(), 1);
  EXPECT_EQ(rig().focusMoves, (std::vector<double>{12, -17, 0}));
  EXPECT_EQ(rig().focusWaits, 3);
  EXPECT_EQ(rig().wheels->CurrentFilter(1), 3);
  // The focus unit stands 5 microns (8 microsteps) below where it started.
  EXPECT_EQ(ZCount(), -8);
  EXPECT_FALSE(rig().State(rig().address.z).moving);
  EXPECT_EQ(rig().InBeam(rig().address.w1), 3);
}

TEST_P(WheelFocus, NextAndPrevShiftTheFocusToo) {
  ASSERT_EQ(rig().wheels->ReadZCompTable(1, "QV_DZW1.TXT"), 1);
  rig().wheels->ZCompOn();
  ASSERT_EQ(rig().wheels->Prev(), 1);  // 1 -> 6
  ASSERT_EQ(rig().wheels->Next(), 1);  // 6 -> 1
  EXPECT_EQ(rig().focusMoves, (std::vector<double>{40, -40}));
}

TEST_P(WheelFocus, WithCompensationOffTheFocusStaysAndIsNotWaitedFor) {
  ASSERT_EQ(rig().wheels->ReadZCompTable(1, "QV_DZW1.TXT"), 1);
  rig().wheels->ZCompOn();
  rig().wheels->ZCompOff();
  ASSERT_EQ(rig().wheels->GotoFilterComp(2), 1);
  ASSERT_EQ(rig().wheels->WaitComp(), 1);
  EXPECT_TRUE(rig().focusMoves.empty());
  EXPECT_EQ(rig().focusWaits, 0);
  EXPECT_EQ(ZCount(), 0);
}

TEST_P(WheelFocus, CompensationBelongsToOneWheel) {
  ASSERT_EQ(rig().wheels->ReadZCompTable(1, "QV_DZW1.TXT"), 1);
  rig().wheels->ZCompOn();
  rig().wheels->SelectWheel(2);
  EXPECT_FALSE(rig().wheels->ZCompIsOn(2));
  ASSERT_EQ(rig().wheels->GotoFilterComp(4), 1);
  EXPECT_TRUE(rig().focusMoves.empty());
}

TEST_P(WheelFocus, AMissingKeyIsNamedFailsTheReadAndCountsAsOffsetZero) {
  WriteTable(rig(), "QV_DZW1_B.TXT", "\"W1DZ1\",0\r\n\"W1DZ2\",12\r\n\"W1DZ4\",3\r\n");
  rig().notifier.Clear();
  EXPECT_EQ(rig().wheels->ReadZCompTable(1, "QV_DZW1_B.TXT"), -1);
  ASSERT_EQ(rig().notifier.Messages.size(), 3u);  // W1DZ3, W1DZ5, W1DZ6
  EXPECT_EQ(rig().notifier.Messages[0].Text,
            "Parameter W1DZ3 not found in " + rig().folder.Dir() + "QV_DZW1_B.TXT");
  EXPECT_EQ(rig().wheels->Compensation().Offset(1, 3), 0);
  EXPECT_EQ(rig().wheels->Compensation().Offset(1, 2), 12);
  EXPECT_EQ(rig().wheels->Compensation().Shift(1, 2, 3), -12);
}

TEST_P(WheelFocus, AMissingTableFileFailsAndLeavesAnEmptyTable) {
  ASSERT_EQ(rig().wheels->ReadZCompTable(1, "QV_DZW1.TXT"), 1);
  EXPECT_EQ(rig().wheels->ReadZCompTable(1, "NOSUCH.TXT"), -1);
  EXPECT_EQ(rig().wheels->Compensation().Offset(1, 2), 0);
}

TEST_P(WheelFocus, ATableValueThatIsNoNumberIsNamedAndFailsTheRead) {
  WriteTable(rig(), "QV_DZW1_C.TXT",
             "\"W1DZ1\",0\r\n\"W1DZ2\",far\r\n\"W1DZ3\",1\r\n\"W1DZ4\",99999\r\n\"W1DZ5\",0\r\n"
             "\"W1DZ6\",2.5\r\n");
  EXPECT_EQ(rig().wheels->ReadZCompTable(1, "QV_DZW1_C.TXT"), -1);
  EXPECT_EQ(rig().wheels->Compensation().Offset(1, 2), 0);
  EXPECT_EQ(rig().wheels->Compensation().Offset(1, 4), 0);  // beyond 16 bits
  EXPECT_EQ(rig().wheels->Compensation().Offset(1, 6), 2);  // halves to even
}

TEST_P(WheelFocus, AFocusThatCannotMoveFailsTheChangeButTheFilterIsTaken) {
  ASSERT_EQ(rig().wheels->ReadZCompTable(1, "QV_DZW1.TXT"), 1);
  rig().wheels->ZCompOn();
  rig().line->SetFault(rig().address.z, sim::Fault{sim::FaultKind::NoReply, 0, -1});
  EXPECT_LT(rig().wheels->GotoFilterComp(2), 0);
  EXPECT_EQ(rig().wheels->CurrentFilter(1), 2);  // the wheel did move
  ASSERT_EQ(rig().wheels->Wait(), 1);
  EXPECT_EQ(rig().InBeam(rig().address.w1), 2);
}

INSTANTIATE_TEST_SUITE_P(Types, WheelFocus,
                         ::testing::Values(ControllerKind::kEzhr17, ControllerKind::kIm483i),
                         KindName);

TEST(WheelFocusLink, CompensationWithoutAFocusDriveFails) {
  IndexerRig rig(ControllerKind::kIm483i);
  Wheels wheels(rig.trapar, *rig.motCon, rig.contrType, rig.ready, FocusLink{});
  ASSERT_EQ(wheels.Init(1), 1);
  wheels.ZCompOn();
  EXPECT_EQ(wheels.GotoFilterComp(2), -1);
  EXPECT_EQ(wheels.WaitComp(), -1);
}

}  // namespace
}  // namespace qv::test::indexer
