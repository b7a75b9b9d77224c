#include "commands/ControllerCommands.h"

#include "commands/CommandText.h"
#include "commands/Replies.h"

namespace qv {

std::string ControllerCommands::SendRaw(std::string arguments) {
  std::string answer;
  const int16_t status = motors_.MotorRawCommand(arguments, answer);
  std::string reply;
  // 0: no driver took the text (a controller type the program does not know), nothing was sent.
  if (status > 0) {
    reply = answer;
  } else {
    comm_.CommLogAppend("CON " + arguments + "\\" + answer);
    reply = std::string(kError) + answer;
  }
  display_.ShowCmdAndReply("CON " + arguments, reply);
  return reply;
}

std::string ControllerCommands::LedSubCommand(const std::string& colour, std::string& rest) {
  std::string state;
  if (SplitWord(rest, state) == 0) return std::string(kNoValue);
  return leds_.LEDSet(colour, state) >= 1 ? std::string(kOk) : std::string(kError);
}

}  // namespace qv
