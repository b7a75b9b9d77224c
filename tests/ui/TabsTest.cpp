// The Device Control and Objects tabs with their menus on a simulated controller line: what the
// operator's buttons, menu entries, LED boxes and grid cells do to the simulated units and the
// object list, and what they show.
#include <gtest/gtest.h>

#include <QMenuBar>
#include <QScrollBar>
#include <QTest>
#include <memory>

#include "app/WindowCore.h"
#include "foundation/NumberText.h"
#include "specimen/PixelCanvas.h"
#include "tests/support/QtApplication.h"
#include "tests/support/SimSystem.h"
#include "tests/support/WindowRig.h"
#include "ui/DeviceMenuBar.h"
#include "ui/DeviceTab.h"
#include "ui/ObjectMenu.h"
#include "ui/ObjectsTab.h"
#include "ui/WindowFrontEnd.h"

namespace qv::test {
namespace {

// Both tabs with their menus on the simulated program; the window services and the input box
// are answered by the test.
class Tabs : public ::testing::Test, protected RecordingServices {
 protected:
  static void SetUpTestSuite() { EnsureQApplication(); }
  explicit Tabs(const std::string& folder = "config/demo")
      : sim(RepoFolder(folder), sim::LineOptions{.baud = 9600}) {}

  void SetUp() override {
    ASSERT_EQ(sim.Start(), 1);
    services = Services();
    const CoreServices core = WindowCore(sim.system);
    devices = std::make_unique<DeviceTab>(core, services, nullptr);
    menus = std::make_unique<DeviceMenuBar>(core, services, &bar);
    ConnectDeviceParts(core, *devices, *menus);
    devices->resize(1280, 800);
    devices->show();
    objects = std::make_unique<ObjectsTab>(core, services, nullptr);
    objectMenu =
        AddObjectMenu(bar, *objects, [this](const std::string&, const std::string& prompt) {
          asked.push_back(prompt);
          return answer;
        });
    objects->show();
  }

  double FileValue(const std::string& file, const std::string& key) {
    ParList list;
    sim.system.trapar.ReadParList(sim.folder.File(file), list);
    double value = 0;
    EXPECT_EQ(GetPar(list, key, value), 1) << key;
    return value;
  }
  void SetFileValue(const std::string& path, const std::string& key, double value) {
    ParList list;
    ASSERT_EQ(sim.system.trapar.ReadParList(path, list), 1);
    PutPar(list, key, value);
    ASSERT_EQ(sim.system.trapar.WriteParList(path, list), 1);
  }
  template <class T = QWidget>
  T* Child(const char* name) {
    T* found = devices->findChild<T*>(name);
    return found != nullptr ? found : objects->findChild<T*>(name);
  }
  void Click(const char* name) { QTest::mouseClick(Child(name), Qt::LeftButton); }
  int64_t Count(char unit) { return sim.State(unit).counter; }
  int16_t FilterOnWheel(int wheel) {
    sim.system.wheels.SelectWheel(wheel);
    sim.system.wheels.Wait();
    int16_t filter = 0;
    EXPECT_EQ(sim.system.wheels.ReadFilter(filter), 1);
    return filter;
  }

  MapPoint StageAt() {
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
    const QTableWidgetItem* item = objects->Grid().item(row, column);
    return item ? item->text().toStdString() : "<none>";
  }
  void ClickCell(int row, int column) {
    QTableWidget& grid = objects->Grid();
    const QRect cell = grid.visualItemRect(grid.item(row, column));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
  }
  void Type(const QString& text) {
    objects->Field().setText(text);
    QTest::keyClick(&objects->Field(), Qt::Key_Return);
  }
  void Choose(const QString& caption) {
    QAction* entry = FindEntry(objectMenu, {caption});
    ASSERT_NE(entry, nullptr) << caption.toStdString();
    entry->trigger();
  }

  BasicSimSystem<WindowFrontEnd> sim;
  QMenuBar bar;
  WindowServices services;
  std::unique_ptr<DeviceTab> devices;
  std::unique_ptr<DeviceMenuBar> menus;
  std::unique_ptr<ObjectsTab> objects;
  QMenu* objectMenu = nullptr;
  std::vector<std::string> asked;  // the input box's prompts
  std::optional<std::string> answer;
};

TEST_F(Tabs, AFilterItemMovesTheWheelChecksItselfAndCaptionsFollow) {
  QMenu* f = menus->FilterMenu(1);
  const auto items = EntriesStartingWith(f, "Filter ");
  ASSERT_EQ(static_cast<double>(items.size()), FileValue("QV_PARW1.TXT", "W1FILTPOSITIONS"));
  FindEntry(f, {"Filter 3"})->trigger();
  EXPECT_EQ(FilterOnWheel(1), 3);
  EXPECT_EQ(Last(), "F 3");
  EXPECT_EQ(Child<QPushButton>("cmdWheelF")->text(), "F-3");
  FindEntry(f, {"Previous Filter"})->trigger();
  EXPECT_EQ(FilterOnWheel(1), 2);
  EXPECT_EQ(f->title(), "F-2");
  for (QAction* item : items)
    EXPECT_EQ(item->isChecked(), item->text() == "Filter 2");

  // A move the wheel refuses keeps the check mark on the filter in place.
  sim.line.SetFault('4', sim::DefaultFault(sim::FaultKind::ErrorStatus));
  FindEntry(f, {"Filter 5"})->trigger();
  EXPECT_EQ(Last(), "Error ");
  EXPECT_FALSE(FindEntry(f, {"Filter 5"})->isChecked());
  EXPECT_TRUE(FindEntry(f, {"Filter 2"})->isChecked());
}

TEST_F(Tabs, AFailedStageHomingIsReportedAndDoesNotLeaveTheProgramBusy) {
  sim.line.SetFault('1', sim::DefaultFault(sim::FaultKind::ErrorStatus));
  FindEntry(menus->StageMenu(), {"Home"})->trigger();
  EXPECT_EQ(sim.notifier.LastText(), "Stage Home Failed");
  EXPECT_EQ(sim.system.state.CommandBusy, 0);
}

TEST_F(Tabs, OpeningAWheelMenuShowsTheDeviceTabAndReadsTheWheel) {
  sim.Run("B 4;B Wait");
  sim.system.wheels.SetCurrentFilter(2, 0);  // what the window believes is out of date
  sim.system.wheels.SelectWheel(1);
  menus->Refresh();
  EXPECT_EQ(menus->FilterMenu(2)->title(), "B-?");

  emit menus->FilterMenu(2)->aboutToShow();
  EXPECT_EQ(tabs, std::vector<int>{0});
  EXPECT_EQ(sim.system.wheels.CurrentWheel(), 2);
  EXPECT_EQ(menus->FilterMenu(2)->title(), "B-4");
  EXPECT_TRUE(FindEntry(menus->FilterMenu(2), {"Filter 4"})->isChecked());

  sim.system.wheels.SelectWheel(1);
  Click("cmdWheelB");  // pops up its menu
  EXPECT_TRUE(menus->FilterMenu(2)->isVisible());
  EXPECT_EQ(sim.system.wheels.CurrentWheel(), 2);
  menus->FilterMenu(2)->close();
}

// What initialising again does is DeviceLineTest's; here each entry edits its device's file
// first, and a wheel whose file no longer loads is off with its filter items dead.
TEST_F(Tabs, ParameterEntriesEditTheDeviceFileAndInitialiseTheDeviceAgain) {
  FindEntry(menus->StageMenu(), {"Parameters"})->trigger();
  EXPECT_EQ(Last(), "XY On");
  onEdit = [&](const std::string& path) {
    ParList list;
    sim.system.trapar.ReadParList(path, list);
    std::erase_if(list, [](const ParEntry& e) { return e.Name == "W1MSTEPSPERFILT"; });
    sim.system.trapar.WriteParList(path, list);
  };
  const int16_t before = FilterOnWheel(1);
  FindEntry(menus->FilterMenu(1), {"Parameters"})->trigger();
  EXPECT_EQ(edited, (std::vector<std::string>{sim.folder.File("QV_PARXY.TXT"),
                                              sim.folder.File("QV_PARW1.TXT")}));
  EXPECT_EQ(Last(), "F Off");

  const int64_t count = Count('4');
  FindEntry(menus->FilterMenu(1), {before == 1 ? "Filter 2" : "Filter 1"})->trigger();
  EXPECT_EQ(Count('4'), count);
  EXPECT_EQ(Last(), "F Off");
}

TEST_F(Tabs, ReadParFileReplacesTheDeviceFileOrSaysItWasNotRead) {
  const std::string device = sim.folder.File("QV_PARZ.TXT");
  FindEntry(menus->FocusMenu(), {"Advanced", "Read Par. File"})->trigger();
  EXPECT_EQ(Last(), "Parameter file not read");
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0].patterns.rfind("QV_PARZ*.TXT", 0), 0u);

  chosen = sim.folder.File("QV_PARZ_SLOW.TXT");
  std::filesystem::copy_file(device, chosen);
  SetFileValue(chosen, "ZJUMPSIZE", 7);
  FindEntry(menus->FocusMenu(), {"Advanced", "Read Par. File"})->trigger();
  EXPECT_EQ(FileValue("QV_PARZ.TXT", "ZJUMPSIZE"), 7);
}

TEST_F(Tabs, CompensationParametersLoadATableOfTheProgramFolderOnly) {
  QAction* on = FindEntry(menus->FilterMenu(1), {"Focus Compensation", "On?"});
  QAction* parameters = FindEntry(menus->FilterMenu(1), {"Focus Compensation", "Parameters"});
  TempFolder elsewhere;
  chosen = elsewhere.File("QV_DZW1A.TXT");
  parameters->trigger();
  EXPECT_EQ(Last(), "Parameter file not read");
  EXPECT_TRUE(edited.empty());

  chosen = sim.folder.File("QV_DZW1A.TXT");
  onEdit = [&](const std::string& path) {
    ParList list;
    for (int k = 1; k <= 6; ++k)
      list.push_back({"W1DZ" + std::to_string(k), int16_t(k * 3)});
    sim.system.trapar.WriteParList(path, list);
  };
  parameters->trigger();
  EXPECT_EQ(edited, std::vector<std::string>{chosen});
  EXPECT_EQ(Last(), "Parameter file QV_DZW1A.TXT read");
  EXPECT_TRUE(sim.system.wheels.ZCompIsOn(1));
  EXPECT_TRUE(on->isChecked());

  on->trigger();
  EXPECT_FALSE(sim.system.wheels.ZCompIsOn(1));
  EXPECT_FALSE(on->isChecked());
}

TEST_F(Tabs, CubeItemsAndNextWrapAroundAndTheCubeButtonFollows) {
  const auto items = EntriesStartingWith(menus->CubeMenu(), "Cube ");
  ASSERT_EQ(static_cast<double>(items.size()), FileValue("QV_PARCUBE.TXT", "CUBEPOSITIONS"));
  items.back()->trigger();
  const auto last = static_cast<int16_t>(items.size());
  EXPECT_EQ(Last(), "Cube" + Str(last));
  EXPECT_EQ(Child<QPushButton>("cmdCube")->text(), QString("Cube-%1").arg(last));

  sim.system.cube.Wait();
  FindEntry(menus->CubeMenu(), {"Next Cube"})->trigger();
  sim.system.cube.Wait();
  int16_t read = 0;
  ASSERT_EQ(sim.system.cube.ReadPos(read), 1);
  EXPECT_EQ(read, 1);
  EXPECT_TRUE(items.front()->isChecked());
  EXPECT_FALSE(items.back()->isChecked());
}

TEST_F(Tabs, ObjectiveItemsFollowTheTableAndTypedCommands) {
  QMenu* mag = menus->MagMenu();
  const auto items = EntriesStartingWith(mag, "Objective Pos.");
  ASSERT_EQ(static_cast<int>(items.size()), sim.system.objectives.ObjCount());
  ASSERT_GE(items.size(), 3u);
  items[2]->trigger();
  EXPECT_EQ(sim.system.objectives.CurrentObjective(), 3);
  EXPECT_EQ(Child<QPushButton>("cmdMag")->text(),
            QString("Mag-%1").arg(sim.system.objectives.Mag()));
  EXPECT_TRUE(items[2]->isChecked());

  sim.Run("Objective 1");
  menus->ObjectivePosCheck();
  EXPECT_TRUE(items[0]->isChecked());
  EXPECT_FALSE(items[2]->isChecked());

  onEdit = [&](const std::string& path) { SetFileValue(path, "OBJPOS6", 100); };
  FindEntry(mag, {"Objectives"})->trigger();
  EXPECT_EQ(edited.back(), sim.folder.File("QV_OBJPOSMAG.TXT"));
  const auto rebuilt = EntriesStartingWith(mag, "Objective Pos.");
  ASSERT_EQ(rebuilt.size(), 6u);
  EXPECT_TRUE(rebuilt.back()->text().endsWith(" 100X"));
}

// Which labels show with the wheel and focus axes, and joystick commands reaching the tab:
// Microscope.CommandsFromElsewhereRefreshTheObjectGridAndTheJoystickFrame.
TEST_F(Tabs, TheJoyFrameShowsTheDrivenAxesAndOpensTheJoystickMenu) {
  sim.system.state.JoyOn = 1;
  devices->JoyVisibility();
  EXPECT_FALSE(Child("lblJX")->isHidden());
  auto* indicator = Child<JoyIndicator>("picJoy");
  devices->JoyDisplay(500, -1500, 1000);
  EXPECT_DOUBLE_EQ(indicator->X(), 0.5);
  EXPECT_DOUBLE_EQ(indicator->Y(), -1.0);  // beyond full scale the line stops at the edge
  devices->JoyDisplay(100, 100, 0);        // no scale: the display stays as it was
  EXPECT_DOUBLE_EQ(indicator->X(), 0.5);

  QMenu joystick;
  joystick.addAction("On?");
  devices->SetJoyMenu(&joystick);
  QTest::mousePress(Child("fraJoy"), Qt::LeftButton);
  EXPECT_TRUE(joystick.isVisible());
  joystick.close();
}

class Leds : public Tabs {
 protected:
  Leds() : Tabs("config/demo-im483i") {}
};

TEST_F(Leds, AClickTogglesItsLedAndTheRightButtonEditsTheLedSettings) {
  const auto outputs = [this] {
    return sim.State(static_cast<char>(sim.system.leds.LEDAddress())).outputs;
  };
  ASSERT_EQ(sim.system.state.Ready.LEDsReady, 1);
  const int dark = outputs();
  QTest::mouseClick(Child("picGREEN_LED"), Qt::LeftButton);
  EXPECT_NE(outputs(), dark);
  QTest::mouseClick(Child("picGREEN_LED"), Qt::LeftButton);
  EXPECT_EQ(outputs(), dark);

  QTest::mousePress(Child("picRED_LED"), Qt::RightButton);
  EXPECT_EQ(edited, std::vector<std::string>{sim.folder.File("QV_LEDS.TXT")});
  EXPECT_EQ(Last(), "LEDs On");

  sim.system.state.Ready.LEDsReady = 0;
  QTest::mouseClick(Child("picRED_LED"), Qt::LeftButton);
  EXPECT_EQ(outputs(), dark);
}

// --- Objects tab ---

// What "Obj AddCurrent" and "Obj Add" store: tests/transcripts/specimen/obj_words.transcript.
TEST_F(Tabs, AddPosAndAddNewShowTheObjectsTabAndTheirRows) {
  ASSERT_EQ(sim.Run("XY 1234.5 -678.9;XY Wait"), "OK  ; OK  ; ");
  const MapPoint at = StageAt();
  Click("cmdAddPos");
  EXPECT_EQ(tabs, std::vector<int>{2});
  ASSERT_EQ(objects->Grid().rowCount(), 1);
  EXPECT_EQ(Cell(0, 0), "1");
  EXPECT_EQ(Cell(0, 1), FormatFixed(at.X, 1));
  EXPECT_EQ(Cell(0, 2), FormatFixed(at.Y, 1));

  Click("cmdAddNew");
  ASSERT_EQ(objects->Grid().rowCount(), 2);
  EXPECT_EQ(messages.back(), "# 2");
  EXPECT_EQ(Cell(1, 2), "77777.7");
  EXPECT_EQ(Cell(1, 3), "77777.70");
  EXPECT_EQ(Object(2).Z, kUndefinedPos);
}

TEST_F(Tabs, ACellEditReachesTheObjectAndBadTextChangesNothing) {
  sim.Run("Obj Add 1 2 3 a;Obj Add 4 5 6 b");
  objects->DisplayObjList();
  ClickCell(1, 2);
  ASSERT_TRUE(objects->Field().isVisible());
  EXPECT_EQ(objects->Field().text(), "5.0");
  EXPECT_EQ(objects->Field().geometry(),
            objects->Grid().visualItemRect(objects->Grid().item(1, 2)));
  Type("-7.25");
  EXPECT_EQ(Object(2).Y, -7.25);
  EXPECT_EQ(Cell(1, 2), "-7.3");
  EXPECT_FALSE(objects->Field().isVisible());

  ClickCell(1, 3);
  Type("1e999");  // reads as a number, but not a finite one
  EXPECT_EQ(sim.notifier.LastText(), "Not a number");
  EXPECT_EQ(Object(2).Z, 6);
  EXPECT_TRUE(objects->Field().isVisible());

  // Any text is a comment; texts are UTF-8 in the list and Unicode in the grid.
  ClickCell(0, 4);
  Type(QString::fromUtf16(u"\u00B5m_\u03B1\u20AC"));
  EXPECT_EQ(Object(1).Comment, "\xC2\xB5m_\xCE\xB1\xE2\x82\xAC");
  sim.Run("Obj Add 4 5 6 caf\xC3\xA9");
  objects->DisplayObjList();
  EXPECT_EQ(objects->Grid().item(2, 4)->text(), QString::fromUtf16(u"caf\u00E9"));

  // Scrolled away from its cell, the box would seem to edit another row.
  for (int i = 0; i < 100; ++i)
    sim.system.objects.ObjAdd(i, i, i, "");
  objects->DisplayObjList();
  ClickCell(0, 1);
  objects->Grid().verticalScrollBar()->setValue(objects->Grid().verticalScrollBar()->maximum());
  EXPECT_FALSE(objects->Field().isVisible());
}

TEST_F(Tabs, TheGridFollowsTheListWhenItGrowsShrinksOrIsReplaced) {
  sim.Run("Obj Add 1 2 3 a;Obj Add 4 5 6 b");
  objects->DisplayObjList();
  sim.Run("Obj Add 7 8 9 c");
  objects->DisplayObjList();
  ASSERT_EQ(objects->Grid().rowCount(), 3);
  EXPECT_EQ(Cell(2, 4), "c");

  ClickCell(1, 1);
  sim.Run("Obj ListClear;Obj Add 9 9 9 d");  // the grid has not been refreshed
  Type("8");
  EXPECT_EQ(sim.notifier.LastText(), "Internal error");
  EXPECT_EQ(sim.system.objects.ObjListCount(), 1);

  // Replaced by a list of the same length: every row must show the new objects, and the edit
  // box goes, so that an edit cannot land on whatever object now has its row.
  ClickCell(0, 1);
  sim.Run("Obj ListClear;Obj Add 10 11 12 x;Obj Add 13 14 15 y;Obj Add 16 17 18 z");
  objects->DisplayObjList();
  EXPECT_FALSE(objects->Field().isVisible());
  EXPECT_EQ(Cell(0, 1), "10.0");
  EXPECT_EQ(Cell(2, 4), "z");

  sim.Run("Obj ListClear;Obj Add 20 21 22 v");
  objects->DisplayObjList();
  ASSERT_EQ(objects->Grid().rowCount(), 1);
  EXPECT_EQ(Cell(0, 1), "20.0");
}

// A row chosen on the map: Menus.ADoubleClickOnTheMapMovesTheStageAndAClickSelectsTheNearestObject.
TEST_F(Tabs, RowsAreSelectedWholeAndNumbersBeyondTheListAreIgnored) {
  sim.Run("Obj Add 1 2 3 a;Obj Add 4 5 6 b;Obj Add 7 8 9 c");
  objects->HighlightObjInGrid(2);
  for (int32_t beyond : {0, 4})
    objects->HighlightObjInGrid(beyond);
  ASSERT_EQ(objects->Grid().selectedRanges().size(), 1);
  EXPECT_EQ(objects->Grid().selectedRanges()[0].topRow(), 1);

  ClickCell(2, 0);
  const QTableWidgetSelectionRange row = objects->Grid().selectedRanges()[0];
  EXPECT_EQ(row.topRow(), 2);
  EXPECT_EQ(row.bottomRow(), 2);
  EXPECT_EQ(row.leftColumn(), 0);
  EXPECT_EQ(row.rightColumn(), 4);
  EXPECT_EQ(sim.system.map.HighlightedObj(), 3);
}

// Where "Obj GoTo" goes and what it refuses: tests/specimen/ObjectListTest.cpp:ObjGoTo.
TEST_F(Tabs, MoveToGoesToTheSelectedObjectOrTheOneAskedFor) {
  sim.Run("Obj Add 1500 -800 0 a;Obj Add 77777.7 77777.7 0 b;Obj Add -300 400 0 c");
  objects->DisplayObjList();
  Click("cmdMoveTo");
  EXPECT_EQ(sim.notifier.LastText(), "To move to the object, click on the object number");
  ClickCell(0, 1);  // a single cell is not an object
  Click("cmdMoveTo");
  EXPECT_EQ(sim.notifier.Messages.size(), 2u);

  ClickCell(0, 0);
  Click("cmdMoveTo");
  const MapPoint at = StageAt();
  EXPECT_NEAR(at.X, 1500, 1);
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages[messages.size() - 2], " 1");
  EXPECT_EQ(messages.back(), "X=" + GeneralText(at.X) + ", Y=" + GeneralText(at.Y));

  ClickCell(1, 0);  // undefined: the refusal stays on the message line
  Click("cmdMoveTo");
  EXPECT_EQ(messages.back(), "Error ");

  messages.clear();
  for (const std::optional<std::string>& ignored :
       {std::optional<std::string>("x"), std::optional<std::string>()}) {
    answer = ignored;  // not a number, Cancel
    Choose("Move to Object in the List");
  }
  EXPECT_NE(asked[0].find("There are 3 objects"), std::string::npos) << asked[0];
  EXPECT_TRUE(messages.empty());
  answer = " 3 ";
  Choose("Move to Object in the List");
  EXPECT_NEAR(StageAt().X, -300, 1);
}

// How the list is written and read is ObjectListTest's; here the entries and the grid.
TEST_F(Tabs, TheListWrittenForTheEditorReadsBackFromAFile) {
  sim.system.objects.ObjAdd(1, -2, 3, "cellA");
  sim.system.objects.ObjAdd(kUndefinedPos, 5, 6, "two,parts");
  Choose("Write Object List");
  EXPECT_EQ(editor.pasted, std::vector<std::string>{sim.system.objects.ObjListText()});
  const std::string path = sim.folder.File("OBJECTS.TXT");
  PutBytes(path, editor.pasted[0]);  // as the operator saves it from the editor

  Choose("Clear Object List");
  EXPECT_EQ(objects->Grid().rowCount(), 0);

  Choose("Read Object List");  // cancelled
  EXPECT_EQ(sim.system.objects.ObjListCount(), 0);
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0].startDir, sim.system.state.AppDir);

  chosen = path;
  Choose("Read Object List");
  ASSERT_EQ(objects->Grid().rowCount(), 2);
  EXPECT_EQ(Cell(1, 4), "two,parts");
  EXPECT_EQ(tabs, (std::vector<int>{2, 2, 2, 2}));

  // A file with nothing in it leaves the list and says so.
  chosen = sim.folder.File("EMPTY.TXT");
  PutBytes(chosen, "");
  Choose("Read Object List");
  EXPECT_EQ(sim.system.objects.ObjListCount(), 2);
  EXPECT_NE(sim.notifier.LastText().find("EMPTY.TXT"), std::string::npos);
}

TEST_F(Tabs, TheAttractionDistanceEntryShowsAndSetsTheDistance) {
  const auto caption = [this] {
    emit objectMenu->aboutToShow();
    return objectMenu->actions().back()->text().toStdString();
  };
  EXPECT_EQ(caption(), "Attraction Distance = 100.00");
  answer = "25.456";
  objectMenu->actions().back()->trigger();
  EXPECT_TRUE(asked.back().ends_with("Current value 100.00")) << asked.back();
  EXPECT_EQ(caption(), "Attraction Distance = 25.46");
  for (std::optional<std::string> ignored :
       {std::optional<std::string>("1e999"), std::optional<std::string>()}) {
    answer = ignored;
    objectMenu->actions().back()->trigger();
    EXPECT_EQ(sim.system.objects.AttrDist, 25.456);
  }
}

TEST_F(Tabs, TheMapEntriesDrawAndEraseTheObjects) {
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
