#include "specimen/JoyCommands.h"

namespace qv {

int16_t JoyCommands::ReadJoyCmds() {
  const int count = keywordFiles_.ReadList(keywordFiles_.ParPath(kJoyCommandsFile), commands_);
  executor_.ExecuteCommand(source_, commands_.empty() ? std::string() : commands_[0]);
  return count < 0 ? int16_t{-1} : int16_t{1};
}

int16_t JoyCommands::WriteJoyCmds() {
  return keywordFiles_.WriteList(commands_, keywordFiles_.ParPath(kJoyCommandsFile));
}

}  // namespace qv
