#include "app/Console.h"

#include <istream>
#include <ostream>

#include "app/System.h"
#include "commands/ProgramRunner.h"
#include "commands/ReplyEscape.h"

namespace qv {

bool ConsoleFrontEnd::IsFormLoaded(std::string_view formName) const {
  return formName == kMainForm || formName == kProgramForm;
}

std::vector<std::pair<std::string, std::string>> ConsoleFrontEnd::LoadedForms() const {
  return {{std::string(kMainForm), "Quorvalin"}, {std::string(kProgramForm), "Console"}};
}

void ConsoleFrontEnd::SetInterpMessage(const std::string& text) {
  err_ << text << '\n';
}

// RunProgramFile writes the final message after the line's reply.
void ConsoleFrontEnd::ProgramEnded(const std::string& /*finalMessage*/) {}

MsgResult ConsoleFrontEnd::MessageBox(const std::string& text, MsgIcon /*icon*/,
                                      const std::string& title, MsgButtons buttons) {
  // One line per message: the line breaks of a message box become blanks.
  std::string oneLine;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool crlf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
    if (text[i] == '\r' || text[i] == '\n') {
      oneLine += ' ';
      if (crlf) ++i;
    } else {
      oneLine += text[i];
    }
  }
  err_ << (title.empty() ? "Quorvalin" : title) << ": " << oneLine << '\n';
  switch (buttons) {
    case MsgButtons::OkCancel:
      return MsgResult::Cancel;
    case MsgButtons::YesNo:
      return MsgResult::No;
    case MsgButtons::Ok:
      break;
  }
  return MsgResult::Ok;
}

void RunConsole(System& system, std::istream& in, std::ostream& out) {
  std::string line;
  // A program told to end reads no further line.
  while (!system.platform.clock.EndRequested() && std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out << EscapeForLine(system.ExecuteLine(line)) << '\n' << std::flush;
  }
}

int RunProgramFile(System& system, const std::string& path, std::ostream& out) {
  Interpreter& interpreter = system.interpreter;
  interpreter.SetRows(kConsoleProgramRows);
  if (interpreter.ReadProgram(path) < 0) return kRunFailed;
  interpreter.StartOver();
  interpreter.Run();
  TickResult::End end = TickResult::End::None;
  while (interpreter.State().ProgRunState != 0) {
    const TickResult tick = system.runner.Tick();
    if (tick.kind == TickResult::Kind::Ran) out << EscapeForLine(tick.reply) << '\n';
    end = tick.end;
    // A "Stop" statement ends the run too; the window shows nothing for it, the console says so.
    if (end == TickResult::End::Halted) out << kProgramStopped << '\n';
    if (!tick.finalMessage.empty()) out << tick.finalMessage << '\n';
    out << std::flush;
  }
  switch (end) {
    case TickResult::End::Finished:
      return kRunFinished;
    case TickResult::End::Halted:
      return kRunHalted;
    case TickResult::End::Failed:
    case TickResult::End::None:
      break;
  }
  return kRunFailed;
}

std::string ChannelLogAsText(const std::string& log) {
  std::string text;
  size_t start = 0;
  for (size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2)
    text += EscapeForLine(std::string_view(log).substr(start, end - start)) + '\n';
  return text;
}

}  // namespace qv
