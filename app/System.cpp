#include "app/System.h"

#include "commands/CommandTable.h"
#include "foundation/Config.h"

namespace qv {

System::System(const Platform& platformIn)
    : platform(platformIn),
      trapar(platform.notifier),
      comm(platform.port, platform.clock),
      motCon(comm, platform.clock, platform.frontEnd, state.Config.ContrType,
             state.Config.WaitPollingInterval),
      leds(trapar, motCon),
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

// The motor devices are initialised here once the device layer exists; until then they stay
// off and answer "Off ". The LED controller needs only the controller line.
int16_t System::InitDevices() {
  motCon.MotorSetMoveTimeout(state.Config.MoveTimeout);
  int16_t status = 1;
  state.Ready = ReadyFlags{};
  if (state.Config.LEDsInstalled == 1) {
    state.Ready.LEDsReady = leds.LEDInit() > 0 ? 1 : 0;
    if (state.Ready.LEDsReady == 0) status = -1;
  }
  return status;
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
