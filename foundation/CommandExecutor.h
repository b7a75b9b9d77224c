#pragma once
// How modules below the command language run a command line of it (joystick buttons, the
// joystick command list) without depending on the dispatcher.
#include <string>
#include <string_view>

namespace qv {

class CommandExecutor {
 public:
  virtual ~CommandExecutor() = default;
  virtual std::string ExecuteCommand(std::string_view command) = 0;
};

}  // namespace qv
