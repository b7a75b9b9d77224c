// The main window on the simulated microscope: its own menus, the map tab's mouse and stage
// mark, the timer's idle work and printing the program editor.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QFile>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/WindowCore.h"
#include "tests/support/QtApplication.h"
#include "tests/support/SimSystem.h"
#include "tests/support/WindowRig.h"
#include "ui/MainWindow.h"
#include "ui/ProgramWindow.h"
#include "ui/WindowFrontEnd.h"

namespace qv::test {
namespace {

class WindowOnSim : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQApplication(); }
  void SetUp() override {
    ASSERT_EQ(sim.Start(), 1);
    window = new MainWindow(WindowCore(sim.system), [this] { sim.front.Attach(nullptr); });
    sim.front.Attach(window);
    window->resize(1024, 720);
    window->show();
    QApplication::processEvents();
  }
  void TearDown() override { delete window; }

  void Choose(std::initializer_list<QString> path) {
    QAction* entry = FindEntry(window->menuBar()->actions(), path);
    ASSERT_NE(entry, nullptr) << path.begin()->toStdString();
    entry->trigger();
  }
  // Whether the stage mark's cyan shows within two pixels of the stage point (x, y).
  bool MarkNear(double x, double y) {
    const MapPoint at = sim.system.map.StageToPixel(x, y);
    QImage picture = window->Map().grab().toImage();
    for (int dx = -2; dx <= 2; ++dx)
      for (int dy = -2; dy <= 2; ++dy)
        if (picture.pixelColor(static_cast<int>(at.X) + dx, static_cast<int>(at.Y) + dy) ==
            QColor(0, 255, 255))
          return true;
    return false;
  }
  std::string File(const char* name) { return sim.folder.File(name); }

  BasicSimSystem<WindowFrontEnd> sim{RepoFolder("config/demo"), sim::LineOptions{.baud = 9600}};
  MainWindow* window = nullptr;
};

TEST_F(WindowOnSim, TheStageMarkFollowsTheStageOnlyWhileTheMapIsShown) {
  window->Tabs().setCurrentIndex(1);
  QApplication::processEvents();  // the map gets its picture when it is first shown
  sim.Run("XY 11000 9000;XY Wait");
  window->TimerTick();
  EXPECT_TRUE(MarkNear(11000, 9000));

  window->Tabs().setCurrentIndex(0);
  sim.Run("XY 12000 10000;XY Wait");
  window->TimerTick();
  window->Tabs().setCurrentIndex(1);
  QApplication::processEvents();
  EXPECT_TRUE(MarkNear(11000, 9000));  // not updated while another tab was shown
  window->TimerTick();
  EXPECT_TRUE(MarkNear(12000, 10000));
  EXPECT_FALSE(MarkNear(11000, 9000));  // the old mark was erased

  sim.system.state.CommandBusy = 1;  // a command is running: the tick leaves the mark alone
  sim.Run("XY 11000 9000;XY Wait");
  sim.system.state.CommandBusy = 1;
  window->TimerTick();
  EXPECT_TRUE(MarkNear(12000, 10000));
  sim.system.state.CommandBusy = 0;
}

TEST_F(WindowOnSim, ADoubleClickOnTheMapMovesTheStageThere) {
  window->Tabs().setCurrentIndex(1);
  QApplication::processEvents();
  const QPoint click(300, 200);
  QTest::mouseDClick(&window->Map(), Qt::LeftButton, {}, click);
  const MapPoint target = sim.system.map.PixelToStage(click.x(), click.y());
  sim.Run("XY Wait");
  double x = 0;
  double y = 0;
  ASSERT_EQ(sim.system.stage.XYReadPos(x, y), 1);
  EXPECT_NEAR(x, target.X, 1);
  EXPECT_NEAR(y, target.Y, 1);
}

TEST_F(WindowOnSim, AClickNearAnObjectSelectsItOnTheMapAndInTheGrid) {
  window->Tabs().setCurrentIndex(1);
  QApplication::processEvents();
  sim.Run("Obj Add 11000 9000 0 a;Obj Add 12000 10000 0 b;Obj ListDraw");
  const MapPoint at = sim.system.map.StageToPixel(12000, 10000);
  QTest::mouseClick(&window->Map(), Qt::LeftButton, {},
                    QPoint(static_cast<int>(at.X) + 1, static_cast<int>(at.Y)));
  EXPECT_EQ(window->MessageText().rfind("Min.Dist.=", 0), 0u) << window->MessageText();
  EXPECT_NE(window->MessageText().find(" 2 Selected Obj."), std::string::npos);
  EXPECT_EQ(sim.system.map.HighlightedObj(), 2);
  const QList<QTableWidgetSelectionRange> rows = window->Objects().Grid().selectedRanges();
  ASSERT_EQ(rows.size(), 1);
  EXPECT_EQ(rows[0].topRow(), 1);  // the second object's row
}

TEST_F(WindowOnSim, CaptionsFollowCommandsThatDidNotComeFromTheWindow) {
  sim.Run("F 4;F Wait;Cube 3;Cube Wait");  // as a client or a joystick button would
  window->TimerTick();
  EXPECT_EQ(FindEntry(window->menuBar()->actions(), {"F-"})->text(), "F-4");
  EXPECT_TRUE(FindEntry(window->menuBar()->actions(), {"Cube", "Cube 3"})->isChecked());
}

TEST_F(WindowOnSim, GoToTakesATypedPositionThroughTheXYCommand) {
  std::string answer = " 11500 9500 ";
  window->Services().inputBox = [&](const std::string&, const std::string&) {
    return std::optional<std::string>(answer);
  };
  Choose({"X-Y", "Go To"});
  EXPECT_EQ(window->MessageText(), "X=11500, Y=9500");
  answer = "abc 1";
  Choose({"X-Y", "Go To"});
  EXPECT_NE(window->MessageText().find("Error "), std::string::npos) << window->MessageText();
  double x = 0;
  double y = 0;
  ASSERT_EQ(sim.system.stage.XYReadPos(x, y), 1);
  EXPECT_EQ(x, 11500);  // a bad answer moves nothing
}

TEST_F(WindowOnSim, SpeedTestsAskThroughTheWindowAndShowTheirResults) {
  std::vector<std::string> answers = {"3", "2", "100", "100", "0"};
  window->Services().inputBox = [&](const std::string&, const std::string&) {
    std::optional<std::string> answer;
    if (!answers.empty()) answer = answers.front(), answers.erase(answers.begin());
    return answer;
  };
  sim.Run("XY 11000 9000;XY Wait");
  Choose({"X-Y", "Advanced", "Speed Test Scan"});
  EXPECT_EQ(window->MessageText().rfind(" 3 * 2, steps 100 * 100 ", 0), 0u)
      << window->MessageText();
  EXPECT_EQ(sim.system.state.CommandBusy, 0);

  answers = {"1", "2"};  // the next filter twice: from 1 to 3
  Choose({"F-", "Advanced", "Speed Test"});
  EXPECT_EQ(window->MessageText().rfind(" 2 repetitions -", 0), 0u) << window->MessageText();
  EXPECT_EQ(FindEntry(window->menuBar()->actions(), {"F-"})->text(), "F-3");
}

TEST_F(WindowOnSim, ScanAreaEntriesSetTheAreaAndTheEditorsReadTheirFilesAgain) {
  sim.Run("XY 10500 8500;XY Wait");
  Choose({"Map", "Set Scan Area", "Top Left"});
  EXPECT_EQ(sim.system.scan.Area().AreaX0, 10500 - sim.system.scan.SpecimenBounds().SpecX0);

  std::vector<std::string> edited;
  window->Services().editParameters = [&](const std::string& path) -> int16_t {
    edited.push_back(path);
    std::ofstream(path) << "\"FIELD10X\", 440\r\n\"FIELD10Y\", 330\r\n";
    return 1;
  };
  EditSpecimenFile(WindowCore(sim.system), window->Services(),
                   SpecimenFile::Field);  // "Mag." > "Field Param."
  ASSERT_EQ(edited, std::vector<std::string>{File("QV_FIELD.TXT")});
  EXPECT_DOUBLE_EQ(sim.system.scan.Field().FieldX, 440);
  // A field of view no larger than the overlap leaves no layout: the one in force stays.
  const int32_t fields = sim.system.scan.NumFields();
  double x = 0, y = 0, x1 = 0, y1 = 0;  // microns
  sim.system.scan.FieldPosition(fields, x, y);
  window->Services().editParameters = [&](const std::string& path) -> int16_t {
    std::ofstream(path) << "\"FIELD10X\", 5\r\n\"FIELD10Y\", 330\r\n";
    return 1;
  };
  EditSpecimenFile(WindowCore(sim.system), window->Services(), SpecimenFile::Field);
  EXPECT_EQ(sim.notifier.LastText(), "Scan layout not changed: Step Not Above 0");
  EXPECT_EQ(sim.system.scan.NumFields(), fields);
  sim.system.scan.FieldPosition(fields, x1, y1);
  EXPECT_EQ(std::make_pair(x1, y1), std::make_pair(x, y));

  edited.clear();
  window->Services().editParameters = [&](const std::string& path) -> int16_t {
    edited.push_back(path);
    return 1;
  };
  Choose({"Scan", "Scan Parameters"});
  Choose({"Map", "Zoom", "Zoom Parameters"});
  EXPECT_EQ(edited, (std::vector<std::string>{File("QV_SCAN.TXT"), File("QV_ZOOM.TXT")}));
}

TEST_F(WindowOnSim, TheZoomEntryCentresOnTheStageAndTheCaptionFollows) {
  sim.Run("XY 12000 9000;XY Wait");
  Choose({"Map", "Zoom", "2 : 1"});
  EXPECT_EQ(sim.system.map.GetZoom(), 2);
  const MapPoint centre = sim.system.map.StageToSpecimen(12000, 9000);
  EXPECT_EQ(sim.system.map.ZoomCenterX(), centre.X);
  FindEntry(window->menuBar()->actions(), {"Map"})->menu()->aboutToShow();
  EXPECT_NE(FindEntry(window->menuBar()->actions(), {"Map", "Zoom  (2 : 1)"}), nullptr);
  EXPECT_EQ(window->Tabs().currentIndex(), 1);  // opening "Map" shows the map
}

TEST_F(WindowOnSim, JoystickCommandsAreAssignedOnlyWhenTheEditorAccepts) {
  std::string shown;
  window->Services().editText = [&](const std::string& text) -> std::optional<std::string> {
    shown = text;
    return std::nullopt;
  };
  Choose({"Conf", "Joystick", "Assigned Commands"});
  EXPECT_EQ(window->MessageText(), "Joystick commands not assigned");
  EXPECT_EQ(shown, JoinLines(sim.system.joyCommands.Commands()));

  window->Services().editText = [](const std::string&) -> std::optional<std::string> {
    return std::string("Ver\r\nXY Rel 10 0\r\nZ Rel 1");
  };
  Choose({"Conf", "Joystick", "Assigned Commands"});
  EXPECT_EQ(window->MessageText(), "Joystick commands assigned");
  PlainList saved;
  ASSERT_GT(sim.system.trapar.ReadList(File("QV_JOYCMDS.TXT"), saved), 0);
  EXPECT_EQ(saved, (PlainList{"Ver", "XY Rel 10 0", "Z Rel 1"}));

  // A file made read-only keeps its commands, and so does the program.
  ASSERT_EQ(::chmod(File("QV_JOYCMDS.TXT").c_str(), 0444), 0);
  window->Services().editText = [](const std::string&) -> std::optional<std::string> {
    return std::string("Ver");
  };
  Choose({"Conf", "Joystick", "Assigned Commands"});
  EXPECT_EQ(window->MessageText(), "Joystick commands not assigned");
  EXPECT_EQ(sim.notifier.LastText(),
            "File " + File("QV_JOYCMDS.TXT") + " is read-only and was not changed");
  EXPECT_EQ(sim.system.joyCommands.Commands(), saved);
}

TEST_F(WindowOnSim, TextsGoToTheEditorAndTheConfigurationIsAppliedAfterEditing) {
  RecordingEditor editor;
  window->Services().textEditor = &editor;
  Choose({"Conf", "Error Log"});
  ASSERT_EQ(editor.pasted.size(), 1u);
  EXPECT_EQ(editor.pasted[0], sim.system.comm.CommLogText());
  Choose({"Int.", "Commands"});
  Choose({"Int.", "Symb. Const.", "Edit"});
  EXPECT_EQ(editor.opened,
            (std::vector<std::string>{File("QV_COMMANDS.TXT"), File("QV_SYMCONST.TXT")}));
  std::filesystem::remove(File("QV_COMMANDS.TXT"));
  Choose({"Int.", "Commands"});
  EXPECT_EQ(editor.opened.size(), 2u);
  EXPECT_EQ(window->MessageText(), "File " + File("QV_COMMANDS.TXT") + " does not exist");

  window->Services().editParameters = [](const std::string& path) -> int16_t {
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t at = text.find("\"MOVETIMEOUT\"");
    text.replace(at, text.find("\r\n", at) - at, "\"MOVETIMEOUT\", 17");
    std::ofstream(path) << text;
    return 1;
  };
  Choose({"Conf", "Configuration"});
  EXPECT_EQ(sim.system.state.Config.MoveTimeout, 17);
  EXPECT_EQ(sim.system.comm.CommIsReady(), 1);
  EXPECT_EQ(sim.system.state.Ready.XYReady, 1);
  sim.Run("XY 500 700;XY Wait");
  double x = 0;
  double y = 0;
  ASSERT_EQ(sim.system.stage.XYReadPos(x, y), 1);
  EXPECT_EQ(x, 500);
  EXPECT_EQ(y, 700);
}

TEST_F(WindowOnSim, TheProgramEditorPrintsItsImage) {
  ProgramWindow program(WindowCore(sim.system), [] {});
  program.show();
  QApplication::processEvents();
  const std::string pdf = File("program.pdf");
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(pdf));
  program.Print(printer);
  QFile file(QString::fromStdString(pdf));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.read(4) == "%PDF");
  EXPECT_GT(file.size(), 2000);
}

}  // namespace
}  // namespace qv::test
