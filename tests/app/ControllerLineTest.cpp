// Start-up and the channel on a simulated controller line, for both controller types ("CON" and
// "LED" are transcripts).
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

TEST(ControllerLine, ConWithoutAControllerTypeSendsNothing) {
  SimSystem s(RepoFolder("config/demo"));
  s.Start();
  s.system.state.Config.ContrType = "XYZ";
  const size_t sent = s.port.Written().size();
  EXPECT_EQ(s.Run("CON /1?0"), " ; ");
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
  ASSERT_EQ(wasReady, std::vector<int16_t>(7, 1));  // every device starts
  EXPECT_TRUE(s.notifier.Messages.empty()) << s.notifier.LastText();
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
