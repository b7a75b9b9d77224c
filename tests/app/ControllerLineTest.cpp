// Start-up, "CON" and "LED" on a simulated controller line, for both controller types.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

int Count(const std::vector<std::string>& log, const std::string& message) {
  return static_cast<int>(std::count(log.begin(), log.end(), message));
}

TEST(ControllerLine, WakingTheDemoLineTimesOutOnlyForAbsentAddresses) {
  SimSystem s(RepoFolder("config/demo"));
  ASSERT_EQ(s.plan.type, sim::ControllerType::EZHR17);
  EXPECT_EQ(s.Start(), 1);
  int absent = 0;
  for (char a : std::string("123456789ABCDEF"))
    absent += s.line.FindUnit(a) == nullptr;
  EXPECT_GT(absent, 0);
  const auto log = s.Log();
  EXPECT_EQ(Count(log, "Port TimeOut"), absent);
  EXPECT_EQ(static_cast<int>(log.size()), absent);  // nothing else went wrong
}

TEST(ControllerLine, ConSendsTheTextAsItIsAndRepliesTheControllersAnswer) {
  SimSystem s(RepoFolder("config/demo"));
  s.Start();
  const std::string position = std::to_string(s.State('1').counter);
  EXPECT_EQ(s.Run("CON /1?0"), "\xFF/0`" + position + "\x03 ; ");
  const std::string replies = s.Run("CON /1A500R;CON /1?0");
  const std::string moving = std::to_string(s.State('1').counter);
  EXPECT_EQ(replies, "\xFF/0@\x03 ; \xFF/0@" + moving + "\x03 ; ");  // busy while it moves
}

TEST(ControllerLine, ConToAnAbsentUnitFailsWithWhatArrived) {
  SimSystem s(RepoFolder("config/demo"));
  s.Start();
  s.front.LoadWindows();
  s.system.comm.CommLogAdd("marker");
  EXPECT_EQ(s.Run("CON /E?0"), "Error  ; ");
  const auto log = s.Log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "Port TimeOut");
  EXPECT_EQ(log.back(), "CON /E?0\\");
  EXPECT_EQ(s.front.commandText, "CON /E?0");
  EXPECT_EQ(s.front.LastMessage(), "Error ");
}

TEST(ControllerLine, ConWithoutAControllerTypeSendsNothing) {
  SimSystem s(RepoFolder("config/demo"));
  s.Start();
  s.system.state.Config.ContrType = "XYZ";
  const size_t sent = s.port.Written().size();
  EXPECT_EQ(s.Run("CON /1?0"), " ; ");
  EXPECT_EQ(s.port.Written().size(), sent);
}

TEST(ControllerLine, LedsAreSwitchedOffAtStartAndOnByCommandOnAnIm483iLine) {
  TempFolder source;
  PutBytes(source.File("QV_CONFIG.TXT"),
           "\"MPORT\", 1\r\n\"PORTTIMEOUT\", 100\r\n\"MOVETIMEOUT\", 30\r\n"
           "\"WAITPOLLINGINTERVAL\", 20\r\n\"CONTRTYPE\",IM483I\r\n\"LEDS_INSTALLED\", 1\r\n");
  PutBytes(source.File("QV_LEDS.TXT"),
           "\"LEDSCONTR\", L\r\n\"LEDONVAL\", 1\r\n\"LEDOFFVAL\", 0\r\n");
  PutBytes(source.File("QV_JOYCMDS.TXT"), "\r\n");
  PutBytes(source.File("QV_SYMCONST.TXT"), "");
  for (const char* name : {"QV_OBJPOSMAG.TXT", "QV_FIELD.TXT", "QV_SPECIMEN.TXT", "QV_SCANAREA.TXT",
                           "QV_SCANGRID.TXT", "QV_ZOOM.TXT", "QV_SCAN.TXT", "QV_JOY.TXT"}) {
    PutBytes(source.File(name), GetBytes(RepoFolder("config/demo") + "/" + name));
  }
  SimSystem s(source.Dir());
  ASSERT_NE(s.line.FindUnit('L'), nullptr);
  EXPECT_EQ(s.Start(), 1);
  EXPECT_EQ(s.system.state.Ready.LEDsReady, 1);
  EXPECT_EQ(s.State('L').outputs, 0);
  EXPECT_EQ(s.Run("LED G On"), "OK  ; ");
  EXPECT_EQ(s.State('L').outputs, 16);  // output 1 is the port bit with value 16
  EXPECT_EQ(s.Run("LED G Off;LED g On;LED G ON;LED G"),
            "OK  ; Error  ; Error  ; Error No Value  ; ");
  EXPECT_EQ(s.system.state.LastDevice, "LED");
  EXPECT_EQ(s.State('L').outputs, 0);
}

TEST(ControllerLine, LedsOnAnEzhr17LineAnswerErrorAndSendNothing) {
  SimSystem s(RepoFolder("config/demo"));
  // The first entry of a key counts, so the switched-on flag goes in front.
  PutBytes(s.folder.File("QV_CONFIG.TXT"),
           "\"LEDS_INSTALLED\", 1\r\n" + GetBytes(s.folder.File("QV_CONFIG.TXT")));
  PutBytes(s.folder.File("QV_LEDS.TXT"),
           "\"LEDSCONTR\", 9\r\n\"LEDONVAL\", 1\r\n\"LEDOFFVAL\", 0\r\n");
  EXPECT_EQ(s.Start(), 1) << s.system.comm.CommLogText();  // the output write reaches it
  EXPECT_EQ(s.system.state.Ready.LEDsReady, 1);
  const size_t sent = s.port.Written().size();
  EXPECT_EQ(s.Run("LED R On"), "Error  ; ");
  EXPECT_EQ(s.port.Written().size(), sent);
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
  EXPECT_GT(failed, 1000);
  EXPECT_LT(failed, 9000);
  EXPECT_GT(discarded, 0);
  std::string latest;
  for (int i = 0; i < 101; ++i) {
    s.system.comm.CommLogAdd("m" + std::to_string(i));
    latest += "m" + std::to_string(i) + "\r\n";
  }
  EXPECT_EQ(s.system.comm.CommLogText(), latest);  // the ring holds the latest 101
}

// Faults of the line itself, on both demonstration microscopes.
class LineFaults : public ::testing::TestWithParam<std::string> {
 protected:
  static char AddressOf(const SimSystem& s, sim::Role role) {
    for (const sim::UnitPlan& unit : s.plan.units) {
      if (unit.role == role) return unit.address;
    }
    return 0;
  }
  bool Ezhr17() const { return GetParam() == "config/demo"; }
};

// A reply that comes after its exchange gave up is never taken for the next one: the next
// command waits one more time-out for it, and what came later still is dropped before a send.
TEST_P(LineFaults, AReplyLaterThanThePortTimeOutIsNotTakenForTheNextOne) {
  SimSystem s(RepoFolder(GetParam()));
  ASSERT_EQ(s.Start(), 1);
  ASSERT_EQ(s.Run("XY Wait;XY 100 200;Z 12.5;XY Wait;Z Wait"), "OK  ; OK  ; OK  ; OK  ; OK  ; ");
  const char x = AddressOf(s, sim::Role::X);
  s.line.SetFault(x, sim::Fault{sim::FaultKind::Late, 300, 1});  // PORTTIMEOUT is 200 ms
  EXPECT_EQ(s.Run("XY ?;Z ?"), "Error  ; 12.50 ; ");
  s.line.SetFault(x, sim::Fault{sim::FaultKind::Late, 1000, 1});
  EXPECT_EQ(s.Run("XY ?"), "Error  ; ");
  s.clock.Advance(1'000'000);  // µs: the reply has come meanwhile
  EXPECT_EQ(s.Run("Z ?;XY ?"), "12.50 ; 100.0 200.0 ; ");
  const std::string counter = std::to_string(s.State(x).counter);
  const std::string late =
      Ezhr17() ? "\xFF/0`" + counter + "<3><13><10>" : std::string(1, x) + "Z " + counter + "<10>";
  const auto log = s.Log();
  EXPECT_EQ(Count(log, "Late reply discarded: " + late), 2);
  EXPECT_EQ(log.back(), "Late reply discarded: " + late);  // the queries after it went well
}

// The line's device goes away (the simulator ended, an adapter unplugged) and comes back.
TEST_P(LineFaults, ALostLineFailsEveryCommandAtOnceUntilItIsBack) {
  SimSystem s(RepoFolder(GetParam()));
  ASSERT_EQ(s.Start(), 1);
  ASSERT_EQ(s.Run("XY Wait;XY 100 200;XY Wait"), "OK  ; OK  ; OK  ; ");
  const auto ready = [&s] {
    const ReadyFlags& r = s.system.state.Ready;
    return std::vector<int16_t>{r.XYReady, r.ZReady, r.WReady[1], r.WReady[2],
                                r.SReady,  r.TReady, r.CubeReady};
  };
  const std::vector<int16_t> wasReady = ready();
  ASSERT_EQ(wasReady, std::vector<int16_t>(7, 1));
  ASSERT_EQ(s.Run("Z 500"), "OK  ; ");  // still moving when the line goes: its wait fails at once
  s.port.SetDevicePresent(false);
  s.line.ClearFrames();
  const sim::Micros before = s.clock.Now();
  EXPECT_EQ(s.Run("XY ?;Z 10;XY ??;Z Wait"), "Error  ; Error  ; Error  ; Error  ; ");
  EXPECT_EQ(s.clock.Now(), before);
  EXPECT_TRUE(s.line.Frames().empty());
  EXPECT_EQ(Count(s.Log(), "Port lost: /dev/ttyS0"), 1);

  s.port.SetDevicePresent(true);
  EXPECT_EQ(s.Run("XY ?;Z Wait;Z 10;Z Wait;Z ?"), "100.0 200.0 ; OK  ; OK  ; OK  ; 10.00 ; ");
  const auto log = s.Log();
  EXPECT_EQ(Count(log, "Port lost: /dev/ttyS0"), 1);
  EXPECT_EQ(Count(log, "Port reopened: /dev/ttyS0"), 1);
  EXPECT_EQ(ready(), wasReady);
}

INSTANTIATE_TEST_SUITE_P(BothLines, LineFaults,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());

}  // namespace
}  // namespace qv::test
