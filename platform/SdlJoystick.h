#pragma once
// The first joystick as SDL2 sees it. Axis positions are mapped from SDL's -32768..32767 to
// 0..65535, the range of the calibration files the program has always written, so existing
// QV_JOY.TXT files keep working. A joystick plugged in later is found at the next query.
#include "specimen/JoystickSource.h"

struct _SDL_Joystick;

namespace qv {

class SdlJoystick final : public JoystickSource {
 public:
  SdlJoystick();
  ~SdlJoystick() override;
  SdlJoystick(const SdlJoystick&) = delete;
  SdlJoystick& operator=(const SdlJoystick&) = delete;

  JoystickReading Read() override;

 private:
  bool Open();

  bool initialised_ = false;
  _SDL_Joystick* joystick_ = nullptr;
};

}  // namespace qv
