// The main window's top area and status bar, its part in the command language, the Stop, the
// jog keys and the controls of devices that are not ready, on the offscreen platform.
#include "app/WindowCore.h"
#include "ui/MainWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <cmath>
#include <fstream>
#include <sstream>

#include "foundation/NumberText.h"
#include "tests/support/FakeClock.h"
#include "tests/support/QtApplication.h"
#include "tests/support/RecordingNotifier.h"
#include "tests/support/ScriptedPort.h"
#include "tests/support/SimSystem.h"
#include "tests/support/WindowRig.h"
#include "ui/WindowFrontEnd.h"

namespace qv::test {
namespace {

class Window : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQApplication(); }
  void SetUp() override {
    system.state.HistoryMax = 30;
    front.SetLoader([this] {
      window = new MainWindow(WindowCore(system), [this] {
        front.Attach(nullptr);
        ++unloads;
      });
      front.Attach(window);
      return window;
    });
    front.ShowMainWindow();
  }
  // A window left behind keeps its timer, which would tick on this test's destroyed system.
  void TearDown() override {
    front.Attach(nullptr);
    delete window;
  }
  void Execute(const std::string& line) {
    window->SetCommandText(line);
    QTest::mouseClick(window->findChild<QPushButton*>("cmdExecute"), Qt::LeftButton);
  }

  RecordingNotifier notifier;
  FakeClock clock;
  SilentPort port{clock};
  WindowFrontEnd front;
  System system{Platform{notifier, clock, front, port}};
  MainWindow* window = nullptr;
  int unloads = 0;
};

TEST_F(Window, ExecuteShowsTheJoinedReplyAndTheTimeItTook) {
  Execute("Delay 250;Ver");
  EXPECT_EQ(window->Message().text(), "250 ; 4.0 ; ");
  EXPECT_EQ(window->TimeField().text(), " 251");
  EXPECT_EQ(window->CommandBox().itemText(0), "Delay 250;Ver");
}

// The box runs what was typed, never a longer command of the history that begins the same way;
// the arrow keys bring the history back.
TEST_F(Window, TheCommandBoxRunsWhatWasTypedAndTheArrowsRecallTheHistory) {
  QComboBox& box = window->CommandBox();  // the keyboard's widget; it hands keys to its text
  box.setFocus();
  const struct {
    const char* typed;
    const char* reply;
  } lines[] = {{"Delay 100", "100 ; "}, {"Delay 1", "1 ; "}, {"Delay 10", "10 ; "}};
  for (const auto& line : lines) {
    box.lineEdit()->clear();
    QTest::keyClicks(&box, line.typed);
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(window->MessageText(), line.reply) << line.typed;
  }
  EXPECT_EQ(system.state.CommandCount, 3);
  const std::pair<Qt::Key, const char*> keys[] = {
      {Qt::Key_Down, "Delay 1"}, {Qt::Key_Down, "Delay 100"}, {Qt::Key_Up, "Delay 1"}};
  for (const auto& [key, recalled] : keys) {
    QTest::keyClick(&box, key);
    EXPECT_EQ(box.currentText().toStdString(), recalled);
  }
}

TEST_F(Window, TheHistoryKeepsTheLatestThirtyNewestFirst) {
  for (int i = 1; i <= 32; ++i)
    Execute("Delay " + std::to_string(i));
  EXPECT_EQ(window->CommandBox().count(), 30);
  EXPECT_EQ(window->CommandBox().itemText(0), "Delay 32");
  EXPECT_EQ(window->CommandBox().itemText(29), "Delay 3");
}

TEST_F(Window, HandlersShowTheirCommandAndReplyAndAClickClearsTheMessage) {
  system.ExecuteLine("Z   Rel 5");
  EXPECT_EQ(window->CommandText(), "Z Rel 5");
  EXPECT_EQ(window->MessageText(), "Off ");
  QTest::mouseClick(&window->Message(), Qt::LeftButton);
  EXPECT_EQ(window->MessageText(), "");
}

TEST_F(Window, HideShowAndUnloadFromTheCommandLanguage) {
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(system.ExecuteLine("Hide"), "OK  ; ");
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(system.ExecuteLine("Show"), "OK  ; ");
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(system.ExecuteLine("Unload"), "OK  ; ");
  QApplication::processEvents();
  EXPECT_EQ(unloads, 1);
  EXPECT_EQ(system.state.MainFormLoaded, 0);
  EXPECT_FALSE(system.display.MainFormLoaded());
  EXPECT_EQ(system.ExecuteLine("Ver"), "4.0 ; ");   // the language works without a window
  EXPECT_EQ(system.ExecuteLine("Show"), "OK  ; ");  // loads a new window
  EXPECT_TRUE(system.display.MainFormLoaded());
  EXPECT_EQ(system.state.MainFormLoaded, 1);
}

TEST_F(Window, TheMapTabGivesTheMapItsPicture) {
  window->Tabs().setCurrentIndex(1);
  QApplication::processEvents();
  EXPECT_TRUE(system.map.HasCanvas());
  EXPECT_EQ(system.ExecuteLine("Obj Add 100 100 0 a;Obj ListDraw"), "# 1 ; OK  ; ");
  EXPECT_EQ(system.ExecuteLine("Obj Draw 1"), " 1 ; ");
  system.ExecuteLine("Unload");
  QApplication::processEvents();
  EXPECT_EQ(system.ExecuteLine("Obj Draw 1"), "0 ; ");  // no window, no picture
}

TEST_F(Window, TheTimerRunsAProgramLineByLine) {
  ProgramState& program = system.interpreter.State();
  program.ProgLines = {"Ver", "CommandCount", "End"};
  system.interpreter.StartOver();
  system.interpreter.Run();
  for (int i = 0; i < 30 && program.ProgRunState != 0; ++i)
    QTest::qWait(100);
  EXPECT_EQ(program.ProgRunState, 0);
  EXPECT_EQ(window->MessageText(), " 2 ; ");
  EXPECT_EQ(window->CommandText(), "End");
}

// --- At the simulated microscope ---

// Runs `duringWait` once, the first time a command lets window events run: inside its motion
// wait, where an operator's key press would be served.
class WaitingFront : public WindowFrontEnd {
 public:
  void DoEvents() override {
    if (duringWait) std::exchange(duringWait, {})();
    WindowFrontEnd::DoEvents();
  }
  std::function<void()> duringWait;
};

class Microscope : public ::testing::TestWithParam<std::string> {
 protected:
  static void SetUpTestSuite() { EnsureQApplication(); }
  explicit Microscope(const std::function<void(const TempFolder&)>& prepare = {})
      : sim(RepoFolder(GetParam()), sim::LineOptions{.baud = 9600}, {}, prepare) {}
  void SetUp() override {
    ASSERT_EQ(sim.Start(), 1);
    window = new MainWindow(WindowCore(sim.system), [this] { sim.front.Attach(nullptr); });
    sim.front.Attach(window);
    window->resize(1100, 760);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  }
  void TearDown() override {
    sim.front.Attach(nullptr);
    delete window;
  }
  // Esc the first time the running command waits; notes what the window showed at that moment.
  void EscDuringWait() {
    sim.front.duringWait = [this] {
      shownBusy = window->Status().BusyField().text().toStdString();
      const QCursor* pointer = QApplication::overrideCursor();
      busyPointer = pointer != nullptr && pointer->shape() == Qt::BusyCursor;
      QCoreApplication::postEvent(window->Tabs().currentWidget(),
                                  new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    };
  }
  QAction* Entry(QMenu* menu, const QString& caption) { return FindEntry(menu, {caption}); }
  template <class T = QWidget>
  T* Child(const char* name) {
    return window->findChild<T*>(name);
  }
  char Unit(int16_t contr) const { return static_cast<char>(contr); }
  char X() const { return Unit(sim.system.stage.Params().X.Contr); }
  char Y() const { return Unit(sim.system.stage.Params().Y.Contr); }
  char Z() const { return Unit(sim.system.focus.Params().Contr); }
  int64_t Count(char unit) { return sim.State(unit).counter; }

  BasicSimSystem<WaitingFront> sim;
  MainWindow* window = nullptr;
  std::string shownBusy;
  bool busyPointer = false;
};

TEST_P(Microscope, EscDuringATypedMotionStopsEveryDeviceAndEndsTheWait) {
  window->SetCommandText("XY 30000 20000;XY Wait");
  EscDuringWait();
  window->ExecuteCommandBox();
  EXPECT_EQ(shownBusy, "Busy: XY 30000 20000;XY Wait");
  EXPECT_TRUE(busyPointer);
  EXPECT_EQ(window->MessageText(), "OK  ; Error  ; ");  // the wait did not see its target
  EXPECT_FALSE(sim.State(X()).moving);
  EXPECT_FALSE(sim.State(Y()).moving);
  EXPECT_LT(Count(X()) * sim.system.stage.XUmPerStep(), 29000);
  EXPECT_EQ(window->Status().BusyField().text(), "");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(sim.Run("XY 100 100;XY Wait"), "OK  ; OK  ; ");  // the Stop ended with the command
}

TEST_P(Microscope, HomingSaysThatItEndedAndHowAndTheStopButtonStopsIt) {
  QAction* home = Entry(window->DeviceMenus().StageMenu(), "Home");
  ASSERT_NE(home, nullptr);
  home->trigger();
  EXPECT_EQ(window->MessageText(), "Homing Stage ... done");

  sim.Run("XY 20000 15000;XY Wait");
  sim.front.duringWait = [this] {
    shownBusy = window->Status().BusyField().text().toStdString();
    QTest::mouseClick(&window->Status().StopButton(), Qt::LeftButton);
  };
  home->trigger();
  EXPECT_EQ(shownBusy, "Busy: Homing Stage");
  EXPECT_EQ(window->MessageText(), "Homing Stage ... stopped");
  EXPECT_TRUE(sim.notifier.Messages.empty());  // a stop is no failure to report
  EXPECT_FALSE(sim.State(X()).moving);
  EXPECT_GT(Count(X()), 0);
}

// The arrows move the stage by XYJUMPSIZE, Page Up and Down the focus by its fine step; with
// Shift the stage moves ten jumps and the focus its coarse step. On both the device and the map
// tab; not while the keyboard is in the command box.
TEST_P(Microscope, ArrowAndPageKeysJogTheStageAndTheFocus) {
  const double jump = sim.system.stage.Params().JumpSize;
  const double fine = sim.system.focus.Params().JumpSize;
  const double coarse = fine * sim.system.focus.Params().CoarseFactor;
  const struct {
    int tab;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    char unit;
    double microns;
  } jogs[] = {
      {0, Qt::Key_Right, Qt::NoModifier, X(), jump},
      {0, Qt::Key_Left, Qt::ShiftModifier, X(), -10 * jump},
      {1, Qt::Key_Up, Qt::NoModifier, Y(), -jump},
      {1, Qt::Key_Down, Qt::NoModifier, Y(), jump},
      {0, Qt::Key_PageUp, Qt::NoModifier, Z(), -fine},
      {1, Qt::Key_PageDown, Qt::ShiftModifier, Z(), coarse},
  };
  for (const auto& jog : jogs) {
    window->Tabs().setCurrentIndex(jog.tab);
    window->Tabs().currentWidget()->setFocus();
    const double um =
        jog.unit == Z() ? sim.system.focus.ZUmPerStep() : sim.system.stage.XUmPerStep();
    const int64_t before = Count(jog.unit);
    QTest::keyPress(window->Tabs().currentWidget(), jog.key, jog.modifiers);
    EXPECT_EQ(sim.system.state.CommandBusy, 1);
    QTest::keyRelease(window->Tabs().currentWidget(), jog.key, jog.modifiers);
    EXPECT_EQ(sim.system.state.CommandBusy, 0);
    EXPECT_NEAR((Count(jog.unit) - before) * um, jog.microns, um) << jog.key;
    EXPECT_EQ(window->MessageText().substr(0, 2), jog.unit == Z() ? "Z=" : "X=");
  }
  const int64_t x = Count(X());
  window->CommandBox().lineEdit()->setFocus();
  QTest::keyClick(window->CommandBox().lineEdit(), Qt::Key_Left);
  EXPECT_EQ(Count(X()), x);
}

// A held key (or button) steps again after each step; its release stops the stage at once.
TEST_P(Microscope, AHeldJogRepeatsAndItsReleaseStopsTheStage) {
  const double jump = sim.system.stage.Params().JumpSize;
  const double um = sim.system.stage.XUmPerStep();
  QWidget* tab = window->Tabs().currentWidget();
  tab->setFocus();
  const int64_t before = Count(X());
  QTest::keyPress(tab, Qt::Key_Right);
  QTest::keyPress(tab, Qt::Key_Right, Qt::NoModifier, -1);  // the keyboard's own repeat
  window->Devices().Jog().Repeat();
  window->Devices().Jog().Repeat();
  sim.line.ClearFrames();
  QTest::keyRelease(tab, Qt::Key_Right);
  const std::string stop =
      GetParam() == "config/demo" ? std::string("/") + X() + "T" : std::string(1, X()) + "M0";
  EXPECT_EQ(sim.line.Frames().front(), stop);
  const double moved = (Count(X()) - before) * um;
  EXPECT_GT(moved, 2 * jump - um);
  EXPECT_LT(moved, 3 * jump);
  EXPECT_FALSE(sim.State(X()).moving);
  EXPECT_EQ(sim.system.state.CommandBusy, 0);
}

TEST_P(Microscope, TheStatusBarShowsTheLastKnownStateWithoutTalkingToTheControllers) {
  sim.Run("XY 1000 500;Z 12.5;F 3;Cube 2;XY Wait;Z Wait;F Wait;Cube Wait;XY ?;Z ?;Objective 2");
  window->TimerTick();
  const DeviceStateTexts expected = DescribeDevices(WindowCore(sim.system));
  EXPECT_EQ(expected.position, "X 1000.0  Y 500.0");
  EXPECT_EQ(expected.focus, "Z " + FormatFixed(sim.system.focus.Z(), 2));
  EXPECT_EQ(expected.filters.substr(0, 5), "F-3  ");
  EXPECT_EQ(expected.cube, "Cube-2");
  EXPECT_EQ(expected.objective, "Obj. 2 (" + std::to_string(sim.system.objectives.Mag()) + "X)");
  const std::pair<const char*, std::string> fields[] = {{"lblStatPosition", expected.position},
                                                        {"lblStatFocus", expected.focus},
                                                        {"lblStatFilters", expected.filters},
                                                        {"lblStatCube", expected.cube},
                                                        {"lblStatObjective", expected.objective}};
  for (const auto& [name, text] : fields)
    EXPECT_EQ(Child<QLabel>(name)->text().toStdString(), text);

  sim.line.ClearFrames();
  for (int i = 0; i < 3; ++i)
    window->TimerTick();
  EXPECT_TRUE(sim.line.Frames().empty());

  sim.system.state.Ready.ZReady = 0;
  window->TimerTick();
  EXPECT_EQ(Child<QLabel>("lblStatFocus")->text(), "Z off");

  window->Tabs().setCurrentIndex(1);
  QApplication::processEvents();
  QTest::mouseMove(&window->Map(), QPoint(150, 90));
  QTest::mouseMove(&window->Map(), QPoint(200, 100));
  const MapPoint at = sim.system.map.PixelToStage(200, 100);
  EXPECT_EQ(Child<QLabel>("lblStatPointer")->text().toStdString(),
            DescribePointer(at.X, at.Y, sim.system.map.GetZoom()));
  window->Tabs().setCurrentIndex(2);
  EXPECT_EQ(Child<QLabel>("lblStatPointer")->text(), "");
}

TEST_P(Microscope, ALongReplyIsShortenedWholeInItsToolTipAndCopyAndTheWindowKeepsItsSize) {
  const int width = window->width();
  std::string line = "XY ?";
  for (int i = 1; i < 25; ++i)
    line += ";XY ?";
  window->SetCommandText(line);
  window->ExecuteCommandBox();
  QApplication::processEvents();
  const std::string reply = window->MessageText();
  EXPECT_GT(reply.size(), 25u * 9);
  EXPECT_EQ(window->width(), width);
  const QString shown = window->Message().text();
  EXPECT_LT(shown.size(), static_cast<qsizetype>(reply.size()));
  EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
  EXPECT_TRUE(window->Message().toolTip().contains(QString::fromStdString(reply.substr(0, 40))));
  window->Message().CopyFullText();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), reply);
}

// Obj and Joy commands from a client, the console or a program show on the window.
TEST_P(Microscope, CommandsFromElsewhereRefreshTheObjectGridAndTheJoystickFrame) {
  sim.Run("Obj Add 100 200 3 first");
  ASSERT_EQ(window->Objects().Grid().rowCount(), 1);
  EXPECT_EQ(window->Objects().Grid().item(0, 4)->text(), "first");

  QAction* joyOn = Entry(&window->Menus().JoystickMenu(), "On?");
  sim.system.state.JoyOn = 1;
  sim.Run("Joy WZ");
  EXPECT_TRUE(joyOn->isChecked());
  EXPECT_TRUE(Child<QLabel>("lblJZ")->isVisibleTo(window));
  EXPECT_FALSE(Child<QLabel>("lblJX")->isVisibleTo(window));
  sim.Run("Joy Off");
  EXPECT_FALSE(joyOn->isChecked());
  EXPECT_FALSE(Child<QWidget>("picJoy")->isVisibleTo(window));
}

// The demonstration line without its second filter wheel.
class NotInstalled : public Microscope {
 protected:
  NotInstalled()
      : Microscope([](const TempFolder& folder) {
          SetKeyword(folder, "QV_CONFIG.TXT", "W2_INSTALLED", " 0");
        }) {}
};

TEST_P(NotInstalled, ControlsOfADeviceThatIsNotReadySayWhyAndFollowItsReadyFlag) {
  const QString notInstalled = "Filter wheel B not installed (W2_INSTALLED in QV_CONFIG.TXT)";
  auto* wheelB = Child<QPushButton>("cmdWheelB");
  EXPECT_FALSE(wheelB->isEnabled());
  EXPECT_EQ(wheelB->toolTip(), notInstalled);
  QMenu* b = window->DeviceMenus().FilterMenu(2);
  EXPECT_FALSE(Entry(b, "Home")->isEnabled());
  EXPECT_EQ(Entry(b, "Home")->toolTip(), notInstalled);
  EXPECT_TRUE(Entry(b, "Parameters")->isEnabled());  // the way to bring it up
  EXPECT_TRUE(Child<QPushButton>("cmdWheelF")->isEnabled());
  const bool leds = GetParam() == "config/demo-im483i";  // only that line has LEDs
  EXPECT_EQ(Child<QWidget>("picRED_LED")->isEnabled(), leds);

  auto* left = Child<QPushButton>("cmdStageLeft");
  QAction* menuLeft = Entry(window->DeviceMenus().StageMenu(), "Left");
  sim.system.state.Ready.XYReady = 0;  // as after a parameter file that did not load
  window->TimerTick();
  EXPECT_FALSE(left->isEnabled());
  EXPECT_FALSE(menuLeft->isEnabled());
  EXPECT_EQ(left->toolTip().toStdString(),
            "Stage not ready: its controller did not answer or QV_PARXY.TXT did not load");
  window->Tabs().setCurrentIndex(1);
  QApplication::processEvents();
  QTest::mousePress(&window->Map(), Qt::RightButton, {}, QPoint(100, 100));
  QMenu& popup = window->Map().Popup();
  for (QAction* entry : Entry(&popup, "Stage")->menu()->actions())
    EXPECT_FALSE(entry->isEnabled()) << entry->text().toStdString();
  popup.close();
  sim.system.state.Ready.XYReady = 1;
  window->TimerTick();
  EXPECT_TRUE(left->isEnabled());
  EXPECT_TRUE(menuLeft->isEnabled());
  EXPECT_EQ(left->toolTip(), "");
}

INSTANTIATE_TEST_SUITE_P(BothLines, Microscope,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());
INSTANTIATE_TEST_SUITE_P(BothLines, NotInstalled,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());

}  // namespace
}  // namespace qv::test
