#include "commands/ProgramRunner.h"

#include "foundation/NumberText.h"

namespace qv {

ProgramRunner::ProgramRunner(Interpreter& interpreter, CommandDispatcher& dispatcher,
                             Display& display, Clock& clock)
    : interpreter_(interpreter), dispatcher_(dispatcher), display_(display), clock_(clock) {}

TickResult ProgramRunner::Tick() {
  if (inTick_) return {TickResult::Kind::Busy, {}, {}};
  inTick_ = true;
  ProgramState& program = interpreter_.State();
  const int32_t now = clock_.TimeMs();
  if (program.ProgRunState == 1) interpreter_.ShowElapsed(ElapsedMs(program.ProgStartTime, now));

  TickResult result;
  if (program.ProgRunState != 0) result = RunOneLine();
  inTick_ = false;
  return result;
}

TickResult ProgramRunner::RunOneLine() {
  ProgramState& program = interpreter_.State();
  display_.ShowReply("");
  display_.Front().DoEvents();
  const std::string line = display_.Front().CommandText();
  TickResult result{TickResult::Kind::Ran, {}, {}};
  // The end of a program is found by looking at the line after the one that ran; the first
  // line has no line before it, so an "End" there is seen before it would run. No loop is open
  // on the first line, so its indentation does not hide the "End".
  if (program.ProgPos == 1 && TrimBlanks(line) == "End") {
    result.kind = TickResult::Kind::Ended;
    EndRun(result, kProgramFinished);
    return result;
  }
  result.reply = dispatcher_.ExecuteLine(line);
  display_.ShowReply(result.reply);

  const bool failed = result.reply.find("Error ") != std::string::npos;
  const bool finished = interpreter_.NextProgLine() == "End";
  if (failed || finished) EndRun(result, finished ? kProgramFinished : kProgramStopped);
  if (program.ProgRunState == 2) program.ProgRunState = 0;
  if (program.ProgRunState == 0) program.ProgHalted = 1;
  return result;
}

void ProgramRunner::EndRun(TickResult& result, std::string_view finalMessage) {
  result.finalMessage = finalMessage;
  ProgramState& program = interpreter_.State();
  program.ProgRunState = 0;
  program.ProgHalted = 1;
  display_.Front().SetRunIndicator(false);
  display_.Front().EnableProgEditing(true);
  if (display_.IsFormLoaded(kProgramForm)) display_.Front().ProgramEnded(result.finalMessage);
}

}  // namespace qv
