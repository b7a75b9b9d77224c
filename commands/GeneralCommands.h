#pragma once
// The commands that need no device: "Delay", "Wait", "!", "Show", "Hide", "Unload", "End",
// "Snap", "CommandCount" and "Ver".
#include <functional>
#include <string>
#include <vector>

#include "commands/CommandDispatcher.h"
#include "commands/Display.h"
#include "commands/Interpreter.h"
#include "controllers/Clock.h"
#include "foundation/CommandExecutor.h"
#include "foundation/SharedState.h"
#include "foundation/Version.h"

namespace qv {

class GeneralCommands {
 public:
  GeneralCommands(SharedState& state, Display& display, Interpreter& interpreter, Clock& clock,
                  CommandExecutor& executor);

  // The capture program's trigger; "Snap" replies "OK " whatever it returns.
  void SetCaptureTrigger(std::function<int16_t()> trigger) { capture_ = std::move(trigger); }

  std::string CmdDelay(std::string arguments);
  // Waits for the source's own last device: another source's device word does not count.
  std::string CmdWait(CommandSource& source, std::string arguments);
  std::string CmdMessage(std::string arguments);
  std::string CmdShow(std::string arguments);
  std::string CmdHide(std::string arguments);
  std::string CmdUnload(std::string arguments);
  std::string CmdEnd(std::string arguments);
  std::string CmdSnap(std::string arguments);
  std::string CmdCommandCount(std::string arguments);
  std::string CmdVer(std::string arguments);

 private:
  SharedState& state_;
  Display& display_;
  Interpreter& interpreter_;
  Clock& clock_;
  CommandExecutor& executor_;
  std::function<int16_t()> capture_;
};

}  // namespace qv
