// The specimen words ("Obj", "Scan", "Area", "Grid", "Mag", "Objective", "Joy") with any
// arguments: through ExecuteLine as clients send them, and straight to the scan handlers, on
// a scan with a layout and a stage that is ready but never answers. No input may crash, hang,
// leave the program busy or produce a layout the field numbers cannot carry.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "app/System.h"
#include "commands/CommandText.h"
#include "commands/ScanCommands.h"
#include "fuzz/FuzzSupport.h"
#include "specimen/Scan.h"
#include "tests/support/FakeClock.h"
#include "tests/support/ScriptedPort.h"

namespace {

using qv::fuzz::SilentNotifier;

class Windows final : public qv::FrontEnd {
 public:
  bool IsFormLoaded(std::string_view) const override { return true; }
};

void CheckLayout(const qv::Scan& scan) {
  const qv::FieldLayout& layout = scan.Layout();
  if (layout.NX < 0 || layout.NY < 0) abort();
  if (scan.NumFields() > qv::kMaxFields) abort();
  if (scan.NumFields() > 0 && (!(layout.StepX > 0) || !(layout.StepY > 0))) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  SilentNotifier notifier;
  qv::test::FakeClock clock;
  Windows windows;
  qv::test::SilentPort port(clock);
  qv::System system(qv::Platform{notifier, clock, windows, port});
  system.keywordFiles.SetParDir(qv::fuzz::FuzzFolder());  // the files the scan saves
  system.state.Ready[qv::DeviceId::XY] = 1;
  system.state.SymConst = {{"BIG", std::string("1E9")}, {"BAD", std::string("x")}};

  qv::Scan scan(system.keywordFiles, system.stage, system.objectives,
                system.state.Ready[qv::DeviceId::XY]);
  scan.MutableArea() = {10000, 8000, 5000, 4000, 15000, 12000};
  scan.MutableGrid() = {1000, 1000, 5, 4, 10000, 8000};
  scan.MutableSettings().ScanOverlap = 10;
  scan.MutableField() = {880, 660, 0, 0};
  scan.FieldSizeFromMag();
  if (scan.ScanRecompute() != 1) abort();
  qv::ScanCommands commands(system.state, system.display, scan, system.stage, system.objectives);

  system.ExecuteLine(input);
  if (system.state.CommandBusy != 0) abort();

  qv::CommandSource source;
  std::string_view rest = input;
  std::string_view cut;
  while (qv::NextToken(rest, cut, ";") > 0 || !rest.empty()) {
    std::string piece(cut);
    std::string word;
    qv::SplitWord(piece, word);
    for (qv::CommandEntry& entry : commands.Entries()) {
      if (entry.word == word && entry.handler(source, piece).empty()) abort();
    }
    CheckLayout(scan);
  }
  if (system.state.CommandBusy != 0) abort();
  return 0;
}
