#include "ui/SpeedTestMenus.h"

#include <memory>
#include <optional>

#include "ui/EntryContext.h"

namespace qv {
namespace {

// What every entry shares: the window it reports to and the boxes it asks with.
struct SpeedTestRunner {
  SpeedTestCore core;
  WindowServices services;
  InputBox inputBox;
  std::function<void()> filtersChanged;

  // `test` returns the result for the message line; a test the operator stopped says so. The
  // window shows the test as running once its questions are answered, not while it asks them.
  template <class Test>
  void Run(Test test) const {
    std::string result;
    bool stopped = false;
    {
      std::optional<BusyScope> busy;
      const CommandBusyScope quiet(core.state, CommandBusyScope::OnEnd::Restore);
      const InputBox ask = [&](const std::string& title, const std::string& prompt) {
        busy.reset();
        std::optional<std::string> answer = inputBox ? inputBox(title, prompt) : std::nullopt;
        busy.emplace(core.state, core.devices.motors, services, "Speed Test");
        return answer;
      };
      SpeedTests tests(core.devices, ask, [this](const std::string& text) {
        services.Message(text);
        core.frontEnd.DoEvents();  // the line is redrawn before the motions hold the thread
      });
      result = test(tests);
      stopped = busy && busy->Stopped();
    }
    services.Message(stopped ? OperationEndText("Speed Test", false, true) + ": " + result
                             : result);
  }
};

}  // namespace

SpeedTestHooks MakeSpeedTests(const SpeedTestCore& core, const WindowServices& services,
                              InputBox inputBox, std::function<void()> filtersChanged) {
  if (!inputBox) inputBox = QtInputBox(nullptr);
  auto runner = std::make_shared<const SpeedTestRunner>(
      SpeedTestRunner{core, services, std::move(inputBox), std::move(filtersChanged)});
  SpeedTestHooks hooks;
  hooks.limitLoop = [runner] { runner->Run([](SpeedTests& t) { return t.LimitLoop(); }); };
  hooks.scan = [runner] { runner->Run([](SpeedTests& t) { return t.Scan(); }); };
  hooks.wheel = [runner](int wheel) {
    runner->Run([&](SpeedTests& t) {
      std::string result = t.FilterMoves(wheel);
      if (runner->filtersChanged) runner->filtersChanged();
      return result;
    });
  };
  hooks.cube = [runner] { runner->Run([](SpeedTests& t) { return t.AdjacentCubeMoves(); }); };
  return hooks;
}

}  // namespace qv
