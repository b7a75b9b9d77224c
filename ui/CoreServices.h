#pragma once
// What the main window is handed of the program's core: the shared state, the platform's
// services, the modules its parts drive, and the few operations of the program as a whole. The
// owner of the modules fills it in (app/WindowCore.h); the window cuts each part's piece from it
// (ui/WindowParts.h), so a part sees only what it drives, and no window sees how the core is
// built or started.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "commands/CommandDispatcher.h"
#include "commands/Display.h"
#include "commands/FrontEnd.h"
#include "commands/Interpreter.h"
#include "commands/ObjectCommands.h"
#include "commands/ProgramRunner.h"
#include "commands/ScanCommands.h"
#include "controllers/AxesControl.h"
#include "controllers/Clock.h"
#include "controllers/Comm.h"
#include "controllers/LedController.h"
#include "controllers/MotorControllers.h"
#include "devices/Focus.h"
#include "devices/Indexers.h"
#include "devices/Objectives.h"
#include "devices/Stage.h"
#include "devices/Wheels.h"
#include "foundation/DeviceTable.h"
#include "foundation/KeywordFiles.h"
#include "foundation/Notifier.h"
#include "foundation/SharedState.h"
#include "specimen/JoyCommands.h"
#include "specimen/Joystick.h"
#include "specimen/MapView.h"
#include "specimen/ObjectList.h"
#include "specimen/Scan.h"

namespace qv {

struct CoreServices {
  SharedState& state;

  // The platform.
  Notifier& notifier;
  Clock& clock;
  FrontEnd& frontEnd;
  KeywordFiles& keywordFiles;  // keyword files of the program folder

  // The serial line, for the axes panel and the operator's Stop.
  Comm& comm;
  MotorControllers& motors;
  AxesControl& axes;

  // The devices the tabs and menus move.
  LedController& leds;
  Focus& focus;
  Stage& stage;
  Wheels& wheels;
  Cube& cube;
  Objectives& objectives;

  // The specimen, the map and the joystick.
  ObjectList& objects;
  Scan& scan;
  MapView& map;
  JoyCommands& joyCommands;
  Joystick& joystick;

  // The command language, the program and the commands the object and map entries run.
  Display& display;
  Interpreter& interpreter;
  CommandDispatcher& dispatcher;
  CommandSource& windowSource;  // what the window's commands run as
  ObjectCommands& objectCommands;
  ScanCommands& scanCommands;
  ProgramRunner& runner;

  // The program as a whole.
  // The operator's Stop to every ready device: the words of the devices that did not take it.
  std::function<std::vector<std::string>()> stopAll;
  // A device initialised again from its file: "XY On" or "XY Off".
  std::function<std::string(DeviceId)> reinitialise;
  // A chosen file (folder, name) copied over a device file: the message line text.
  std::function<std::string(const std::string&, const std::string&, const std::string&)>
      replaceDeviceFile;
  // The configuration read again and the line and devices brought up with it: 1 or -1.
  std::function<int16_t()> applyConfiguration;
  std::function<void()> shutdown;  // the serial line closed
};

}  // namespace qv
