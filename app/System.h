#pragma once
// The one object that owns every module of the program and wires them together. main() makes
// one; each test makes its own, so no two share state.
#include <cstdint>
#include <string>
#include <vector>

#include "app/DeviceDescriptors.h"
#include "commands/CaptureControl.h"
#include "commands/CommandDispatcher.h"
#include "commands/ControllerCommands.h"
#include "commands/DeviceCommands.h"
#include "commands/Display.h"
#include "commands/FrontEnd.h"
#include "commands/GeneralCommands.h"
#include "commands/Interpreter.h"
#include "commands/JoyCommandsHandler.h"
#include "commands/ObjectCommands.h"
#include "commands/ProgramRunner.h"
#include "commands/ScanCommands.h"
#include "controllers/AxesControl.h"
#include "controllers/Clock.h"
#include "controllers/Comm.h"
#include "controllers/LedController.h"
#include "controllers/MotorControllers.h"
#include "controllers/SerialPort.h"
#include "devices/Focus.h"
#include "devices/Indexers.h"
#include "devices/Objectives.h"
#include "devices/Stage.h"
#include "devices/Wheels.h"
#include "foundation/DeviceTable.h"
#include "foundation/KeywordFiles.h"
#include "foundation/Notifier.h"
#include "foundation/ProgramLauncher.h"
#include "foundation/SharedState.h"
#include "specimen/JoyCommands.h"
#include "specimen/Joystick.h"
#include "specimen/JoystickSource.h"
#include "specimen/MapView.h"
#include "specimen/ObjectList.h"
#include "specimen/Scan.h"

namespace qv {

// What the program needs from the platform it runs on.
struct Platform {
  Notifier& notifier;
  Clock& clock;
  FrontEnd& frontEnd;
  SerialPort& port;
  JoystickSource* joystick = nullptr;   // none: the joystick is absent
  ProgramLauncher* launcher = nullptr;  // none: the capture program never starts
};

inline constexpr int16_t kHistoryMax = 30;

class System {
 public:
  explicit System(const Platform& platform);
  System(const System&) = delete;
  System& operator=(const System&) = delete;

  // Start-up in its fixed order. Every step runs even after one failed; 1 when all counted
  // steps succeeded, else -1. `programFolder` is the folder of every keyword file.
  int16_t InitSystem(const std::string& programFolder);

  // After the configuration file was edited: the file read again, the serial line closed and
  // opened with the configured port and time-out, and the devices initialised. 1, or -1 when a
  // step failed.
  int16_t ApplyConfiguration();

  // Closes the serial line; the program keeps running.
  void Shutdown();

  // Why the controllers' line cannot be used, in one sentence, after a start-up or a new
  // configuration that met such a problem; empty when none. The whole story (the device, the
  // system's reason, the way on) went once to a message box; this is for the message line.
  const std::string& LineProblem() const { return lineProblem_; }

  // A line from the operator: the main window, or the console in its place.
  std::string ExecuteLine(std::string_view line) {
    return dispatcher.ExecuteLine(windowSource, line);
  }

  // A device's initialisation from its parameter file: done, or why it failed. The ready
  // flag is left to the caller. An exchange that fails on the way is made once more.
  Result InitDevice(DeviceId device);
  const DeviceDescriptors& Descriptors() const { return descriptors_; }
  // Stops every unit of a device, each even when another failed, the stage and the focus with
  // their slew velocities in force again after a run: 1, or -1 when a unit did not take it.
  int16_t StopDevice(DeviceId device);

  // The modules, in the order they are built (later ones refer to earlier ones).
  Platform platform;
  SharedState state;
  KeywordFiles keywordFiles;
  Comm comm;
  MotorControllers motors;
  LedController leds;
  AxesControl axes;
  Focus focus;
  Stage stage;
  Wheels wheels;
  Cube cube;
  Slide slide;
  Turret turret;
  Objectives objectives;
  ObjectList objects;
  Scan scan;
  MapView map;
  Display display;
  Interpreter interpreter;
  CommandDispatcher dispatcher;
  JoyCommands joyCommands;
  AbsentJoystick absentJoystick;
  Joystick joystick;
  GeneralCommands general;
  DeviceCommands devices;
  ControllerCommands controllers;
  ObjectCommands objectCommands;
  JoyCommandsHandler joyHandler;
  ScanCommands scanCommands;
  ProgramRunner runner;
  CaptureControl capture;
  // The operator's commands: the command box, the menus, DDE requests, or the console. Each
  // automation client, line client, the program runner and the joystick have their own.
  CommandSource windowSource;

 private:
  int16_t OpenSerialChannel();
  bool OpenConfiguredPort();
  int16_t ReportLineProblems(bool portOpened);
  void ShowChannelMessagesOnMainWindow();
  void WakeUpControllers();
  int16_t InitDevices();
  int16_t ReadSpecimenFiles();
  MapSources MakeMapSources();
  void ConnectMap();

  // Last: they refer to the modules above.
  DeviceDescriptors descriptors_;
  std::string openFault_;  // why the port did not open, and the way on
  std::string lineProblem_;
};

}  // namespace qv
