// What the "Obj" and "Joy" words do beyond their replies (those are in
// tests/transcripts/specimen/): the object grid, the map and the joystick frame follow them.
#include "commands/ObjectCommands.h"

#include <gtest/gtest.h>

#include "commands/JoyCommandsHandler.h"
#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

TEST(ObjCommand, TheWindowAndTheMapSeeAddsAndDraws) {
  TestSystem t;
  std::vector<std::string> map;
  t.system.objectCommands.SetMapHooks({
      .drawObject = [&map](int32_t n) -> int16_t {
        map.push_back("obj" + std::to_string(n));
        return n == 1 ? 1 : -1;
      },
      .drawAllObjects = [&map] { map.push_back("all"); },
      .drawStageMark = [&map](double, double) { map.push_back("mark"); },
  });
  t.Run("Obj Add 1 2 3");  // not loaded: nothing shown, nothing drawn
  EXPECT_TRUE(t.front.calls.empty());
  EXPECT_TRUE(t.front.messages.empty());
  t.front.LoadWindows();
  EXPECT_EQ(t.Run("Obj Add 1 2 3;Obj Draw 1;Obj Draw 2;Obj ListDraw"),
            "# 2 ;  1 ; Error  ; OK  ; ");
  EXPECT_EQ(t.front.calls, std::vector<std::string>{"ObjList"});
  EXPECT_EQ(t.front.messages.front(), "# 2");
  EXPECT_EQ(map, (std::vector<std::string>{"mark", "obj1", "obj2", "all"}));
}

TEST(JoyCommand, ModesFollowTheWordAndTheFrameIsShownEachTime) {
  TestSystem t;
  t.front.LoadWindows();
  Display display(t.front);
  ScriptedJoystick source;
  JoyCommands commands(t.system.trapar, t.system.dispatcher);
  Joystick joy(t.system.trapar, t.notifier, t.system.state, source, t.system.dispatcher, commands,
               JoyDevices{t.system.stage, t.system.focus, t.system.wheels});
  JoyCommandsHandler handler(t.system.state, display, joy);
  const std::pair<const char*, int> cases[] = {
      // arguments, axes afterwards (1: W and Z)
      {"", 0},   {"WZ", 1}, {"ToggleAxes", 0}, {"ToggleAxes", 1},
      {"XY", 0}, {"On", 0}, {"Off", 0},        {"on", 0},
  };
  for (const auto& [arguments, axes] : cases) {
    handler.CmdJoy(arguments);
    EXPECT_EQ(joy.JoyAxesWZ(), axes) << arguments;
  }
  EXPECT_EQ(std::count(t.front.calls.begin(), t.front.calls.end(), "Joy"), 8);
  // No joystick: "On" leaves it off; a centred one switches on.
  EXPECT_EQ(t.system.state.JoyOn, 0);
  source.Hold({.x = 32768, .y = 32768});
  EXPECT_EQ(handler.CmdJoy("On"), "OK ");
  EXPECT_EQ(t.system.state.JoyOn, 1);
  EXPECT_EQ(handler.CmdJoy("Off"), "OK ");
  EXPECT_EQ(t.system.state.JoyOn, 0);
}

}  // namespace
}  // namespace qv::test
