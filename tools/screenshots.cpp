// qv-screenshots: pictures of the main window's tabs, of a homing run while it runs and after
// Stop, of the program editor and the parameter editor on the demonstration microscope, for the
// documentation; with --screen, of the whole screen with the window as it opens there. The
// controllers are simulated in process.
// usage: qv-screenshots PROGRAM_FOLDER OUTPUT_FOLDER [--screen NAME.png]
//        (the program folder is changed: use a copy)
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "app/System.h"
#include "app/WindowCore.h"
#include "platform/QtNotifier.h"
#include "sim/Loopback.h"
#include "sim/SimConfig.h"
#include "ui/MainWindow.h"
#include "ui/ParListWindow.h"
#include "ui/ProgramWindow.h"
#include "ui/WindowFrontEnd.h"

namespace {

// Runs `duringWait` once, the first time a command lets window events run: a picture taken
// then shows an operation while it runs.
class WaitingFront final : public qv::WindowFrontEnd {
 public:
  void DoEvents() override {
    if (duringWait) std::exchange(duringWait, {})();
    WindowFrontEnd::DoEvents();
  }
  std::function<void()> duringWait;
};

QAction* MenuEntry(QMenu* menu, const QString& caption) {
  for (QAction* action : menu->actions())
    if (action->text() == caption) return action;
  return nullptr;
}

bool Save(QWidget& widget, const QString& path) {
  QApplication::processEvents();
  const bool saved = widget.grab().save(path);
  std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
  return saved;
}

// A few objects, the scan area and some visited fields, so that the map has something to show.
void PrepareSpecimen(qv::System& system) {
  for (const char* line :
       {"XY 11200 9100;XY Wait;Obj AddCurrent", "XY 13600 10400;XY Wait;Obj AddCurrent",
        "XY 12400 11300;XY Wait;Obj AddCurrent", "Obj Add 14200 8900 0 nucleus",
        "Obj Add 4000 3000 0 a;Obj Add 6500 5200 0 b;Obj Add 2500 6800 0 c;Obj Add 8200 1800 0 d",
        "Obj ListDraw", "Scan Tile;Scan FF;XY Wait", "Scan NF;XY Wait", "Scan NF;XY Wait",
        "Scan NF;XY Wait", "Z 12.5;Z Wait", "F 3;F Wait", "Cube 2;Cube Wait"}) {
    system.ExecuteLine(line);
  }
}

// Ticks of the window's timer, the simulated time passing with them, until the status bar no
// longer shows a position as moving.
void Settle(qv::MainWindow& window, sim::SimClock& clock) {
  for (int i = 0; i < 400; ++i) {
    clock.Advance(300'000);
    window.TimerTick();
    QApplication::processEvents();
    const QLabel* position = window.findChild<QLabel*>("lblStatPosition");
    if (i > 0 && position != nullptr && !position->text().contains("moving")) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool screen = argc == 5 && std::string(argv[3]) == "--screen";
  if (argc != 3 && !screen) {
    std::fprintf(stderr,
                 "usage: qv-screenshots PROGRAM_FOLDER OUTPUT_FOLDER [--screen NAME.png]\n");
    return 2;
  }
  QApplication app(argc, argv);
  const std::string folder = argv[1];
  const QString out = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(out);

  sim::LinePlan plan = sim::ReadLinePlan(folder);
  sim::Line line(plan.type, sim::LineOptions{.baud = 9600});
  sim::AddUnits(line, plan);
  sim::SimClock clock;
  sim::LoopbackPort port(line, clock);
  qv::QtNotifier notifier;
  WaitingFront front;
  qv::System system(qv::Platform{notifier, clock, front, port});
  if (system.InitSystem(folder) < 0) std::fprintf(stderr, "start-up reported a failure\n");

  qv::MainWindow window(qv::WindowCore(system), [] {});
  front.Attach(&window);
  if (screen) {  // the window as it opens, on the whole screen
    window.show();
    Settle(window, clock);
    const QString path = out + "/" + QString::fromLocal8Bit(argv[4]);
    const bool saved = window.screen()->grabWindow(0).save(path);
    std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    front.Attach(nullptr);
    return saved ? 0 : 1;
  }
  window.resize(1280, 800);
  window.show();
  QApplication::processEvents();
  window.Tabs().setCurrentIndex(1);  // the map draws the visited fields while it is shown
  QApplication::processEvents();
  const qv::ScanArea& area = system.scan.Area();
  // The scan area and the specimen's corner in view.
  system.map.ZoomSet(2.4, area.AreaX0 + 1000, area.AreaY0 - 2100);
  window.Map().RedrawMap();
  PrepareSpecimen(system);
  system.map.HighlightObjOnMap(2);  // as if picked on the map
  window.SetCommandText("Scan NF;XY Wait");
  window.ExecuteCommandBox();
  Settle(window, clock);

  bool ok = true;
  const char* names[] = {"device-control.png", "specimen-map.png", "objects.png", "axes.png"};
  for (int tab = 0; tab < 4; ++tab) {
    window.Tabs().setCurrentIndex(tab);
    window.TimerTick();
    if (tab == 1) {  // the status bar shows where the pointer is on the map
      const QPointF at(420, 260);
      QMouseEvent move(QEvent::MouseMove, at, window.Map().mapToGlobal(at), Qt::NoButton,
                       Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(&window.Map(), &move);
    }
    ok = Save(window, out + "/" + names[tab]) && ok;
  }

  // A homing run: once while it runs, then after Esc stopped it.
  window.Tabs().setCurrentIndex(0);
  system.ExecuteLine("XY 16000 12000;XY Wait");
  window.TimerTick();
  front.duringWait = [&] {
    ok = Save(window, out + "/homing-busy.png") && ok;
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window.Tabs().currentWidget(), &escape);
  };
  if (QAction* home = MenuEntry(window.DeviceMenus().StageMenu(), "Home")) home->trigger();
  Settle(window, clock);
  // What the stage reads now is what the status bar shows.
  window.SetCommandText("XY ?");
  window.ExecuteCommandBox();
  Settle(window, clock);
  ok = Save(window, out + "/homing-stopped.png") && ok;

  qv::ParListWindow parameters(system.keywordFiles, notifier, &window);
  if (parameters.Load(system.keywordFiles.ParPath("QV_PARXY.TXT")) == 1) {
    parameters.resize(640, 560);
    parameters.show();
    parameters.Grid().setCurrentCell(12, 1);  // XSLEWVELOCITY, with its unit beside it
    ok = Save(parameters, out + "/parameter-editor.png") && ok;
    parameters.hide();  // nothing was changed: nothing is written
  }

  qv::ProgramWindow program(qv::ProgramPart(qv::WindowCore(system)), [] {});
  front.AttachProgram(&program);
  const std::string sample = folder + "/SAMPLE.PRG";
  system.keywordFiles.WriteList({"Scan FF", "Repeat 3", "  Scan NF", "  XY Wait", "  Snap",
                                 "  Delay 500", "Endrepeat", "Obj AddCurrent", "End"},
                                sample);
  system.interpreter.ReadProgram(sample);
  program.show();
  ok = Save(program, out + "/program-editor.png") && ok;
  front.AttachProgram(nullptr);
  front.Attach(nullptr);
  return ok ? 0 : 1;
}
