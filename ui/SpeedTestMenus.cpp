#include "ui/SpeedTestMenus.h"

#include <memory>
#include <optional>

#include "commands/SpeedTests.h"
#include "ui/EntryContext.h"

namespace qv {
namespace {

// What every entry shares: the window it reports to and the boxes it asks with.
struct SpeedTestRunner {
  EntryContext context;
  InputBox inputBox;

  // `test` returns the result for the message line; a test the operator stopped says so. The
  // window shows the test as running once its questions are answered, not while it asks them.
  template <class Test>
  void Run(Test test) const {
    std::string result;
    bool stopped = false;
    {
      std::optional<BusyScope> busy;
      const CommandBusyScope quiet(context.core.state, CommandBusyScope::OnEnd::Restore);
      const InputBox ask = [&](const std::string& title, const std::string& prompt) {
        busy.reset();
        std::optional<std::string> answer = inputBox ? inputBox(title, prompt) : std::nullopt;
        busy.emplace(context, "Speed Test");
        return answer;
      };
      const CoreServices& s = context.core;
      SpeedTests tests(SpeedTestDevices{s.stage, s.motors, s.wheels, s.cube, s.clock}, ask,
                       [this](const std::string& text) {
                         context.Say(text);
                         // The line is redrawn before the motions hold the thread.
                         context.LetEventsRun();
                       });
      result = test(tests);
      stopped = busy && busy->Stopped();
    }
    context.Say(stopped ? OperationEndText("Speed Test", false, true) + ": " + result : result);
  }
};

}  // namespace

SpeedTestHooks MakeSpeedTests(const CoreServices& core, const WindowServices& services,
                              InputBox inputBox, std::function<void()> filtersChanged) {
  if (!inputBox) inputBox = QtInputBox(nullptr);
  auto runner = std::make_shared<const SpeedTestRunner>(
      SpeedTestRunner{EntryContext{core, services, std::move(filtersChanged)}, inputBox});
  SpeedTestHooks hooks;
  hooks.limitLoop = [runner] { runner->Run([](SpeedTests& t) { return t.LimitLoop(); }); };
  hooks.scan = [runner] { runner->Run([](SpeedTests& t) { return t.Scan(); }); };
  hooks.wheel = [runner](int wheel) {
    runner->Run([&](SpeedTests& t) {
      std::string result = t.FilterMoves(wheel);
      runner->context.Changed();
      return result;
    });
  };
  hooks.cube = [runner] { runner->Run([](SpeedTests& t) { return t.AdjacentCubeMoves(); }); };
  return hooks;
}

}  // namespace qv
