#pragma once
// The two filter wheels (wheel 1 answers to "F", wheel 2 to "B"): their device files, the filter
// number behind a controller count, the shortest way round to a filter, homing on either
// controller type, the lamp output, joystick stepping and the focus shift of a filter change.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "controllers/MotorControllers.h"
#include "devices/DriveProfile.h"
#include "devices/FocusCompensation.h"
#include "foundation/KeywordFiles.h"
#include "foundation/SharedState.h"

namespace qv {

struct WheelParams {
  DriveProfile profile;
  int32_t jogSpeedLow = 10;   // microsteps/s
  int32_t jogSpeedHigh = 50;  // microsteps/s
  double mstepsPerFilt = 0;   // microsteps between neighbouring filter positions
  double offsetHome = 0;      // microsteps from the home switch to filter position 1
  int16_t filtPositions = 0;  // filter positions on the wheel
  int32_t homeSpeed = 0;      // microsteps/s
  int32_t powerUpOrigin = 0;  // microsteps: the count given to the home position
};

// The filter (1..positions) at a count measured from filter 1: the nearest position, a tie going
// to the lower one, counted round the wheel in either direction. Empty when the wheel's geometry
// is unusable (no positions, no distance between them) or the count is absurd.
std::optional<int16_t> FilterAtCount(double count, double mstepsPerFilt, int16_t positions);

// Microsteps to move from `count` (measured from filter 1) to filter `filter` the shorter way
// round the wheel, a tie going backward. Empty for an unusable geometry or filter number.
std::optional<double> ShortestMove(double count, int16_t filter, double mstepsPerFilt,
                                   int16_t positions);

class Wheels {
 public:
  // `comm` takes the wheels' channel messages; `ready` tells whether the focus drive is there
  // for the focus shift.
  Wheels(KeywordFiles& keywordFiles, MotorControllers& motors, Comm& comm, const DeviceFlags& ready,
         FocusLink focus);

  // Every operation names its wheel n, 1 or 2: nothing makes a wheel "current" between two
  // calls, so a wait that lets other commands run goes on with its own wheel.

  // --- Device file and initialisation ---
  // QV_PARW<n>.TXT; no parameters when the file or a required key is missing.
  Result ReadPar(int n);
  Result ApplyPar(int n);  // the first controller operation that fails
  // Read, apply, then read its filter: the read's result.
  Result Init(int n);
  const WheelParams& Params(int n) const { return wheel_[Index(n)].par; }
  int16_t Positions(int n) const;  // the wheel's filter positions (0 for no such wheel)

  // --- Operations ---
  Result ReadFilter(int n, int16_t& filter);
  Result GotoFilter(int n, int16_t filter);  // starts the move, does not wait
  // And shifts the focus when compensation is on and the focus drive is ready; without a ready
  // focus drive the filter still changes, the shift is skipped and the channel log says so.
  Result GotoFilterComp(int n, int16_t filter);
  Result Next(int n);
  Result Prev(int n);
  Result Home(int n);
  Result Wait(int n);
  Result WaitComp(int n);  // the wheel, and the ready focus drive when compensation is on
  Result Lamp(int n, int16_t value);

  int16_t CurrentFilter(int n) const { return wheel_[Index(n)].currentFilter; }
  void SetCurrentFilter(int n, int16_t filter) { wheel_[Index(n)].currentFilter = filter; }
  int16_t LampState(int n) const { return wheel_[Index(n)].lamp; }

  // --- Focus compensation ---
  Result ReadZCompTable(int n, const std::string& fileName);
  void ZCompOn(int n) { compensation_.SetOn(Index(n), true); }
  void ZCompOff(int n) { compensation_.SetOn(Index(n), false); }
  bool ZCompIsOn(int n) const { return compensation_.IsOn(n); }
  FocusCompensation& Compensation() { return compensation_; }

  // --- Joystick ---
  void SetJoyWheel(int n) { joyWheel_ = n; }
  int JoyWheel() const { return joyWheel_; }
  // Start-up: wheel 1 when ready, else wheel 2 when ready.
  void AssignJoyWheelToReady();
  // One filter per deflection beyond 80 % of `range`; the next step needs a return inside 20 %.
  Result JoyStep(double deflection, double range);
  // Runs after a joystick step, for the main window's filter captions.
  void SetFilterChangedHook(std::function<void()> hook) { filterChanged_ = std::move(hook); }

 private:
  struct Wheel {
    WheelParams par;
    int16_t currentFilter = 0;  // last commanded or read, 1..filtPositions; 0 unknown
    double homingOffset = 0;    // microsteps from the origin's count to filter 1 (homing)
    int16_t lamp = 0;           // last value written to the lamp output
  };

  // The wheel's slot: 2 for wheel 2, 1 for anything else.
  static int Index(int n) { return n == 2 ? 2 : 1; }
  Wheel& Of(int n) { return wheel_[Index(n)]; }
  int16_t Unit(int n) const { return wheel_[Index(n)].par.profile.contr; }
  bool Ready(int n) const { return (n == 1 || n == 2) && ready_[WheelDevice(n)] == 1; }
  // Whether a filter change of wheel n moves the focus: compensation on and a focus drive that
  // is ready (without one, its unit address is not even known).
  bool ShiftsFocus(int n) const { return compensation_.IsOn(n) && ready_[DeviceId::Z] == 1; }
  // The count of wheel n measured from its filter 1; the controller's status.
  Result ReadCountFromFilter1(int n, double& count);
  Result Step(int n, int delta);

  KeywordFiles& keywordFiles_;
  MotorControllers& motors_;
  Comm& comm_;
  const DeviceFlags& ready_;
  FocusLink focus_;
  FocusCompensation compensation_;
  std::array<Wheel, 3> wheel_;  // indices 1 and 2
  int joyWheel_ = 0;            // the wheel joystick stepping acts on; 0 none
  bool joyLatchOpen_ = true;    // closed after a step until the joystick returns near the centre
  std::function<void()> filterChanged_;
};

}  // namespace qv
