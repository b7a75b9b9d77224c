// The object list and its coordinate file, and what the "Obj" word does beyond its replies (those
// are in tests/transcripts/specimen/, the move to an object in obj_goto.transcript): the object
// grid and the map follow it.
#include "specimen/ObjectList.h"

#include <gtest/gtest.h>

#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingNotifier.h"
#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

constexpr double U = kUndefinedPos;

// The replies of "Obj Get" and "Obj Edit" for numbers out of range are in
// tests/transcripts/specimen/obj_words.transcript.
TEST(ObjectList, GrowsBeyondFiftyAndEditsInPlace) {
  ObjectList list;
  for (int i = 1; i <= 51; ++i)
    EXPECT_EQ(list.ObjAdd(i, -i, i / 10.0, "o" + std::to_string(i)), i);
  ObjRecord object;
  ASSERT_EQ(list.ObjGet(50, object), 1);
  EXPECT_EQ(object.X, 50);
  EXPECT_EQ(object.Comment, "o50");
  EXPECT_EQ(list.ObjGet(INT32_MAX, object), -1);
  EXPECT_EQ(list.ObjEdit(2, {1.5, 2, -3, "name"}), 1);
  std::string text;
  ASSERT_EQ(list.ObjGetText(2, text), 1);
  EXPECT_EQ(text, " 1.5  2 -3 name");
}

class ObjFiles : public ::testing::Test {
 protected:
  TempFolder folder;
  RecordingNotifier notifier;
  Trapar trapar{notifier};
  ObjectList list;
};

TEST_F(ObjFiles, RoundTripRoundsAndRenumbers) {
  list.ObjAdd(1.26, -0.04, 12.347, "two words");
  list.ObjAdd(U, 5, U, "a,\"b");  // a comma would make two objects of one
  const std::string path = folder.File("OBJ.TXT");
  EXPECT_EQ(list.ObjListWrite(trapar, path), 2);
  EXPECT_EQ(GetBytes(path), " 1 1.3 0.0 12.35 two words\r\n\" 2 77777.7 5.0 77777.70 a,b\"\r\n");

  ObjectList back;
  back.ObjAdd(9, 9, 9, "old");
  EXPECT_EQ(back.ObjListRead(trapar, path), 2);
  EXPECT_EQ(back.ObjListToLines(),
            (std::vector<std::string>{" 1 1.3 0.0 12.35 two", "\" 2 77777.7 5.0 77777.70 a,b\""}));

  // Numbers in the file are not object numbers; a comma outside quotes makes two objects; an
  // item is read token by token, and a number that is none or out of range is undefined.
  PutBytes(path,
           " 9 1 2 3\r\n 4\r\n7 10.5 abc 3 cellB,x\r\n  1   -2  3e1   4 c d\r\n1 2\r\n"
           "1 1e999 inf nan x\r\n");
  EXPECT_EQ(back.ObjListRead(trapar, path), 7);
  EXPECT_EQ(
      back.ObjListToLines(),
      (PlainList{" 1 1.0 2.0 3.00 ", " 2 77777.7 77777.7 77777.70 ", " 3 10.5 77777.7 3.00 cellB",
                 " 4 77777.7 77777.7 77777.70 ", " 5 -2.0 30.0 4.00 c", " 6 2.0 77777.7 77777.70 ",
                 " 7 77777.7 77777.7 77777.70 x"}));
}

TEST_F(ObjFiles, FailedFilesKeepTheList) {
  list.ObjAdd(1, 2, 3, "keep");
  EXPECT_EQ(list.ObjListRead(trapar, folder.File("MISSING.TXT")), -1);
  PutBytes(folder.File("EMPTY.TXT"), "");
  EXPECT_EQ(list.ObjListRead(trapar, folder.File("EMPTY.TXT")), -1);
  EXPECT_EQ(list.ObjListCount(), 1);
  EXPECT_EQ(list.ObjListWrite(trapar, folder.File("no/such/dir/OBJ.TXT")), -1);
}

// The grid redraws every row only when told to; a list replaced by one of the same length must
// tell it, or the grid keeps showing the old objects.
TEST_F(ObjFiles, ReplacingTheListAsksForAFullRedraw) {
  list.ObjAdd(1, 2, 3, "a");
  const std::string path = folder.File("OBJ.TXT");
  ASSERT_EQ(list.ObjListWrite(trapar, path), 1);
  list.ObjSetChanged(0);
  EXPECT_EQ(list.ObjListRead(trapar, path), 1);
  EXPECT_EQ(list.ObjGetChanged(), 1);
  list.ObjSetChanged(0);
  EXPECT_EQ(list.ObjListRead(trapar, folder.File("MISSING.TXT")), -1);
  EXPECT_EQ(list.ObjGetChanged(), 0);  // nothing was replaced
}

TEST(ObjectList, NearestObjectPrefersTheLowerNumberOnTies) {
  ObjectList list;
  double d2 = -1;
  EXPECT_EQ(list.ObjFindNearest(0, 0, d2), -1);
  EXPECT_EQ(d2, 0);
  list.ObjAdd(U, U, 0, "");
  list.ObjAdd(3, 4, 0, "");
  list.ObjAdd(-3, -4, 0, "");
  list.ObjAdd(10, 0, 0, "");
  EXPECT_EQ(list.ObjFindNearest(0, 0, d2), 2);
  EXPECT_EQ(d2, 25);
  EXPECT_EQ(list.ObjFindNearest(77777, 77777, d2), 1);  // undefined objects take part
  EXPECT_EQ(list.ObjFindNearest(9, 1, d2), 4);
  EXPECT_EQ(d2, 2);
}

TEST(ObjCommand, TheWindowAndTheMapSeeAddsAndDraws) {
  TestSystem t;
  std::vector<std::string> map;
  t.system.objectCommands.SetMapHooks({
      .drawObject = [&map](int32_t n) -> int16_t {
        map.push_back("obj" + std::to_string(n));
        return n == 1 ? 1 : -1;
      },
      .drawAllObjects = [&map] { map.push_back("all"); },
      .drawStageMark = [&map](double, double) { map.push_back("mark"); },
  });
  t.Run("Obj Add 1 2 3");  // not loaded: nothing shown, nothing drawn
  EXPECT_TRUE(t.front.calls.empty());
  EXPECT_TRUE(t.front.messages.empty());
  t.front.LoadWindows();
  EXPECT_EQ(t.Run("Obj Add 1 2 3;Obj Draw 1;Obj Draw 2;Obj ListDraw"),
            "# 2 ;  1 ; Error  ; OK  ; ");
  EXPECT_EQ(t.front.calls, std::vector<std::string>{"ObjList"});
  EXPECT_EQ(t.front.messages.front(), "# 2");
  EXPECT_EQ(map, (std::vector<std::string>{"mark", "obj1", "obj2", "all"}));
}

}  // namespace
}  // namespace qv::test
