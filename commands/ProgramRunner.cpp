#include "commands/ProgramRunner.h"

#include "commands/Replies.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

// Whether one of a line's replies, each followed by " ; ", is "Off ".
bool AnswersOff(std::string_view replies) {
  const std::string offReply = std::string(kOff) + std::string(kReplySeparator);
  for (size_t at = 0;;) {
    if (replies.substr(at).starts_with(offReply)) return true;
    const size_t separator = replies.find(kReplySeparator, at);
    if (separator == std::string_view::npos) return false;
    at = separator + kReplySeparator.size();
  }
}

}  // namespace

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
  // The end of a program is found by looking at the line after the one that ran; the first
  // line has no line before it, so an "End" there is seen before it would run. No loop is open
  // on the first line, so its indentation does not hide the "End".
  if (program.ProgPos == 1 && TrimBlanks(line) == "End") {
    result.kind = TickResult::Kind::Ended;
    EndRun(result, TickResult::End::Finished);
    return result;
  }
  result.reply = dispatcher_.ExecuteLine(source_, line);
  display_.ShowReply(result.reply);

  const bool failed = result.reply.find("Error ") != std::string::npos || AnswersOff(result.reply);
  const bool halted = program.ProgRunState == 0;
  const bool finished = interpreter_.NextProgLine() == "End";
  // A failure on the last line is a failure all the same.
  if (failed) {
    EndRun(result, TickResult::End::Failed);
  } else if (finished) {
    EndRun(result, TickResult::End::Finished);
  } else if (halted) {
    result.end = TickResult::End::Halted;
  }
  if (program.ProgRunState == 2) program.ProgRunState = 0;
  if (program.ProgRunState == 0) program.ProgHalted = 1;
  return result;
}

void ProgramRunner::EndRun(TickResult& result, TickResult::End end) {
  result.end = end;
  result.finalMessage = end == TickResult::End::Finished ? kProgramFinished : kProgramStopped;
  ProgramState& program = interpreter_.State();
  program.ProgRunState = 0;
  program.ProgHalted = 1;
  display_.Front().SetRunIndicator(false);
  display_.Front().EnableProgEditing(true);
  if (display_.IsFormLoaded(kProgramForm)) display_.Front().ProgramEnded(result.finalMessage);
}

}  // namespace qv
