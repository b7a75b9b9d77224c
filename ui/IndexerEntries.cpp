#include "ui/IndexerEntries.h"

#include <filesystem>

#include "foundation/NumberText.h"

namespace qv {

namespace {

constexpr const char* kError = "Error ";

// "1".."n" of a 16-bit number without the sign blank.
std::string Plain(int value) {
  return std::to_string(value);
}

// Whether `path` names a file directly in the program folder.
bool InProgramFolder(const std::filesystem::path& path, const std::string& appDir) {
  std::error_code error;
  const bool same = std::filesystem::equivalent(path.parent_path(), appDir, error);
  return !error && same;
}

// Why a move of a wheel or the cube changer did not get there.
std::string MoveFailure(const std::string& what, Result status) {
  return what + (status.cause() == Cause::kTimedOut
                     ? " did not report standing still within MOVETIMEOUT (QV_CONFIG.TXT)"
                     : " not moved: its controller refused or did not answer "
                       "(Conf > Error Log)");
}

// Wraps a 1-based position round 1..count; an unknown position (below 1) starts at either end.
int16_t Wrapped(int16_t current, int delta, int16_t count) {
  if (current < 1) return delta > 0 ? int16_t{1} : count;
  int next = current + delta;
  if (next > count) next = 1;
  if (next < 1) next = count;
  return static_cast<int16_t>(next);
}

}  // namespace

std::string WheelWord(int wheel) {
  return wheel == 2 ? "B" : "F";
}

std::string FilterCaption(const Wheels& wheels, int wheel) {
  const int16_t filter = wheels.CurrentFilter(wheel);
  return WheelWord(wheel) + "-" + (filter < 1 ? std::string("?") : Plain(filter));
}

std::string CubeCaption(const Cube& cube) {
  const int16_t current = cube.CurrentCube();
  return "Cube-" + (current < 1 ? std::string("?") : Plain(current));
}

std::string MagnificationCaption(const Objectives& objectives) {
  return "Mag-" + Plain(objectives.Mag());
}

std::string FilterItemCaption(int16_t filter) {
  return "Filter" + Str(filter);
}

std::string CubeItemCaption(int16_t cube) {
  return "Cube" + Str(cube);
}

std::string ObjectiveItemCaption(int16_t position, int16_t mag) {
  return "Objective Pos." + Plain(position) + " - " + Plain(mag) + "X";
}

// --- Wheels ---

bool WheelEntries::Ready() const {
  return c_.window.state.Ready[WheelDevice(wheel_)] == 1;
}

int16_t WheelEntries::Positions() const {
  return wheels_.Params(wheel_).filtPositions;
}

void WheelEntries::Open() {
  if (!Ready()) return;
  int16_t filter = 0;
  wheels_.ReadFilter(wheel_, filter);
  c_.devicesChanged();
}

// The filter becomes current only when the wheel accepted the move, so that the check mark never
// names a filter the wheel did not go to. The window shows the wheel as busy until it stands.
void WheelEntries::Move(const std::function<Result()>& start) {
  const std::string what = "Filter Wheel " + WheelWord(wheel_);
  Result status;
  bool stopped = false;
  {
    BusyScope busy(c_.window, c_.motors, what);
    status = start();
    if (status.ok()) status = wheels_.WaitComp(wheel_);
    stopped = busy.Stopped();
  }
  if (stopped) {
    c_.window.Say(OperationEndText(what, false, true));
  } else if (status.ok()) {
    c_.window.Say(WheelWord(wheel_) + Str(wheels_.CurrentFilter(wheel_)));
  } else {
    c_.window.Say(MoveFailure(what, status));
  }
  c_.devicesChanged();
}

void WheelEntries::Choose(int16_t filter) {
  if (!Ready()) return;
  Move([this, filter] { return wheels_.GotoFilterComp(wheel_, filter); });
}

void WheelEntries::Step(int delta) {
  if (!Ready()) return;
  Move([this, delta] { return delta > 0 ? wheels_.Next(wheel_) : wheels_.Prev(wheel_); });
}

void WheelEntries::Home() {
  if (!Ready()) return;
  const std::string what = "Homing Filter Wheel";
  c_.window.Say(what + " ...");
  Result result;
  bool stopped = false;
  {
    BusyScope busy(c_.window, c_.motors, what);
    result = wheels_.Home(wheel_);
    stopped = busy.Stopped();
  }
  if (result.failed() || stopped) {
    c_.window.Say(OperationEndText(what, false, stopped));
    if (!stopped) Alert(c_.notifier, "Home Failed");
    return;
  }
  int16_t filter = 0;
  const Result read = wheels_.ReadFilter(wheel_, filter);
  c_.window.Say(read.ok() ? OperationEndText(what, true, false) + ", " + WheelWord(wheel_) +
                                Str(wheels_.CurrentFilter(wheel_))
                          : std::string(kError));
  c_.devicesChanged();
}

void WheelEntries::ToggleLamp() {
  if (!Ready()) return;
  const int16_t wanted = wheels_.LampState(wheel_) != 1 ? int16_t{1} : int16_t{0};
  const Result result = wheels_.Lamp(wheel_, wanted);
  const std::string lamp = WheelWord(wheel_) + " Lamp";
  if (result.ok()) {
    c_.window.Say(lamp + (wanted == 1 ? " On" : " Off"));
  } else if (!result.failed()) {
    c_.window.Say(lamp + " not switched: the " + c_.window.state.Config.ContrType +
                  " controllers have no output for a lamp");
  } else {
    c_.window.Say(lamp +
                  " not switched: its controller refused or did not answer (Conf > Error Log)");
  }
  c_.devicesChanged();
}

void WheelEntries::AssignToJoystick() {
  if (!Ready()) return;
  wheels_.SetJoyWheel(wheel_);
  c_.devicesChanged();
}

void WheelEntries::SetCompensation(bool on) {
  if (!Ready()) return;
  wheels_.Compensation().SetOn(wheel_, on);
  c_.devicesChanged();
}

void WheelEntries::CompensationParameters() {
  if (!Ready()) return;
  const std::string pattern = "QV_DZW" + Plain(wheel_) + "*.TXT";
  const std::filesystem::path chosen = c_.window.services.ChooseFile(
      {"Select focus compensation parameter file to load", pattern + " *.TXT *.*", ""});
  // The table is read by name from the program folder, so a file elsewhere cannot be used.
  if (chosen.empty() || !InProgramFolder(chosen, c_.window.state.AppDir)) {
    c_.window.Say("Parameter file not read");
    return;
  }
  const std::string name = chosen.filename().string();
  c_.window.services.EditParameters(c_.window.ProgramFile(name));
  c_.frontEnd.DoEvents();
  if (!wheels_.ReadZCompTable(wheel_, name).ok()) {
    c_.window.Say("Parameter file not read");
    return;
  }
  c_.window.Say("Parameter file " + name + " read");
  wheels_.Compensation().SetOn(wheel_, true);
  c_.devicesChanged();
}

// --- Cube ---

// As a wheel's move: the cube becomes current once the changer took the move, and the window
// shows the changer as busy until it stands.
void CubeEntries::Choose(int16_t cube) {
  if (!Ready()) return;
  const std::string what = "Cube Changer";
  Result status;
  bool stopped = false;
  {
    BusyScope busy(window_, motors_, what);
    status = cube_.Goto(cube);
    if (status.ok()) {
      cube_.SetCurrentCube(cube);
      status = cube_.Wait();
    }
    stopped = busy.Stopped();
  }
  if (stopped) {
    window_.Say(OperationEndText(what, false, true));
  } else {
    window_.Say(status.ok() ? "Cube" + Str(cube) : MoveFailure(what, status));
  }
  changed_();
}

void CubeEntries::Step(int delta) {
  if (!Ready() || cube_.Count() < 1) return;
  Choose(Wrapped(cube_.CurrentCube(), delta, cube_.Count()));
}

void CubeEntries::Home() {
  if (!Ready()) return;
  const std::string what = "Homing Cube Changer";
  window_.Say(what + " ...");
  Result result;
  bool stopped = false;
  {
    BusyScope busy(window_, motors_, what);
    result = cube_.Home();
    stopped = busy.Stopped();
  }
  if (result.failed() || stopped) {
    window_.Say(OperationEndText(what, false, stopped));
    if (!stopped) Alert(notifier_, "Home Failed");
    return;
  }
  int16_t cube = 0;
  if (cube_.ReadPos(cube).ok()) cube_.SetCurrentCube(cube);
  window_.Say(OperationEndText(what, true, false));
  changed_();
}

}  // namespace qv
