#include "app/System.h"

#include "commands/CommandTable.h"
#include "commands/IndexerCommands.h"
#include "commands/StageCommands.h"
#include "foundation/Config.h"

namespace qv {

System::System(const Platform& platformIn)
    : platform(platformIn),
      trapar(platform.notifier),
      comm(platform.port, platform.clock),
      motCon(comm, platform.clock, platform.frontEnd, state.Config.ContrType,
             state.Config.WaitPollingInterval),
      leds(trapar, motCon),
      focus(trapar, platform.notifier, motCon, platform.clock, state.Config.ContrType),
      stage(trapar, platform.notifier, motCon, platform.clock, platform.frontEnd,
            state.Config.ContrType),
      wheels(trapar, motCon, state.Config.ContrType, state.Ready,
             FocusLink{[this](double microns) { return focus.ZMoveRel(microns); },
                       [this] { return focus.ZWait(); }}),
      cube(trapar, motCon),
      slide(trapar, motCon),
      turret(trapar, motCon),
      objectives(trapar),
      display(platform.frontEnd),
      interpreter(display, platform.notifier, platform.clock, trapar),
      dispatcher(state, display, interpreter),
      joyCommands(trapar, dispatcher),
      general(state, display, interpreter, platform.clock, dispatcher),
      devices(state, display),
      controllers(display, comm, motCon, leds),
      runner(interpreter, dispatcher, display, platform.clock) {
  dispatcher.SetTable(BuildCommandTable(general, devices, controllers));
  devices.SetSubCommands("LED", [this](const std::string& colour, std::string& rest) {
    return controllers.LedSubCommand(colour, rest);
  });
  RegisterStageCommands(devices, stage, focus, state.SymConst);
  RegisterIndexerCommands(devices, IndexerDevices{wheels, cube, slide, turret}, state.SymConst);
}

int16_t System::InitSystem(const std::string& programFolder) {
  int16_t status = 1;
  const auto count = [&status](int16_t result) {
    if (result < 0) status = -1;
  };

  state.AppDir = programFolder;
  if (state.AppDir.empty() || state.AppDir.back() != '/') state.AppDir += '/';
  trapar.SetParDir(state.AppDir);

  count(ReadConfig(trapar, state.Config));
  count(joyCommands.ReadJoyCmds());
  count(objectives.ReadObjPosMag());
  // The field size, objective table, specimen, scan area, scan grid, zoom, scan and joystick
  // calibration files are read here once their modules exist.
  count(ReadSymConst(trapar, state));

  count(OpenSerialChannel());
  WakeUpControllers();
  count(InitDevices());
  ShowChannelMessagesOnMainWindow();

  state.JoyOn = state.Config.JoyStartOn;
  if (!JoyCentered()) state.JoyOn = 0;
  state.HistoryMax = kHistoryMax;
  interpreter.State().ProgLines = {"End"};
  return status;
}

int16_t System::OpenSerialChannel() {
  comm.CommInit();
  motCon.MotorInitChannel();
  comm.SetPortName(state.Config.PortName);
  if (!comm.CommOpenPort(state.Config.MPort)) return -1;
  comm.CommSetTimeout(state.Config.PortTimeout);
  return 1;
}

void System::ShowChannelMessagesOnMainWindow() {
  FrontEnd& front = platform.frontEnd;
  comm.CommSetLogDisplay({[&front] { return front.MessageText(); },
                          [this, &front](const std::string& text) {
                            if (display.MainFormLoaded()) front.SetMessage(text);
                          }});
}

void System::WakeUpControllers() {
  motCon.MotorWakeUp();
}

// Every installed device is initialised in a fixed order; one that fails stays off and answers
// "Off ", and start-up counts as failed.
int16_t System::InitDevices() {
  motCon.MotorSetMoveTimeout(state.Config.MoveTimeout);
  const Configuration& c = state.Config;
  ReadyFlags& r = state.Ready;
  int16_t status = 1;
  const auto note = [&status](int16_t result) {
    if (result < 0) status = -1;
  };
  note(InitOne(c.ZInstalled, r.ZReady, [this] { return focus.ZInit(); }));
  note(InitOne(c.XYInstalled, r.XYReady, [this] { return stage.XYInit(); }));
  note(InitOne(c.WInstalled[1], r.WReady[1], [this] { return wheels.Init(1); }));
  note(InitOne(c.WInstalled[2], r.WReady[2], [this] { return wheels.Init(2); }));
  note(InitOne(c.SInstalled, r.SReady, [this] { return slide.Init(); }));
  note(InitOne(c.TInstalled, r.TReady, [this] { return turret.Init(); }));
  note(InitOne(c.CubeInstalled, r.CubeReady, [this] { return cube.Init(); }));
  note(InitOne(c.LEDsInstalled, r.LEDsReady, [this] { return leds.LEDInit(); }));
  wheels.AssignJoyWheelToReady();
  objectives.ResetMag();
  return status;
}

// 1 not installed or initialised, -1 installed and failed; only the value 1 installs.
int16_t System::InitOne(int16_t installed, int16_t& ready, const std::function<int16_t()>& init) {
  ready = 0;
  if (installed != 1) return 1;
  ready = init() > 0 ? 1 : 0;
  return ready == 1 ? 1 : -1;
}

// Without a joystick source there is nothing to read, and a joystick that cannot be read is
// never switched on.
bool System::JoyCentered() {
  return false;
}

void System::Shutdown() {
  comm.CommClosePort();
  comm.CommExit();
}

}  // namespace qv
