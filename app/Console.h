#pragma once
// The console front end: command lines from a stream, one reply line each; programs run to
// their end. The front end stands in for the main window's command box and message line, so the
// program runner works exactly as it does behind the window; message boxes go to the error stream.
#include <functional>
#include <iosfwd>
#include <string>

#include "commands/FrontEnd.h"
#include "foundation/Notifier.h"

namespace qv {

class System;

class ConsoleFrontEnd final : public FrontEnd, public Notifier {
 public:
  explicit ConsoleFrontEnd(std::ostream& err) : err_(err) {}

  // The console is the main window and the program window at once, and cannot be hidden.
  bool IsFormLoaded(std::string_view formName) const override;
  std::vector<std::pair<std::string, std::string>> LoadedForms() const override;
  std::string CommandText() const override { return commandText_; }
  void SetCommandText(const std::string& text) override { commandText_ = text; }
  void SetMessage(const std::string& text) override { message_ = text; }
  std::string MessageText() const override { return message_; }
  void SetInterpMessage(const std::string& text) override;
  void ProgramEnded(const std::string& finalMessage) override;

  // Modal questions have nobody to answer them: they take the cautious answer.
  MsgResult MessageBox(const std::string& text, MsgIcon icon, const std::string& title,
                       MsgButtons buttons) override;
  void Beep() override {}

  // A console on an event loop (one that also serves socket clients) lets its events run during
  // a motion wait, as the window does; a plain console has none to serve.
  void SetEventPump(std::function<void()> pump) { pump_ = std::move(pump); }
  void DoEvents() override {
    if (pump_) pump_();
  }

  const std::string& Message() const { return message_; }

 private:
  std::ostream& err_;
  std::string commandText_;
  std::string message_;
  std::function<void()> pump_;
};

// Rows the console's program view keeps, as a window of that height would.
inline constexpr int kConsoleProgramRows = 25;

// Reads command lines until the end of `in` or until the program is told to end; writes each
// joined reply on a line of `out`, escaped so that it stays one line.
void RunConsole(System& system, std::istream& in, std::ostream& out);

// The exit status of a program run: it reached its end with no line failing; a line failed
// (or the file could not be read); a "Stop" statement halted it.
inline constexpr int kRunFinished = 0;
inline constexpr int kRunFailed = 1;
inline constexpr int kRunHalted = 3;

// Reads the program file and runs it from its first line to its end, writing each line's reply
// and the final message ("PROGRAM FINISHED", or "PROGRAM STOPPED" after a failure or a "Stop"
// statement) to `out`. The result is one of the statuses above.
int RunProgramFile(System& system, const std::string& path, std::ostream& out);

// The channel log (its messages each ended by CR LF) as text for a terminal: each message on a
// line of its own, ended by LF, with a controller's raw bytes escaped as the replies are.
std::string ChannelLogAsText(const std::string& log);

}  // namespace qv
