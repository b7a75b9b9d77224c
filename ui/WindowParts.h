#pragma once
// Each part of the windows gets only what it drives: its piece is cut here from the services the
// owner of the modules hands to the main window.
#include "ui/AxesTab.h"
#include "ui/CoreServices.h"
#include "ui/EntryContext.h"
#include "ui/FailureReason.h"
#include "ui/MainMenus.h"
#include "ui/MainStatusBar.h"
#include "ui/MapWidget.h"
#include "ui/ObjectActions.h"
#include "ui/ParameterEntries.h"
#include "ui/PositionReadout.h"
#include "ui/ProgramWindow.h"
#include "ui/SpeedTestMenus.h"

namespace qv {

inline DeviceCore DevicePart(const CoreServices& c) {
  return DeviceCore{c.state, c.notifier, c.frontEnd, c.motors,    c.focus,
                    c.stage, c.wheels,   c.cube,     c.objectives};
}

inline DeviceSetup DeviceSetupPart(const CoreServices& c) {
  return DeviceSetup{
      c.comm, c.scan, c.map, c.dispatcher, c.windowSource, c.reinitialise, c.replaceDeviceFile};
}

inline SpeedTestCore SpeedTestPart(const CoreServices& c) {
  return SpeedTestCore{c.state, c.frontEnd, {c.stage, c.motors, c.wheels, c.cube, c.clock}};
}

inline ObjectActionsCore ObjectsPart(const CoreServices& c) {
  return ObjectActionsCore{c.state,   c.notifier, c.keywordFiles,   c.stage,
                           c.objects, c.map,      c.objectCommands, c.windowSource};
}

inline MapWidgetCore MapPart(const CoreServices& c) {
  return MapWidgetCore{c.state, c.stage, c.map};
}

// `diagnostics` runs the panel's operations; its owner outlives the panel.
inline AxesPanelCore AxesPart(const CoreServices& c, AxisDiagnostics& diagnostics) {
  return AxesPanelCore{c.state, c.axes, diagnostics};
}

inline MainMenusCore MenusPart(const CoreServices& c) {
  return MainMenusCore{c.state,
                       c.notifier,
                       c.keywordFiles,
                       c.comm,
                       c.display,
                       c.stage,
                       c.scan,
                       c.map,
                       c.joystick,
                       c.joyCommands,
                       c.scanCommands,
                       c.windowSource,
                       c.applyConfiguration};
}

inline SpecimenFiles SpecimenFilesPart(const CoreServices& c) {
  return SpecimenFiles{c.state, c.notifier, c.scan, c.map};
}

inline ReadoutCore ReadoutPart(const CoreServices& c) {
  return ReadoutCore{c.state, c.stage, c.focus, c.motors};
}

inline DeviceStates DeviceStatesPart(const CoreServices& c) {
  return DeviceStates{c.state, c.stage, c.focus, c.wheels, c.cube, c.objectives};
}

inline FailureFacts FailurePart(const CoreServices& c) {
  return FailureFacts{c.state, c.wheels, c.cube};
}

inline ProgramWindowCore ProgramPart(const CoreServices& c) {
  return ProgramWindowCore{c.state, c.notifier, c.interpreter};
}

}  // namespace qv
