#pragma once
// The program interpreter: the program held in memory, its five statements ("Repeat",
// "Endrepeat", "Stop", "End", "Call"), stepping from line to line, and the rows the program
// window shows. The runner that executes one line per timer tick is ProgramRunner.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "commands/Display.h"
#include "controllers/Clock.h"
#include "foundation/KeywordFiles.h"
#include "foundation/Notifier.h"

namespace qv {

struct ProgramState {
  PlainList ProgLines{"End"};  // the program, one element per line
  int ProgPos = 0;             // index of the line loaded next; the running one is ProgPos - 1
  int16_t ProgRunState = 0;    // 0 stopped, 1 running, 2 one single step requested
  int16_t ProgHalted = 1;      // 1: at rest, the program window may write edits back
  int ProgTop = 0;             // index of the first line the program window shows
  int ProgRows = 0;            // number of line rows the program window shows
  int ProgMarked = -1;         // row marked as current
  int32_t ProgStartTime = 0;   // TimeMs when the program was (re)started
  std::string ProgFile;        // full path of the program file last read or written
  std::vector<int> RowLine;    // line index each row's number button shows; -1 for none
  int32_t ShownTenths = -1;    // run time last shown, tenths of a second
  // The line last put into the command box, which the runner runs next. Commands of every
  // source show in that box too; they do not change the program's line.
  std::string CmdLine;
};

// Formats a program: 4 blanks per open "Repeat" level. 1 balanced; -1 unbalanced (an
// "Endrepeat" below level 0 stops the formatting there).
int16_t IndentProgram(PlainList& lines);

// The program as it is saved: "Repeat" lines as "Repeat" & Str(count) & " Times" without their
// indentation and loop counter, other lines unchanged. -1 with a message box when a "Repeat"
// line has no count of 0 or more.
int16_t NormaliseProgram(const PlainList& lines, PlainList& copy, Notifier& notifier);

class Interpreter {
 public:
  Interpreter(Display& display, Notifier& notifier, Clock& clock, KeywordFiles& keywordFiles);

  ProgramState& State() { return state_; }
  const ProgramState& State() const { return state_; }

  // 0 when the first word is not a statement; otherwise 1 done or -1 failed.
  int16_t InterpStatement(std::string_view line);
  int16_t ExecRepeat(std::string rest, int indent);
  int16_t ExecEndrepeat(int indent);
  int16_t ExecStop();

  // Loads the next line into the command box and returns it; "End" when there is none.
  std::string NextProgLine();
  int MarkProgRow(int row);
  void ShowProgRows(int firstLine, int firstRow, int count);
  void ShowInterpMessage(const std::string& text);
  void ShowElapsed(int32_t ms);
  // Scrolls the program window's view by n lines, kept within the program.
  void ScrollBy(int lines);
  // The number of rows the program window has room for.
  void SetRows(int rows);

  // Program window actions that do not need the window itself.
  void Run();
  void Step();
  void Stop();
  void StartOver();
  // Reads and formats a program file: the ReadList count, or -1 when it could not be read.
  int ReadProgram(const std::string& path);
  // Saves the normalised program: 1 written, -1 not.
  int16_t WriteProgram(const std::string& path);

 private:
  void RedrawRows();
  void LoadCmdLine(const std::string& line);
  int16_t RepeatSyntaxError(const std::string& lastWord, const std::string& rest);
  size_t LineIndent(int index, int statementIndent) const;
  void BuildLoopTable();
  // The innermost "Repeat" left open by the lines above `line`; -1 for none.
  int OpenRepeatAbove(int line);

  Display& display_;
  Notifier& notifier_;
  Clock& clock_;
  KeywordFiles& keywordFiles_;
  ProgramState state_;
  std::vector<int> openRepeat_;  // per line and one past the last: OpenRepeatAbove, or -1
  bool loopTableValid_ = false;  // openRepeat_ was made during the current run
};

}  // namespace qv
