// The object list, its file, and the grid and map that follow the "Obj" word; the joystick's
// scaling, calibration, buttons, polling on the simulated stage, and the "Joy" word's modes.
// The replies of both words are in tests/transcripts/specimen/.
#include <gtest/gtest.h>

#include <tuple>

#include "commands/JoyCommandsHandler.h"
#include "specimen/Joystick.h"
#include "specimen/ObjectList.h"
#include "tests/support/SimSystem.h"
#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

constexpr double U = kUndefinedPos;

TEST(ObjectList, GrowsBeyondFifty) {
  ObjectList list;
  for (int i = 1; i <= 51; ++i)
    EXPECT_EQ(list.ObjAdd(i, -i, i / 10.0, "o" + std::to_string(i)), i);
  std::string text;
  ASSERT_EQ(list.ObjGetText(51, text), 1);
  EXPECT_EQ(text, " 51 -51  5.1 o51");
  EXPECT_EQ(list.ObjGetText(INT32_MAX, text), -1);
}

// The grid redraws every row only when told to: a list replaced from a file by one of the same
// length must tell it, or the grid keeps showing the old objects.
TEST(ObjectList, FileRoundTripRoundsRenumbersAndReadsTokenByToken) {
  TempFolder folder;
  RecordingNotifier notifier;
  Trapar trapar{notifier};
  ObjectList list;
  list.ObjAdd(1.26, -0.04, 12.347, "two words");
  list.ObjAdd(U, 5, U, "a,\"b");  // a comma would make two objects of one
  const std::string path = folder.File("OBJ.TXT");
  EXPECT_EQ(list.ObjListWrite(trapar, path), 2);
  EXPECT_EQ(GetBytes(path), " 1 1.3 0.0 12.35 two words\r\n\" 2 77777.7 5.0 77777.70 a,b\"\r\n");
  EXPECT_EQ(list.ObjListWrite(trapar, folder.File("no/such/dir/OBJ.TXT")), -1);

  list.ObjSetChanged(0);
  EXPECT_EQ(list.ObjListRead(trapar, path), 2);
  EXPECT_EQ(list.ObjGetChanged(), 1);
  EXPECT_EQ(list.ObjListToLines(),
            (PlainList{" 1 1.3 0.0 12.35 two", "\" 2 77777.7 5.0 77777.70 a,b\""}));
  list.ObjSetChanged(0);
  EXPECT_EQ(list.ObjListRead(trapar, folder.File("MISSING.TXT")), -1);
  EXPECT_EQ(std::tuple(list.ObjListCount(), list.ObjGetChanged()), std::tuple(2, 0));

  // Numbers in the file are not object numbers; a comma outside quotes makes two objects; an
  // item is read token by token, and a number that is none or out of range is undefined.
  PutBytes(path,
           " 9 1 2 3\r\n 4\r\n7 10.5 abc 3 cellB,x\r\n  1   -2  3e1   4 c d\r\n1 2\r\n"
           "1 1e999 inf nan x\r\n");
  EXPECT_EQ(list.ObjListRead(trapar, path), 7);
  EXPECT_EQ(
      list.ObjListToLines(),
      (PlainList{" 1 1.0 2.0 3.00 ", " 2 77777.7 77777.7 77777.70 ", " 3 10.5 77777.7 3.00 cellB",
                 " 4 77777.7 77777.7 77777.70 ", " 5 -2.0 30.0 4.00 c", " 6 2.0 77777.7 77777.70 ",
                 " 7 77777.7 77777.7 77777.70 x"}));
}

TEST(ObjectList, NearestObjectPrefersTheLowerNumberOnTies) {
  ObjectList list;
  double d2 = -1;
  EXPECT_EQ(list.ObjFindNearest(0, 0, d2), -1);
  EXPECT_EQ(d2, 0);
  list.ObjAdd(U, U, 0, "");
  list.ObjAdd(3, 4, 0, "");
  list.ObjAdd(-3, -4, 0, "");
  list.ObjAdd(10, 0, 0, "");
  EXPECT_EQ(list.ObjFindNearest(0, 0, d2), 2);
  EXPECT_EQ(d2, 25);
  EXPECT_EQ(list.ObjFindNearest(77777, 77777, d2), 1);  // undefined objects take part
  EXPECT_EQ(list.ObjFindNearest(9, 1, d2), 4);
  EXPECT_EQ(d2, 2);
}

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
  t.front.LoadWindows();
  EXPECT_EQ(t.Run("Obj Add 1 2 3;Obj Draw 1;Obj Draw 2;Obj ListDraw"),
            "# 2 ;  1 ; Error  ; OK  ; ");
  EXPECT_EQ(t.front.calls, std::vector<std::string>{"ObjList"});
  EXPECT_EQ(map, (std::vector<std::string>{"mark", "obj1", "obj2", "all"}));
}

TEST(JoyScale, DeadZoneDirectionAndLimits) {
  const JoyAxisCalibration axis{0, 32768, 65535};
  struct Case {
    int32_t raw;
    int16_t latent, dir, expected;
  };
  const Case cases[] = {
      {32768 + 1632, 50, 1, 0},  // exactly at the dead zone's edge
      {32768 + 1700, 50, 1, 2},  // 52 per-mille, 2 beyond the dead zone after rescaling
      {65535, 50, 1, 1000},      //
      {0, 50, 1, -1000},         //
      {32768 - 1000, 50, 1, 0},  // inside the dead zone on the low side
      {65535, 50, -3, -1000},    // the direction counts by its sign only
      {65535, 50, 0, 0},         // an axis switched off
      {65535, 1000, 1, 0},       // a dead zone of the whole deflection
      {65535, -50, 1, 1000},     // a negative dead zone is none
  };
  for (const Case& c : cases)
    EXPECT_EQ(ScaleJoyAxis(c.raw, axis, c.latent, c.dir), c.expected) << c.raw;
  // Without range on a side nothing moves; far beyond a tiny range the value saturates.
  EXPECT_EQ(ScaleJoyAxis(40000, {0, 32768, 32768}, 50, 1), 0);
  EXPECT_EQ(ScaleJoyAxis(0, {32768, 32768, 65535}, 50, 1), 0);
  EXPECT_EQ(ScaleJoyAxis(65535, {0, 0, 1}, 0, 1), 32767);
  EXPECT_EQ(ScaleJoyAxis(-2147483647, {2147483646, 2147483647, 2147483647}, 0, 1), -32768);
  // Mask -> button; two at once or beyond button 8 leave the previous one (5).
  for (const auto& [mask, button] : {std::pair{0, 0}, {1, 1}, {128, 8}, {3, 5}, {256, 5}})
    EXPECT_EQ(JoyButtonFromMask(mask, 5), button) << mask;
}

// Records the command lines the joystick runs; "XY 1 2" makes XY the last device, as the real
// command does, so that the button waits for the stage.
struct CommandLog : CommandExecutor {
  explicit CommandLog(std::string& device) : lastDevice(device) {}
  std::string ExecuteCommand(std::string_view command) override {
    commands.emplace_back(command);
    if (command == "XY 1 2") lastDevice = "XY";
    return "R" + std::to_string(commands.size());
  }
  std::string& lastDevice;
  std::vector<std::string> commands;
};

// A joystick over the demonstration microscope, with a scripted source.
struct JoyRig {
  JoyRig() {
    s.Start();
    joy.SetHooks({.message = [this](const std::string& text) { messages.push_back(text); }});
  }
  SimSystem s{RepoFolder("config/demo-im483i"), sim::LineOptions{.baud = 9600}};
  ScriptedJoystick source;
  CommandLog log{s.system.state.LastDevice};
  JoyCommands commands{s.system.trapar, log};
  Joystick joy{s.system.trapar,
               s.notifier,
               s.system.state,
               source,
               log,
               commands,
               JoyDevices{s.system.stage, s.system.focus, s.system.wheels}};
  std::vector<std::string> messages;
};

TEST(Joystick, ParametersRoundTripAndMissingKeys) {
  JoyRig r;
  ASSERT_EQ(r.joy.ReadJoyPar(), 1);
  const std::string path = r.s.folder.File(kJoyParFile);
  const std::string original = GetBytes(path);
  ASSERT_EQ(r.joy.WriteJoyPar(), 1);
  EXPECT_EQ(GetBytes(path), original);

  // The keys a file has are taken, the others kept; the dead zone is a per-cent in the file.
  PutBytes(path, "\"JAXIS1_Dir\", -3\r\n\"JLATENT\", 2.5\r\n");
  EXPECT_EQ(r.joy.ReadJoyPar(), -1);
  EXPECT_EQ(std::tuple(r.joy.Calibration().dir1, r.joy.Calibration().latent), std::tuple(-1, 25));
  PutBytes(path, "\"JAXIS1_L\", 7\r\n");
  EXPECT_EQ(r.joy.ReadJoyPar(), -1);
  EXPECT_EQ(std::tuple(r.joy.Calibration().latent, r.joy.Calibration().axis1.low),
            std::tuple(25, 7));  // not multiplied again
}

TEST(Joystick, CalibrationCoversTheRangeOrKeepsTheOldOne) {
  JoyRig r;
  r.source.Hold({.x = 30000, .y = 30000});
  r.joy.JoyCalibStart();
  for (const JoystickReading& reading : {JoystickReading{.x = 100, .y = 200, .buttons = 2},
                                         {.x = 65000, .y = 65100},
                                         {.status = 1}}) {
    r.source.Hold(reading);
    r.joy.TimerTick();
  }
  EXPECT_EQ(r.messages.front(), "Deflect to extremes: Axis1 = 100, Axis2 = 200, But= 2");
  r.source.Hold({.x = 33000, .y = 32000});
  for (int i = 0; i < 60; ++i)
    r.joy.TimerTick();
  EXPECT_EQ(r.joy.JoyCalibCheck(), 1);
  EXPECT_EQ(r.messages.back(), "Calibrated");
  const JoyAxisCalibration axis = r.joy.Calibration().axis1;
  // The failed reading did not widen the range to 0; the rest settles within rounding.
  EXPECT_EQ(std::tuple(axis.low, axis.high), std::tuple(100, 65000));
  EXPECT_NEAR(axis.rest, 33000, 2);

  r.joy.JoyCalibStart();
  r.source.Hold({.x = 33100, .y = 32000});
  r.joy.TimerTick();
  EXPECT_EQ(r.joy.JoyCalibCheck(), 0);
  EXPECT_EQ(r.messages.back(), "Not calibrated. Using old par.");
  EXPECT_EQ(r.joy.Calibration().axis1.high, 65000);
  EXPECT_EQ(r.joy.JoyCalibrating(), 0);
}

TEST(Joystick, OnePressRunsItsCommandOnce) {
  JoyRig r;
  r.commands.Commands() = {"Ver", "XY 1 2"};
  r.s.notifier.Clear();
  r.s.system.state.LastDevice.clear();
  // Button read (0: released), commands run and beeps so far. A held button does nothing; item 0
  // belongs to no button, so 2 and 3, just beyond the list, beep and wait only, and 4 does nothing.
  const std::tuple<int16_t, size_t, int> presses[] = {
      {1, 2, 1}, {1, 2, 1}, {2, 2, 1}, {0, 2, 1}, {2, 3, 2},
      {0, 3, 2}, {3, 4, 3}, {0, 4, 3}, {4, 4, 3},
  };
  for (const auto& [button, commands, beeps] : presses) {
    r.joy.JoyButton(button);
    EXPECT_EQ(std::tuple(r.log.commands.size(), r.s.notifier.Beeps), std::tuple(commands, beeps))
        << button;
  }
  EXPECT_EQ(r.log.commands, (std::vector<std::string>{"XY 1 2", "XY Wait", "XY Wait", "XY Wait"}));
  EXPECT_EQ(r.messages.back(), "Button 1 - XY 1 2 R1");
  EXPECT_EQ(std::tuple(r.joy.JoyLastReply(), r.joy.JoyButtonHeld()), std::tuple("R4", 1));
}

TEST(Joystick, PollingDrivesTheStageAndStopsItWhenLeft) {
  JoyRig r;
  SharedState& state = r.s.system.state;
  r.source.Hold({.x = 65535, .y = 32767});
  r.joy.SetOn(true);
  EXPECT_EQ(state.JoyOn, 0);  // deflected
  r.source.Hold({.x = 32767, .y = 32767});
  r.joy.SetOn(true);
  ASSERT_EQ(state.JoyOn, 1);

  r.source.Hold({.x = 65535, .y = 32767});
  const std::pair<std::function<void()>, bool> steps[] = {
      {[&state] { state.CommandBusy = 1; }, false},  // a running command keeps it still
      {[&state] { state.CommandBusy = 0; }, true},
      {[&r] { r.joy.ToggleAxes(); }, false},  // leaving XY mode stops the stage
      {[&r] { r.joy.SetAxesWZ(0); }, true},
      {[&r] { r.source.Hold({.status = 1}); }, false},  // unplugged
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    steps[i].first();
    r.joy.TimerTick();
    EXPECT_EQ(r.s.State('X').moving, steps[i].second) << i;
  }
  EXPECT_EQ(std::tuple(state.JoyOn, r.joy.JoyCentered()), std::tuple(0, 0));
}

TEST(JoyCommand, ModesFollowTheWordAndTheFrameIsShownEachTime) {
  JoyRig r;
  r.s.front.LoadWindows();
  Display display(r.s.front);
  JoyCommandsHandler handler(r.s.system.state, display, r.joy);
  // Arguments, axes afterwards (1: W and Z); only the axis words change them.
  const std::pair<const char*, int> cases[] = {
      {"WZ", 1},  {"", 1},           {"on", 1},         {"On", 1},
      {"Off", 1}, {"ToggleAxes", 0}, {"ToggleAxes", 1}, {"XY", 0},
  };
  for (const auto& [arguments, axes] : cases) {
    handler.CmdJoy(arguments);
    EXPECT_EQ(r.joy.JoyAxesWZ(), axes) << arguments;
  }
  EXPECT_EQ(std::count(r.s.front.calls.begin(), r.s.front.calls.end(), "Joy"), 8);
  // No joystick: "On" leaves it off; a centred one switches on.
  EXPECT_EQ(r.s.system.state.JoyOn, 0);
  r.source.Hold({.x = 32768, .y = 32768});
  EXPECT_EQ(handler.CmdJoy("On"), "OK ");
  EXPECT_EQ(r.s.system.state.JoyOn, 1);
}

}  // namespace
}  // namespace qv::test
