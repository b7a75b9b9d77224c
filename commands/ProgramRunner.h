#pragma once
// Runs the loaded program one line per tick of the main window's 300 ms timer: the line in the
// command box is executed, the next line is loaded, and an "Error " reply or the final "End"
// stops the run.
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
    Busy,  // an earlier tick is still running (a command let window events run)
    Idle,  // no program runs: the front end may do its idle work when no command is busy
    Ran,   // one program line ran
  };
  Kind kind = Kind::Idle;
  std::string reply;         // the line's joined reply
  std::string finalMessage;  // set when the run ended with this line
};

class ProgramRunner {
 public:
  ProgramRunner(Interpreter& interpreter, CommandDispatcher& dispatcher, Display& display,
                Clock& clock);

  TickResult Tick();

 private:
  TickResult RunOneLine();

  Interpreter& interpreter_;
  CommandDispatcher& dispatcher_;
  Display& display_;
  Clock& clock_;
  CommandSource source_;  // the program's own: its "Wait" follows the program's last device
  bool inTick_ = false;
};

}  // namespace qv
