#pragma once
// The main window's status bar: on the left what runs and the Stop button, on the right the
// stage position, the focus, the filters, the cube and the objective as the program last knew
// them (it reads nothing itself; the window reads the positions again after motions), and on
// the map the pointer's stage position and the zoom.
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <optional>
#include <string>

#include "devices/Focus.h"
#include "devices/Indexers.h"
#include "devices/Objectives.h"
#include "devices/Stage.h"
#include "devices/Wheels.h"
#include "foundation/SharedState.h"
#include "ui/PositionReadout.h"

namespace qv {

// The device fields' texts: "X 1200.0  Y 350.5", "Z 12.50", "F-3  B-?", "Cube-2",
// "Obj. 2 (10X)"; a device that is not ready shows as "XY off", "Z off", "F off" ...; a position
// that may be out of date because its device moves is marked "X 1200.0  Y 350.5 (moving)".
struct DeviceStateTexts {
  std::string position;
  std::string focus;
  std::string filters;
  std::string cube;
  std::string objective;
};
// What the texts are made of: the devices as the program last knew them.
struct DeviceStates {
  const SharedState& state;
  const Stage& stage;
  const Focus& focus;
  const Wheels& wheels;
  const Cube& cube;
  const Objectives& objectives;
};
DeviceStateTexts DescribeDevices(const DeviceStates& devices, ReadoutMotion motion = {});
// "Pointer X 1200.0  Y 350.5  Zoom 2": a point of the map in stage microns.
std::string DescribePointer(double x, double y, double zoom);

class MainStatusBar : public QStatusBar {
  Q_OBJECT

 public:
  explicit MainStatusBar(QWidget* parent = nullptr);

  void ShowDevices(const DeviceStates& devices, ReadoutMotion motion = {});
  // The pointer over the map; nothing clears the field.
  void ShowPointer(const std::optional<std::string>& text);
  void ShowBusy(const QString& text);

  QPushButton& StopButton() { return *stopButton_; }
  QLabel& BusyField() { return *busyLabel_; }

 private:
  QLabel* AddField(const char* name, int minimumChars);

  QPushButton* stopButton_;
  QLabel* busyLabel_;
  QLabel* pointerLabel_;
  QLabel* positionLabel_;
  QLabel* focusLabel_;
  QLabel* filtersLabel_;
  QLabel* cubeLabel_;
  QLabel* objectiveLabel_;
};

}  // namespace qv
