#pragma once
// The command language's road: a line is cut at ";", every command is offered to the
// interpreter's statements and then looked up, exactly and case-sensitively, in the command
// table; the replies come back joined, each followed by " ; ".
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "commands/Display.h"
#include "commands/Interpreter.h"
#include "controllers/Clock.h"
#include "foundation/CommandExecutor.h"
#include "foundation/SharedState.h"

namespace qv {

// A handler takes the source that sent the command and the argument text (trimmed, after the
// command word) and returns the reply.
using CommandHandler = std::function<std::string(CommandSource& source, std::string arguments)>;

struct CommandEntry {
  std::string word;
  CommandHandler handler;
};

inline constexpr std::string_view kReplySeparator = " ; ";

class CommandDispatcher final : public CommandExecutor {
 public:
  CommandDispatcher(SharedState& state, Display& display, Interpreter& interpreter);

  // A command that runs keeps the table it was found in, even when the table is replaced under
  // its wait.
  void SetTable(std::vector<CommandEntry> table) {
    table_ = std::make_shared<const std::vector<CommandEntry>>(std::move(table));
  }
  // Once this is true the program is ending: no further command runs, each replies "Error ",
  // so the rest of a line or program cannot start a motion that the ending then has to stop.
  void SetEndRequested(std::function<bool()> endRequested) {
    endRequested_ = std::move(endRequested);
  }
  const std::vector<CommandEntry>& Table() const { return *table_; }

  // Runs every command of the line for `source`; the joined replies.
  std::string ExecuteLine(CommandSource& source, std::string_view line);
  std::string ExecuteCommand(CommandSource& source, std::string_view command) override;

  // The main window's execute steps (execute button, DDE requests): clear the message line and
  // the time field, let pending events run, run the line, then show the joined reply and the
  // milliseconds it took.
  std::string ExecuteFromWindow(CommandSource& source, std::string_view line, Clock& clock);

 private:
  std::string ExecutePieces(CommandSource& source, std::string_view line);

  SharedState& state_;
  Display& display_;
  Interpreter& interpreter_;
  std::shared_ptr<const std::vector<CommandEntry>> table_ =
      std::make_shared<const std::vector<CommandEntry>>();
  std::function<bool()> endRequested_;
};

}  // namespace qv
