#pragma once
// One serial line for driver tests: a fake clock, a scripted port, the channel over it, a
// message line that shows what the channel shows, and an event pump that counts its calls.
#include <functional>
#include <string>
#include <vector>

#include "controllers/Comm.h"
#include "tests/support/FakeClock.h"
#include "tests/support/ScriptedPort.h"

namespace qv::test {

class CountingPump final : public EventPump {
 public:
  void DoEvents() override {
    ++calls;
    if (hook) hook();
  }
  int calls = 0;
  std::function<void()> hook;  // stands for a window event served during a wait
};

struct Line {
  FakeClock clock;
  ScriptedPort port{clock};
  Comm comm{port, clock};
  CountingPump pump;
  std::string messageLine;  // the main window's message line as the channel sets it

  Line() {
    comm.CommInit();
    comm.CommSetLogDisplay(CommLogDisplay{[this] { return messageLine; },
                                          [this](const std::string& t) { messageLine = t; }});
  }

  // The channel's log, oldest first, one element per message.
  std::vector<std::string> Log() const {
    std::vector<std::string> messages;
    const std::string text = comm.CommLogText();
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
      messages.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return messages;
  }
};

// A string repeated: the polls of a waiting loop on the wire.
inline std::string Times(int n, const std::string& text) {
  std::string all;
  for (int i = 0; i < n; ++i)
    all += text;
  return all;
}

}  // namespace qv::test
