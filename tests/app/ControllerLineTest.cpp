// Both demonstration microscopes on the simulated line: start-up, the channel's faults, the
// operator's Stop, the command reference, the parameter entries and a motion wait that serves
// other commands ("CON", "LED", homing and the saved positions that replay are transcripts;
// homing without its sensor is in each device's tests under tests/devices/).
#include <gtest/gtest.h>

#include <algorithm>

#include "app/DeviceMenus.h"
#include "app/StopAll.h"
#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

int Count(const std::vector<std::string>& log, const std::string& message) {
  return static_cast<int>(std::count(log.begin(), log.end(), message));
}

TEST(ControllerLine, WakingTheDemoLineTimesOutOnlyForAbsentAddresses) {
  SimSystem s(RepoFolder("config/demo"));  // EZHR17
  EXPECT_EQ(s.Start(), 1);
  int absent = 0;
  for (char a : std::string("123456789ABCDEF"))
    absent += s.line.FindUnit(a) == nullptr;
  EXPECT_GT(absent, 0);
  EXPECT_EQ(s.Log(), std::vector<std::string>(absent, "Port TimeOut"));  // and nothing else
}

TEST(ControllerLine, TenThousandExchangesWithRandomFaultsAllEnd) {
  SimSystem s(RepoFolder("config/demo"), sim::LineOptions{.baud = 0, .latency = 0, .seed = 7});
  s.Start();
  s.line.SetRandomFaults(0.3);
  s.system.comm.CommSetTimeout(50);
  const std::string units = "12345678";
  int failed = 0;
  int discarded = 0;  // late replies dropped before a command: logged, but not a failure
  for (int i = 0; i < 10000; ++i) {
    s.system.motCon.MotorSelect(units[static_cast<size_t>(i) % units.size()]);
    s.system.comm.CommLogAdd("before");
    double position = 0;
    const int16_t result = s.system.motCon.MotorReadPos(position);
    ASSERT_TRUE(result == 1 || result < 0) << result;
    std::vector<std::string> log = s.Log();
    if (log.size() >= 2 && log.back().starts_with("Late reply discarded: ")) {
      ++discarded;
      log.pop_back();
    }
    const bool logged = log.empty() || log.back() != "before";
    ASSERT_EQ(result < 0, logged) << "exchange " << i << " ended " << result;
    failed += result < 0;
  }
  std::string latest;
  for (int i = 0; i < 101; ++i) {
    s.system.comm.CommLogAdd("m" + std::to_string(i));
    latest += "m" + std::to_string(i) + "\r\n";
  }
  EXPECT_EQ(s.system.comm.CommLogText(), latest);  // the ring holds the latest 101
  EXPECT_GT(failed, 1000);
  EXPECT_LT(failed, 9000);
  EXPECT_GT(discarded, 0);
}

// Every device of both demonstration microscopes, started on a line of 9600 baud.
class DeviceLine : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { ASSERT_EQ(s.Start(), 1) << s.system.comm.CommLogText(); }
  bool Ezhr17() const { return GetParam() == "config/demo"; }
  char X() { return static_cast<char>(s.system.stage.Params().X.Contr); }
  SimSystem s{RepoFolder(GetParam()), sim::LineOptions{.baud = 9600}};
};
using LineFaults = DeviceLine;  // faults of the line itself

// A reply that comes after its exchange gave up is never taken for the next one: the next
// command waits one more time-out for it, and what came later still is dropped before a send.
TEST_P(LineFaults, AReplyLaterThanThePortTimeOutIsNotTakenForTheNextOne) {
  ASSERT_EQ(s.Run("XY Wait;XY 100 200;Z 12.5;XY Wait;Z Wait"), "OK  ; OK  ; OK  ; OK  ; OK  ; ");
  s.line.SetFault(X(), sim::Fault{sim::FaultKind::Late, 300, 1});  // PORTTIMEOUT is 200 ms
  EXPECT_EQ(s.Run("XY ?;Z ?"), "Error  ; 12.50 ; ");
  s.line.SetFault(X(), sim::Fault{sim::FaultKind::Late, 1000, 1});
  EXPECT_EQ(s.Run("XY ?"), "Error  ; ");
  s.clock.Advance(1'000'000);  // µs: the reply has come meanwhile
  EXPECT_EQ(s.Run("Z ?;XY ?"), "12.50 ; 100.0 200.0 ; ");
  const std::string counter = std::to_string(s.State(X()).counter);
  const std::string late =
      "Late reply discarded: " +
      (Ezhr17() ? "\xFF/0`" + counter + "<3><13><10>" : X() + ("Z " + counter + "<10>"));
  const auto log = s.Log();
  // The queries after it went well.
  EXPECT_EQ(std::tuple(Count(log, late), log.back()), std::tuple(2, late));
}

// The line's device goes away (the simulator ended, an adapter unplugged) and comes back.
TEST_P(LineFaults, ALostLineFailsEveryCommandAtOnceUntilItIsBack) {
  ASSERT_EQ(s.Run("XY Wait;XY 100 200;XY Wait"), "OK  ; OK  ; OK  ; ");
  const auto ready = [this] {
    const ReadyFlags& r = s.system.state.Ready;
    return std::vector<int16_t>{r.XYReady, r.ZReady, r.WReady[1], r.WReady[2],
                                r.SReady,  r.TReady, r.CubeReady};
  };
  ASSERT_EQ(ready(), std::vector<int16_t>(7, 1));  // every device starts
  ASSERT_EQ(s.Run("Z 500"), "OK  ; ");  // still moving when the line goes: its wait fails at once
  s.port.SetDevicePresent(false);
  s.line.ClearFrames();
  const sim::Micros before = s.clock.Now();
  EXPECT_EQ(s.Run("XY ?;Z 10;XY ??;Z Wait"), "Error  ; Error  ; Error  ; Error  ; ");
  EXPECT_EQ(std::tuple(s.clock.Now() - before, s.line.Frames().size()), std::tuple(0, 0u));

  s.port.SetDevicePresent(true);
  EXPECT_EQ(s.Run("XY ?;Z Wait;Z 10;Z Wait;Z ?"), "100.0 200.0 ; OK  ; OK  ; OK  ; 10.00 ; ");
  const auto log = s.Log();
  EXPECT_EQ(
      std::tuple(Count(log, "Port lost: /dev/ttyS0"), Count(log, "Port reopened: /dev/ttyS0")),
      std::tuple(1, 1));
  EXPECT_EQ(ready(), std::vector<int16_t>(7, 1));
}

TEST_P(DeviceLine, ConWithoutAControllerTypeSendsNothing) {
  s.system.state.Config.ContrType = "XYZ";
  const size_t sent = s.port.Written().size();
  EXPECT_EQ(s.Run("CON /1?0"), " ; ");
  EXPECT_EQ(s.port.Written().size(), sent);
}

// The operator's Stop: one stop to every ready unit, in the device order, nothing to a device
// that is not ready, and the unit addressed before is addressed again.
TEST_P(DeviceLine, StopAllStopsEveryReadyDeviceAtOnce) {
  s.system.state.Ready.SReady = 0;
  s.Run("XY 30000 20000;Z 500;F 4;B 2;Cube 3;Turn 300");
  const int16_t addressed = s.system.motCon.Motor().MotorAddress;
  ASSERT_TRUE(s.State(X()).moving);
  s.line.ClearFrames();
  EXPECT_TRUE(StopAllDevices(s.system).empty());
  EXPECT_EQ(s.system.motCon.Motor().MotorAddress, addressed);
  const System& sys = s.system;
  std::vector<std::string> expected;
  for (const int16_t unit :
       {sys.stage.Params().X.Contr, sys.stage.Params().Y.Contr, sys.focus.Params().Contr,
        sys.wheels.Params(1).profile.contr, sys.wheels.Params(2).profile.contr,
        sys.cube.Params().profile.contr, sys.turret.Params().profile.contr}) {
    const char address = static_cast<char>(unit);
    expected.push_back(Ezhr17() ? std::string("/") + address + "T"
                                : std::string(1, address) + "M0");
    EXPECT_FALSE(s.State(address).moving) << address;
  }
  EXPECT_EQ(std::vector<std::string>(s.line.Frames().begin(), s.line.Frames().end()), expected);
}

// "Int." > "Commands" opens the folder's command reference: it must name every command word
// and program statement at the start of a line, as the operator looks them up.
TEST_P(DeviceLine, TheCommandReferenceNamesEveryCommandWord) {
  const std::string reference = "\r\n" + GetBytes(RepoFolder(GetParam()) + "/QV_COMMANDS.TXT");
  std::vector<std::string> words = {"Repeat", "Endrepeat", "Stop", "End", "Call"};
  for (const CommandEntry& entry : s.system.dispatcher.Table())
    words.push_back(entry.word);
  for (const std::string& word : words)
    EXPECT_NE(reference.find("\r\n" + word + " "), std::string::npos) << word;
}

TEST_P(DeviceLine, ParameterEntriesInitialiseAgainAndReplaceFiles) {
  const std::string zFile = s.folder.File("QV_PARZ.TXT");
  const std::string original = GetBytes(zFile);
  PutBytes(s.folder.File("QV_PARZ_BROKEN.TXT"), "\"ZCONTR\", 3\r\n");
  EXPECT_EQ(ReplaceDeviceFile(s.folder.Dir() + ".", "QV_PARZ_BROKEN.TXT", "QV_PARZ.TXT"),
            "Parameter file " + s.folder.Dir() + "./QV_PARZ_BROKEN.TXT read");
  EXPECT_EQ(s.system.state.Ready.ZReady, 1);  // not initialised again by the copy
  EXPECT_EQ(ReinitialiseDevice(s.system, DeviceId::Z), "Z Off");
  EXPECT_EQ(s.Run("Z ?"), "Off  ; ");
  PutBytes(zFile, original);
  EXPECT_EQ(ReinitialiseDevice(s.system, DeviceId::Z), "Z On");
  EXPECT_EQ(ReplaceDeviceFile(s.folder.Dir() + ".", "NONE.TXT", "QV_PARZ.TXT"),
            "Parameter file not read");
  EXPECT_EQ(GetBytes(zFile), original);
}

// A motion wait serves window events between its polls, and a command run by one of them
// addresses other units; the wait still polls its own unit and answers for it.
TEST_P(DeviceLine, AWaitGoesOnPollingItsOwnUnitAfterAClientsCommand) {
  ASSERT_EQ(s.Run("Z 200"), "OK  ; ");
  std::string nested;  // the reply of the client's command, run at the first poll
  s.front.onDoEvents = [&] {
    s.front.onDoEvents = nullptr;
    nested = s.Run("XY ?");
  };
  s.line.ClearFrames();
  EXPECT_EQ(s.Run("Z Wait"), "OK  ; ");
  EXPECT_EQ(nested, "0.0 0.0 ; ");
  EXPECT_FALSE(s.State(Ezhr17() ? '3' : 'Z').moving);  // the wait ended with the focus, not Y
  const std::vector<std::string> frames(s.line.Frames().begin(), s.line.Frames().end());
  const std::string poll = Ezhr17() ? "/3Q" : "Z^";
  std::vector<std::string> expected = {poll, Ezhr17() ? "/1?0" : "XZ", Ezhr17() ? "/2?0" : "YZ"};
  ASSERT_GE(frames.size(), 4u);
  expected.resize(frames.size(), poll);
  EXPECT_EQ(frames, expected);
}

INSTANTIATE_TEST_SUITE_P(BothLines, DeviceLine,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());
INSTANTIATE_TEST_SUITE_P(BothLines, LineFaults,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());

}  // namespace
}  // namespace qv::test
