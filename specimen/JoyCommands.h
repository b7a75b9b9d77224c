#pragma once
// The command lines assigned to the joystick (QV_JOYCMDS.TXT): item 0 runs once whenever the
// list is loaded, item n is the command line of button n. They run as one source of commands.
#include <cstdint>

#include "foundation/CommandExecutor.h"
#include "foundation/KeywordFiles.h"

namespace qv {

inline constexpr const char* kJoyCommandsFile = "QV_JOYCMDS.TXT";

class JoyCommands {
 public:
  JoyCommands(KeywordFiles& keywordFiles, CommandExecutor& executor)
      : keywordFiles_(keywordFiles), executor_(executor) {}

  // Loads the list and runs item 0 (an empty command when the file is missing or empty); the
  // reply is dropped. 1 read, -1 file missing.
  int16_t ReadJoyCmds();
  int16_t WriteJoyCmds();

  PlainList& Commands() { return commands_; }
  CommandSource& Source() { return source_; }

 private:
  KeywordFiles& keywordFiles_;
  CommandExecutor& executor_;
  PlainList commands_;
  CommandSource source_;
};

}  // namespace qv
