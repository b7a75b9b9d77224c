// The "Obj" and "Joy" words: exact replies, what reaches the window and the map, and moves on
// the simulated line.
#include "commands/ObjectCommands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "commands/JoyCommandsHandler.h"
#include "tests/support/SimSystem.h"
#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

class WindowLog final : public FrontEnd {
 public:
  bool IsFormLoaded(std::string_view name) const override { return loaded && name == kMainForm; }
  void SetMessage(const std::string& text) override { calls.push_back("msg " + text); }
  void DisplayObjList() override { calls.push_back("list"); }
  void JoyVisibility() override { calls.push_back("joy"); }
  bool loaded = false;
  std::vector<std::string> calls;
};

struct ObjRig {
  TestSystem t;
  WindowLog window;
  Display display{window};
  ObjectList objects;
  ObjectCommands obj{t.system.state, display,        t.system.trapar,
                     objects,        t.system.stage, t.system.focus};
  std::string Run(const std::string& arguments) { return obj.CmdObj(arguments); }
};

TEST(ObjCommand, RepliesWithoutDevices) {
  ObjRig r;
  r.t.Symbol("five", "5");
  r.t.system.state.AppDir = r.t.folder.Dir();
  const std::string file = r.t.folder.File("OBJ.TXT");
  const std::pair<std::string, std::string> cases[] = {
      {"", "Error Missing Argument "},
      {"Add 10 20", "Error "},
      {"GetNum", " 0"},
      {"Add 1 2 3 cellA extra", "# 1"},
      {"Add five -2.5 1e1", "# 2"},
      {"Add 1 x 3", "Error "},
      {"AddCurrent mark", "# 3"},  // neither axis ready: undefined coordinates
      {"Get 2", " 5 -2.5  10 "},
      {"Get 3", " 77777.7  77777.7  77777.7 mark"},
      {"Get 4", "Error "},
      {"Get", "Error "},
      {"Get abc", "Error "},
      {"Get 99999999999", "Error "},
      {"Edit 2 4 5 6 b", "OK "},
      {"Edit 4 4 5 6", "Error "},
      {"Edit 2 4 5", "Error "},
      {"Get 2", " 4  5  6 b"},
      {"GoTo 1", "Error "},  // the stage is not ready
      {"GoTo", "Error "},
      {"Draw 1", "0"},
      {"Draw", "Error "},
      {"ListDraw", "0"},
      {"ListWrite " + file, " 3"},
      {"ListWrite", "Error "},
      {"ListClear", "Object List Cleared"},
      {"ListRead " + file, " 3"},
      {"ListRead " + r.t.folder.File("NONE.TXT"), "-1"},
      {"ListRead", "Error "},
      {"GetNum", " 3"},
      {"ListWrite QV_OBJ.TXT", " 3"},  // in the program folder, not the working directory
      {"ListClear", "Object List Cleared"},
      {"ListRead QV_OBJ.TXT", " 3"},
      {"add 1 2 3", "Error "},
  };
  for (const auto& [arguments, reply] : cases)
    EXPECT_EQ(r.Run(arguments), reply) << arguments;
  EXPECT_EQ(GetBytes(r.t.folder.File("QV_OBJ.TXT")), GetBytes(file));
  EXPECT_FALSE(std::filesystem::exists("QV_OBJ.TXT"));
  EXPECT_EQ(r.t.system.state.CommandBusy, 0);
  std::string& lastDevice = r.t.system.state.LastDevice;
  r.Run("GoTo 1");
  EXPECT_EQ(lastDevice, "XY");
  r.Run("GetNum");
  EXPECT_EQ(lastDevice, "");
  lastDevice = "Z";
  r.Run("");
  EXPECT_EQ(lastDevice, "Z");
}

TEST(ObjCommand, TheWindowAndTheMapSeeAddsAndDraws) {
  ObjRig r;
  std::vector<std::string> map;
  r.obj.SetMapHooks({
      .drawObject = [&map](int32_t n) -> int16_t {
        map.push_back("obj" + std::to_string(n));
        return n == 1 ? 1 : -1;
      },
      .drawAllObjects = [&map] { map.push_back("all"); },
      .drawStageMark = [&map](double, double) { map.push_back("mark"); },
  });
  r.Run("Add 1 2 3");  // not loaded: nothing shown, nothing drawn
  EXPECT_TRUE(r.window.calls.empty());
  r.window.loaded = true;
  EXPECT_EQ(r.Run("Add 1 2 3"), "# 2");
  EXPECT_EQ(r.Run("GetNum"), " 2");
  EXPECT_EQ(r.Run("Get 1"), " 1  2  3 ");
  EXPECT_EQ(r.Run("Draw 1"), " 1");
  EXPECT_EQ(r.Run("Draw 2"), "Error ");
  EXPECT_EQ(r.Run("ListDraw"), "OK ");
  EXPECT_EQ(r.window.calls, (std::vector<std::string>{"msg # 2", "list", "msg  2"}));
  EXPECT_EQ(map, (std::vector<std::string>{"mark", "obj1", "obj2", "all"}));
}

TEST(ObjCommand, AddCurrentAndGoToOnTheSimulatedLine) {
  SimSystem s(RepoFolder("config/demo"), sim::LineOptions{.baud = 9600});
  ASSERT_EQ(s.Start(), 1);
  ObjectList objects;
  ObjectCommands obj(s.system.state, s.system.display, s.system.trapar, objects, s.system.stage,
                     s.system.focus);
  s.Run("XY 250 125;Z 12.5;XY Wait;Z Wait");
  EXPECT_EQ(obj.CmdObj("AddCurrent here"), "250.0 125.0 12.50 # 1");
  EXPECT_EQ(obj.CmdObj("Add 1000 500 0"), "# 2");
  EXPECT_EQ(obj.CmdObj("GoTo 2"), " 2");
  EXPECT_EQ(s.Run("XY ?"), "1000.0 500.0 ; ");
  EXPECT_EQ(obj.CmdObj("GoTo 1"), " 1");
  EXPECT_EQ(s.Run("XY ?;Z ?"), "250.0 125.0 ; 12.50 ; ");  // the focus stays
  EXPECT_EQ(obj.CmdObj("GoTo 3"), "Error ");
  s.system.state.Ready.ZReady = 0;
  EXPECT_EQ(obj.CmdObj("AddCurrent"), "250.0 125.0 # 3");
}

TEST(JoyCommand, RepliesAndModes) {
  TestSystem t;
  WindowLog window;
  window.loaded = true;
  Display display(window);
  ScriptedJoystick source;
  JoyCommands commands(t.system.trapar, t.system.dispatcher);
  Joystick joy(t.system.trapar, t.notifier, t.system.state, source, t.system.dispatcher, commands,
               JoyDevices{t.system.stage, t.system.focus, t.system.wheels});
  JoyCommandsHandler handler(t.system.state, display, joy);
  const std::string cases[][3] = {
      // arguments, reply, axes afterwards
      {"", "Error Missing Argument ", "0"},
      {"WZ", "OK ", "1"},
      {"ToggleAxes", "OK ", "0"},
      {"ToggleAxes", "OK ", "1"},
      {"XY", "OK ", "0"},
      {"On", "OK ", "0"},
      {"Off", "OK ", "0"},
      {"on", "Error ", "0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(handler.CmdJoy(c[0]), c[1]) << c[0];
    EXPECT_EQ(std::to_string(joy.JoyAxesWZ()), c[2]) << c[0];
  }
  EXPECT_EQ(std::count(window.calls.begin(), window.calls.end(), "joy"), 8);

  // No joystick: "On" replies OK and leaves it off; a centred one switches on.
  EXPECT_EQ(t.system.state.JoyOn, 0);
  source.Hold({.x = 32768, .y = 32768});
  EXPECT_EQ(handler.CmdJoy("On"), "OK ");
  EXPECT_EQ(t.system.state.JoyOn, 1);
  EXPECT_EQ(handler.CmdJoy("Off"), "OK ");
  EXPECT_EQ(t.system.state.JoyOn, 0);
}

}  // namespace
}  // namespace qv::test
