#pragma once
// The joystick: calibration (QV_JOY.TXT), deflections scaled to per-mille with a dead zone,
// buttons that run their assigned command lines once per press, and the polling step of the
// main window's timer, which drives the stage (XY mode) or a wheel and the focus (WZ mode).
#include <cstdint>
#include <functional>
#include <string>

#include "devices/Focus.h"
#include "devices/Stage.h"
#include "devices/Wheels.h"
#include "foundation/CommandExecutor.h"
#include "foundation/KeywordFiles.h"
#include "foundation/Notifier.h"
#include "foundation/SharedState.h"
#include "specimen/JoyCommands.h"
#include "specimen/JoystickSource.h"

namespace qv {

inline constexpr const char* kJoyParFile = "QV_JOY.TXT";
inline constexpr int16_t kJoyFullScale = 1000;  // per-mille of a full deflection

// Raw readings of one axis that map to full left, rest and full right.
struct JoyAxisCalibration {
  int32_t low = 0;       // raw, lowest reading
  int32_t rest = 32768;  // raw, reading at rest
  int32_t high = 65535;  // raw, highest reading
};

struct JoyCalibration {
  JoyAxisCalibration axis1;  // X
  JoyAxisCalibration axis2;  // Y
  int16_t latent = 50;       // per-mille of full deflection: the dead zone around the rest
  int16_t dir1 = 1;          // -1, 0 (axis off) or +1
  int16_t dir2 = 1;
};

// Scaled deflection of one axis, per-mille with the dead zone taken out; the result is the
// direction's sign times it, saturated to 16 bits. An axis without range on the side read, or
// a dead zone of the whole deflection, reads 0.
int16_t ScaleJoyAxis(int32_t raw, const JoyAxisCalibration& axis, int16_t latent, int16_t dir);

// The button number of a mask: 0 none, 1..8 for one of the low eight buttons, else `previous`.
int16_t JoyButtonFromMask(uint32_t mask, int16_t previous);

struct JoyScaled {
  int16_t d1 = 0;  // per-mille, axis 1
  int16_t d2 = 0;  // per-mille, axis 2
  int16_t range = kJoyFullScale;
  int16_t button = 0;
  int status = 0;  // the source's status; 0 read
};

// What the joystick shows on the main window; each may be left empty.
struct JoyHooks {
  std::function<void(const std::string&)> message{};            // the message line
  std::function<void(int16_t, int16_t, int16_t)> deflection{};  // d1, d2, full scale
  std::function<void()> visibility{};                           // JoyOn or the axes changed
};

struct JoyDevices {
  Stage& stage;
  Focus& focus;
  Wheels& wheels;
};

class Joystick {
 public:
  Joystick(KeywordFiles& keywordFiles, Notifier& notifier, SharedState& state,
           JoystickSource& source, CommandExecutor& executor, JoyCommands& commands,
           JoyDevices devices);

  void SetHooks(JoyHooks hooks) { hooks_ = std::move(hooks); }

  // --- Reading ---
  // Raw readings, 0 and 0 when the query failed; also updates the button number.
  JoystickReading JoyRead();
  JoyScaled JoyReadScaled();
  int16_t JoyCentered();  // 1 when the joystick reads and both deflections are 0

  // --- Calibration ---
  int16_t ReadJoyPar();   // 1; -1 when the file or a key is missing (the rest is still taken)
  int16_t WriteJoyPar();  // 1 / -1
  void JoyCalibStart();
  void JoyCalibTick();
  // Ends the calibration: 1 saved; 0 too little range, the saved calibration is back.
  int16_t JoyCalibCheck();
  int16_t JoyCalibrating() const { return calibrating_; }

  // --- Buttons and polling ---
  void JoyButton(int16_t n);
  // One tick of the main window's timer: a calibration reading while calibrating, else the
  // polling step when the joystick is on and no command is running.
  void TimerTick();
  void JoyPoll();

  // --- On/off and axes ("Joy" command and menu) ---
  void SetOn(bool on);  // on only when centred
  void ToggleOn();      // the menu's "On?"
  void ToggleAxes() { axesWZ_ = static_cast<int16_t>(1 - axesWZ_); }
  void SetAxesWZ(int16_t wz) { axesWZ_ = wz == 1 ? 1 : 0; }
  int16_t JoyAxesWZ() const { return axesWZ_; }

  const JoyCalibration& Calibration() const { return cal_; }
  int16_t JoyButtonHeld() const { return buttonHeld_; }
  const std::string& JoyLastReply() const { return lastReply_; }

 private:
  void Message(const std::string& text);
  // Sends deflections to the devices of `wz`'s mode.
  void ApplyDeflection(int16_t wz, int16_t d1, int16_t d2);
  void Drive(int16_t d1, int16_t d2);
  // Stops whatever the joystick set moving, so that switching it off, losing it or changing
  // the axes never leaves a motor running at the last joystick speed.
  void Halt();
  static bool HalfRangeEnough(int64_t halfRange, int16_t latent);

  KeywordFiles& keywordFiles_;
  Notifier& notifier_;
  SharedState& state_;
  JoystickSource& source_;
  CommandExecutor& executor_;
  JoyCommands& commands_;
  JoyDevices devices_;
  JoyHooks hooks_;
  JoyCalibration cal_;
  JoyCalibration beforeCalibration_;  // restored when a calibration fails and no file is saved
  int16_t axesWZ_ = 0;                // 0 stage X and Y; 1 wheel and focus
  int16_t calibrating_ = 0;
  int16_t button_ = 0;      // last button number read
  int16_t drivenMode_ = 0;  // the axes mode of the last deflection sent
  bool moving_ = false;     // the last deflection sent was not zero
  int16_t buttonHeld_ = 0;
  std::string lastReply_;
};

}  // namespace qv
