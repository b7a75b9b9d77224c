#include "app/System.h"

#include "commands/CommandTable.h"
#include "foundation/AtomicFile.h"
#include "foundation/Config.h"

namespace qv {

System::System(const Platform& platformIn)
    : platform(platformIn),
      keywordFiles(platform.notifier),
      comm(platform.port, platform.clock),
      motors(comm, platform.clock, platform.frontEnd, state.Config.ContrType,
             state.Config.WaitPollingInterval),
      leds(keywordFiles, motors),
      axes(keywordFiles, motors),
      focus(keywordFiles, platform.notifier, motors, platform.clock),
      stage(keywordFiles, platform.notifier, motors, platform.clock, platform.frontEnd),
      wheels(keywordFiles, motors, comm, state.Ready,
             FocusLink{[this](double microns) { return focus.ZMoveRel(microns); },
                       [this] { return focus.ZWait(); }}),
      cube(keywordFiles, platform.notifier, motors),
      slide(keywordFiles, platform.notifier, motors),
      turret(keywordFiles, platform.notifier, motors),
      objectives(keywordFiles),
      scan(keywordFiles, stage, objectives, state.Ready[DeviceId::XY]),
      map(keywordFiles, MakeMapSources()),
      display(platform.frontEnd),
      interpreter(display, platform.notifier, platform.clock, keywordFiles),
      dispatcher(state, display, interpreter),
      joyCommands(keywordFiles, dispatcher),
      joystick(keywordFiles, platform.notifier, state,
               platform.joystick != nullptr ? *platform.joystick : absentJoystick, dispatcher,
               joyCommands, JoyDevices{stage, focus, wheels}),
      general(state, display, interpreter, platform.clock, dispatcher),
      devices(state, display),
      controllers(display, comm, motors, leds),
      objectCommands(state, display, keywordFiles, objects, stage, focus),
      joyHandler(state, display, joystick),
      scanCommands(state, display, scan, stage, objectives),
      runner(interpreter, dispatcher, display, platform.clock),
      capture(platform.launcher, platform.clock, state.Config.CaptureProgram,
              [this](const std::string& message) { comm.CommLogShow(message); }),
      descriptors_(MakeDeviceDescriptors(*this)) {
  std::vector<CommandEntry> specimenWords = {{"Obj", [this](CommandSource& source, std::string a) {
                                                return objectCommands.CmdObj(source, std::move(a));
                                              }}};
  for (CommandEntry& entry : scanCommands.Entries())
    specimenWords.push_back(std::move(entry));
  specimenWords.push_back(
      {"Joy", [this](CommandSource&, std::string a) { return joyHandler.CmdJoy(std::move(a)); }});
  dispatcher.SetTable(BuildCommandTable(general, devices, controllers, specimenWords));
  dispatcher.SetEndRequested([this] { return platform.clock.EndRequested(); });
  ConnectMap();
  general.SetCaptureTrigger([this] { return capture.CaptureSnap(); });
  for (const DeviceDescriptor& descriptor : descriptors_)
    devices.SetSubCommands(descriptor.Row().word, descriptor.subCommands);
}

int16_t System::InitSystem(const std::string& programFolder) {
  int16_t status = 1;
  const auto count = [&status](int16_t result) {
    if (result < 0) status = -1;
  };

  state.AppDir = programFolder;
  if (state.AppDir.empty() || state.AppDir.back() != '/') state.AppDir += '/';
  keywordFiles.SetParDir(state.AppDir);
  RemoveStaleTemporaryFiles(state.AppDir);  // left by a write that was killed part-way

  const int16_t configRead = ReadConfig(keywordFiles, state.Config);
  count(configRead);
  count(joyCommands.ReadJoyCmds());
  count(scan.ReadFieldPar());
  count(objectives.ReadObjPosMag());
  count(ReadSpecimenFiles());
  count(joystick.ReadJoyPar());
  count(ReadSymConst(keywordFiles, state));

  const int16_t lineOpened = OpenSerialChannel();
  count(lineOpened);
  WakeUpControllers();
  count(InitDevices());
  ShowChannelMessagesOnMainWindow();
  // A configuration that could not be read was named already; what it left unset is no news.
  lineProblem_.clear();
  if (configRead > 0) count(ReportLineProblems(lineOpened > 0));

  state.JoyOn = state.Config.JoyStartOn;
  if (joystick.JoyCentered() != 1) state.JoyOn = 0;
  state.HistoryMax = kHistoryMax;
  interpreter.State().ProgLines = {"End"};
  objects.ObjListClear();
  scan.FieldSizeFromMag();
  scan.ScanRecompute();
  return status;
}

int16_t System::ApplyConfiguration() {
  const bool configRead = ReadConfig(keywordFiles, state.Config) > 0;
  int16_t status = configRead ? int16_t{1} : int16_t{-1};
  comm.CommClosePort();
  const bool opened = OpenConfiguredPort();
  if (!opened) status = -1;
  if (InitDevices() < 0) status = -1;
  lineProblem_.clear();
  if (configRead && ReportLineProblems(opened) < 0) status = -1;
  return status;
}

int16_t System::OpenSerialChannel() {
  comm.CommInit();
  motors.MotorInitChannel();
  return OpenConfiguredPort() ? 1 : -1;
}

// A time-out of 0 ms or less would give up every reply before it came: the line keeps the time-
// out it has, and the operator is told.
bool System::OpenConfiguredPort() {
  comm.SetPortName(state.Config.PortName);
  if (!comm.CommOpenPort(state.Config.MPort)) {
    // Taken now: the exchanges that follow on the closed port leave faults of their own.
    openFault_ = platform.port.ErrorText() + "; every device stays off.";
    const std::string advice = platform.port.OpenAdvice();
    if (!advice.empty()) openFault_ += "\n" + advice;
    return false;
  }
  if (state.Config.PortTimeout > 0) comm.CommSetTimeout(state.Config.PortTimeout);
  return true;
}

// Once, where the operator looks: a message box (the console's standard error) with the device,
// the system's reason and the way on; its first sentence stays for the main window's message
// line. -1 when there was something to say.
int16_t System::ReportLineProblems(bool portOpened) {
  std::vector<std::string> problems = LineSettingProblems(state.Config, comm.CommTimeoutMs());
  if (!portOpened) {
    const Configuration& c = state.Config;
    const std::string device = c.PortName.empty() ? DeviceForPortNumber(c.MPort) : c.PortName;
    const std::string source =
        c.PortName.empty() ? "MPORT " + std::to_string(c.MPort) : std::string("PORTNAME");
    problems.insert(problems.begin(), "The controllers' serial line " + device + " (" + source +
                                          " in " + state.AppDir + kConfigFile +
                                          ") cannot be opened: " + openFault_);
  }
  if (problems.empty()) return 1;
  lineProblem_ = problems.front().substr(0, problems.front().find('\n'));
  std::string text;
  for (const std::string& problem : problems)
    text += (text.empty() ? "" : "\n") + problem;
  platform.notifier.MessageBox(text, MsgIcon::Exclamation, "Quorvalin", MsgButtons::Ok);
  if (display.MainFormLoaded()) platform.frontEnd.SetMessage(lineProblem_);
  return -1;
}

void System::ShowChannelMessagesOnMainWindow() {
  FrontEnd& front = platform.frontEnd;
  comm.CommSetLogDisplay({[&front] { return front.MessageText(); },
                          [this, &front](const std::string& text) {
                            if (display.MainFormLoaded()) front.SetMessage(text);
                          }});
}

// Addresses without a unit never answer: their time-outs leave no late reply to wait for.
void System::WakeUpControllers() {
  comm.CommAwaitLateReplies(false);
  motors.MotorWakeUp();
  comm.CommAwaitLateReplies(true);
}

// Every installed device is initialised in the device table's order; one that fails stays off
// and answers "Off ", and start-up counts as failed.
int16_t System::InitDevices() {
  motors.MotorSetMoveTimeout(state.Config.MoveTimeout);
  int16_t status = 1;
  for (const DeviceRow& row : kDeviceTable) {
    int16_t& ready = state.Ready[row.id];
    ready = 0;
    if (state.Config.Installed[row.id] != 1) continue;  // only the value 1 installs
    ready = InitDevice(row.id).ok() ? 1 : 0;
    if (ready != 1) status = -1;
  }
  wheels.AssignJoyWheelToReady();
  objectives.ResetMag();
  return status;
}

Result System::InitDevice(DeviceId device) {
  motors.MotorRetryFailedExchanges(true);
  const Result result = descriptors_[DeviceIndex(device)].init();
  motors.MotorRetryFailedExchanges(false);
  return result;
}

int16_t System::StopDevice(DeviceId device) {
  return descriptors_[DeviceIndex(device)].stop().ok() ? 1 : -1;
}

// The specimen, scan area, scan grid, zoom and scan files, in this order, each counted.
int16_t System::ReadSpecimenFiles() {
  int16_t status = 1;
  for (int16_t result : {scan.ReadSpecimen(), scan.ReadScanArea(), scan.ReadScanGrid(),
                         map.ReadZoomPar(), scan.ReadScanPar()}) {
    if (result < 0) status = -1;
  }
  return status;
}

// The map draws what the object list and the scan hold, asking them each time it draws.
MapSources System::MakeMapSources() {
  return MapSources{[this] {
                      const Specimen& s = scan.SpecimenBounds();
                      return MapSpecimen{s.SpecX0, s.SpecY0, s.SpecXE, s.SpecYE};
                    },
                    [this] {
                      const ScanArea& a = scan.Area();
                      return MapArea{a.AreaX0, a.AreaY0, a.AreaXE, a.AreaYE};
                    },
                    [this] { return objects.ObjListCount(); },
                    [this](int32_t n) {
                      ObjRecord object;
                      objects.ObjGet(n, object);
                      return MapPoint{object.X, object.Y};
                    },
                    [this](double x, double y) {
                      double distanceSquared = 0;
                      const int32_t n = objects.ObjFindNearest(x, y, distanceSquared);
                      return NearestObject{n, distanceSquared};
                    },
                    [this] { return objects.AttrDist; }};
}

// The commands and the scan draw through the map.
void System::ConnectMap() {
  objectCommands.SetMapHooks(ObjectMapHooks{
      [this](int32_t n) { return map.DrawObject(n); }, [this] { map.DrawAllObjects(); },
      [this](double x, double y) { map.DrawObjectDot(x, y); }});
  scan.SetHooks(ScanHooks{[this] { map.DrawScanAreaOutline(); },
                          [this](double x, double y, double width, double height) {
                            map.DrawVisitedField(x, y, width, height);
                          }});
  joystick.SetHooks(JoyHooks{[this](const std::string& text) { display.ShowReply(text); }, {}, {}});
}

void System::Shutdown() {
  comm.CommClosePort();
  comm.CommExit();
}

}  // namespace qv
