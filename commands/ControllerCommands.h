#pragma once
// The commands that speak to controllers directly: "CON" sends a raw text to the line, and the
// "LED" device word switches one illumination colour.
#include <string>

#include "commands/Display.h"
#include "controllers/Comm.h"
#include "controllers/LedController.h"
#include "controllers/MotorControllers.h"

namespace qv {

class ControllerCommands {
 public:
  ControllerCommands(Display& display, Comm& comm, MotorControllers& motors, LedController& leds)
      : display_(display), comm_(comm), motors_(motors), leds_(leds) {}

  // The argument text goes to the line as it is; the reply is the controller's answer.
  std::string SendRaw(std::string arguments);
  // "LED" colour state, for a ready LED controller.
  std::string LedSubCommand(const std::string& colour, std::string& rest);

 private:
  Display& display_;
  Comm& comm_;
  MotorControllers& motors_;
  LedController& leds_;
};

}  // namespace qv
