#pragma once
// The commands that speak to controllers directly: "CON" sends a raw text to the line, and the
// "LED" device word switches one illumination colour.
#include <string>

#include "commands/Display.h"
#include "controllers/Comm.h"
#include "controllers/LedController.h"
#include "controllers/MotCon.h"

namespace qv {

class ControllerCommands {
 public:
  ControllerCommands(Display& display, Comm& comm, MotCon& motCon, LedController& leds)
      : display_(display), comm_(comm), motCon_(motCon), leds_(leds) {}

  // The argument text goes to the line as it is; the reply is the controller's answer.
  std::string CmdCON(std::string arguments);
  // "LED" colour state, for a ready LED controller.
  std::string LedSubCommand(const std::string& colour, std::string& rest);

 private:
  Display& display_;
  Comm& comm_;
  MotCon& motCon_;
  LedController& leds_;
};

}  // namespace qv
