#include "commands/Interpreter.h"

#include <algorithm>

#include "commands/CommandText.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

// The statement word of a line, as SplitWord takes it, without copying the line.
std::string_view FirstWord(std::string_view line) {
  const std::string_view trimmed = TrimLeadingBlanks(line);
  return trimmed.substr(0, trimmed.find(' '));
}

int LeadingBlanks(std::string_view line) {
  return static_cast<int>(TrimTrailingBlanks(line).size() - TrimBlanks(line).size());
}

// Built in one piece: the indentation of a deeply nested line is most of its text.
std::string Indented(size_t blanks, std::string_view text) {
  std::string line;
  line.reserve(blanks + text.size());
  line.append(blanks, ' ').append(text);
  return line;
}

std::string RepeatLine(size_t blanks, int16_t count) {
  return Indented(blanks, "Repeat" + Str(count) + " Times");
}

}  // namespace

int16_t IndentProgram(PlainList& lines) {
  int level = 0;
  for (std::string& line : lines) {
    const std::string_view word = FirstWord(line);
    if (word.empty()) continue;
    if (word == "Endrepeat") {
      level -= 4;
      if (level < 0) return -1;
    }
    const bool opens = word == "Repeat";
    line = Indented(static_cast<size_t>(level), TrimBlanks(line));
    if (opens) level += 4;
  }
  return level == 0 ? 1 : -1;
}

int16_t NormaliseProgram(const PlainList& lines, PlainList& copy, Notifier& notifier) {
  PlainList result;
  result.reserve(lines.size());
  for (size_t index = 0; index < lines.size(); ++index) {
    std::string rest = lines[index];
    std::string word;
    SplitWord(rest, word);
    if (word != "Repeat") {
      result.push_back(lines[index]);
      continue;
    }
    std::string countWord;
    SplitWord(rest, countWord);
    const std::optional<int16_t> count = TextToInt16(countWord);
    if (!count || *count < 0) {
      notifier.MessageBox("Error in Command #" + Str(static_cast<double>(index)) + "\r\n" +
                          lines[index]);
      return -1;
    }
    result.push_back(RepeatLine(0, *count));
  }
  copy = std::move(result);
  return 1;
}

Interpreter::Interpreter(Display& display, Notifier& notifier, Clock& clock,
                         KeywordFiles& keywordFiles)
    : display_(display), notifier_(notifier), clock_(clock), keywordFiles_(keywordFiles) {}

int16_t Interpreter::InterpStatement(std::string_view line) {
  const int indent = LeadingBlanks(line);
  std::string rest(TrimBlanks(line));
  std::string word;
  if (SplitWord(rest, word) == 0) return 0;
  if (word == "Repeat") return ExecRepeat(rest, indent);
  if (word == "Endrepeat") return ExecEndrepeat(indent);
  if (word == "Stop") return ExecStop();
  if (word == "End" || word == "Call") return 1;
  return 0;
}

int16_t Interpreter::RepeatSyntaxError(const std::string& lastWord, const std::string& rest) {
  ShowInterpMessage(" SYNTAX ERROR:" + lastWord + " ? " + rest);
  return -1;
}

// The rewritten loop line keeps the indentation the program gave it: the command box text
// reaches the statement trimmed, so its own indentation is usually gone.
size_t Interpreter::LineIndent(int index, int statementIndent) const {
  return static_cast<size_t>(statementIndent > 0 ? statementIndent
                                                 : LeadingBlanks(state_.ProgLines[index]));
}

int16_t Interpreter::ExecRepeat(std::string rest, int indent) {
  ShowInterpMessage("Executing Repeat." + rest);
  std::string word;
  std::string last;  // the last word taken, named by a syntax error
  const auto take = [&rest, &word, &last] {
    if (SplitWord(rest, word) == 0) return false;
    last = word;
    return true;
  };
  if (!take()) return RepeatSyntaxError(last, rest);
  const std::optional<int16_t> count = TextToInt16(word);
  // A negative count would be written back as "Repeat-3 Times", which no longer reads as a loop.
  if (!count || *count < 0) return RepeatSyntaxError(last, rest);
  if (!take() || word != "Times") return RepeatSyntaxError(last, rest);

  int32_t iteration = 1;
  if (take()) {  // ":" of a loop that is already running
    take();      // "Rep.#"
    take();
    const std::optional<int16_t> done = TextToInt16(word);
    if (!done || *done == INT16_MAX) return RepeatSyntaxError(last, rest);
    iteration = *done + 1;
  }
  // The loop counts in its own line; without a current line (no program has run) it has none.
  const int current = state_.ProgPos - 1;
  if (current < 0 || current >= static_cast<int>(state_.ProgLines.size())) {
    return RepeatSyntaxError(last, rest);
  }
  state_.ProgLines[current] =
      Indented(LineIndent(current, indent),
               "Repeat" + Str(*count) + " Times : Rep.#" + Str(static_cast<double>(iteration)));
  display_.Front().ProgRowsChanged();
  return 1;
}

// One pass over the program with a stack of open loops gives, for every line, the "Repeat" that
// counting nesting upward from the line above it finds: an "Endrepeat" closes the innermost open
// loop, and one without an open loop closes nothing.
void Interpreter::BuildLoopTable() {
  const PlainList& lines = state_.ProgLines;
  openRepeat_.assign(lines.size() + 1, -1);
  std::vector<int> open;
  for (size_t i = 0; i < lines.size(); ++i) {
    openRepeat_[i] = open.empty() ? -1 : open.back();
    const std::string_view word = FirstWord(lines[i]);
    if (word == "Repeat") open.push_back(static_cast<int>(i));
    if (word == "Endrepeat" && !open.empty()) open.pop_back();
  }
  openRepeat_[lines.size()] = open.empty() ? -1 : open.back();
}

// While a program runs or steps, its lines change only by their loop counters (the program
// window writes edits back only at rest), so the table made at a run's first "Endrepeat" holds
// until the run ends: deep loops cost time in proportion to the program, not to its depth
// times its length. A statement given outside a run reads the program as it stands.
int Interpreter::OpenRepeatAbove(int line) {
  if (line <= 0) return -1;
  line = std::min(line, static_cast<int>(state_.ProgLines.size()));
  const bool running = state_.ProgRunState != 0;
  if (!running || !loopTableValid_ || openRepeat_.size() != state_.ProgLines.size() + 1) {
    BuildLoopTable();
  }
  loopTableValid_ = running;
  return openRepeat_[static_cast<size_t>(line)];
}

int16_t Interpreter::ExecEndrepeat(int indent) {
  ShowInterpMessage("Executing Endrepeat.");
  const int match = OpenRepeatAbove(state_.ProgPos - 1);
  const auto syntaxError = [this] {
    ShowInterpMessage(" SYNTAX ERROR");
    return int16_t{-1};
  };
  if (match < 0) return syntaxError();

  std::string rest(TrimBlanks(state_.ProgLines[match]));
  std::string word;
  SplitWord(rest, word);  // "Repeat"
  SplitWord(rest, word);
  const std::optional<int16_t> count = TextToInt16(word);
  if (!count) return syntaxError();
  for (int i = 0; i < 4; ++i) {  // "Times", ":", "Rep.#" and the iteration number
    if (SplitWord(rest, word) == 0) return syntaxError();
  }
  const std::optional<int16_t> done = TextToInt16(word);
  if (!done) return syntaxError();

  if (*done < *count) {
    state_.ProgPos = match;
    if (match < state_.ProgTop) {
      state_.ProgTop = match;
      RedrawRows();
    }
    return 1;
  }
  state_.ProgLines[match] = RepeatLine(LineIndent(match, indent), *count);
  display_.Front().ProgRowsChanged();
  return 1;
}

int16_t Interpreter::ExecStop() {
  state_.ProgRunState = 0;
  state_.ProgHalted = 1;
  display_.Front().SetRunIndicator(false);
  return 1;
}

std::string Interpreter::NextProgLine() {
  const int count = static_cast<int>(state_.ProgLines.size());
  if (state_.ProgPos >= count) return "End";
  if (state_.ProgPos < 0) state_.ProgPos = 0;
  std::string text = state_.ProgLines[state_.ProgPos];
  if (state_.ProgRows > 0) {
    if (state_.ProgPos - state_.ProgTop >= state_.ProgRows) {
      state_.ProgTop =
          std::max(0, std::min(state_.ProgTop + state_.ProgRows, count - state_.ProgRows));
      RedrawRows();
    }
    if (state_.ProgPos < state_.ProgTop) {  // a jump back above the view
      state_.ProgTop = state_.ProgPos;
      RedrawRows();
    }
  }
  // The line is the runner's next one even when no row shows it.
  if (MarkProgRow(state_.ProgPos - state_.ProgTop) != state_.ProgPos) LoadCmdLine(text);
  ++state_.ProgPos;
  return text;
}

int Interpreter::MarkProgRow(int row) {
  const int previous = state_.ProgMarked;
  state_.ProgMarked = row;
  display_.Front().ProgRowMarked(previous, row);
  if (row < 0 || row >= static_cast<int>(state_.RowLine.size())) return -1;
  const int index = state_.RowLine[row];
  if (index < 0 || index >= static_cast<int>(state_.ProgLines.size())) return -1;
  LoadCmdLine(state_.ProgLines[index]);
  return index;
}

void Interpreter::LoadCmdLine(const std::string& line) {
  state_.CmdLine = line;
  display_.ShowCmd(line);
}

void Interpreter::ShowProgRows(int firstLine, int firstRow, int count) {
  const int16_t halted = state_.ProgHalted;
  state_.ProgHalted = 0;  // the rows' leave events must not write back while they are filled
  for (int k = 0; k < count; ++k) {
    const int row = firstRow + k;
    const int line = firstLine + k;
    if (row >= state_.ProgRows || row < 0) break;
    if (line >= static_cast<int>(state_.ProgLines.size())) break;
    state_.RowLine[row] = line;
  }
  display_.Front().ProgRowsChanged();
  state_.ProgHalted = halted;
}

void Interpreter::RedrawRows() {
  std::fill(state_.RowLine.begin(), state_.RowLine.end(), -1);
  ShowProgRows(state_.ProgTop, 0, state_.ProgRows);
}

void Interpreter::ScrollBy(int lines) {
  const int count = static_cast<int>(state_.ProgLines.size());
  const int top = std::max(0, std::min(state_.ProgTop + lines, count - state_.ProgRows));
  if (top == state_.ProgTop) return;
  state_.ProgTop = top;
  RedrawRows();
}

void Interpreter::SetRows(int rows) {
  state_.ProgRows = std::max(0, rows);
  state_.RowLine.assign(static_cast<size_t>(state_.ProgRows), -1);
  ShowProgRows(state_.ProgTop, 0, state_.ProgRows);
}

void Interpreter::ShowInterpMessage(const std::string& text) {
  if (display_.IsFormLoaded(kProgramForm)) display_.Front().SetInterpMessage(text);
}

void Interpreter::ShowElapsed(int32_t ms) {
  // Tenths are kept in 32 bits, so runs of days still show their true length.
  const int32_t tenths = RoundToInt32(ms / 100.0).value_or(0);
  if (tenths == state_.ShownTenths) return;
  state_.ShownTenths = tenths;
  if (display_.IsFormLoaded(kProgramForm)) {
    display_.Front().SetProgTime(GeneralText(tenths / 10.0));
  }
}

void Interpreter::Run() {
  loopTableValid_ = false;  // the program may have been edited at rest
  display_.Front().EnableProgEditing(false);
  state_.ProgRunState = 1;
  state_.ProgHalted = 0;
  display_.Front().SetRunIndicator(true);
  state_.ProgStartTime = clock_.TimeMs();
  ShowInterpMessage("PROGRAM (RE)STARTED");
}

void Interpreter::Step() {
  loopTableValid_ = false;
  state_.ProgRunState = 2;
  state_.ProgHalted = 0;
  display_.Front().SetRunIndicator(false);
}

void Interpreter::Stop() {
  ExecStop();
  display_.Front().EnableProgEditing(true);
  ShowInterpMessage("PROGRAM INTERRUPTED");
}

void Interpreter::StartOver() {
  if (state_.ProgTop > 0) {
    state_.ProgTop = 0;
    RedrawRows();
  }
  state_.ProgPos = 0;
  NextProgLine();
}

int Interpreter::ReadProgram(const std::string& path) {
  const int count = keywordFiles_.ReadList(path, state_.ProgLines);
  if (count < 0) {
    ShowInterpMessage("Program not read");
    return -1;
  }
  state_.ProgFile = path;
  const int16_t balanced = IndentProgram(state_.ProgLines);
  state_.ProgTop = 0;
  RedrawRows();
  state_.ProgHalted = 1;
  ShowInterpMessage(balanced > 0 ? "Program read" : "Program has mistakes");
  return count;
}

int16_t Interpreter::WriteProgram(const std::string& path) {
  PlainList copy;
  if (NormaliseProgram(state_.ProgLines, copy, notifier_) < 0 ||
      keywordFiles_.WriteList(copy, path) < 0) {
    ShowInterpMessage("Program not written");
    return -1;
  }
  state_.ProgFile = path;
  ShowInterpMessage("Program written");
  return 1;
}

}  // namespace qv
