// Command lines from anywhere (clients, programs, the command box) go through ExecuteLine; no
// line may crash, hang or break the program state. The input is also run as a program for a
// bounded number of timer ticks, so the loop statements see arbitrary text too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/System.h"
#include "fuzz/FuzzSupport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/ScriptedPort.h"

namespace {

class Windows final : public qv::FrontEnd {
 public:
  bool IsFormLoaded(std::string_view) const override { return true; }
  std::string CommandText() const override { return command; }
  void SetCommandText(const std::string& text) override { command = text; }
  std::string command;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  qv::fuzz::SilentNotifier notifier;
  qv::test::FakeClock clock;
  Windows windows;
  qv::test::SilentPort port(clock);
  qv::System system(qv::Platform{notifier, clock, windows, port});
  system.keywordFiles.SetParDir(qv::fuzz::FuzzFolder());  // files that commands write go there
  system.state.SymConst = {{"SLOW", std::string("200")}, {"BAD", std::string("x")}};

  const int32_t before = system.state.CommandCount;
  const std::string reply = system.ExecuteLine(input);
  if (system.state.CommandBusy != 0) abort();
  if (system.state.CommandCount < before) abort();
  if (!reply.empty() && reply.size() < 3) abort();  // every reply ends with " ; "

  qv::Interpreter& interp = system.interpreter;
  interp.State().ProgLines = qv::SplitLines(input);
  interp.SetRows(7);
  qv::IndentProgram(interp.State().ProgLines);
  interp.StartOver();
  interp.Run();
  for (int tick = 0; tick < 200 && interp.State().ProgRunState != 0; ++tick)
    system.runner.Tick();
  if (interp.State().ProgPos < 0 ||
      interp.State().ProgPos > static_cast<int>(interp.State().ProgLines.size())) {
    abort();
  }
  return 0;
}
