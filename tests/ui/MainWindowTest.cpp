// The main window and the program editor at the simulated microscope, on the offscreen platform.
#include "app/WindowCore.h"
#include "ui/MainWindow.h"
#include "ui/ProgramWindow.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "foundation/NumberText.h"
#include "platform/QtText.h"
#include "tests/support/QtApplication.h"
#include "tests/support/SimSystem.h"
#include "tests/support/WindowRig.h"
#include "ui/DeviceMenuBar.h"
#include "ui/DeviceWidgets.h"
#include "ui/ObjectsTab.h"
#include "ui/ParListWindow.h"
#include "ui/WindowFit.h"
#include "ui/WindowFrontEnd.h"

namespace qv::test {
namespace {

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

// The main window loaded as "Show" loads it, its dialogs answered by the test (RecordingServices;
// the input box gives `answer`); the program editor when a test opens it.
class Microscope : public ::testing::TestWithParam<std::string>, protected RecordingServices {
 protected:
  static void SetUpTestSuite() { EnsureQApplication(); }
  Microscope() : sim(RepoFolder(GetParam()), sim::LineOptions{.baud = 9600}) {}
  void SetUp() override {
    ASSERT_EQ(sim.Start(), 1);
    sim.front.SetLoader([this] {
      window = new MainWindow(WindowCore(sim.system), [this] {
        sim.front.Attach(nullptr);
        ++unloads;
      });
      sim.front.Attach(window);
      return window;
    });
    sim.front.ShowMainWindow();
    WindowServices& dialogs = window->Services();
    const WindowServices recorded = Services();
    dialogs.editParameters = recorded.editParameters;
    dialogs.chooseFile = recorded.chooseFile;
    dialogs.textEditor = recorded.textEditor;
    dialogs.inputBox = [this](const std::string&, const std::string& prompt) {
      asked.push_back(prompt);
      busyWhileAsked += Busy();
      if (answers.empty()) return answer;
      std::optional<std::string> next = answers.front();
      answers.erase(answers.begin());
      return next;
    };
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  }
  // A window left behind keeps its timer, which would tick on this test's destroyed system.
  void TearDown() override {
    sim.front.AttachProgram(nullptr);
    delete progWin;
    sim.front.Attach(nullptr);
    delete window;
  }
  void Execute(const std::string& line) {
    window->SetCommandText(line);
    QTest::mouseClick(Child<QPushButton>("cmdExecute"), Qt::LeftButton);
  }
  // A menu entry by its captions joined by '>' ("X-Y>Advanced>Speed Test Limit Loop").
  QAction* Entry(const std::string& path) { return FindEntry(window->menuBar()->actions(), path); }
  void Pick(const std::string& path) {
    QAction* entry = Entry(path);
    ASSERT_NE(entry, nullptr) << path;
    entry->trigger();
  }
  std::string Title(const std::string& menu) { return Shown(Entry(menu)->text()).toStdString(); }
  std::string Msg() { return window->MessageText(); }
  std::string Busy() { return window->Status().BusyField().text().toStdString(); }
  void Stop() { QTest::mouseClick(&window->Status().StopButton(), Qt::LeftButton); }
  template <class T = QWidget>
  T* Child(const char* name) {
    return window->findChild<T*>(name);
  }
  char X() const { return static_cast<char>(sim.system.stage.XUnit()); }
  char Y() const { return static_cast<char>(sim.system.stage.YUnit()); }
  char Z() const { return static_cast<char>(sim.system.focus.Unit()); }
  int64_t Count(char unit) { return sim.State(unit).counter; }
  void ShowMap() {
    window->Tabs().setCurrentIndex(1);
    QApplication::processEvents();  // the map gets its picture when it is first shown
  }
  // Whether `colour` (the stage mark's cyan by default) shows on the map within two pixels of
  // the stage point (x, y).
  bool MarkNear(double x, double y, QColor colour = QColor(0, 255, 255)) {
    const MapPoint at = sim.system.map.StageToPixel(x, y);
    QImage picture = window->Map().grab().toImage();
    for (int dx = -2; dx <= 2; ++dx)
      for (int dy = -2; dy <= 2; ++dy)
        if (picture.pixelColor(static_cast<int>(at.X) + dx, static_cast<int>(at.Y) + dy) == colour)
          return true;
    return false;
  }
  MapPoint StagePosition() {
    MapPoint at;
    EXPECT_TRUE(sim.system.stage.XYReadPos(at.X, at.Y).ok());
    return at;
  }
  std::string File(const char* name) { return sim.folder.File(name); }
  void Click(const char* name) {
    QWidget* button = progWin ? progWin->findChild<QPushButton*>(name) : nullptr;
    QTest::mouseClick(button ? button : Child(name), Qt::LeftButton);
  }
  std::string EditorMessage() { return progWin->Message().text().toStdString(); }
  double FileValue(const std::string& file, const std::string& key) {
    ParList list;
    sim.system.keywordFiles.ReadParList(File(file.c_str()), list);
    double value = 0;
    EXPECT_EQ(GetPar(list, key, value), 1) << key;
    return value;
  }
  std::string Filter() { return sim.Run("F Wait;F ?"); }  // wheel F's filter, once it stands
  ObjectsTab& Objs() { return window->Objects(); }
  ObjRecord Object(int32_t n) {
    ObjRecord object;
    EXPECT_EQ(sim.system.objects.ObjGet(n, object), 1);
    return object;
  }
  QModelIndex GridIndex(int row, int column) { return Objs().Grid().model()->index(row, column); }
  std::string Cell(int row, int column) {
    return GridIndex(row, column).data().toString().toStdString();
  }
  int Rows() { return Objs().Grid().model()->rowCount(); }
  int SelectedRow() {  // the one row selected as a whole, else -1
    const QModelIndexList rows = Objs().Grid().selectionModel()->selectedRows();
    return rows.size() == 1 ? rows[0].row() : -1;
  }
  void ClickCell(int row, int column) {
    const QRect cell = Objs().Grid().visualRect(GridIndex(row, column));
    QTest::mouseClick(Objs().Grid().viewport(), Qt::LeftButton, {}, cell.center());
  }
  void Commit(const QString& text) {  // typed into the grid's edit box
    Objs().Field().setText(text);
    QTest::keyClick(&Objs().Field(), Qt::Key_Return);
  }
  // The axes tab; its first showing probes the `units` written to QV_AXES.TXT here.
  void ShowAxes(const std::string& units = "") {
    std::string listed;
    for (char unit : units)
      listed += std::string(1, unit) + "\r\n";
    if (!listed.empty()) std::ofstream(File("QV_AXES.TXT"), std::ios::binary) << listed;
    window->Tabs().setCurrentIndex(3);
    QApplication::processEvents();
  }
  std::vector<QRadioButton*> Units() {
    const QList<QRadioButton*> units = window->Axes().findChildren<QRadioButton*>();
    return {units.begin(), units.end()};
  }
  std::string Captions() {
    std::string captions;
    for (QRadioButton* unit : Units())
      captions += unit->text().toStdString() + ";";
    return captions;
  }
  void Type(const char* field, const std::string& text) {
    auto* box = Child<QComboBox>(field);
    (box ? box->lineEdit() : Child<QLineEdit>(field))->setText(QString::fromStdString(text));
  }
  void Type(const std::string& entries) {  // "field=text ..." in that order
    std::istringstream typed(entries);
    for (std::string entry; typed >> entry;)
      Type(entry.substr(0, entry.find('=')).c_str(), entry.substr(entry.find('=') + 1));
  }
  std::string Text(const char* name) { return Child<QLineEdit>(name)->text().toStdString(); }
  std::string Label(const char* name) {  // of a label or a button
    auto* label = Child<QLabel>(name);
    return (label ? label->text() : Child<QAbstractButton>(name)->text()).toStdString();
  }
  int16_t Addressed() { return sim.system.axes.CurrentUnit(); }

  BasicSimSystem<WaitingFront> sim;
  MainWindow* window = nullptr;
  int unloads = 0;
  std::string shownBusy;
  ProgramState& program = sim.system.interpreter.State();
  ProgramWindow* progWin = nullptr;
  std::vector<std::string> asked;    // the input box's prompts
  std::vector<std::string> answers;  // the input box's next answers, then `answer`
  std::optional<std::string> answer;
  std::string busyWhileAsked;  // a test shows as running only once its questions are answered
};

// The cases whose window logic is the same on both controller types run on the first only.
class Window : public Microscope {};
class Im483i : public Microscope {};  // the line with LEDs

// Execute shows the reply and the time it took; the history keeps the latest thirty. The box
// runs what was typed, never a longer command of the history that begins the same way; the
// arrow keys bring the history back. A long reply is cut short on the line, whole in its tip.
TEST_P(Window, TheCommandBoxKeepsTheHistoryAndShortensALongReply) {
  Execute("Delay 250;Ver");
  EXPECT_EQ((window->Message().text() + "|" + window->TimeField().text()).toStdString(),
            "250 ; 4.0 ; | 251");
  QTest::mouseClick(&window->Message(), Qt::LeftButton);  // a click clears the message
  EXPECT_EQ(Msg(), "");
  for (int i = 1; i <= 31; ++i)
    Execute("Delay " + std::to_string(i));
  QComboBox& box = window->CommandBox();  // the keyboard's widget; it hands keys to its text
  EXPECT_EQ(
      std::to_string(box.count()) + " " + (box.itemText(0) + "-" + box.itemText(29)).toStdString(),
      "30 Delay 31-Delay 2");
  box.setFocus();
  const int32_t commands = sim.system.state.CommandCount;
  std::string shown;
  for (const char* typed : {"Delay 100", "Delay 1", "Delay 10"}) {
    box.lineEdit()->clear();
    QTest::keyClicks(&box, typed);
    QTest::keyClick(&box, Qt::Key_Return);
    shown += Msg();
  }
  EXPECT_EQ(shown, "100 ; 1 ; 10 ; ");
  EXPECT_EQ(sim.system.state.CommandCount, commands + 3);
  shown.clear();
  for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}) {
    QTest::keyClick(&box, key);
    shown += box.currentText().toStdString() + ";";
  }
  EXPECT_EQ(shown, "Delay 1;Delay 100;Delay 1;");

  const int width = window->width();
  Execute("XY ?" + QString(";XY ?").repeated(24).toStdString());
  QApplication::processEvents();
  const std::string reply = Msg();
  const QString line = window->Message().text();
  EXPECT_EQ(window->width(), width);
  EXPECT_LT(line.size(), static_cast<qsizetype>(reply.size()));
  EXPECT_TRUE(line.endsWith(QChar(0x2026))) << line.toStdString();
  EXPECT_TRUE(window->Message().toolTip().contains(QString::fromStdString(reply.substr(0, 40))));
  window->Message().CopyFullText();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), reply);
}

// Hide and Show act on the window; Unload takes it away with its filter items, and a later
// "Show" loads a new one.
TEST_P(Window, HideShowAndUnloadTheWindow) {
  EXPECT_EQ(sim.Run("Hide"), "OK  ; ");
  EXPECT_FALSE(window->isVisible());
  sim.Run("Show");
  EXPECT_TRUE(window->isVisible());
  sim.Run("Unload");
  QApplication::processEvents();
  EXPECT_EQ(unloads, 1);
  window->DeviceMenus().Refresh();  // the filter items removed at unloading stay away
  EXPECT_TRUE(EntriesStartingWith(window->DeviceMenus().FilterMenu(2), "Filter ").empty());
  EXPECT_EQ(sim.system.state.MainFormLoaded, 0);
  delete std::exchange(window, nullptr);
  EXPECT_EQ(sim.Run("Show"), "OK  ; ");  // loads a new window
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(sim.system.state.MainFormLoaded, 1);
}

// --- The program editor ---

class Editor : public Microscope {
 protected:
  void SetUp() override {
    Microscope::SetUp();
    program.ProgLines = {"Delay 10", "Delay 11", "Delay 12", "Delay 13", "End"};
    progWin = new ProgramWindow(ProgramPart(WindowCore(sim.system)), [] {});
    sim.front.AttachProgram(progWin);
    progWin->SetFileChooser([this](const std::string&, bool) { return chosen; });
  }
  std::string Leave(int row, const char* text) {  // the program's line and position after
    progWin->RowField(row).setText(text);
    progWin->LeaveRow(row);
    return program.ProgLines[static_cast<size_t>(row)] + " " + std::to_string(program.ProgPos);
  }
  std::string MainShows() { return Msg() + "|" + window->CommandText(); }
};

TEST_P(Editor, RunsStepsAndEditsTheProgram) {
  const auto editorShows = [this] {
    return EditorMessage() + (progWin->RunIndicator().isChecked() ? " on" : " off") +
           (progWin->findChild<QPushButton*>("cmdRead")->isEnabled() ? " read" : "");
  };
  const auto colour = [](QWidget& row) {
    return row.styleSheet().remove("background-color: ").toStdString();
  };
  Click("cmdNmb3");
  EXPECT_EQ(window->CommandText() + " " + std::to_string(program.ProgPos), "Delay 13 4");
  EXPECT_EQ(
      colour(progWin->RowButton(3)) + colour(progWin->RowField(3)) + colour(progWin->RowField(0)),
      "#808080#E0E0E0#C0C0C0");
  Click("cmdRun");
  EXPECT_EQ(editorShows(), "PROGRAM (RE)STARTED on");
  sim.system.runner.Tick();
  EXPECT_EQ(MainShows(), "13 ; |End");
  Click("cmdStop");
  EXPECT_EQ(editorShows(), "PROGRAM INTERRUPTED off read");
  Click("cmdOver");
  EXPECT_EQ(window->CommandText() + " " + std::to_string(program.ProgPos), "Delay 10 1");
  Execute("xy 1");   // it ran, and stays in the box; the program's line runs next
  Click("cmdStep");  // one line, then halted; the window's timer runs it
  for (int i = 0; i < 30 && program.ProgRunState != 0; ++i)
    QTest::qWait(100);
  EXPECT_EQ(MainShows(), "10 ; |Delay 11");
  EXPECT_EQ(program.ProgRunState, 0);

  Click("cmdNmb1");
  Click("cmdInsert");
  EXPECT_EQ(
      progWin->RowField(2).text().toStdString() + " " + std::to_string(program.ProgLines.size()),
      "Delay 11 6");
  Click("cmdDelete");
  EXPECT_EQ(program.ProgLines[1], "Delay 11");
  EXPECT_EQ(progWin->RowButton(5).text(), "");  // beyond the program's end again
  EXPECT_EQ(Leave(2, "Ver"), "Ver 3");
  program.ProgHalted = 0;  // running: edits are not written back
  EXPECT_EQ(Leave(2, "Delay 1"), "Ver 3");
}

// How programs are read and written is the interpreter's tests'; here the window's file choice,
// title and question before overwriting, and the print.
TEST_P(Editor, ReadsWritesAndPrintsTheProgram) {
  chosen = File("a.prg");
  PutBytes(chosen, "Ver\r\nDelay 5\r\nEnd\r\n");
  progWin->ReadProgram();
  EXPECT_EQ(EditorMessage() + "|" + program.ProgLines[1], "Program read|Delay 5");
  chosen = File("w.prg");
  progWin->WriteProgram();
  EXPECT_EQ(EditorMessage() + "|" + progWin->windowTitle().toStdString(),
            "Program written|Program " + chosen);
  EXPECT_TRUE(sim.notifier.Messages.empty());
  progWin->WriteProgram();
  ASSERT_EQ(sim.notifier.Messages.size(), 1u);
  EXPECT_EQ(sim.notifier.Messages[0].Title, "File overwrite");
  program.ProgLines = {"Repeat Times", "End"};
  progWin->WriteProgram();
  EXPECT_EQ(EditorMessage(), "Program not written");
  chosen.clear();  // the choice was cancelled
  progWin->ReadProgram();
  EXPECT_EQ(EditorMessage(), "Program not read");

  progWin->show();
  QApplication::processEvents();
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(File("program.pdf")));
  progWin->Print(printer);
  const std::string pdf = GetBytes(File("program.pdf"));
  EXPECT_EQ(pdf.substr(0, 4), "%PDF");
  EXPECT_GT(pdf.size(), 2000u);
}

TEST_P(Editor, TheViewScrollsWithTheBarAndTheWheelUnlessTheProgramRuns) {
  progWin->show();
  QApplication::processEvents();
  EXPECT_EQ(program.ProgRows, progWin->RowCount());
  QTest::keyClick(&progWin->RowField(0), Qt::Key_PageDown);  // shorter than the window
  EXPECT_EQ(program.ProgTop, 0);

  program.ProgLines.clear();
  for (int i = 0; i < 60; ++i)
    program.ProgLines.push_back("Delay " + std::to_string(i));
  sim.system.interpreter.ShowProgRows(0, 0, program.ProgRows);
  QScrollBar& bar = progWin->ScrollBar();
  EXPECT_EQ(bar.maximum(), 60 - progWin->RowCount());
  bar.setValue(30);
  EXPECT_EQ((progWin->RowButton(0).text() + " " + progWin->RowField(0).text()).toStdString() +
                " top " + std::to_string(program.ProgTop),
            "30 Delay 30 top 30");
  const auto wheel = [this](int notches) {  // then where the view and the bar are
    const QPointF at(10, 10);
    QWheelEvent event(at, progWin->mapToGlobal(at), {}, {0, notches * 120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&progWin->RowField(0), &event);
    return std::to_string(program.ProgTop) + " " + std::to_string(progWin->ScrollBar().value());
  };
  EXPECT_EQ(wheel(-2), "36 36");  // towards the end
  program.ProgHalted = 0;         // running: the view follows the program, not the wheel
  bar.setValue(0);
  EXPECT_EQ(wheel(1), "36 36");
}

// --- At the simulated microscope ---

TEST_P(Microscope, EscOrTheStopButtonEndsATypedMotionOrAHomingAndTheWait) {
  const auto busy = [this] {
    const QCursor* pointer = QApplication::overrideCursor();
    const bool hourglass = pointer != nullptr && pointer->shape() == Qt::BusyCursor;
    return Busy() + (pointer == nullptr ? "" : hourglass ? ", busy pointer" : ", other pointer");
  };
  window->SetCommandText("XY 30000 20000;XY Wait");
  sim.front.duringWait = [&] {  // Esc
    shownBusy = busy();
    QCoreApplication::postEvent(window->Tabs().currentWidget(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  };
  window->ExecuteCommandBox();
  EXPECT_EQ(shownBusy, "Busy: XY 30000 20000;XY Wait, busy pointer");
  // The wait did not see its target; the line says whose Stop ended it.
  EXPECT_EQ(Msg(), "OK  ; Error  ; stopped");
  EXPECT_FALSE(sim.State(X()).moving);
  EXPECT_LT(Count(X()) * sim.system.stage.XUmPerStep(), 29000);
  EXPECT_EQ(busy(), "");
  EXPECT_EQ(sim.Run("XY 100 100;XY Wait"), "OK  ; OK  ; ");  // the Stop ended with the command

  Pick("X-Y>Home");
  EXPECT_EQ(Msg(), "Homing Stage ... done");
  sim.Run("XY 20000 15000;XY Wait");
  sim.front.duringWait = [&] {
    shownBusy = busy();
    Stop();
  };
  Pick("X-Y>Home");
  EXPECT_EQ(shownBusy, "Busy: Homing Stage, busy pointer");
  EXPECT_EQ(Msg(), "Homing Stage ... stopped");
  EXPECT_TRUE(sim.notifier.Messages.empty());  // a stop is no failure to report
  EXPECT_FALSE(sim.State(X()).moving);
  EXPECT_GT(Count(X()), 0);

  sim.line.SetFault(X(), sim::DefaultFault(sim::FaultKind::ErrorStatus));
  Pick("X-Y>Home");
  EXPECT_EQ(sim.notifier.LastText(), "Stage Home Failed");
  EXPECT_EQ(sim.system.state.CommandBusy, 0);
}

// The limit runs of a speed test serve the window between their polls: it shows the test as
// busy, and Stop ends the test within a second, which then says that it was stopped.
TEST_P(Microscope, StopEndsASpeedTestWithinASecond) {
  answers = {"20000", "20000", "3"};
  sim::Micros stoppedAt = 0;
  std::function<void()> stopWhileRunning = [&] {
    if (!sim.State(X()).moving) {
      sim.front.duringWait = stopWhileRunning;  // not yet: the next time events are served
      return;
    }
    shownBusy = Busy();
    stoppedAt = sim.clock.Now();
    Stop();
  };
  sim.front.duringWait = stopWhileRunning;
  Pick("X-Y>Advanced>Speed Test Limit Loop");
  EXPECT_EQ(shownBusy, "Busy: Speed Test");
  EXPECT_LT(sim.clock.Now() - stoppedAt, 1'000'000);  // microseconds
  EXPECT_TRUE(Msg().starts_with("Speed Test ... stopped")) << Msg();
  EXPECT_FALSE(sim.State(X()).moving);
  EXPECT_FALSE(sim.State(Y()).moving);
}

// Keys step by the stage's jump and the focus's fine step, with Shift by ten jumps and the coarse
// step, on the device and the map tab but not in the command box. A jog names itself on the
// press, moves its own unit only and shows the position on the release.
TEST_P(Window, JogKeysAndButtonsStepTheStageAndTheFocus) {
  const double jump = sim.system.stage.Params().JumpSize;
  const double fine = sim.system.focus.Params().JumpSize;
  const double coarse = fine * sim.system.focus.Params().CoarseFactor;
  const struct {
    std::string named;   // the message on the press
    std::string button;  // or else the key on the tab
    int tab;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    char unit;
    double microns;
  } jogs[] = {
      {"Stage Right", "", 0, Qt::Key_Right, Qt::NoModifier, X(), jump},
      {"Stage Left", "", 0, Qt::Key_Left, Qt::ShiftModifier, X(), -10 * jump},
      {"Stage Back", "", 1, Qt::Key_Up, Qt::NoModifier, Y(), -jump},
      {"Stage Forward", "", 1, Qt::Key_Down, Qt::NoModifier, Y(), jump},
      {"Up Fine", "", 0, Qt::Key_PageUp, Qt::NoModifier, Z(), -fine},
      {"Down Coarse", "", 1, Qt::Key_PageDown, Qt::ShiftModifier, Z(), coarse},
      {"Stage Right", "cmdStageRight", 0, {}, {}, X(), jump},
      {"Stage Back", "cmdStageBack", 0, {}, {}, Y(), -jump},
      {"Up Coarse", "cmdFocUpCoarse", 0, {}, {}, Z(), -coarse},
      {"Down Fine", "cmdFocDownFine", 0, {}, {}, Z(), fine},
  };
  const char units[] = {X(), Y(), Z()};
  const double umPerStep[] = {sim.system.stage.XUmPerStep(), sim.system.stage.YUmPerStep(),
                              sim.system.focus.ZUmPerStep()};
  for (const auto& jog : jogs) {
    SCOPED_TRACE(jog.button.empty() ? jog.named : jog.button);
    window->Tabs().setCurrentIndex(jog.tab);
    QWidget* target =
        jog.button.empty() ? window->Tabs().currentWidget() : Child(jog.button.c_str());
    target->setFocus();
    const int64_t before[] = {Count(X()), Count(Y()), Count(Z())};
    jog.button.empty() ? QTest::keyPress(target, jog.key, jog.modifiers)
                       : QTest::mousePress(target, Qt::LeftButton);
    EXPECT_EQ(Msg() + " busy " + std::to_string(sim.system.state.CommandBusy),
              jog.named + " busy 1");
    jog.button.empty() ? QTest::keyRelease(target, jog.key, jog.modifiers)
                       : QTest::mouseRelease(target, Qt::LeftButton);
    EXPECT_EQ(sim.system.state.CommandBusy, 0);
    for (int i = 0; i < 3; ++i) {
      const double moved = (Count(units[i]) - before[i]) * umPerStep[i];
      EXPECT_NEAR(moved, units[i] == jog.unit ? jog.microns : 0, umPerStep[i] / 2) << units[i];
    }
    EXPECT_EQ(Msg().substr(0, 2), jog.unit == Z() ? "Z=" : "X=");
  }
  const int64_t x = Count(X());
  window->CommandBox().lineEdit()->setFocus();
  QTest::keyClick(window->CommandBox().lineEdit(), Qt::Key_Left);
  EXPECT_EQ(Count(X()), x);

  double z = 0;
  ASSERT_TRUE(sim.system.focus.ZReadPos(z).ok());
  window->SetMessage("");
  QTest::mousePress(Child("fraFoc"), Qt::LeftButton);  // the focus frame shows the position
  EXPECT_EQ(Msg(), "Z=" + GeneralText(z));
}

TEST_P(Window, TheStageMenuJumpsOneJumpSizeEachWay) {
  const double jump = sim.system.stage.Params().JumpSize;
  const double um = sim.system.stage.XUmPerStep();  // the same on Y in the demonstration
  const std::tuple<std::string, double, double> entries[] = {
      {"Left", -jump, 0}, {"Right", jump, 0}, {"Back", 0, -jump}, {"Forward", 0, jump}};
  for (const auto& [entry, dx, dy] : entries) {
    SCOPED_TRACE(entry);
    const int64_t x = Count(X()), y = Count(Y());
    Pick("X-Y>" + entry);
    ASSERT_TRUE(sim.system.stage.XYWait().ok());
    EXPECT_NEAR((Count(X()) - x) * um, dx, um / 2);
    EXPECT_NEAR((Count(Y()) - y) * um, dy, um / 2);
  }
}

// The status bar's stage position is true once any kind of motion has ended: what "XY ?" reads
// then. While the stage moves it is marked as moving; once all stands, nothing more is sent.
TEST_P(Microscope, TheStagePositionShownIsReadAfterEveryKindOfMotionEnd) {
  const auto settled = [this] {
    for (int i = 0; i < 400; ++i) {
      sim.clock.Advance(300'000);  // a tick of the window's timer
      window->TimerTick();
      QApplication::processEvents();
      const bool moving = Label("lblStatPosition").find("moving") != std::string::npos;
      if (i > 0 && !moving && program.ProgRunState == 0) break;
    }
    return Label("lblStatPosition");
  };
  const auto read = [this] {
    std::istringstream reply(sim.Run("XY ?"));
    std::string x, y;
    reply >> x >> y;
    return "X " + x + "  Y " + y;
  };
  const auto stopDuringWait = [this] {
    sim.front.duringWait = [this] {
      window->TimerTick();
      shownBusy = Label("lblStatPosition");  // as the stage moves
      Stop();
    };
  };
  sim.joystick.Hold({.x = 32767, .y = 32767});
  const std::pair<std::string, std::function<void()>> cases[] = {
      {"typed wait", [&] { Execute("XY 2000 1500;XY Wait"); }},
      {"client's move, not waited for", [&] { sim.Run("XY 4000 3000"); }},
      {"Stop during a typed wait", [&] { stopDuringWait(), Execute("XY 30000 20000;XY Wait"); }},
      {"stopped homing", [&] { stopDuringWait(), Pick("X-Y>Home"); }},
      {"program",
       [&] {
         program.ProgLines = {"XY 5000 4000", "XY Wait", "XY 6000 4500", "End"};
         sim.system.interpreter.Run();
       }},
      {"menu", [&] { Pick("X-Y>Right"); }},
      {"map",
       [&] {
         ShowMap(), QTest::mouseDClick(&window->Map(), Qt::LeftButton, {}, {260, 180});
       }},
      {"scan", [&] { Pick("Scan>Go to Next Field"); }},
      {"joystick",
       [&] {
         Pick("Conf>Joystick>On?");
         settled();  // the stage stood still when the joystick was deflected
         sim.joystick.Hold({.x = 65535, .y = 32767});
         for (int i = 0; i < 3; ++i) {
           sim.clock.Advance(300'000);
           window->TimerTick();
         }
         sim.joystick.Hold({.x = 32767, .y = 32767});
       }},
  };
  for (const auto& [kind, act] : cases) {
    SCOPED_TRACE(kind);
    const std::string before = settled();
    shownBusy.clear();
    act();
    const std::string after = settled();
    EXPECT_NE(after, before);
    EXPECT_EQ(after, read());
    // Shown inside the stopped waits, while the stage moved.
    EXPECT_TRUE(shownBusy.empty() || shownBusy.ends_with(" (moving)")) << shownBusy;
  }
  Pick("Conf>Joystick>On?");  // off: an IM483I joystick line is polled even when still
  for (int tab : {0, 1}) {    // on the map the stage mark follows without reading either
    window->Tabs().setCurrentIndex(tab);
    window->TimerTick();
    sim.line.ClearFrames();
    for (int i = 0; i < 3; ++i)
      window->TimerTick();
    EXPECT_TRUE(sim.line.Frames().empty()) << tab;
  }
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
  EXPECT_EQ(Busy() + Str(sim.system.state.CommandBusy), "Busy: Stage Right 1");
  sim.line.ClearFrames();
  QTest::keyRelease(tab, Qt::Key_Right);
  const std::string stop =
      GetParam() == "config/demo" ? std::string("/") + X() + "T" : std::string(1, X()) + "M0";
  EXPECT_EQ(sim.line.Frames().front(), stop);
  const double moved = (Count(X()) - before) * um;
  EXPECT_GT(moved, 2 * jump - um);
  EXPECT_LT(moved, 3 * jump);
  EXPECT_FALSE(sim.State(X()).moving);

  // The operator's Stop while a jog is held: no step follows (the hold ends its repeats, and the
  // drivers hold back motions while the Stop holds), and its release moves nothing.
  QTest::keyPress(tab, Qt::Key_Right);
  window->Devices().Jog().Repeat();
  Stop();
  const int64_t stopped = Count(X());
  window->Devices().Jog().Repeat();
  window->Devices().Jog().Repeat();
  QTest::keyRelease(tab, Qt::Key_Right);
  EXPECT_EQ(Count(X()), stopped) << "moved after Stop";
  EXPECT_FALSE(sim.State(X()).moving);
}

// Obj and Joy commands from a client, the console or a program show on the window.
TEST_P(Window, CommandsFromElsewhereShowOnTheJoystickFrameMenusAndStatusBar) {
  QAction* joyOn = FindEntry(&window->Menus().JoystickMenu(), "On?");
  const auto joystick = [&] {  // the menu's check and the frame's labels shown
    std::string shown = joyOn->isChecked() ? "on" : "off";
    for (const char* label : {"picJoy", "lblJX", "lblJZ"})
      if (Child(label)->isVisibleTo(window)) shown += std::string(" ") + label;
    return shown;
  };
  sim.system.state.JoyOn = 1;
  window->JoyVisibility();
  EXPECT_EQ(joystick(), "on picJoy lblJX");
  sim.Run("Joy WZ");
  EXPECT_EQ(joystick(), "on picJoy lblJZ");
  sim.Run("Joy Off");
  EXPECT_EQ(joystick(), "off");

  auto* indicator = Child<JoyIndicator>("picJoy");
  window->Devices().JoyDisplay(500, -1500, 1000);
  // Beyond full scale the line stops at the edge.
  EXPECT_EQ(std::pair(indicator->X(), indicator->Y()), std::pair(0.5, -1.0));
  window->Devices().JoyDisplay(100, 100, 0);  // no scale: the display stays as it was
  EXPECT_DOUBLE_EQ(indicator->X(), 0.5);
  QTest::mousePress(Child("fraJoy"), Qt::LeftButton);  // the frame opens the joystick menu
  EXPECT_TRUE(window->Menus().JoystickMenu().isVisible());
  window->Menus().JoystickMenu().close();

  sim.Run("XY 1000 500;Z 12.5;F 3;Cube 2;XY Wait;Z Wait;F Wait;Cube Wait;XY ?;Z ?;Objective 2");
  window->TimerTick();
  const std::pair<const char*, std::string> fields[] = {
      {"lblStatFocus", "Z " + FormatFixed(sim.system.focus.Z(), 2)},
      {"lblStatCube", "Cube-2"},
      {"lblStatObjective", "Obj. 2 (" + std::to_string(sim.system.objectives.Mag()) + "X)"},
      {"lblStatFilters", DescribeDevices(DeviceStatesPart(WindowCore(sim.system))).filters}};
  for (const auto& [name, text] : fields)
    EXPECT_EQ(Label(name), text);
  // So do the menu captions after commands that did not come from the window.
  EXPECT_EQ(Title("F-"), "F-3");
  EXPECT_TRUE(Entry("Cube>Cube 2")->isChecked());
  sim.system.state.Ready[DeviceId::Z] = 0;
  sim.system.state.Ready[DeviceId::W2] = 0;
  window->TimerTick();
  EXPECT_EQ(Label("lblStatFocus") + " " + Label("lblStatFilters"), "Z off F-3  B off");
}

// The flags as a configuration without the second filter wheel leaves them: its controls are
// greyed out and say why, and so does every greyed menu entry, in a tip its menu shows.
TEST_P(Microscope, ControlsOfADeviceThatIsNotReadySayWhyAndFollowItsReadyFlag) {
  sim.system.state.Config.Installed[DeviceId::W2] = 0;
  sim.system.state.Ready[DeviceId::W2] = 0;
  window->TimerTick();
  const auto why = [](auto* control) {
    return (control->isEnabled() ? "on " : "off ") + control->toolTip().toStdString();
  };
  const std::string notInstalled =
      "off Filter wheel B not installed (W2_INSTALLED in QV_CONFIG.TXT)";
  QMenu* b = window->DeviceMenus().FilterMenu(2);
  // "Parameters" is the way to bring it up.
  EXPECT_EQ((std::vector{why(Child<QPushButton>("cmdWheelB")), why(FindEntry(b, "Home")),
                         why(FindEntry(b, "Parameters")), why(Child<QPushButton>("cmdWheelF"))}),
            (std::vector<std::string>{notInstalled, notInstalled, "on Parameters", "on "}));
  EXPECT_EQ(Child<QWidget>("picRED_LED")->isEnabled(), GetParam() == "config/demo-im483i");
  std::vector<QMenu*> menus = {&window->Map().Popup()};
  for (QAction* top : window->menuBar()->actions())
    menus.push_back(top->menu());
  int greyed = 0;
  while (!menus.empty()) {
    QMenu* menu = menus.back();
    menus.pop_back();
    for (QAction* entry : menu->actions()) {
      if (entry->menu() != nullptr) menus.push_back(entry->menu());
      if (entry->isEnabled() || entry->isSeparator()) continue;
      ++greyed;
      SCOPED_TRACE(Shown(entry->text()).toStdString());
      EXPECT_TRUE(menu->toolTipsVisible());
      EXPECT_NE(entry->toolTip(), Shown(entry->text()));
    }
  }
  EXPECT_GT(greyed, 10);

  auto* left = Child<QPushButton>("cmdStageLeft");
  const int64_t x = Count(X());
  window->SetMessage("");
  QTest::mouseRelease(left, Qt::LeftButton);  // a release without its press
  sim.system.state.Ready[DeviceId::XY] = 0;   // as after a parameter file that did not load
  QTest::mouseClick(left, Qt::LeftButton);    // refused before the button is greyed out too
  QTest::mousePress(Child("fraStage"), Qt::LeftButton);
  EXPECT_EQ(std::pair(Count(X()), Msg()), std::pair(x, std::string()));
  window->TimerTick();
  EXPECT_EQ(why(left),
            "off Stage not ready: its controller did not answer or QV_PARXY.TXT did not load");
  ShowMap();
  QTest::mousePress(&window->Map(), Qt::RightButton, {}, QPoint(100, 100));
  QMenu& popup = window->Map().Popup();
  for (QAction* entry : FindEntry(&popup, "Stage")->menu()->actions())
    EXPECT_FALSE(entry->isEnabled()) << entry->text().toStdString();
  popup.close();
  sim.system.state.Ready[DeviceId::XY] = 1;
  window->TimerTick();
  EXPECT_EQ(why(left), "on ");
}

// --- The window's own menus and the map tab ---

TEST_P(Window, MapClicksMoveTheStageAndSelectObjectsEntriesDrawObjectsAndTheStageMarkFollows) {
  ShowMap();
  QTest::mouseDClick(&window->Map(), Qt::LeftButton, {}, QPoint(300, 200));
  const MapPoint target = sim.system.map.PixelToStage(300, 200);
  sim.Run("XY Wait");
  EXPECT_NEAR(StagePosition().Y, target.Y, 1);

  sim.Run("Obj Add 11000 9000 0 a;Obj Add 12000 10000 0 b;Obj ListDraw");
  const MapPoint at = sim.system.map.StageToPixel(12000, 10000);
  QTest::mouseClick(&window->Map(), Qt::LeftButton, {},
                    QPoint(static_cast<int>(at.X) + 1, static_cast<int>(at.Y)));
  EXPECT_NE(Msg().find(" 2 Selected Obj."), std::string::npos);
  EXPECT_EQ(SelectedRow(), 1);  // the second object's row

  const QColor green(0, 255, 0), blue(0, 0, 255);
  sim.system.map.HighlightObjOnMap(2);
  EXPECT_TRUE(MarkNear(12000, 10000, green));
  window->Tabs().setCurrentIndex(2);
  Pick("Obj.>Draw Object Map");
  EXPECT_EQ(window->Tabs().currentIndex(), 1);
  EXPECT_TRUE(MarkNear(11000, 9000, blue) && MarkNear(12000, 10000, blue));
  Pick("Obj.>Erase Object Map");
  EXPECT_FALSE(MarkNear(11000, 9000, blue));
  EXPECT_EQ(sim.system.objects.ObjListCount(), 2);  // the list itself stays

  sim.Run("XY 11000 9000;XY Wait");
  window->TimerTick();
  EXPECT_TRUE(MarkNear(11000, 9000));
  window->Tabs().setCurrentIndex(0);
  sim.Run("XY 12000 10000;XY Wait");
  window->TimerTick();
  // No events run here: the window's own timer would tick on the map.
  window->Tabs().setCurrentIndex(1);
  EXPECT_TRUE(MarkNear(11000, 9000));  // not updated while another tab was shown
  window->TimerTick();
  EXPECT_TRUE(MarkNear(12000, 10000));
  EXPECT_FALSE(MarkNear(11000, 9000));  // the old mark was erased

  sim.Run("XY 11000 9000;XY Wait");
  sim.system.state.CommandBusy = 1;  // a command is running: the tick leaves the mark alone
  window->TimerTick();
  EXPECT_TRUE(MarkNear(12000, 10000));
  sim.system.state.CommandBusy = 0;
}

// "Go To" and the speed tests ask through the window's input box; what the tests do is the
// speed tests' own (SpeedTestLine), here their result on the line and the menu it changed.
TEST_P(Window, MenuEntriesAskThroughTheInputBoxSetScanAreaAndZoomAndReadEditedFilesAgain) {
  answers = {" 11500 9500 ", "abc 1"};
  Pick("X-Y>Go To");
  EXPECT_EQ(Msg(), "X=11500, Y=9500");
  Pick("X-Y>Go To");
  EXPECT_NE(Msg().find("Error "), std::string::npos) << Msg();
  EXPECT_EQ(StagePosition().X, 11500);  // a bad answer moves nothing
  answers = {"1", "2"};                 // the next filter twice: from 1 to 3
  Pick("F->Advanced>Speed Test");
  EXPECT_TRUE(Msg().starts_with(" 2 repetitions -")) << Msg();
  EXPECT_EQ(Title("F-"), "F-3");
  EXPECT_EQ(busyWhileAsked, "");

  sim.Run("XY 10500 8500;XY Wait");
  Pick("Map>Set Scan Area>Top Left");
  EXPECT_EQ(sim.system.scan.Area().AreaX0, 10500 - sim.system.scan.SpecimenBounds().SpecX0);

  std::string fieldFile = "\"FIELD10X\", 440\r\n\"FIELD10Y\", 330\r\n";
  onEdit = [&](const std::string& path) { std::ofstream(path) << fieldFile; };
  Pick("Mag.>Field Param.");
  EXPECT_DOUBLE_EQ(sim.system.scan.Field().FieldX, 440);
  // A field of view no larger than the overlap leaves no layout: the one in force stays.
  const int32_t fields = sim.system.scan.NumFields();
  fieldFile = "\"FIELD10X\", 5\r\n\"FIELD10Y\", 330\r\n";
  Pick("Mag.>Field Param.");
  EXPECT_EQ(sim.notifier.LastText(), "Scan layout not changed: Step Not Above 0");
  EXPECT_EQ(sim.system.scan.NumFields(), fields);
  onEdit = {};
  Pick("Scan>Scan Parameters");
  Pick("Map>Zoom>Zoom Parameters");
  EXPECT_EQ(edited, (std::vector<std::string>{File("QV_FIELD.TXT"), File("QV_FIELD.TXT"),
                                              File("QV_SCAN.TXT"), File("QV_ZOOM.TXT")}));

  sim.Run("XY 12000 9000;XY Wait");
  Pick("Map>Zoom>2 : 1");
  EXPECT_EQ(sim.system.map.GetZoom(), 2);
  EXPECT_EQ(sim.system.map.ZoomCenterX(), sim.system.map.StageToSpecimen(12000, 9000).X);
  Entry("Map")->menu()->aboutToShow();
  EXPECT_NE(Entry("Map>Zoom  (2 : 1)"), nullptr);
  EXPECT_EQ(window->Tabs().currentIndex(), 1);  // opening "Map" shows the map
}

TEST_P(Window, TextsGoToTheEditorAndWhatComesBackIsAppliedOnlyWhenItIsAccepted) {
  Pick("Conf>Error Log");
  EXPECT_EQ(editor.pasted, std::vector<std::string>{sim.system.comm.CommLogText()});
  Pick("Int.>Commands");
  Pick("Int.>Symb. Const.>Edit");
  EXPECT_EQ(editor.opened,
            (std::vector<std::string>{File("QV_COMMANDS.TXT"), File("QV_SYMCONST.TXT")}));
  std::filesystem::remove(File("QV_COMMANDS.TXT"));
  Pick("Int.>Commands");
  EXPECT_EQ(editor.opened.size(), 2u);
  EXPECT_EQ(Msg(), "File " + File("QV_COMMANDS.TXT") + " does not exist");

  onEdit = [this](const std::string&) {
    SetKeyword(sim.folder, "QV_CONFIG.TXT", "MOVETIMEOUT", " 17");
  };
  Pick("Conf>Configuration");
  EXPECT_EQ(edited, std::vector<std::string>{File("QV_CONFIG.TXT")});
  EXPECT_EQ(sim.system.state.Config.MoveTimeout, 17);
  // The line was opened again and the devices initialised: the stage moves on it.
  EXPECT_EQ(sim.Run("XY 500 700;XY Wait;XY ?"), "OK  ; OK  ; 500.0 700.0 ; ");

  std::string shown;
  std::optional<std::string> accepted;
  window->Services().editText = [&](const std::string& text) {
    shown = text;
    return accepted;
  };
  const auto assign = [&](std::optional<std::string> text) {
    accepted = std::move(text);
    Pick("Conf>Joystick>Assigned Commands");
    return Msg();
  };
  EXPECT_EQ(assign(std::nullopt), "Joystick commands not assigned");
  EXPECT_EQ(shown, JoinLines(sim.system.joyCommands.Commands()));
  EXPECT_EQ(assign("Ver\r\nXY Rel 10 0\r\nZ Rel 1"), "Joystick commands assigned");
  PlainList saved;
  ASSERT_GT(sim.system.keywordFiles.ReadList(File("QV_JOYCMDS.TXT"), saved), 0);
  EXPECT_EQ(saved, (PlainList{"Ver", "XY Rel 10 0", "Z Rel 1"}));
  // A file made read-only keeps its commands, and so does the program.
  ASSERT_EQ(::chmod(File("QV_JOYCMDS.TXT").c_str(), 0444), 0);
  EXPECT_EQ(assign("Ver"), "Joystick commands not assigned");
  EXPECT_EQ(sim.system.joyCommands.Commands(), saved);
}

// --- The axes tab: which units it offers, what it remembers per unit, what each button sends
// and shows, and that bad input sends nothing ---

// Only units that answer are offered, at most the table's size (the others named on the line);
// choosing one addresses it, and later showings probe nothing again.
TEST_P(Window, OnlyAnsweringUnitsAreOfferedAndChoosingOneAddressesIt) {
  sim.line.SetFault(Y(), sim::DefaultFault(sim::FaultKind::NoReply));
  ShowAxes({X(), Y(), Z()});
  EXPECT_EQ(Captions(), (std::string{X(), ';', Z(), ';'}));
  EXPECT_TRUE(Units()[1]->isChecked());  // the last unit offered is chosen
  Units()[0]->click();
  EXPECT_EQ(Addressed(), X());
  Units()[1]->click();
  window->Tabs().setCurrentIndex(0);
  sim.line.ClearFrames();
  ShowAxes();
  EXPECT_EQ(Addressed(), Z());
  EXPECT_TRUE(sim.line.Frames().empty());
  EXPECT_EQ(Units().size(), 2u);
}

TEST_P(Window, UnitsBeyondTheAxesTableAreIgnoredWithAMessage) {
  // 33 answering units: the line's own and copies of the X stage under further addresses.
  const std::string extra = "abcdefghijklmnopqrstuvwxyz!\"#$%&'";
  std::string list;
  for (char c : extra) {
    list += std::string(1, c) + " unit\r\n";
    sim.line.AddUnit(c, sim.plan.units.front().axis);
  }
  std::ofstream(File("QV_AXES.TXT"), std::ios::binary) << list;
  ShowAxes();
  ASSERT_EQ(Units().size(), static_cast<size_t>(kMaxAxes));
  EXPECT_EQ(Units().back()->text().toStdString(), std::string(1, extra[kMaxAxes - 1]) + " unit");
  EXPECT_EQ(Addressed(), extra[kMaxAxes - 1]);
  for (char ignored : {extra[kMaxAxes], extra[kMaxAxes + 1]})
    EXPECT_NE(Msg().find(ignored + std::string(" unit")), std::string::npos);
  answer = "Q";  // "Add Axis" cannot add to a full table either
  sim.line.ClearFrames();
  window->Axes().AskAddAxis();
  EXPECT_EQ(Units().size(), static_cast<size_t>(kMaxAxes));
  EXPECT_TRUE(sim.line.Frames().empty());
}

TEST_P(Microscope, SwitchingAxesRestoresWhatWasTypedAndEachButtonShowsItsResult) {
  ShowAxes({X(), Y()});
  Units()[0]->click();
  Type("txtDistance=250 cboDestin=1200 txtHomeSpeed=500 txtOut0=1 txtOut2=1 txtJogSpeed=300");
  window->Axes().AddDestination();
  ASSERT_EQ(sim.Run("XY 100 0;XY Wait"), "OK  ; OK  ; ");
  for (const char* button : {"btnReadPos", "btnReadLim", "btnReadP"})
    Click(button);
  const char* labels[] = {"lblPos", "lblLimHrdw", "lblIn0", "lblIn1", "lblIn2"};
  std::vector<std::string> read;
  for (const char* label : labels)  // a failed port read (the EZHR17 has none) shows as -1
    read.push_back(read.size() < 2 || Label(label) != "" ? Label(label) : "-1");
  EXPECT_NE(read[0], Str(0));
  Units()[1]->click();
  EXPECT_EQ(Text("txtDistance"), Str(0));
  EXPECT_EQ(Child<QComboBox>("cboDestin")->count(), 0);

  Units()[0]->click();
  auto* destinations = Child<QComboBox>("cboDestin");
  std::vector<std::string> restored = {Text("txtDistance"),
                                       destinations->currentText().toStdString(),
                                       std::to_string(destinations->count()),
                                       Text("txtHomeSpeed"),
                                       Text("txtOut0") + Text("txtOut1") + Text("txtOut2"),
                                       Text("txtJogSpeed")};
  for (const char* label : labels)
    restored.push_back(Label(label));
  std::vector<std::string> typed = {Str(250), Str(1200), "1", Str(500), "101", Str(0)};
  typed.insert(typed.end(), read.begin(), read.end());
  EXPECT_EQ(restored, typed);  // nothing remembers the jog speed

  // Each button on the X stage, in an order that lets one build on the last: the fields it
  // reads, what the message line shows (nothing new for the jog buttons and the sign flips), and
  // what the unit or the panel shows for it.
  const bool ims = GetParam() == "config/demo-im483i";
  auto unit = [this] { return sim.State(X()); };
  auto wait = [this] { return sim.system.motors.MotorWaitMoveEnd(X()).ok(); };
  auto status = [](int16_t result) { return "Status =" + Str(result); };
  auto limits = [&] { return (unit().lowEnd ? 1 : 0) | (unit().highEnd ? 2 : 0); };
  const std::string ports = status(ims ? 1 : 0);  // the EZHR17 has no ports to read
  const struct {
    std::string button;
    std::string typed;  // "field=text ..." typed before the press
    std::string shown;  // "before": the message line stays as it was
    std::function<bool()> done;
  } cases[] = {
      {"btnMovAbs", "cboDestin=3200", status(1), [&] { return wait() && unit().counter == 3200; }},
      {"btnMovRel", "txtDistance=-1200", status(1),
       [&] { return wait() && unit().counter == 2000; }},
      {"btnReadPos", "", status(1), [&] { return Label("lblPos") == Str(2000); }},
      {"btnReadMovingStatus", "", status(0), [&] { return Label("lblLimHrdw") == "0"; }},
      {"btnSetOrig", "", status(1), [&] { return unit().counter == 0; }},
      {"cmdApplyJ", "txtJogSpeed=-2000", "before", [&] { return unit().moving; }},
      {"cmdStopJ", "", "before", [&] { return !unit().moving; }},
      {"btnJogSpeedInv", "", "before", [&] { return Text("txtJogSpeed") == Str(2000); }},
      {"btnDistInv", "", "before", [&] { return Text("txtDistance") == Str(1200); }},
      // The IM483I backs off the limit it found; the EZHR17 stays on it.
      {"btnToLim", "txtHomeSpeed=-3000", "Limit = 1", [&] { return unit().load < 1600; }},
      {"btnReadLim", "", status(1), [&] { return Label("lblLimHrdw") == GeneralText(limits()); }},
      {"btnReadHardw", "", status(1), [&] { return Label("lblLimHrdw") != "-1"; }},
      // Only Z zeroes the count.
      {"btnHome", "txtHomeSpeed=3000", "Home started, Status: 1",
       [&] { return wait() && (ims || unit().counter == 0); }},
      {"btnHSmart", "", "Status: 1", [&] { return !unit().moving; }},
      {"btnHOwn", "txtHomeSpeed=300", "Status: 1", [&] { return !unit().moving; }},
      {"btnWriteP", "txtOut0=1 txtOut1=0 txtOut2=1", status(1),
       [&] { return unit().outputs != 0; }},
      {"btnReadOP", "", ports,
       [&] { return Label("lblIn0") == (ims ? "1" : "") && Label("lblIn1") == (ims ? "0" : ""); }},
      // Inputs 0 and 1 set, input 2 clear: not the outputs written above.
      {"btnReadP", "", ports,
       [&] { return Label("lblIn0") + Label("lblIn1") + Label("lblIn2") == (ims ? "110" : ""); }},
  };
  sim.Unit(X()).SetSwitches(3);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    Type(c.typed);
    window->SetMessage("before");
    Click(c.button.c_str());
    EXPECT_EQ(Msg(), c.shown);
    EXPECT_TRUE(c.done());
    EXPECT_EQ(sim.system.state.CommandBusy, 0);
  }
}

// A field that does not read as a number stops its button with its message, and nothing goes
// out on the line; so does an output value other than 0 or 1. The three homings beside "Home"
// read their speed through one path.
TEST_P(Window, BadAxesInputSendsNothingAndAddAxisOffersAFurtherAnsweringUnit) {
  ShowAxes({X()});
  const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
      // the field, its text, the button ("" for the entry "Add Destination"), the message
      {"txtHomeSpeed", "fast", "btnHome", "Bad home speed value"},
      {"txtHomeSpeed", "40000", "btnHOwn", "Bad home speed value"},  // not a 16-bit number
      {"txtJogSpeed", "x", "cmdApplyJ", "Bad Jog Speed Value"},
      {"txtJogSpeed", "3e10", "btnJogSpeedInv", "Bad Jog Speed Value"},
      {"cboDestin", "12a", "btnMovAbs", "Bad destination value"},
      {"cboDestin", "0x10", "", "Bad destination value"},
      {"txtDistance", "-", "btnMovRel", "Bad travel distance value"},
      {"txtDistance", "1.2.3", "btnDistInv", "Bad travel distance value"},
      {"txtOut1", "2", "btnWriteP", "Output values must be 0 or 1"},
      {"txtOut1", "-1", "btnWriteP", "Output values must be 0 or 1"},
  };
  for (const auto& [field, text, button, shown] : cases) {
    SCOPED_TRACE(field + "=" + text);
    Type("txtOut0=0 txtOut1=0 " + field + "=" + text);
    sim.line.ClearFrames();
    const int destinations = Child<QComboBox>("cboDestin")->count();
    button.empty() ? window->Axes().AddDestination() : Click(button.c_str());
    EXPECT_EQ(Msg(), shown);
    EXPECT_TRUE(sim.line.Frames().empty());
    EXPECT_EQ(Child<QComboBox>("cboDestin")->count(), destinations);
  }
  // The stores refuse such text too and keep the last good value.
  Type("txtDistance=75");
  Type("txtDistance", "7 5");
  EXPECT_EQ(Msg(), "Bad value");
  EXPECT_EQ(sim.system.axes.CurrentRecord().Distance, 75);

  // "Add Axis" probes the unit typed and offers it when it answers.
  answers = {std::string(1, Y()) + " Y stage", "?", std::string(1, X())};
  for (int i = 0; i < 3; ++i)
    window->Axes().AskAddAxis();
  EXPECT_EQ(Captions(), (std::string{X(), ';', Y()} + " Y stage;"));
  EXPECT_EQ(Msg(), std::string("Unit ") + X() + " is offered already");
  EXPECT_EQ(Addressed(), Y());
}

// --- The device menus and the Device Control tab ---

TEST_P(Window, ParameterEntriesEditOrReplaceTheDeviceFileAndInitialiseTheDeviceAgain) {
  Pick("Z>Advanced>Read Par. File");
  EXPECT_EQ(Msg(), "Parameter file not read");
  EXPECT_TRUE(choices.at(0).patterns.starts_with("QV_PARZ*.TXT"));
  chosen = File("QV_PARZ_SLOW.TXT");
  std::filesystem::copy_file(File("QV_PARZ.TXT"), chosen);
  SetKeyword(sim.folder, "QV_PARZ_SLOW.TXT", "ZJUMPSIZE", "7");
  Pick("Z>Advanced>Read Par. File");
  EXPECT_EQ(FileValue("QV_PARZ.TXT", "ZJUMPSIZE"), 7);

  // What initialising again does is DeviceLineTest's; here each entry edits its device's file
  // first, and a wheel whose file no longer loads is off with its filter items dead.
  Pick("X-Y>Parameters");
  EXPECT_EQ(Msg(), "XY On");
  // A key that is missing but not needed: the stage comes up, its message is not hidden.
  const auto without = [this](const char* file, const char* key) {
    return [=, this](const std::string&) { SetKeyword(sim.folder, file, key, std::nullopt); };
  };
  onEdit = without("QV_PARXY.TXT", "XYLIMPOLARITY");
  Pick("X-Y>Parameters");
  EXPECT_EQ(Msg(),
            "XY On after errors loading QV_PARXY.TXT (see the messages shown, Conf > Error Log)");
  EXPECT_NE(sim.notifier.LastText().find("XYLIMPOLARITY"), std::string::npos);
  onEdit = without("QV_PARW1.TXT", "W1MSTEPSPERFILT");
  const bool onFirst = Filter() == "OK  ; 1 ; ";
  Pick("F->Parameters");
  EXPECT_EQ(edited, (std::vector<std::string>{File("QV_PARXY.TXT"), File("QV_PARXY.TXT"),
                                              File("QV_PARW1.TXT")}));
  EXPECT_EQ(Msg(), "F Off");
  const int64_t count = Count('4');
  Pick(onFirst ? "F->Filter 2" : "F->Filter 1");
  EXPECT_EQ(std::pair(Count('4'), Msg()), std::pair(count, std::string("F Off")));
}

// The parameter editor is modal, and a client's command runs while it is open: closing writes the
// operator's value into the file the editor opened, as that file is by then, so the client's step
// stays also where it went into that same file.
TEST_P(Window, TheParameterEditorWritesItsOwnFileAndKeepsWhatAClientWroteMeanwhile) {
  // The entry, its file, the key the operator changes and its value, the client's grid step.
  const std::tuple<std::string, std::string, std::string, double, int> cases[] = {
      {"X-Y>Parameters", "QV_PARXY.TXT", "XSCREWLEAD", 2, 120},
      {"Map>Scan Grid Parameters", "QV_SCANGRID.TXT", "GRIDSITESX", 7, 140},
  };
  window->Services().editParameters = [this](const std::string& path) {
    return EditParFile(window, sim.system.keywordFiles, sim.notifier, path);
  };
  CommandSource client;
  for (const auto& [entry, file, key, value, step] : cases) {
    SCOPED_TRACE(file);
    std::string clientReply;
    QTimer::singleShot(0, [&, &key = key, value = value, step = step] {
      auto* parList = qobject_cast<ParListWindow*>(QApplication::activeModalWidget());
      ASSERT_NE(parList, nullptr);
      const std::string grid = "Grid Step " + std::to_string(step) + " " + std::to_string(step);
      clientReply = sim.system.dispatcher.ExecuteLine(client, grid);
      parList->OpenEditor(parList->Grid().findItems(QtText(key), Qt::MatchExactly).at(0)->row(), 1);
      parList->Field().setText(QString::number(value));
      parList->CommitEditor();
      parList->accept();
    });
    Pick(entry);
    EXPECT_EQ(clientReply, "OK  ; ");
    EXPECT_EQ(FileValue(file, key), value);
    EXPECT_EQ(FileValue("QV_SCANGRID.TXT", "GRIDSTEPX"), step);
    EXPECT_EQ(FileValue("QV_SCANGRID.TXT", "GRIDSTEPY"), step);
  }
}

// The window lets events run before it executes the command box; a client's command served then
// shows itself in the box, but the window runs what the operator had typed.
TEST_P(Window, TheCommandBoxRunsWhatTheOperatorTypedWhateverAClientShowedMeanwhile) {
  CommandSource client;
  std::string clientReply;
  QTimer::singleShot(0, [&] { clientReply = sim.system.dispatcher.ExecuteLine(client, "Z 3"); });
  window->SetCommandText("Ver");
  window->ExecuteCommandBox();
  EXPECT_EQ(clientReply + "|" + Msg(), "OK  ; |4.0 ; ");
}

// Filter menus follow the wheel, move it, keep their mark on a refused move and hold the
// wheel's focus compensation, read from the file chosen.
TEST_P(Window, FilterMenusFollowTheWheelMoveItAndKeepTheirMarkOnARefusedMove) {
  QMenu* f = window->DeviceMenus().FilterMenu(1);
  QMenu* b = window->DeviceMenus().FilterMenu(2);
  sim.Run("B 4;B Wait");
  sim.system.wheels.SetCurrentFilter(2, 0);  // what the window believes is out of date
  window->DeviceMenus().Refresh();
  EXPECT_EQ(Shown(b->title()), "B-?");
  window->Tabs().setCurrentIndex(2);
  emit b->aboutToShow();
  EXPECT_EQ(window->Tabs().currentIndex(), 0);
  EXPECT_EQ(Shown(b->title()), "B-4");
  EXPECT_TRUE(FindEntry(b, "Filter 4")->isChecked());
  Click("cmdWheelB");  // pops up its menu
  EXPECT_TRUE(b->isVisible());
  b->close();

  const auto filters = EntriesStartingWith(f, "Filter ");
  ASSERT_EQ(static_cast<double>(filters.size()), FileValue("QV_PARW1.TXT", "W1FILTPOSITIONS"));
  FindEntry(f, "Filter 3")->trigger();
  EXPECT_EQ(Msg() + "|" + Label("cmdWheelF"), "F 3|F-3");
  EXPECT_EQ(Filter(), "OK  ; 3 ; ");
  FindEntry(f, "Previous Filter")->trigger();
  EXPECT_EQ(Filter(), "OK  ; 2 ; ");
  EXPECT_EQ(Shown(f->title()), "F-2");
  for (QAction* item : filters)
    EXPECT_EQ(item->isChecked(), item->text() == "Filter 2");
  // A move the wheel refuses keeps the check mark on the filter in place.
  sim.line.SetFault('4', sim::DefaultFault(sim::FaultKind::ErrorStatus));
  FindEntry(f, "Filter 5")->trigger();
  EXPECT_EQ(Msg(),
            "Filter Wheel F did not report standing still within MOVETIMEOUT (QV_CONFIG.TXT)");
  EXPECT_EQ(std::pair(FindEntry(f, "Filter 5")->isChecked(), FindEntry(f, "Filter 2")->isChecked()),
            std::pair(false, true));
  sim.line.ClearFaults();

  QAction* on = FindEntry(f, "Focus Compensation>On?");
  TempFolder elsewhere;
  chosen = elsewhere.File("QV_DZW1A.TXT");
  FindEntry(f, "Focus Compensation>Parameters")->trigger();
  EXPECT_EQ(Msg(), "Parameter file not read");
  EXPECT_TRUE(edited.empty());
  chosen = File("QV_DZW1A.TXT");
  onEdit = [&](const std::string& path) {
    ParList list;
    for (int k = 1; k <= 6; ++k)
      list.push_back({"W1DZ" + std::to_string(k), int16_t(k * 3)});
    sim.system.keywordFiles.WriteParList(path, list);
  };
  FindEntry(f, "Focus Compensation>Parameters")->trigger();
  EXPECT_EQ(edited, std::vector<std::string>{chosen});
  EXPECT_EQ(Msg(), "Parameter file QV_DZW1A.TXT read");
  EXPECT_EQ(std::pair(sim.system.wheels.ZCompIsOn(1), on->isChecked()), std::pair(true, true));
  on->trigger();
  EXPECT_EQ(std::pair(sim.system.wheels.ZCompIsOn(1), on->isChecked()), std::pair(false, false));
}

TEST_P(Window, CubeAndObjectiveEntriesMoveTheirDeviceAndCheckThemselves) {
  const auto cubes = EntriesStartingWith(window->DeviceMenus().CubeMenu(), "Cube ");
  ASSERT_EQ(static_cast<double>(cubes.size()), FileValue("QV_PARCUBE.TXT", "CUBEPOSITIONS"));
  cubes.back()->trigger();
  const auto last = static_cast<int16_t>(cubes.size());
  EXPECT_EQ(Msg() + "|" + Label("cmdCube"), "Cube" + Str(last) + "|Cube-" + std::to_string(last));
  sim.system.cube.Wait();
  Pick("Cube>Next Cube");
  EXPECT_EQ(sim.Run("Cube Wait;Cube ?"), "OK  ; 1 ; ");
  EXPECT_EQ(std::pair(cubes.front()->isChecked(), cubes.back()->isChecked()),
            std::pair(true, false));

  QMenu* mag = window->DeviceMenus().MagMenu();
  const auto items = EntriesStartingWith(mag, "Objective Pos.");
  ASSERT_EQ(static_cast<int>(items.size()), sim.system.objectives.ObjCount());
  ASSERT_GE(items.size(), 3u);
  items[2]->trigger();
  EXPECT_EQ(std::pair(sim.system.objectives.CurrentObjective(), items[2]->isChecked()),
            std::pair(int16_t{3}, true));
  EXPECT_EQ(Label("cmdMag"), "Mag-" + std::to_string(sim.system.objectives.Mag()));
  sim.Run("Objective 1");  // the window hears of it through the front end
  EXPECT_EQ(std::pair(items[0]->isChecked(), items[2]->isChecked()), std::pair(true, false));
  onEdit = [&](const std::string&) {
    SetKeyword(sim.folder, "QV_OBJPOSMAG.TXT", "OBJPOS6", "100");
  };
  FindEntry(mag, "Objectives")->trigger();
  EXPECT_EQ(edited.back(), File("QV_OBJPOSMAG.TXT"));
  const auto rebuilt = EntriesStartingWith(mag, "Objective Pos.");
  ASSERT_EQ(rebuilt.size(), 6u);
  EXPECT_TRUE(rebuilt.back()->text().endsWith(" 100X"));
}

// The box shows whether its LED is lit, and a click says what it did or why it did nothing.
TEST_P(Im483i, AClickTogglesItsLedAndTheRightButtonEditsTheLedSettings) {
  const char unit = static_cast<char>(sim.system.leds.LEDAddress());
  const auto outputs = [this, unit] { return sim.State(unit).outputs; };
  auto* green = Child<LedBox>("picGREEN_LED");
  const auto click = [&] {  // what the line and the box show after a click
    QTest::mouseClick(green, Qt::LeftButton);
    const std::optional<bool> lit = green->Lit();
    return Msg() + (!lit ? " ?" : *lit ? " lit" : " dark");
  };
  ASSERT_EQ(sim.system.state.Ready[DeviceId::Leds], 1);
  EXPECT_EQ(green->Lit(), std::optional<bool>(false));
  const int dark = outputs();
  EXPECT_EQ(click(), "LED G On lit");
  EXPECT_NE(outputs(), dark);
  EXPECT_EQ(click(), "LED G Off dark");
  EXPECT_EQ(outputs(), dark);
  sim.Run("LED G On");  // a command lights it too
  window->TimerTick();
  EXPECT_EQ(green->Lit(), std::optional<bool>(true));
  sim.line.SetFault(unit, sim::DefaultFault(sim::FaultKind::ErrorStatus));
  EXPECT_EQ(click(),
            "LED G not switched: its controller refused or did not answer (Conf > Error Log) ?");
  sim.line.ClearFaults();

  QTest::mousePress(Child("picRED_LED"), Qt::RightButton);
  EXPECT_EQ(edited, std::vector<std::string>{File("QV_LEDS.TXT")});
  EXPECT_EQ(Msg(), "LEDs On");
  sim.system.state.Ready[DeviceId::Leds] = 0;
  QTest::mouseClick(Child("picRED_LED"), Qt::LeftButton);
  EXPECT_EQ(outputs(), dark);
}

// --- The Objects tab and menu; what the "Obj" words store and refuse is
// tests/transcripts/specimen/obj_words.transcript's ---

// A row chosen on the map:
// Window.MapClicksMoveTheStageAndSelectObjectsEntriesDrawObjectsAndTheStageMarkFollows.
TEST_P(Window, RowsAreSelectedCellsEditedAndTheGridFollowsTheListWhoeverChangesIt) {
  window->Tabs().setCurrentIndex(2);
  sim.Run("Obj Add 1 2 3 a;Obj Add 4 5 6 b;Obj Add 7 8 9 c");
  std::string row;
  const QAbstractItemModel* model = Objs().Grid().model();
  for (int column = 0; column < 5; ++column)
    row +=
        model->headerData(column, Qt::Horizontal).toString().toStdString() + "=" + Cell(1, column);
  EXPECT_EQ(row, "#=2X=4.0Y=5.0Z=6.00Comment=b");
  for (int32_t object : {2, 0, 4})  // the last two are no objects
    Objs().HighlightObjInGrid(object);
  EXPECT_EQ(SelectedRow(), 1);
  ClickCell(2, 0);  // a whole row, which Move To needs
  EXPECT_EQ(std::pair(SelectedRow(), sim.system.map.HighlightedObj()), std::pair(2, int32_t{3}));

  // A client's commands change the list while the box stands over a row: the grid shows the
  // list as it is now, and the box goes, so that an edit cannot land on another object.
  ClickCell(1, 1);
  sim.Run("Obj ListWrite " + File("OBJ.TXT") + ";Obj ListClear");
  EXPECT_EQ(Rows(), 0);
  sim.Run("Obj ListRead " + File("OBJ.TXT") + ";Obj Edit 1 10 11 12 x");
  EXPECT_FALSE(Objs().Field().isVisible());
  Commit("8");
  EXPECT_EQ(std::to_string(Rows()) + " " + Cell(0, 1) + " " + Cell(1, 1), "3 10.0 4.0");
  sim.Run("Obj ListRead " + File("OBJ.TXT"));  // a list of the same length
  EXPECT_EQ(Cell(0, 1) + " " + Cell(0, 4), "1.0 a");

  ClickCell(1, 2);
  ASSERT_TRUE(Objs().Field().isVisible());
  EXPECT_EQ(Objs().Field().text(), "5.0");
  EXPECT_EQ(Objs().Field().geometry(), Objs().Grid().visualRect(GridIndex(1, 2)));
  Commit("-7.25");
  EXPECT_EQ(std::pair(Object(2).Y, Cell(1, 2)), std::pair(-7.25, std::string("-7.3")));
  EXPECT_FALSE(Objs().Field().isVisible());
  ClickCell(1, 3);
  Commit("1e999");  // reads as a number, but not a finite one
  EXPECT_EQ(sim.notifier.LastText(), "Not a number");
  EXPECT_EQ(Object(2).Z, 6);
  EXPECT_TRUE(Objs().Field().isVisible());

  // Any text is a comment; texts are UTF-8 in the list and Unicode in the grid.
  ClickCell(0, 4);
  Commit(QString::fromUtf16(u"\u00B5m_\u03B1\u20AC"));
  EXPECT_EQ(Object(1).Comment + "|" + Cell(0, 4),
            "\xC2\xB5m_\xCE\xB1\xE2\x82\xAC|\xC2\xB5m_\xCE\xB1\xE2\x82\xAC");

  // Scrolled away from its cell, the box would seem to edit another row.
  for (int i = 0; i < 100; ++i)
    sim.system.objects.ObjAdd(i, i, i, "");
  ClickCell(0, 1);
  Objs().Grid().verticalScrollBar()->setValue(Objs().Grid().verticalScrollBar()->maximum());
  EXPECT_FALSE(Objs().Field().isVisible());
}

// Where "Obj GoTo" goes and what it refuses: tests/transcripts/specimen/obj_goto.transcript.
TEST_P(Window, MoveToAndTheAttractionDistanceTakeTheSelectedObjectOrTheAnswer) {
  window->Tabs().setCurrentIndex(2);
  sim.Run("Obj Add 1500 -800 0 a;Obj Add 77777.7 77777.7 0 b;Obj Add -300 400 0 c");
  Click("cmdMoveTo");
  EXPECT_EQ(sim.notifier.LastText(), "To move to the object, click on the object number");
  ClickCell(0, 1);  // a single cell is not an object
  Click("cmdMoveTo");
  EXPECT_EQ(sim.notifier.Messages.size(), 2u);
  ClickCell(0, 0);
  Click("cmdMoveTo");
  const MapPoint at = StagePosition();
  EXPECT_NEAR(at.X, 1500, 1);
  EXPECT_EQ(Msg(), "X=" + GeneralText(at.X) + ", Y=" + GeneralText(at.Y));
  ClickCell(1, 0);  // undefined: the refusal stays on the message line
  Click("cmdMoveTo");
  EXPECT_EQ(Msg(), "Error ");

  window->SetMessage("");
  answers = {"x"};  // not a number, then Cancel
  answer.reset();
  Pick("Obj.>Move to Object in the List");
  Pick("Obj.>Move to Object in the List");
  EXPECT_NE(asked[0].find("There are 3 objects"), std::string::npos) << asked[0];
  EXPECT_EQ(Msg(), "");
  answers = {" 3 "};
  Pick("Obj.>Move to Object in the List");
  EXPECT_NEAR(StagePosition().X, -300, 1);

  QMenu* menu = Entry("Obj.")->menu();
  const auto caption = [menu] {
    emit menu->aboutToShow();
    return menu->actions().back()->text().toStdString();
  };
  EXPECT_EQ(caption(), "Attraction Distance = 100.00");
  answers = {"25.456", "1e999"};  // then Cancel
  menu->actions().back()->trigger();
  EXPECT_TRUE(asked.back().ends_with("Current value 100.00")) << asked.back();
  EXPECT_EQ(caption(), "Attraction Distance = 25.46");
  for (int ignored = 0; ignored < 2; ++ignored) {
    menu->actions().back()->trigger();
    EXPECT_EQ(sim.system.objects.AttrDist, 25.456);
  }
}

// Writing and reading the list: tests/specimen/SpecimenTest.cpp; here the entries, grid and map.
TEST_P(Window, TheListIsWrittenReadBackAndAddedToFromTheEntriesAndButtons) {
  sim.system.objects.ObjAdd(1000, 1000, 3, "cellA");
  sim.system.objects.ObjAdd(kUndefinedPos, 5, 6, "two,parts");
  Pick("Obj.>Write Object List");
  EXPECT_EQ(window->Tabs().currentIndex(), 2);
  EXPECT_EQ(editor.pasted, std::vector<std::string>{sim.system.objects.ObjListText()});
  const std::string path = File("OBJECTS.TXT");
  PutBytes(path, editor.pasted[0]);  // as the operator saves it from the editor
  Pick("Obj.>Clear Object List");
  EXPECT_EQ(Rows(), 0);
  Pick("Obj.>Read Object List");  // cancelled
  EXPECT_EQ(choices.at(0).startDir, sim.system.state.AppDir);
  chosen = path;
  Pick("Obj.>Read Object List");
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Cell(1, 4), "two,parts");
  ShowMap();
  EXPECT_TRUE(MarkNear(1000, 1000, QColor(0, 0, 255)));  // drawn at once
  // A file with nothing in it leaves the list and says so.
  chosen = File("EMPTY.TXT");
  PutBytes(chosen, "");
  Pick("Obj.>Read Object List");
  EXPECT_EQ(sim.system.objects.ObjListCount(), 2);
  EXPECT_NE(sim.notifier.LastText().find("EMPTY.TXT"), std::string::npos);

  // Add Pos and Add New show the tab (the map is shown now) and their rows.
  ASSERT_EQ(sim.Run("XY 1234.5 -678.9;XY Wait"), "OK  ; OK  ; ");
  const MapPoint at = StagePosition();
  Click("cmdAddPos");
  EXPECT_EQ(window->Tabs().currentIndex(), 2);
  EXPECT_EQ(Cell(2, 0) + " " + Cell(2, 1) + " " + Cell(2, 2),
            "3 " + FormatFixed(at.X, 1) + " " + FormatFixed(at.Y, 1));
  Click("cmdAddNew");
  ASSERT_EQ(Rows(), 4);
  EXPECT_EQ(Msg() + " " + Cell(3, 2) + " " + Cell(3, 3), "# 4 77777.7 77777.70");
  EXPECT_EQ(Object(4).Z, kUndefinedPos);
}

// Start-up runs the joystick list's item 0 before the window is made; a "Show" there shows the
// window as soon as it is loaded (a program started for automation keeps it hidden otherwise).
TEST(StartUp, AShowAsTheJoystickListsFirstItemShowsTheWindowOnceLoaded) {
  EnsureQApplication();
  for (const auto& [first, shown] : {std::pair<std::string, bool>{"Show", true}, {"Ver", false}}) {
    SCOPED_TRACE(first);
    BasicSimSystem<WindowFrontEnd> sim(RepoFolder("config/demo"), {}, {},
                                       [line = first](const TempFolder& folder) {
                                         PutBytes(folder.File("QV_JOYCMDS.TXT"), line + "\r\n");
                                       });
    ASSERT_EQ(sim.Start(), 1);
    MainWindow window(WindowCore(sim.system), [] {});
    sim.front.Attach(&window);
    EXPECT_EQ(window.isVisible(), shown);
    sim.front.Attach(nullptr);
  }
}

// --- The window as a whole ---

// The window opens within the screen's free area, and at its smallest it still shows Stop and
// the status bar without squeezing its layout below what it needs: at 1366 x 768 with a panel,
// at twice the scale on 1920 x 1080, and on a large screen.
TEST_P(Window, TheWindowFitsTheScreenWithStopAndTheStatusBarInSight) {
  const std::tuple<std::string, QSize, QSize, QSize> rows[] = {
      {"1366 x 768", QSize(1366, 736), QSize(1100, 688), QSize(800, 560)},
      {"1920 x 1080 at twice the scale", QSize(960, 512), QSize(944, 464), QSize(800, 464)},
      {"large", QSize(2560, 1400), QSize(1100, 760), QSize(800, 560)},
  };
  for (const auto& [screen, available, opened, smallest] : rows) {
    SCOPED_TRACE(screen);
    EXPECT_EQ(FittedWindowSize(available), opened);
    EXPECT_EQ(MinimumWindowSize(available), smallest);
    window->setMinimumSize(smallest);
    window->resize(smallest);
    for (int tab = 0; tab < 4; ++tab) {
      window->Tabs().setCurrentIndex(tab);
      QApplication::processEvents();
      const QSize needed = window->layout()->totalMinimumSize();
      EXPECT_TRUE(needed.width() <= smallest.width() && needed.height() <= smallest.height())
          << tab << ": " << needed.width() << " x " << needed.height();
      const QPushButton& stop = window->Status().StopButton();
      EXPECT_TRUE(stop.isVisible());
      EXPECT_TRUE(window->rect().contains(QRect(stop.mapTo(window, QPoint()), stop.size())));
    }
  }
}

// Alt and a menu's letter open it, Tab reaches Stop, the LED boxes and the map, Space switches
// an LED, + zooms the map and Ctrl+L goes back to the command box.
TEST_P(Im483i, MenusStopTheLedsAndTheMapAreReachedByKeyboard) {
  QTest::keyClick(window, Qt::Key_X, Qt::AltModifier);
  EXPECT_TRUE(window->DeviceMenus().StageMenu()->isVisible());
  window->DeviceMenus().StageMenu()->close();
  const auto reached = [this](int tab) {
    window->Tabs().setCurrentIndex(tab);
    window->CommandBox().lineEdit()->setFocus();
    std::set<std::string> names;
    for (int i = 0; i < 80; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      names.insert(QApplication::focusWidget()->objectName().toStdString());
    }
    return names;
  };
  const std::set<std::string> onDevices = reached(0);
  for (const char* name : {"cmdStop", "picRED_LED", "picBLUE_LED", "cmdStageLeft"})
    EXPECT_EQ(onDevices.count(name), 1u) << name;
  Child("picRED_LED")->setFocus();
  QTest::keyClick(Child("picRED_LED"), Qt::Key_Space);
  EXPECT_EQ(Msg(), "LED R On");
  EXPECT_EQ(reached(1).count("pbxArea"), 1u);
  const double zoom = sim.system.map.GetZoom();
  window->Map().setFocus();
  QTest::keyClick(&window->Map(), Qt::Key_Plus);
  EXPECT_EQ(sim.system.map.GetZoom(), 2 * zoom);
  QTest::keyClick(&window->Map(), Qt::Key_L, Qt::ControlModifier);
  EXPECT_TRUE(window->CommandBox().lineEdit()->hasFocus());
}

// The map: a right click's mark goes with the button's release, which the pop-up menu gets; the
// wheel zooms around the pointer and the pointer field follows at once; a scale bar, and an
// arrow on the edge towards a stage off the picture.
TEST_P(Window, TheMapErasesARightClickMarkZoomsWithTheWheelAndPointsToTheStage) {
  ShowMap();
  const QImage before = window->Map().grab().toImage();
  const QPoint at(200, 150);
  QTest::mousePress(&window->Map(), Qt::RightButton, {}, at);
  const MapPoint clicked = sim.system.map.PixelToStage(at.x(), at.y());
  EXPECT_TRUE(MarkNear(clicked.X + 5 / sim.system.map.MapScale(), clicked.Y));
  QMenu& popup = window->Map().Popup();
  ASSERT_TRUE(popup.isVisible());
  QTest::mouseRelease(&popup, Qt::RightButton, {},
                      popup.mapFromGlobal(window->Map().mapToGlobal(at)));
  EXPECT_EQ(window->Map().grab().toImage(), before);
  popup.close();

  QTest::mouseMove(&window->Map(), QPoint(150, 90));
  QTest::mouseMove(&window->Map(), at);
  const double zoom = sim.system.map.GetZoom();
  EXPECT_EQ(Label("lblStatPointer"), DescribePointer(clicked.X, clicked.Y, zoom));
  QWheelEvent notch(at, window->Map().mapToGlobal(at), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(&window->Map(), &notch);
  EXPECT_EQ(sim.system.map.GetZoom(), 2 * zoom);
  const MapPoint still = sim.system.map.PixelToStage(at.x(), at.y());
  EXPECT_NEAR(still.X, clicked.X, 2);  // the centre is kept in whole microns
  EXPECT_NEAR(still.Y, clicked.Y, 2);
  EXPECT_EQ(Label("lblStatPointer"), DescribePointer(still.X, still.Y, 2 * zoom));
  window->Tabs().setCurrentIndex(2);  // the pointer is no longer on the map
  EXPECT_EQ(Label("lblStatPointer"), "");
  ShowMap();

  const ScaleBar bar = ChooseScaleBar(sim.system.map.MapScale(), window->Map().width() / 4);
  QImage picture = window->Map().grab().toImage();
  EXPECT_EQ(picture.pixelColor(12 + bar.Pixels / 2, window->Map().height() - 12), Qt::white);

  // The stage far to the right of what the map shows: the arrow is on the right edge.
  const MapPoint stage = StagePosition();
  const MapPoint centre = sim.system.map.StageToSpecimen(stage.X - 5000, stage.Y);
  sim.system.map.ZoomSet(64, centre.X, centre.Y);
  window->Map().RedrawMap();
  picture = window->Map().grab().toImage();
  int cyan = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = picture.width() - 24; x < picture.width(); ++x)
      cyan += picture.pixelColor(x, y) == QColor(0, 255, 255) ? 1 : 0;
  EXPECT_GT(cyan, 20);
}

// Each entry and typed command says what it did, or why it did nothing.
TEST_P(Window, EntriesAndTypedCommandsSayWhatHappenedOrWhyNot) {
  const int32_t fields = sim.system.scan.NumFields();
  ASSERT_GT(fields, 1);
  const std::string last = std::to_string(fields);
  // The case, the menu entry's captions joined by '>' or else "typed: " and a command line, the
  // message line, the busy field while it ran.
  const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
      {"lamp", "F->Lamp On?",
       "F Lamp not switched: the EZHR17 controllers have no output for a lamp", ""},
      {"joystick", "Conf>Joystick>On?", "Joystick not switched on: no joystick found", ""},
      {"calibration", "Conf>Joystick>Calibrate", "Joystick not calibrated: no joystick found", ""},
      {"capture", "Int.>Launch Capture Prog",
       "Capture Program Not Launched: CAPTUREPROGRAM is not set in QV_CONFIG.TXT", ""},
      {"wheel", "F->Filter 4", "F 4", "Busy: Filter Wheel F"},
      {"field", "Scan>Go to Last Field", "Field " + last + " of " + last, ""},
      {"past the last field", "Scan>Go to Next Field",
       "No next field: field " + last + " is the last", ""},
      {"filter out of range", "typed: F 9", "Error  ; \u2014 F 9: wheel F has filters 1 to 6", ""},
      {"not a number", "typed: Ver;Z 1x",
       "4.0 ; Error  ; \u2014 Z 1x: 1x is no number (nor a symbol of QV_SYMCONST.TXT)", ""},
  };
  for (const auto& [name, entry, shown, busy] : cases) {
    SCOPED_TRACE(name);
    shownBusy.clear();
    sim.front.duringWait = [&] { shownBusy = Busy(); };
    entry.starts_with("typed: ") ? Execute(entry.substr(7)) : Pick(entry);
    EXPECT_EQ(Msg(), shown);
    if (!busy.empty()) {
      EXPECT_EQ(shownBusy, busy);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothLines, Microscope,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());
INSTANTIATE_TEST_SUITE_P(Demo, Window, ::testing::Values("config/demo"), LineName());
INSTANTIATE_TEST_SUITE_P(Demo, Editor, ::testing::Values("config/demo"), LineName());
INSTANTIATE_TEST_SUITE_P(Demo, Im483i, ::testing::Values("config/demo-im483i"), LineName());

}  // namespace
}  // namespace qv::test
