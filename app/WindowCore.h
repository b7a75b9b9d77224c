#pragma once
// The windows' view of the program: the services they may use, taken from the object that owns
// every module. The main window cuts each part's piece from them (ui/WindowParts.h).
#include "app/DeviceMenus.h"
#include "app/StopAll.h"
#include "app/System.h"
#include "ui/CoreServices.h"
#include "ui/WindowParts.h"

namespace qv {

inline CoreServices WindowCore(System& system) {
  return CoreServices{
      .state = system.state,
      .notifier = system.platform.notifier,
      .clock = system.platform.clock,
      .frontEnd = system.platform.frontEnd,
      .keywordFiles = system.keywordFiles,
      .comm = system.comm,
      .motors = system.motors,
      .axes = system.axes,
      .leds = system.leds,
      .focus = system.focus,
      .stage = system.stage,
      .wheels = system.wheels,
      .cube = system.cube,
      .objectives = system.objectives,
      .objects = system.objects,
      .scan = system.scan,
      .map = system.map,
      .joyCommands = system.joyCommands,
      .joystick = system.joystick,
      .display = system.display,
      .interpreter = system.interpreter,
      .dispatcher = system.dispatcher,
      .windowSource = system.windowSource,
      .objectCommands = system.objectCommands,
      .scanCommands = system.scanCommands,
      .runner = system.runner,
      .stopAll = [&system] { return StopAllDevices(system); },
      .reinitialise = [&system](DeviceId device) { return ReinitialiseDevice(system, device); },
      .replaceDeviceFile = ReplaceDeviceFile,
      .applyConfiguration = [&system] { return system.ApplyConfiguration(); },
      .shutdown = [&system] { system.Shutdown(); },
  };
}

}  // namespace qv
