#pragma once
// Runs the loaded program one line per tick of the main window's 300 ms timer: the line in the
// command box is executed, the next line is loaded, and a failed line or the final "End" ends
// the run. A line failed when a reply holds "Error " or a command answered "Off " (its device is
// not ready, so it did nothing that the lines after it could rely on).
#include <string>

#include "commands/CommandDispatcher.h"
#include "commands/Display.h"
#include "commands/Interpreter.h"
#include "controllers/Clock.h"

namespace qv {

inline constexpr std::string_view kProgramFinished = "PROGRAM FINISHED";
inline constexpr std::string_view kProgramStopped = "PROGRAM STOPPED";

struct TickResult {
  enum class Kind {
    Busy,   // an earlier tick is still running (a command let window events run)
    Idle,   // no program runs: the front end may do its idle work when no command is busy
    Ran,    // one program line ran
    Ended,  // the run ended before a line ran: the program's first line is "End"
  };
  // How the run ended with this tick, if it did.
  enum class End {
    None,      // it goes on (or was not running)
    Finished,  // the program's end was reached and no line of this tick failed
    Failed,    // a line failed: "PROGRAM STOPPED"
    Halted,    // a "Stop" statement (or the Stop button) halted it; the window shows no message
  };
  Kind kind = Kind::Idle;
  std::string reply;         // the line's joined reply
  std::string finalMessage;  // "PROGRAM FINISHED" or "PROGRAM STOPPED" when it finished or failed
  End end = End::None;
};

class ProgramRunner {
 public:
  ProgramRunner(Interpreter& interpreter, CommandDispatcher& dispatcher, Display& display,
                Clock& clock);

  TickResult Tick();

 private:
  TickResult RunOneLine();
  void EndRun(TickResult& result, TickResult::End end);

  Interpreter& interpreter_;
  CommandDispatcher& dispatcher_;
  Display& display_;
  Clock& clock_;
  CommandSource source_;  // the program's own: its "Wait" follows the program's last device
  bool inTick_ = false;
};

}  // namespace qv
