// The objective table QV_OBJPOSMAG.TXT; choosing an objective is a transcript
// (tests/transcripts/specimen/mag_words.transcript).
#include <gtest/gtest.h>

#include "devices/Objectives.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingNotifier.h"

namespace qv::test {
namespace {

struct ObjectiveRig {
  explicit ObjectiveRig(const std::string& table) {
    trapar.SetParDir(folder.Dir());
    PutBytes(folder.File("QV_OBJPOSMAG.TXT"), table);
  }
  TempFolder folder;
  RecordingNotifier notifier;
  Trapar trapar{notifier};
  Objectives objectives{trapar};
};

// Only keys of "OBJPOS" and a digit 1 to 9 count; the highest position named is the count, and
// gaps have no magnification.
TEST(ObjectiveTable, TheHighestPositionNamedIsTheCountAndGapsHaveNoMagnification) {
  ObjectiveRig rig(
      "\"OBJPOS2\",10\r\n\"OBJPOS5\",63\r\n\"OBJPOS10\",100\r\n\"OBJPOS\",7\r\n\"OBJ3\",3\r\n"
      "\"XOBJPOS4\",4\r\n\"OBJPOS_3\",20\r\n\"OBJPOS1\",2.5\r\n\"OBJPOS7\",many\r\n");
  EXPECT_EQ(rig.objectives.ReadObjPosMag(), 0);
  EXPECT_EQ(rig.objectives.ObjCount(), 7);
  EXPECT_EQ(rig.objectives.ObjPosMag(2), 10);
  EXPECT_EQ(rig.objectives.ObjPosMag(5), 63);
  EXPECT_EQ(rig.objectives.ObjPosMag(3), 20);  // first six characters and the last one decide
  EXPECT_EQ(rig.objectives.ObjPosMag(1), 2);   // halves to even
  for (int p : {7, 4, 6, 8, 10, 0, 11, -1})    // 7: no number
    EXPECT_EQ(rig.objectives.ObjPosMag(p), 0) << p;
}

TEST(ObjectiveTable, ReadingAgainClearsTheOldTableAndLeavesTheCurrentListAlone) {
  ObjectiveRig rig("\"OBJPOS4\",40\r\n");
  rig.trapar.CurrentList() = {{"KEEP", std::string("me")}};
  rig.objectives.ReadObjPosMag();
  EXPECT_EQ(rig.objectives.ObjCount(), 4);
  PutBytes(rig.folder.File("QV_OBJPOSMAG.TXT"), "\"OBJPOS1\",4\r\n");
  rig.objectives.ReadObjPosMag();
  EXPECT_EQ(rig.objectives.ObjCount(), 1);
  EXPECT_EQ(rig.objectives.ObjPosMag(4), 0);
  ASSERT_EQ(rig.trapar.CurrentList().size(), 1u);
  EXPECT_EQ(rig.trapar.CurrentList()[0].Name, "KEEP");
  std::filesystem::remove(rig.folder.File("QV_OBJPOSMAG.TXT"));  // a missing file: empty table
  EXPECT_EQ(rig.objectives.ReadObjPosMag(), 0);
  EXPECT_EQ(rig.objectives.ObjCount(), 0);
  EXPECT_EQ(rig.objectives.ObjPosMag(1), 0);
}

}  // namespace
}  // namespace qv::test
