#pragma once
// A whole program for a test: every module wired as main() wires them, with a fake clock, a
// recording front end and a recording notifier, over a private program folder.
#include <string>

#include "app/System.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/FakeClock.h"
#include "tests/support/RecordingFrontEnd.h"
#include "tests/support/RecordingNotifier.h"
#include "tests/support/ScriptedPort.h"

namespace qv::test {

struct TestSystem {
  RecordingNotifier notifier;
  FakeClock clock;
  RecordingFrontEnd front;
  SilentPort port{clock};
  System system{Platform{notifier, clock, front, port}};
  TempFolder folder;

  std::string Run(const std::string& line) { return system.ExecuteLine(line); }
  void Symbol(const std::string& name, const std::string& value) {
    system.state.SymConst.push_back({name, value});
  }
};

}  // namespace qv::test
