#include "platform/SdlJoystick.h"

#include <SDL2/SDL.h>

namespace qv {

SdlJoystick::SdlJoystick() {
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  // The program's own stop signals end it in order; SDL would turn them into events of an
  // event queue that nobody reads.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  initialised_ = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
}

SdlJoystick::~SdlJoystick() {
  if (joystick_ != nullptr) SDL_JoystickClose(joystick_);
  if (initialised_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

bool SdlJoystick::Open() {
  if (!initialised_) return false;
  if (joystick_ != nullptr && SDL_JoystickGetAttached(joystick_) == SDL_TRUE) return true;
  if (joystick_ != nullptr) {
    SDL_JoystickClose(joystick_);
    joystick_ = nullptr;
  }
  SDL_JoystickUpdate();
  if (SDL_NumJoysticks() < 1) return false;
  joystick_ = SDL_JoystickOpen(0);
  return joystick_ != nullptr;
}

JoystickReading SdlJoystick::Read() {
  if (!Open()) return {.status = 1};
  SDL_JoystickUpdate();
  JoystickReading reading;
  reading.x = static_cast<int32_t>(SDL_JoystickGetAxis(joystick_, 0)) + 32768;
  reading.y = static_cast<int32_t>(SDL_JoystickGetAxis(joystick_, 1)) + 32768;
  const int buttons = SDL_JoystickNumButtons(joystick_);
  for (int b = 0; b < buttons && b < 32; ++b) {
    if (SDL_JoystickGetButton(joystick_, b) != 0) reading.buttons |= 1u << b;
  }
  return reading;
}

}  // namespace qv
