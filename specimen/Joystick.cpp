#include "specimen/Joystick.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "devices/JoySpeed.h"
#include "foundation/KeywordReader.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

int16_t Saturate16(double value) {
  return static_cast<int16_t>(std::clamp(value, -32768.0, 32767.0));
}

int16_t Sign(double value) {
  return static_cast<int16_t>(value > 0 ? 1 : (value < 0 ? -1 : 0));
}

}  // namespace

int16_t ScaleJoyAxis(int32_t raw, const JoyAxisCalibration& axis, int16_t latent, int16_t dir) {
  const double dead = std::clamp<double>(latent, 0, kJoyFullScale);
  if (dir == 0 || dead >= kJoyFullScale) return 0;
  const double offset = static_cast<double>(raw) - axis.rest;  // raw units from the rest
  // Per-mille of the calibrated half range on the side the stick is on.
  const double half = offset >= 0 ? static_cast<double>(axis.high) - axis.rest
                                  : static_cast<double>(axis.rest) - axis.low;
  if (half <= 0) return 0;
  double v = RoundHalfEven(offset * kJoyFullScale / half);
  if (std::abs(v) < dead) return 0;
  v = RoundHalfEven((v - Sign(v) * dead) * kJoyFullScale / (kJoyFullScale - dead));
  return Saturate16(Sign(dir) * v);
}

int16_t JoyButtonFromMask(uint32_t mask, int16_t previous) {
  if (mask == 0) return 0;
  if (mask > 0xFF || !std::has_single_bit(mask)) return previous;
  return static_cast<int16_t>(std::countr_zero(mask) + 1);
}

Joystick::Joystick(KeywordFiles& keywordFiles, Notifier& notifier, SharedState& state,
                   JoystickSource& source, CommandExecutor& executor, JoyCommands& commands,
                   JoyDevices devices)
    : keywordFiles_(keywordFiles),
      notifier_(notifier),
      state_(state),
      source_(source),
      executor_(executor),
      commands_(commands),
      devices_(devices) {}

// --- Reading ---

JoystickReading Joystick::JoyRead() {
  JoystickReading reading = source_.Read();
  if (reading.status != 0) {
    reading.x = reading.y = 0;
    reading.buttons = 0;
  }
  button_ = JoyButtonFromMask(reading.buttons, button_);
  return reading;
}

JoyScaled Joystick::JoyReadScaled() {
  const JoystickReading reading = JoyRead();
  JoyScaled scaled;
  scaled.d1 = ScaleJoyAxis(reading.x, cal_.axis1, cal_.latent, cal_.dir1);
  scaled.d2 = ScaleJoyAxis(reading.y, cal_.axis2, cal_.latent, cal_.dir2);
  scaled.button = button_;
  scaled.status = reading.status;
  return scaled;
}

int16_t Joystick::JoyCentered() {
  // A joystick that cannot be read is never centred, whatever its zeros would scale to.
  const JoyScaled scaled = JoyReadScaled();
  return scaled.status == 0 && scaled.d1 == 0 && scaled.d2 == 0 ? 1 : 0;
}

// --- Calibration file ---

int16_t Joystick::ReadJoyPar() {
  KeywordReader reader(keywordFiles_);
  if (!reader.Open(kJoyParFile)) return -1;
  const auto take = [&](const char* key, auto& value) { reader.Required(key, value); };
  JoyCalibration cal = cal_;
  take("JAXIS1_L", cal.axis1.low);
  take("JAXIS1_0", cal.axis1.rest);
  take("JAXIS1_R", cal.axis1.high);
  take("JAXIS2_L", cal.axis2.low);
  take("JAXIS2_0", cal.axis2.rest);
  take("JAXIS2_R", cal.axis2.high);
  // Percent in the file, per-mille inside. Without the key the dead zone stays as it is.
  double latentPercent = cal.latent * 100.0 / 1000.0;
  take("JLATENT", latentPercent);
  if (std::isfinite(latentPercent)) {
    cal.latent = static_cast<int16_t>(
        RoundHalfEven(std::clamp(latentPercent * 1000.0 / 100.0, 0.0, double{kJoyFullScale})));
  }
  double dir1 = cal.dir1, dir2 = cal.dir2;
  take("JAXIS1_Dir", dir1);
  take("JAXIS2_Dir", dir2);
  cal.dir1 = Sign(dir1);
  cal.dir2 = Sign(dir2);
  cal_ = cal;
  return reader.Result();
}

int16_t Joystick::WriteJoyPar() {
  const ParList list = {
      {"JAXIS1_L", cal_.axis1.low},
      {"JAXIS1_0", cal_.axis1.rest},
      {"JAXIS1_R", cal_.axis1.high},
      {"JAXIS2_L", cal_.axis2.low},
      {"JAXIS2_0", cal_.axis2.rest},
      {"JAXIS2_R", cal_.axis2.high},
      {"JLATENT", cal_.latent * 100.0 / 1000.0},
      {"JAXIS1_Dir", cal_.dir1},
      {"JAXIS2_Dir", cal_.dir2},
  };
  return keywordFiles_.WriteParList(keywordFiles_.ParPath(kJoyParFile), list);
}

// --- Calibration ---

void Joystick::JoyCalibStart() {
  beforeCalibration_ = cal_;
  const JoystickReading reading = JoyRead();
  cal_.axis1 = {reading.x, reading.x, reading.x};
  cal_.axis2 = {reading.y, reading.y, reading.y};
  calibrating_ = 1;
}

void Joystick::JoyCalibTick() {
  const JoystickReading reading = JoyRead();
  Message("Deflect to extremes: Axis1 =" + Str(reading.x) + ", Axis2 =" + Str(reading.y) +
          ", But=" + Str(button_));
  // A failed query reads 0 and 0, which is no place the stick has been.
  if (reading.status != 0) return;
  const auto widen = [](JoyAxisCalibration& axis, int32_t raw) {
    axis.low = std::min(axis.low, raw);
    axis.high = std::max(axis.high, raw);
    // The rest value follows the readings slowly, so it settles where the stick is let go.
    axis.rest = static_cast<int32_t>(RoundHalfEven((4.0 * axis.rest + raw) / 5.0));
  };
  widen(cal_.axis1, reading.x);
  widen(cal_.axis2, reading.y);
}

bool Joystick::HalfRangeEnough(int64_t halfRange, int16_t latent) {
  // An empty half range could not be scaled at all, whatever the dead zone.
  return halfRange > 0 && static_cast<double>(halfRange) / 32000.0 * 1000.0 >= latent;
}

int16_t Joystick::JoyCalibCheck() {
  calibrating_ = 0;
  const auto enough = [this](const JoyAxisCalibration& axis) {
    return HalfRangeEnough(int64_t{axis.rest} - axis.low, cal_.latent) &&
           HalfRangeEnough(int64_t{axis.high} - axis.rest, cal_.latent);
  };
  if (!enough(cal_.axis1) || !enough(cal_.axis2)) {
    cal_ = beforeCalibration_;
    ReadJoyPar();
    Message("Not calibrated. Using old par.");
    return 0;
  }
  WriteJoyPar();
  Message("Calibrated");
  return 1;
}

// --- Buttons ---

void Joystick::JoyButton(int16_t n) {
  if (buttonHeld_ == 0 && n >= 1) {
    const PlainList& lines = commands_.Commands();
    CommandSource& source = commands_.Source();
    const auto count = static_cast<int64_t>(lines.size());  // the last index is count - 1
    if (n <= count + 1) {
      if (n < count) {
        // A copy: the command may wait, and the list be assigned anew meanwhile.
        const std::string line = lines[static_cast<std::size_t>(n)];
        lastReply_ = executor_.ExecuteCommand(source, line);
        Message("Button" + Str(n) + " - " + line + " " + lastReply_);
      }
      notifier_.Beep();
      if (!source.LastDevice.empty())
        lastReply_ = executor_.ExecuteCommand(source, source.LastDevice + " Wait");
    }
    buttonHeld_ = 1;
  } else if (buttonHeld_ == 1 && n == 0) {
    buttonHeld_ = 0;
  }
}

// --- Polling ---

void Joystick::TimerTick() {
  if (calibrating_ == 1) {
    JoyCalibTick();
  } else {
    JoyPoll();
  }
}

void Joystick::JoyPoll() {
  if (state_.JoyOn != 1 || state_.CommandBusy != 0) return;
  const JoyScaled scaled = JoyReadScaled();
  if (scaled.status != 0) {
    // A lost joystick reads as a full deflection: stop instead of driving at full speed.
    Halt();
    state_.JoyOn = 0;
    if (hooks_.visibility) hooks_.visibility();
    return;
  }
  JoyButton(scaled.button);
  if (hooks_.deflection) hooks_.deflection(scaled.d1, scaled.d2, scaled.range);
  Drive(scaled.d1, scaled.d2);
}

void Joystick::ApplyDeflection(int16_t wz, int16_t d1, int16_t d2) {
  if (wz == 0) {
    if (state_.Ready[DeviceId::XY] == 1) devices_.stage.XYJoyJog(d1, d2, kJoyFullScale);
    return;
  }
  devices_.wheels.JoyStep(d1, kJoyFullScale);
  if (state_.Ready[DeviceId::Z] == 1) devices_.focus.ZJoyJog(d2, kJoyFullScale);
}

void Joystick::Drive(int16_t d1, int16_t d2) {
  if (drivenMode_ != axesWZ_) Halt();
  ApplyDeflection(axesWZ_, d1, d2);
  drivenMode_ = axesWZ_;
  moving_ = d1 != 0 || d2 != 0;
}

void Joystick::Halt() {
  if (!moving_) return;
  ApplyDeflection(drivenMode_, 0, 0);
  moving_ = false;
}

// --- On/off ---

void Joystick::SetOn(bool on) {
  if (on) {
    state_.JoyOn = JoyCentered();
  } else {
    state_.JoyOn = 0;
    Halt();
  }
}

void Joystick::ToggleOn() {
  SetOn(state_.JoyOn != 1);
}

void Joystick::Message(const std::string& text) {
  if (hooks_.message) hooks_.message(text);
}

}  // namespace qv
