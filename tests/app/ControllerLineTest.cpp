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
  for (int i = 0; i < 10000; ++i) {
    s.system.motCon.MotorSelect(units[static_cast<size_t>(i) % units.size()]);
    s.system.comm.CommLogAdd("before");
    double position = 0;
    const int16_t result = s.system.motCon.MotorReadPos(position);
    ASSERT_TRUE(result == 1 || result < 0) << result;
    const std::string text = s.system.comm.CommLogText();
    const bool logged = text.size() < 8 || text.compare(text.size() - 8, 8, "before\r\n") != 0;
    ASSERT_EQ(result < 0, logged) << "exchange " << i << " ended " << result;
    failed += result < 0;
  }
  EXPECT_GT(failed, 1000);
  EXPECT_LT(failed, 9000);
  std::string latest;
  for (int i = 0; i < 101; ++i) {
    s.system.comm.CommLogAdd("m" + std::to_string(i));
    latest += "m" + std::to_string(i) + "\r\n";
  }
  EXPECT_EQ(s.system.comm.CommLogText(), latest);  // the ring holds the latest 101
}

}  // namespace
}  // namespace qv::test
