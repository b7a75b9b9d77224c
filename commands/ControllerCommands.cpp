#include "commands/ControllerCommands.h"

#include "commands/CommandText.h"
#include "commands/Replies.h"
#include "commands/ResultText.h"

namespace qv {

std::string ControllerCommands::SendRaw(std::string arguments) {
  std::string answer;
  const Result status = motors_.MotorRawCommand(arguments, answer);
  std::string reply;
  // Not sent: no driver took the text (a controller type the program does not know).
  if (status.ok()) {
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
  return OkOrError(leds_.LEDSet(colour, state));
}

}  // namespace qv
