#include "specimen/JoyCommands.h"

namespace qv {

int16_t JoyCommands::ReadJoyCmds() {
  const int count = trapar_.ReadList(trapar_.ParPath(kJoyCommandsFile), commands_);
  executor_.ExecuteCommand(source_, commands_.empty() ? std::string() : commands_[0]);
  return count < 0 ? int16_t{-1} : int16_t{1};
}

int16_t JoyCommands::WriteJoyCmds() {
  return trapar_.WriteList(commands_, trapar_.ParPath(kJoyCommandsFile));
}

}  // namespace qv
