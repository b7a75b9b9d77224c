// qv-screenshots: pictures of the main window's tabs, of a homing run while it runs and after
// Stop, and of the program editor on the demonstration microscope, for the documentation. The
// controllers are simulated in process.
// usage: qv-screenshots PROGRAM_FOLDER OUTPUT_FOLDER  (the program folder is changed: use a copy)
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
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
        "Scan Tile;Scan FF;XY Wait", "Scan NF;XY Wait", "Scan NF;XY Wait", "Scan NF;XY Wait",
        "Z 12.5;Z Wait", "F 3;F Wait", "Cube 2;Cube Wait"}) {
    system.ExecuteLine(line);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: qv-screenshots PROGRAM_FOLDER OUTPUT_FOLDER\n");
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
  window.resize(1280, 800);
  window.show();
  QApplication::processEvents();
  window.Tabs().setCurrentIndex(1);  // the map draws the visited fields while it is shown
  QApplication::processEvents();
  const qv::ScanArea& area = system.scan.Area();
  system.map.ZoomSet(4, area.AreaX0 + area.AreaXE / 2.0, area.AreaY0 + area.AreaYE / 2.0);
  window.Map().RedrawMap();
  PrepareSpecimen(system);
  window.SetCommandText("Scan NF;XY Wait");
  window.ExecuteCommandBox();

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
  window.TimerTick();
  ok = Save(window, out + "/homing-stopped.png") && ok;

  qv::ProgramWindow program(qv::WindowCore(system), [] {});
  front.AttachProgram(&program);
  const std::string sample = folder + "/SAMPLE.PRG";
  system.trapar.WriteList({"Scan FF", "Repeat 3", "  Scan NF", "  XY Wait", "  Snap", "  Delay 500",
                           "Endrepeat", "Obj AddCurrent", "End"},
                          sample);
  system.interpreter.ReadProgram(sample);
  program.show();
  ok = Save(program, out + "/program-editor.png") && ok;
  front.AttachProgram(nullptr);
  front.Attach(nullptr);
  return ok ? 0 : 1;
}
