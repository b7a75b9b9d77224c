// The Objects tab and the "Obj." menu on the simulated controller line, on the offscreen
// platform: the grid follows the object list, cell edits reach it, and the buttons and entries
// move the stage and read and write the list.
#include "app/WindowCore.h"
#include "ui/ObjectsTab.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>

#include "foundation/NumberText.h"
#include "specimen/PixelCanvas.h"
#include "tests/support/QtApplication.h"
#include "tests/support/SimSystem.h"
#include "tests/support/WindowRig.h"
#include "ui/ObjectMenu.h"
#include "ui/WindowFrontEnd.h"

namespace qv::test {
namespace {

class ObjectsTabTest : public ::testing::Test, protected RecordingServices {
 protected:
  static void SetUpTestSuite() { EnsureQApplication(); }
  void SetUp() override {
    ASSERT_EQ(sim.Start(), 1);
    tab.show();
  }

  InputBox Answer() {
    return [this](const std::string& title, const std::string& prompt) {
      asked.push_back(title + "|" + prompt);
      return answer;
    };
  }

  MapPoint Stage() {
    MapPoint at;
    EXPECT_EQ(sim.system.stage.XYReadPos(at.X, at.Y), 1);
    return at;
  }
  ObjRecord Object(int32_t n) {
    ObjRecord object;
    EXPECT_EQ(sim.system.objects.ObjGet(n, object), 1);
    return object;
  }
  std::string Cell(int row, int column) {
    const QTableWidgetItem* item = tab.Grid().item(row, column);
    return item ? item->text().toStdString() : "<none>";
  }
  void Click(int row, int column) {
    QTableWidget& grid = tab.Grid();
    const QRect cell = grid.visualItemRect(grid.item(row, column));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
  }
  void Type(const QString& text) {
    tab.Field().setText(text);
    QTest::keyClick(&tab.Field(), Qt::Key_Return);
  }
  void Press(const char* button) {
    QTest::mouseClick(tab.findChild<QPushButton*>(button), Qt::LeftButton);
  }
  void Choose(const QString& caption) {
    QAction* entry = FindEntry(menu, {caption});
    ASSERT_NE(entry, nullptr) << caption.toStdString();
    entry->trigger();
  }

  BasicSimSystem<WindowFrontEnd> sim{RepoFolder("config/demo"), sim::LineOptions{.baud = 9600}};
  std::vector<std::string> asked;
  std::optional<std::string> answer;
  ObjectsTab tab{WindowCore(sim.system), Services(), nullptr};
  QMenuBar bar;
  QMenu* menu = AddObjectMenu(bar, tab, Answer());
};

TEST_F(ObjectsTabTest, AddPosAddsTheStagePositionAndAddNewAnUndefinedObject) {
  ASSERT_EQ(sim.Run("XY 1234.5 -678.9;XY Wait"), "OK  ; OK  ; ");
  const MapPoint at = Stage();
  Press("cmdAddPos");
  ASSERT_EQ(sim.system.objects.ObjListCount(), 1);
  EXPECT_EQ(Object(1).X, at.X);
  EXPECT_EQ(Object(1).Y, at.Y);
  EXPECT_NE(Object(1).Z, kUndefinedPos);  // the focus is installed too
  ASSERT_FALSE(messages.empty());
  EXPECT_NE(messages.back().find("# 1"), std::string::npos) << messages.back();
  EXPECT_EQ(tabs, std::vector<int>{2});
  ASSERT_EQ(tab.Grid().rowCount(), 1);
  EXPECT_EQ(Cell(0, 0), "1");
  EXPECT_EQ(Cell(0, 1), FormatFixed(at.X, 1));
  EXPECT_EQ(Cell(0, 2), FormatFixed(at.Y, 1));

  Press("cmdAddNew");
  ASSERT_EQ(tab.Grid().rowCount(), 2);
  EXPECT_EQ(messages.back(), "# 2");
  for (int column : {1, 2})
    EXPECT_EQ(Cell(1, column), "77777.7");
  EXPECT_EQ(Cell(1, 3), "77777.70");
  EXPECT_EQ(Object(2).Z, kUndefinedPos);
}

TEST_F(ObjectsTabTest, ACellEditReachesTheObjectAndBadTextChangesNothing) {
  sim.Run("Obj Add 1 2 3 a;Obj Add 4 5 6 b");
  tab.DisplayObjList();
  Click(1, 2);
  ASSERT_TRUE(tab.Field().isVisible());
  EXPECT_EQ(tab.Field().text(), "5.0");
  EXPECT_EQ(tab.Field().geometry(), tab.Grid().visualItemRect(tab.Grid().item(1, 2)));
  Type("-7.25");
  EXPECT_EQ(Object(2).Y, -7.25);
  EXPECT_EQ(Cell(1, 2), "-7.3");
  EXPECT_FALSE(tab.Field().isVisible());

  for (const char* bad : {"abc", "", "1e999", "1,5"}) {
    Click(1, 3);
    Type(bad);
    ASSERT_EQ(sim.notifier.Messages.size(), 1u) << bad;
    EXPECT_EQ(sim.notifier.LastText(), "Not a number");
    EXPECT_EQ(Object(2).Z, 6);
    EXPECT_EQ(Cell(1, 3), "6.00");
    EXPECT_TRUE(tab.Field().isVisible());
    sim.notifier.Clear();
  }
  Click(0, 4);
  Type("cellA");  // any text is a comment
  EXPECT_EQ(Object(1).Comment, "cellA");
  EXPECT_EQ(Cell(0, 4), "cellA");
  EXPECT_EQ(Object(1).X, 1);

  // Scrolled away from its cell, the box would seem to edit another row.
  for (int i = 0; i < 100; ++i)
    sim.system.objects.ObjAdd(i, i, i, "");
  tab.DisplayObjList();
  Click(0, 1);
  tab.Grid().verticalScrollBar()->setValue(tab.Grid().verticalScrollBar()->maximum());
  EXPECT_FALSE(tab.Field().isVisible());
}

// Texts are UTF-8 in the list and the grid (old files in the Windows code page: FrontEndText).
TEST_F(ObjectsTabTest, CommentsKeepTheirCharactersBetweenGridCommandsAndFiles) {
  sim.Run("Obj Add 1 2 3 a;Obj Add 4 5 6 caf\xC3\xA9");
  tab.DisplayObjList();
  EXPECT_EQ(tab.Grid().item(1, 4)->text(), QString::fromUtf16(u"caf\u00E9"));
  Click(0, 4);
  Type(QString::fromUtf16(u"\u00B5m_\u03B1\u20AC"));
  EXPECT_EQ(Object(1).Comment, "\xC2\xB5m_\xCE\xB1\xE2\x82\xAC");
  EXPECT_EQ(sim.Run("Obj Get 1"), " 1  2  3 \xC2\xB5m_\xCE\xB1\xE2\x82\xAC ; ");
  EXPECT_TRUE(sim.notifier.Messages.empty());
}

TEST_F(ObjectsTabTest, AnEditOfAnObjectThatIsGoneIsAnInternalError) {
  sim.Run("Obj Add 1 2 3 a;Obj Add 4 5 6 b");
  tab.DisplayObjList();
  Click(1, 1);
  sim.Run("Obj ListClear;Obj Add 9 9 9 c");  // the grid has not been refreshed
  Type("8");
  EXPECT_EQ(sim.notifier.LastText(), "Internal error");
  EXPECT_EQ(sim.system.objects.ObjListCount(), 1);
  EXPECT_EQ(Object(1).X, 9);

  // A refresh puts the box away, so the edit cannot land on whatever object now has the row.
  Click(0, 1);
  sim.Run("Obj ListClear;Obj Add 7 7 7 d");
  tab.DisplayObjList();
  EXPECT_FALSE(tab.Field().isVisible());
}

TEST_F(ObjectsTabTest, TheGridFollowsTheListWhenItGrowsShrinksOrIsReplaced) {
  sim.Run("Obj Add 1 2 3 a;Obj Add 4 5 6 b");
  tab.DisplayObjList();
  sim.Run("Obj Add 7 8 9 c");
  tab.DisplayObjList();
  ASSERT_EQ(tab.Grid().rowCount(), 3);
  EXPECT_EQ(Cell(2, 4), "c");
  EXPECT_EQ(Cell(2, 0), "3");

  // Replaced by a list of the same length: every row must show the new objects.
  sim.Run("Obj ListClear;Obj Add 10 11 12 x;Obj Add 13 14 15 y;Obj Add 16 17 18 z");
  tab.DisplayObjList();
  EXPECT_EQ(Cell(0, 1), "10.0");
  EXPECT_EQ(Cell(2, 4), "z");

  sim.Run("Obj Edit 2 0.04 0 0 w");
  tab.DisplayObjList();
  EXPECT_EQ(Cell(1, 1), "0.0");
  EXPECT_EQ(Cell(1, 4), "w");

  sim.Run("Obj ListClear;Obj Add 20 21 22 v");
  tab.DisplayObjList();
  ASSERT_EQ(tab.Grid().rowCount(), 1);
  EXPECT_EQ(Cell(0, 1), "20.0");
}

TEST_F(ObjectsTabTest, RowsAreSelectedWholeFromTheMapOrByTheirNumber) {
  sim.Run("Obj Add 1 2 3 a;Obj Add 4 5 6 b;Obj Add 7 8 9 c");
  tab.HighlightObjInGrid(2);  // also brings the grid up to the list
  const QList<QTableWidgetSelectionRange> ranges = tab.Grid().selectedRanges();
  ASSERT_EQ(ranges.size(), 1);
  EXPECT_EQ(ranges[0].topRow(), 1);
  EXPECT_EQ(ranges[0].bottomRow(), 1);
  EXPECT_EQ(ranges[0].leftColumn(), 0);
  EXPECT_EQ(ranges[0].rightColumn(), 4);
  for (int32_t beyond : {0, -1, 4})
    tab.HighlightObjInGrid(beyond);
  EXPECT_EQ(tab.Grid().selectedRanges()[0].topRow(), 1);

  Click(2, 0);
  EXPECT_EQ(tab.Grid().selectedRanges()[0].topRow(), 2);
  EXPECT_EQ(tab.Grid().selectedRanges()[0].rightColumn(), 4);
  EXPECT_EQ(sim.system.map.HighlightedObj(), 3);
  EXPECT_FALSE(tab.Field().isVisible());
}

TEST_F(ObjectsTabTest, MoveToGoesToTheSelectedObjectOnly) {
  sim.Run("Obj Add 1500 -800 0 a;Obj Add 77777.7 77777.7 0 b");
  tab.DisplayObjList();
  const MapPoint start = Stage();
  Press("cmdMoveTo");
  EXPECT_EQ(sim.notifier.LastText(), "To move to the object, click on the object number");
  Click(0, 1);  // a single cell is not an object
  Press("cmdMoveTo");
  EXPECT_EQ(sim.notifier.Messages.size(), 2u);
  EXPECT_EQ(Stage().X, start.X);

  Click(0, 0);
  Press("cmdMoveTo");
  const MapPoint at = Stage();
  EXPECT_NEAR(at.X, 1500, 1);
  EXPECT_NEAR(at.Y, -800, 1);
  EXPECT_EQ(messages.back(), "X=" + GeneralText(at.X) + ", Y=" + GeneralText(at.Y));

  Click(1, 0);  // undefined: the refusal stays on the message line
  Press("cmdMoveTo");
  EXPECT_EQ(messages.back(), "Error ");
}

TEST_F(ObjectsTabTest, MoveToObjectInTheListAsksForTheNumber) {
  sim.Run("Obj Add 100 200 0 a;Obj Add -300 400 0 b");
  answer = "x";
  Choose("Move to Object in the List");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_NE(asked[0].find("There are 2 objects"), std::string::npos) << asked[0];
  EXPECT_TRUE(messages.empty());
  answer.reset();  // Cancel
  Choose("Move to Object in the List");
  EXPECT_TRUE(messages.empty());
  answer = " 2 ";
  Choose("Move to Object in the List");
  EXPECT_NEAR(Stage().X, -300, 1);
  EXPECT_NEAR(Stage().Y, 400, 1);
}

// How the list is written and read is ObjectListTest's; here the entries and the grid.
TEST_F(ObjectsTabTest, TheListWrittenForTheEditorReadsBackFromAFile) {
  sim.system.objects.ObjAdd(1, -2, 3, "cellA");
  sim.system.objects.ObjAdd(kUndefinedPos, 5, 6, "two,parts");
  Choose("Write Object List");
  EXPECT_EQ(editor.pasted, std::vector<std::string>{sim.system.objects.ObjListText()});
  const std::string path = sim.folder.File("OBJECTS.TXT");
  PutBytes(path, editor.pasted[0]);  // as the operator saves it from the editor

  Choose("Clear Object List");
  EXPECT_EQ(messages.back(), "Object List Cleared");
  EXPECT_EQ(tab.Grid().rowCount(), 0);

  Choose("Read Object List");  // cancelled
  EXPECT_EQ(sim.system.objects.ObjListCount(), 0);
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0].startDir, sim.system.state.AppDir);

  chosen = path;
  Choose("Read Object List");
  ASSERT_EQ(tab.Grid().rowCount(), 2);
  EXPECT_EQ(Cell(1, 4), "two,parts");
  EXPECT_EQ(tabs, (std::vector<int>{2, 2, 2, 2}));

  // A file with nothing in it leaves the list and says so.
  chosen = sim.folder.File("EMPTY.TXT");
  PutBytes(chosen, "");
  Choose("Read Object List");
  EXPECT_EQ(sim.system.objects.ObjListCount(), 2);
  EXPECT_NE(sim.notifier.LastText().find("EMPTY.TXT"), std::string::npos);
}

TEST_F(ObjectsTabTest, TheAttractionDistanceEntryShowsAndSetsTheDistance) {
  const auto caption = [this] {
    emit menu->aboutToShow();
    return menu->actions().back()->text().toStdString();
  };
  EXPECT_EQ(caption(), "Attraction Distance = 100.00");
  answer = "25.456";
  menu->actions().back()->trigger();
  EXPECT_EQ(sim.system.objects.AttrDist, 25.456);
  EXPECT_TRUE(asked.back().ends_with("Current value 100.00")) << asked.back();
  EXPECT_EQ(caption(), "Attraction Distance = 25.46");
  for (std::optional<std::string> ignored :
       {std::optional<std::string>("far"), std::optional<std::string>(),
        std::optional<std::string>("1e999")}) {
    answer = ignored;
    menu->actions().back()->trigger();
    EXPECT_EQ(sim.system.objects.AttrDist, 25.456);
  }
}

TEST_F(ObjectsTabTest, TheMapEntriesDrawAndEraseTheObjects) {
  PixelCanvas picture(200, 150);
  sim.system.map.AttachCanvas(&picture);
  sim.Run("Obj Add 1000 1000 0 a;Obj Add 10000 20000 0 b");
  const auto colourOf = [&](int32_t n) {
    const MapPoint at = sim.system.map.StageToPixel(Object(n).X, Object(n).Y);
    return picture.Pixel(static_cast<int>(at.X), static_cast<int>(at.Y));
  };
  sim.system.map.HighlightObjOnMap(2);
  EXPECT_EQ(colourOf(2), kHighlightColour);
  Choose("Draw Object Map");
  EXPECT_EQ(tabs.back(), 1);
  EXPECT_EQ(colourOf(1), kObjColour);
  EXPECT_EQ(colourOf(2), kObjColour);
  Choose("Erase Object Map");
  EXPECT_NE(colourOf(1), kObjColour);
  EXPECT_EQ(sim.system.objects.ObjListCount(), 2);  // the list itself stays

  // Reading a list shows its objects on the map at once.
  const std::string path = sim.folder.File("OBJ.TXT");
  ASSERT_EQ(sim.system.objects.ObjListWrite(sim.system.trapar, path), 2);
  chosen = path;
  Choose("Read Object List");
  EXPECT_EQ(colourOf(1), kObjColour);
  sim.system.map.AttachCanvas(nullptr);
}

}  // namespace
}  // namespace qv::test
