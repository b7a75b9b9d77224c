#pragma once
// One serial line for driver tests: a fake clock, a scripted port, the channel over it, a
// message line that shows what the channel shows, and an event pump that counts its calls.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <type_traits>
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

// Whether `wire` is `pattern`, where one "{x}" in the pattern stands for x one or more times
// (the polls of a waiting loop).
inline bool WireMatches(const std::string& wire, const std::string& pattern) {
  const size_t open = pattern.find('{');
  if (open == std::string::npos) return wire == pattern;
  const size_t close = pattern.find('}', open);
  const std::string poll = pattern.substr(open + 1, close - open - 1),
                    tail = pattern.substr(close + 1);
  std::string expected = pattern.substr(0, open) + poll;
  while (expected.size() + tail.size() < wire.size())
    expected += poll;
  return expected + tail == wire;
}

// An EZHR17 reply as a unit sends it: start byte, "/0", status and data, end marker, CR LF.
inline std::string Ez(const std::string& statusAndData) {
  return "\xFF/0" + statusAndData + "\x03\r\n";
}

using Answer = std::function<std::optional<std::string>(const std::string& written)>;

// One driver operation on a fresh line (a `Rig` holding `line` and the driver): the unit's
// replies, the result, the exact bytes written and the messages logged.
template <class Rig>
struct DriverCase {
  const char* name;
  std::vector<std::string> replies;  // to the writes in turn; "" is no answer; then the rig's own
  int16_t result;
  std::string wire;  // see WireMatches
  std::vector<std::string> log;
  std::function<int16_t(Rig&)> op;  // may check more itself
};

template <class Rig>
void RunCases(const std::vector<DriverCase<Rig>>& cases) {
  for (const DriverCase<Rig>& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    for (const std::string& reply : c.replies)
      rig.line.port.Reply(reply);
    EXPECT_EQ(c.op(rig), c.result);
    if (c.wire.find('{') == std::string::npos) {
      EXPECT_EQ(rig.line.port.written, c.wire);
    } else {
      EXPECT_TRUE(WireMatches(rig.line.port.written, c.wire))
          << ::testing::PrintToString(rig.line.port.written);
    }
    EXPECT_EQ(rig.line.Log(), c.log);
  }
}

// Operations for the cases of a `Rig` (line, motor, `drv` of type `Rig::Driver`): a fixture that
// derives from this has them at hand.
template <class Rig>
struct DriverHelpers {
  using Driver = typename Rig::Driver;
  using Op = std::function<int16_t(Rig&)>;
  using Case = DriverCase<Rig>;
  using Rows = std::vector<Case>;

  // The driver's `f` called with `args`.
  template <class... P, class... A>
  static Op Call(int16_t (Driver::*f)(P...), A... args) {
    return [=](Rig& r) { return (r.drv.*f)(args...); };
  }
  // A command that goes out as `wire`, is answered as the rig answers and succeeds.
  template <class... P, class... A>
  static Case Sends(const char* name, std::string wire, int16_t (Driver::*f)(P...), A... args) {
    return Case(name, {}, 1, std::move(wire), {}, Call(f, args...));
  }
  // Command of `text`; the reply ends as `expected` ("before" when untouched).
  static Op Cmd(std::string text, std::string expected) {
    return [=](Rig& r) {
      std::string reply = "before";
      const int16_t result = r.drv.Command(text, reply);
      EXPECT_EQ(reply, expected);
      return result;
    };
  }
  // A read into a variable that starts as {5} and ends as `expected`.
  template <class T>
  static Op Reads(int16_t (Driver::*read)(T&), std::type_identity_t<T> expected) {
    return [=](Rig& r) {
      T value{5};
      const int16_t result = (r.drv.*read)(value);
      EXPECT_EQ(value, expected);
      return result;
    };
  }
  // `op` with the unit answering `answer` once the case's replies are used up.
  static Op With(Answer answer, Op op) {
    return [=](Rig& r) {
      r.line.port.responder = answer;
      return op(r);
    };
  }
  // `op`, after which the clock was delayed exactly by `delays`.
  static Op Delays(std::vector<int32_t> delays, Op op) {
    return [=](Rig& r) {
      const int16_t result = op(r);
      EXPECT_EQ(r.line.clock.delays, delays);
      return result;
    };
  }
  // `op`, which ends at the move time-out of 5 s: the first whole second past it.
  static Op TimesOut(Op op) {
    return [=](Rig& r) {
      const int64_t t0 = r.line.clock.RoundedSeconds();
      const int16_t result = op(r);
      EXPECT_EQ(r.line.clock.RoundedSeconds() - t0, 6);
      return result;
    };
  }
};

}  // namespace qv::test
