#include "commands/GeneralCommands.h"

#include "commands/CommandText.h"
#include "commands/Replies.h"
#include "foundation/NumberText.h"

namespace qv {

GeneralCommands::GeneralCommands(SharedState& state, Display& display, Interpreter& interpreter,
                                 Clock& clock, CommandExecutor& executor)
    : state_(state),
      display_(display),
      interpreter_(interpreter),
      clock_(clock),
      executor_(executor) {}

std::string GeneralCommands::CmdDelay(std::string arguments) {
  const std::string command = "Delay " + arguments;
  std::string word;
  std::string reply;
  if (SplitWord(arguments, word) == 0) {
    reply = kMissingArgument;
  } else if (!ResolveSymbol(word, state_.SymConst)) {
    reply = kNotANumber;
  } else if (const std::optional<int32_t> ms = TextToInt32(word); !ms) {
    reply = kError;  // a number, but not one that fits the 32-bit delay
  } else {
    clock_.DelayMs(*ms);
    // A delay that a stop signal cut short did not wait its time.
    reply = clock_.EndRequested() ? std::string(kError) : word;
  }
  display_.ShowCmdAndReply(command, reply);
  return reply;
}

std::string GeneralCommands::CmdWait(CommandSource& source, std::string /*arguments*/) {
  if (source.LastDevice.empty()) return "1";
  return executor_.ExecuteCommand(source, source.LastDevice + " Wait");
}

std::string GeneralCommands::CmdMessage(std::string arguments) {
  interpreter_.ShowInterpMessage(arguments);
  return {};
}

std::string GeneralCommands::CmdShow(std::string /*arguments*/) {
  display_.Front().ShowMainWindow();
  return std::string(kOk);
}

std::string GeneralCommands::CmdHide(std::string /*arguments*/) {
  display_.Front().HideMainWindow();
  return std::string(kOk);
}

std::string GeneralCommands::CmdUnload(std::string /*arguments*/) {
  display_.Front().UnloadMainWindow();
  return std::string(kOk);
}

std::string GeneralCommands::CmdEnd(std::string /*arguments*/) {
  return std::string(kOk);
}

std::string GeneralCommands::CmdSnap(std::string /*arguments*/) {
  if (capture_) capture_();
  return std::string(kOk);
}

std::string GeneralCommands::CmdCommandCount(std::string /*arguments*/) {
  return Str(static_cast<double>(state_.CommandCount));
}

std::string GeneralCommands::CmdVer(std::string /*arguments*/) {
  return std::string(kLanguageVersion);
}

}  // namespace qv
