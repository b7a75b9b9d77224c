// Bytes from a socket client, in chunks of any size: cut into lines, each line run as an
// automation client's command line, each answered by exactly one line. Lines longer than the
// limit (small for some inputs, so that the limit is met often) are answered with the error line
// and never run. The first input byte picks the limit, the second the chunk sizes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/System.h"
#include "commands/Automation.h"
#include "commands/LineSession.h"
#include "fuzz/FuzzSupport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/ScriptedPort.h"

namespace {

// The lines the session must run (nullopt: too long, answered with the error line), worked out
// without the splitter: a line is too long when, without one CR before its LF, it is longer than
// the limit; an unfinished last line counts once it can no longer end within the limit.
std::vector<std::optional<std::string>> ExpectedLines(std::string_view stream, size_t limit) {
  std::vector<std::optional<std::string>> lines;
  size_t lf;
  while ((lf = stream.find('\n')) != std::string_view::npos) {
    std::string_view line = stream.substr(0, lf);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line.size() > limit ? std::nullopt : std::optional<std::string>(line));
    stream.remove_prefix(lf + 1);
  }
  if (stream.size() > limit + 1 || (stream.size() == limit + 1 && stream.back() != '\r'))
    lines.push_back(std::nullopt);
  return lines;
}

bool OneLine(const std::string& answer) {
  if (answer.empty() || answer.back() != '\n') return false;
  return answer.find_first_of(std::string_view("\n\r\0", 3)) == answer.size() - 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t limit = data[0] < 128 ? size_t{1} + data[0] : qv::kMaxClientLine;
  uint32_t chunks = data[1];  // seeds the chunk sizes
  const std::string_view stream(reinterpret_cast<const char*>(data) + 2, size - 2);

  qv::fuzz::SilentNotifier notifier;
  qv::test::FakeClock clock;
  qv::FrontEnd windows;
  qv::test::SilentPort port(clock);
  qv::System system(qv::Platform{notifier, clock, windows, port});
  system.keywordFiles.SetParDir(qv::fuzz::FuzzFolder());  // files that commands write go there
  system.state.SymConst = {{"SLOW", std::string("200")}};
  bool windowLoaded = true;
  qv::Automation automation(
      system.state, system.dispatcher,
      qv::Automation::Hooks{[] { return false; }, [&] { return windowLoaded; }, [] {}});
  automation.CreateObject("tcp:1");

  std::vector<std::optional<std::string>> lines;  // what ran (nullopt: the error line)
  qv::LineSession session(
      limit, qv::LineSession::Hooks{[&](const std::string& line) {
                                      lines.emplace_back(line);
                                      return automation.Exec("tcp:1", line);
                                    },
                                    [&](const std::string& answer) {
                                      qv::fuzz::Check(OneLine(answer));
                                      if (answer == qv::LineSession::TooLongAnswer(limit))
                                        lines.emplace_back(std::nullopt);
                                    },
                                    {}});
  for (size_t at = 0; at < stream.size();) {
    chunks = chunks * 1103515245u + 12345u;
    const size_t chunk = 1 + (chunks >> 16) % 97;
    session.Feed(stream.substr(at, chunk));
    at += chunk;
  }
  qv::fuzz::Check(!session.Running() && session.QueuedBytes() == 0);
  qv::fuzz::Check(lines == ExpectedLines(stream, limit));
  qv::fuzz::Check(system.state.CommandBusy == 0);
  automation.ReleaseObject("tcp:1");
  windowLoaded = false;
  qv::fuzz::Check(automation.MayEnd());
  return 0;
}
