#include "commands/ProgramRunner.h"

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
  // Taken before events run: a client's command served meanwhile shows itself in the same box.
  const std::string line = display_.Front().CommandText();
  display_.Front().DoEvents();
  TickResult result{TickResult::Kind::Ran, {}, {}};
  result.reply = dispatcher_.ExecuteLine(source_, line);
  display_.ShowReply(result.reply);

  const bool failed = result.reply.find("Error ") != std::string::npos;
  const bool finished = interpreter_.NextProgLine() == "End";
  if (failed || finished) {
    result.finalMessage = finished ? kProgramFinished : kProgramStopped;
    program.ProgRunState = 0;
    display_.Front().SetRunIndicator(false);
    display_.Front().EnableProgEditing(true);
    if (display_.IsFormLoaded(kProgramForm)) display_.Front().ProgramEnded(result.finalMessage);
  }
  if (program.ProgRunState == 2) program.ProgRunState = 0;
  if (program.ProgRunState == 0) program.ProgHalted = 1;
  return result;
}

}  // namespace qv
