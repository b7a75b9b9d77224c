#include "commands/CommandDispatcher.h"

#include "commands/CommandText.h"
#include "commands/Replies.h"
#include "foundation/NumberText.h"
#include "foundation/TextEncoding.h"

namespace qv {

CommandDispatcher::CommandDispatcher(SharedState& state, Display& display, Interpreter& interpreter)
    : state_(state), display_(display), interpreter_(interpreter) {}

std::string CommandDispatcher::ExecuteLine(CommandSource& source, std::string_view line) {
  // Texts are UTF-8; a line that is not (a terminal set to the old code page) is read as
  // Windows-1252, as an old file is, so that its characters are stored as they were meant.
  if (!IsValidUtf8(line)) return ExecutePieces(source, Windows1252ToUtf8(line));
  return ExecutePieces(source, line);
}

std::string CommandDispatcher::ExecutePieces(CommandSource& source, std::string_view line) {
  std::string_view rest = TrimBlanks(line);
  std::string result;
  std::string_view piece;
  // An empty piece ends the line: "F Home;;B Home" runs only the first command.
  while (NextToken(rest, piece, ";") > 0) {
    result += ExecuteCommand(source, piece);
    result += kReplySeparator;
  }
  return result;
}

std::string CommandDispatcher::ExecuteFromWindow(CommandSource& source, std::string_view line,
                                                 Clock& clock) {
  const bool shown = display_.MainFormLoaded();
  FrontEnd& front = display_.Front();
  if (shown) {
    front.SetMessage("");
    front.SetTimeText("");
  }
  front.DoEvents();
  const int32_t start = clock.TimeMs();
  std::string reply = ExecuteLine(source, line);
  if (shown) {
    front.SetMessage(reply);
    front.SetTimeText(Str(static_cast<double>(ElapsedMs(start, clock.TimeMs()))));
  }
  return reply;
}

std::string CommandDispatcher::ExecuteCommand(CommandSource& source, std::string_view command) {
  if (endRequested_ && endRequested_()) return std::string(kError);
  const CommandBusyScope busy(state_);
  // A 32-bit counter that wraps after 2^31 commands instead of overflowing.
  state_.CommandCount = static_cast<int32_t>(static_cast<uint32_t>(state_.CommandCount) + 1u);

  std::string reply;
  const int16_t statement = interpreter_.InterpStatement(command);
  if (statement == 1) {
    reply = kOk;
  } else if (statement != 0) {
    reply = kError;
  } else {
    std::string arguments(TrimBlanks(command));
    std::string word;
    if (SplitWord(arguments, word) > 0) {
      reply = kUnknownCommand;
      bool found = false;
      const std::shared_ptr<const std::vector<CommandEntry>> table = table_;
      for (const CommandEntry& entry : *table) {
        if (entry.word == word) {
          reply = entry.handler(source, arguments);
          found = true;
          break;
        }
      }
      if (!found) display_.ShowReply(reply);
    }
  }
  return reply;
}

}  // namespace qv
