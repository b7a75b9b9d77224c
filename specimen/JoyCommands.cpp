#include "specimen/JoyCommands.h"

namespace qv {

int16_t JoyCommands::ReadJoyCmds() {
  trapar_.SetParFile(kJoyCommandsFile);
  const int count = trapar_.ReadListFile(commands_);
  executor_.ExecuteCommand(source_, commands_.empty() ? std::string() : commands_[0]);
  return count < 0 ? int16_t{-1} : int16_t{1};
}

int16_t JoyCommands::WriteJoyCmds() {
  trapar_.SetParFile(kJoyCommandsFile);
  return trapar_.WriteListFile(commands_);
}

}  // namespace qv
