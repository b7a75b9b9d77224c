#pragma once
// The "Joy" word: switching the joystick on and off and choosing what its axes drive.
#include <string>

#include "commands/Display.h"
#include "foundation/SharedState.h"
#include "specimen/Joystick.h"

namespace qv {

class JoyCommandsHandler {
 public:
  JoyCommandsHandler(SharedState& state, Display& display, Joystick& joystick)
      : state_(state), display_(display), joystick_(joystick) {}

  std::string CmdJoy(std::string arguments);

 private:
  SharedState& state_;
  Display& display_;
  Joystick& joystick_;
};

}  // namespace qv
