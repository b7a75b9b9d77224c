#pragma once
// The main window's menus that belong to no device: "Conf" (configuration, joystick, channel
// log, quit), "Map", "Scan", "Axes" and "Int.". The device menus and "Obj." are made by their
// tabs. Every entry works on the core; dialogs come from the window's services.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <cstdint>
#include <functional>
#include <string>

#include "commands/Display.h"
#include "commands/ScanCommands.h"
#include "controllers/Comm.h"
#include "devices/Stage.h"
#include "foundation/KeywordFiles.h"
#include "foundation/Notifier.h"
#include "foundation/SharedState.h"
#include "specimen/JoyCommands.h"
#include "specimen/Joystick.h"
#include "specimen/MapView.h"
#include "specimen/Scan.h"
#include "ui/WindowServices.h"

namespace qv {

// What the menus drive: the specimen files, the map and scan, the joystick, the channel log and
// the configuration.
struct MainMenusCore {
  SharedState& state;
  Notifier& notifier;
  KeywordFiles& keywordFiles;
  Comm& comm;  // its log
  Display& display;
  Stage& stage;
  Scan& scan;
  MapView& map;
  Joystick& joystick;
  JoyCommands& joyCommands;
  ScanCommands& scanCommands;
  CommandSource& windowSource;  // what the window's commands run as
  // The configuration read again and the line and devices brought up with it: 1 or -1.
  std::function<int16_t()> applyConfiguration;
};

// What the menus ask of the window beyond the services.
struct MainMenuHooks {
  std::function<void()> redrawMap;             // clear and redraw the map picture
  std::function<void()> joyVisibility;         // the joystick frame and "On?" follow JoyOn
  std::function<void()> showProgram;           // the program editor window
  std::function<void()> quit;                  // unload the main window
  std::function<std::string()> launchCapture;  // starts the capture program; the message text
  std::function<void()> addAxis;               // axes page entries
  std::function<void()> addDestination;
};

// A keyword file of the specimen, scan and field settings that the menus edit.
enum class SpecimenFile { ScanArea, ScanGrid, Scan, Specimen, Field };

// The parameter editor on one of those files, and what has to follow it: the file read again,
// for the area and grid the outline erased before and drawn after the new layout, for the field
// file the field size taken from the magnification and the layout recomputed.
struct SpecimenFiles {
  SharedState& state;
  Notifier& notifier;
  Scan& scan;
  MapView& map;  // the scan area's outline
};
void EditSpecimenFile(const SpecimenFiles& core, const WindowServices& services, SpecimenFile file);

class MainMenus : public QObject {
  Q_OBJECT

 public:
  MainMenus(const MainMenusCore& core, const WindowServices& services, MainMenuHooks hooks,
            QObject* parent);

  // Adds "Conf" first; the others after the device menus.
  void AddConf(QMenuBar& bar);
  void AddMapAndScan(QMenuBar& bar);
  void AddAxesAndInterpreter(QMenuBar& bar);

  // "On?" carries JoyOn, "Calibrate" the calibration in progress.
  void JoyVisibility();
  QMenu& JoystickMenu() { return *joystick_; }

  // "Conf" > "Configuration" after the editor: the configuration read again, the serial line
  // reopened and the devices initialised.
  void EditConfiguration();
  void ToggleCalibration();
  void AssignJoystickCommands();
  void ShowChannelLog();

 private:
  void AddJoystickEntries();
  void AddScanAreaEntries(QMenu& map);
  void AddZoomEntries(QMenu& map);
  void UpdateZoomEntries();
  void AreaCommand(const std::string& arguments);
  void GoToField(const std::string& word);  // "FF", "PF", "NF", "LF"
  bool JoystickMissing();
  std::string ProgramFile(const char* name) const { return core_.state.AppDir + name; }
  SpecimenFiles Specimen() const { return {core_.state, core_.notifier, core_.scan, core_.map}; }

  MainMenusCore core_;
  const WindowServices& services_;
  MainMenuHooks hooks_;
  QMenu* joystick_ = nullptr;
  QAction* joyOn_ = nullptr;
  QAction* calibrate_ = nullptr;
  QMenu* zoom_ = nullptr;
  QAction* zoom1_ = nullptr;
  QAction* zoom2_ = nullptr;
};

}  // namespace qv
