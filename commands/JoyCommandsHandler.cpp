#include "commands/JoyCommandsHandler.h"

#include "commands/CommandText.h"
#include "commands/Replies.h"

namespace qv {

std::string JoyCommandsHandler::CmdJoy(std::string arguments) {
  const CommandBusyScope busy(state_);
  const std::string command = "Joy " + arguments;
  std::string word;
  std::string reply(kOk);
  if (SplitWord(arguments, word) == 0) {
    reply = kMissingArgument;
  } else if (word == "ToggleAxes") {
    joystick_.ToggleAxes();
  } else if (word == "XY") {
    joystick_.SetAxesWZ(0);
  } else if (word == "WZ") {
    joystick_.SetAxesWZ(1);
  } else if (word == "On") {
    joystick_.SetOn(true);  // stays off unless the stick reads and rests in the centre
  } else if (word == "Off") {
    joystick_.SetOn(false);
  } else {
    reply = kError;
  }
  display_.ShowCmdAndReply(command, reply);
  if (display_.MainFormLoaded()) display_.Front().JoyVisibility();
  return reply;
}

}  // namespace qv
