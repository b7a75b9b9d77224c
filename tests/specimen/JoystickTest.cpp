// Joystick scaling, calibration, buttons and polling; the polling drives the simulated stage.
// The "Joy" word's modes and the joystick frame that follows it (its replies are in
// tests/transcripts/specimen/joy_words.transcript).
#include "specimen/Joystick.h"

#include <gtest/gtest.h>

#include "commands/JoyCommandsHandler.h"
#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

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
}

TEST(JoyScale, ButtonNumbers) {
  // Mask -> button; two at once or beyond button 8 leave the previous one (5).
  for (const auto& [mask, button] : {std::pair{0, 0}, {1, 1}, {128, 8}, {3, 5}, {256, 5}})
    EXPECT_EQ(JoyButtonFromMask(mask, 5), button) << mask;
}

class CommandLog : public CommandExecutor {
 public:
  std::string ExecuteCommand(std::string_view command) override {
    commands.emplace_back(command);
    if (command == "XY 1 2") lastDevice = "XY";
    return "R" + std::to_string(commands.size());
  }
  std::vector<std::string> commands;
  std::string& lastDevice;
  explicit CommandLog(std::string& device) : lastDevice(device) {}
};

// A joystick over the demonstration microscope, with a scripted source.
struct JoyRig {
  explicit JoyRig(const std::string& folder = "config/demo-im483i")
      : s(RepoFolder(folder), sim::LineOptions{.baud = 9600}) {
    s.Start();
    joy.SetHooks({.message = [this](const std::string& text) { messages.push_back(text); }});
  }
  SimSystem s;
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
  EXPECT_EQ(r.joy.Calibration().latent, 50);
  EXPECT_EQ(r.joy.Calibration().axis1.rest, 32767);
  const std::string path = r.s.folder.File("QV_JOY.TXT");
  const std::string original = GetBytes(path);
  ASSERT_EQ(r.joy.WriteJoyPar(), 1);
  EXPECT_EQ(GetBytes(path), original);

  PutBytes(path, "\"JAXIS1_Dir\", -3\r\n\"JLATENT\", 2.5\r\n");
  EXPECT_EQ(r.joy.ReadJoyPar(), -1);  // six keys missing, each with its message
  EXPECT_EQ(r.joy.Calibration().dir1, -1);
  EXPECT_EQ(r.joy.Calibration().latent, 25);
  PutBytes(path, "\"JAXIS1_L\", 7\r\n");
  EXPECT_EQ(r.joy.ReadJoyPar(), -1);
  EXPECT_EQ(r.joy.Calibration().latent, 25);  // not multiplied again
  EXPECT_EQ(r.joy.Calibration().axis1.low, 7);
}

TEST(Joystick, CalibrationCoversTheRangeOrKeepsTheOldOne) {
  JoyRig r;
  r.joy.ReadJoyPar();
  r.source.Hold({.x = 30000, .y = 30000});
  r.joy.JoyCalibStart();
  for (const JoystickReading& reading : {JoystickReading{.x = 100, .y = 200, .buttons = 2},
                                         {.x = 65000, .y = 65100},
                                         {.status = 1}}) {
    r.source.Hold(reading);
    r.joy.TimerTick();
  }
  EXPECT_EQ(r.messages.front(), "Deflect to extremes: Axis1 = 100, Axis2 = 200, But= 2");
  for (int i = 0; i < 60; ++i) {
    r.source.Hold({.x = 33000, .y = 32000});
    r.joy.TimerTick();
  }
  EXPECT_EQ(r.joy.JoyCalibCheck(), 1);
  EXPECT_EQ(r.messages.back(), "Calibrated");
  EXPECT_EQ(r.joy.Calibration().axis1.low, 100);  // the failed reading did not widen it to 0
  EXPECT_EQ(r.joy.Calibration().axis1.high, 65000);
  EXPECT_NEAR(r.joy.Calibration().axis1.rest, 33000, 2);  // settles within rounding
  const JoyCalibration saved = r.joy.Calibration();

  r.joy.JoyCalibStart();
  r.source.Hold({.x = 33100, .y = 32000});
  r.joy.TimerTick();
  EXPECT_EQ(r.joy.JoyCalibCheck(), 0);
  EXPECT_EQ(r.messages.back(), "Not calibrated. Using old par.");
  EXPECT_EQ(r.joy.Calibration().axis1.high, saved.axis1.high);
  EXPECT_EQ(r.joy.JoyCalibrating(), 0);
}

TEST(Joystick, OnePressRunsItsCommandOnce) {
  JoyRig r;
  r.commands.Commands() = {"Ver", "XY 1 2"};
  r.s.notifier.Clear();
  r.s.system.state.LastDevice.clear();
  r.joy.JoyButton(1);
  r.joy.JoyButton(1);
  r.joy.JoyButton(2);  // held: nothing
  EXPECT_EQ(r.log.commands, (std::vector<std::string>{"XY 1 2", "XY Wait"}));
  EXPECT_EQ(r.messages.back(), "Button 1 - XY 1 2 R1");
  EXPECT_EQ(r.joy.JoyLastReply(), "R2");
  r.joy.JoyButton(0);
  r.joy.JoyButton(2);  // just beyond the list: beep and wait only
  r.joy.JoyButton(0);
  r.joy.JoyButton(3);
  r.joy.JoyButton(0);
  r.joy.JoyButton(4);  // far beyond: nothing
  EXPECT_EQ(r.log.commands.size(), 4u);
  EXPECT_EQ(r.s.notifier.Beeps, 3);
  EXPECT_EQ(r.joy.JoyButtonHeld(), 1);
}

TEST(Joystick, PollingDrivesTheStageAndStopsItWhenLeft) {
  JoyRig r;
  r.joy.ReadJoyPar();
  SharedState& state = r.s.system.state;
  r.source.Hold({.x = 65535, .y = 32767});
  r.joy.SetOn(true);
  EXPECT_EQ(state.JoyOn, 0);  // deflected
  r.source.Hold({.x = 32767, .y = 32767});
  r.joy.SetOn(true);
  ASSERT_EQ(state.JoyOn, 1);

  const auto moving = [&r] { return r.s.State('X').moving; };
  r.source.Hold({.x = 65535, .y = 32767});
  state.CommandBusy = 1;
  r.joy.TimerTick();
  EXPECT_FALSE(moving());  // a running command keeps the joystick still
  state.CommandBusy = 0;
  r.joy.TimerTick();
  EXPECT_TRUE(moving());
  r.joy.ToggleAxes();
  r.joy.TimerTick();
  EXPECT_FALSE(moving());  // leaving XY mode stops the stage
  r.joy.SetAxesWZ(0);
  r.joy.TimerTick();
  EXPECT_TRUE(moving());
  r.source.Hold({.status = 1});  // unplugged
  r.joy.TimerTick();
  EXPECT_FALSE(moving());
  EXPECT_EQ(state.JoyOn, 0);
  EXPECT_EQ(r.joy.JoyCentered(), 0);
}

TEST(JoyCommand, ModesFollowTheWordAndTheFrameIsShownEachTime) {
  JoyRig r;
  r.s.front.LoadWindows();
  Display display(r.s.front);
  JoyCommandsHandler handler(r.s.system.state, display, r.joy);
  const std::pair<const char*, int> cases[] = {
      // arguments, axes afterwards (1: W and Z)
      {"", 0},   {"WZ", 1}, {"ToggleAxes", 0}, {"ToggleAxes", 1},
      {"XY", 0}, {"On", 0}, {"Off", 0},        {"on", 0},
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
