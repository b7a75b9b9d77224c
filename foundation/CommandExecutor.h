#pragma once
// How modules below the command language run a command line of it (joystick buttons, the
// joystick command list) without depending on the dispatcher.
#include <string>
#include <string_view>

namespace qv {

// One source of commands: the operator (the main window with its menus and DDE requests, or the
// console in its place), an automation client, a line-server client, the program runner, the
// joystick's command list. What a command leaves behind for the next command of the same source
// lives here and not in the process, since another source's commands run inside this one's
// waits and dialogs.
struct CommandSource {
  std::string LastDevice;  // device word of this source's last device command, used by "Wait"
};

class CommandExecutor {
 public:
  virtual ~CommandExecutor() = default;
  virtual std::string ExecuteCommand(CommandSource& source, std::string_view command) = 0;
};

}  // namespace qv
