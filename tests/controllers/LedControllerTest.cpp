// The LED controller: its parameter file and the output traffic it causes on both line types.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controllers/QVLEDContr.h"
#include "tests/controllers/LineFixture.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingNotifier.h"

namespace qv {
namespace {

using test::PutBytes;

class LedTest : public ::testing::Test {
 protected:
  explicit LedTest(std::string type = "IM483I") : contrType(std::move(type)) {
    trapar.SetParDir(folder.Dir());
    motCon.MotorInitChannel();
    motCon.MotorSelect('X');
  }
  void WriteFile(const std::string& text) { PutBytes(folder.File("QV_LEDS.TXT"), text); }
  void StandardFile() {
    WriteFile("\"LEDSCONTR\",  4 \r\n\"LEDONVAL\", 1\r\n\"LEDOFFVAL\", 0\r\n");
  }
  // The LED unit answers every command with its echo; its outputs read as `outputs`.
  void EchoWithOutputs(int outputs) {
    line.port.responder = [outputs](const std::string& w) {
      return w == "4A 129\n" ? "4A 129 " + std::to_string(outputs) + "\n" : w;
    };
  }

  test::TempFolder folder;
  test::RecordingNotifier notifier;
  Trapar trapar{notifier};
  test::Line line;
  std::string contrType;
  int16_t interval = 50;
  MotCon motCon{line.comm, line.clock, line.pump, contrType, interval};
  LedController leds{trapar, motCon};
};

TEST_F(LedTest, ReadConfigTakesTheFirstCharacterOfTheTrimmedAddress) {
  StandardFile();
  EXPECT_EQ(leds.LEDReadConfig(), 1);
  EXPECT_EQ(leds.LEDAddress(), 52);
  EXPECT_EQ(leds.LEDOnVal(), 1);
  EXPECT_EQ(leds.LEDOffVal(), 0);
  EXPECT_TRUE(notifier.Messages.empty());
}

TEST_F(LedTest, ReadConfigRoundsTheValuesHalfToEven) {
  WriteFile("\"LEDSCONTR\",L2\r\n\"LEDONVAL\", 0.5\r\n\"LEDOFFVAL\", 1.5\r\n");
  EXPECT_EQ(leds.LEDReadConfig(), 1);
  EXPECT_EQ(leds.LEDAddress(), 'L');
  EXPECT_EQ(leds.LEDOnVal(), 0);
  EXPECT_EQ(leds.LEDOffVal(), 2);
}

TEST_F(LedTest, MissingKeysFailButTheOthersAreStillRead) {
  StandardFile();
  ASSERT_EQ(leds.LEDReadConfig(), 1);
  WriteFile("\"LEDONVAL\", 7\r\n\"LEDOFFVAL\", 3\r\n");
  EXPECT_EQ(leds.LEDReadConfig(), -1);
  EXPECT_EQ(leds.LEDAddress(), 52);  // kept
  EXPECT_EQ(leds.LEDOnVal(), 7);
  EXPECT_EQ(leds.LEDOffVal(), 3);
  EXPECT_EQ(notifier.LastText(),
            "Parameter LEDSCONTR not found in " + folder.Dir() + "QV_LEDS.TXT");

  WriteFile("\"LEDSCONTR\",5\r\n\"LEDONVAL\", 1\r\n");
  EXPECT_EQ(leds.LEDReadConfig(), -1);
  EXPECT_EQ(leds.LEDAddress(), '5');
  EXPECT_EQ(leds.LEDOffVal(), 3);

  WriteFile("\"LEDSCONTR\",\r\n\"LEDONVAL\", x\r\n\"LEDOFFVAL\", 0\r\n");
  EXPECT_EQ(leds.LEDReadConfig(), -1);  // an empty address and a value that is no number
  EXPECT_EQ(leds.LEDAddress(), '5');
  EXPECT_EQ(leds.LEDOnVal(), 1);
  EXPECT_EQ(leds.LEDOffVal(), 0);
}

TEST_F(LedTest, InitSwitchesAllThreeOffOnTheLedUnit) {
  StandardFile();
  EchoWithOutputs(0);
  EXPECT_EQ(leds.LEDInit(), 1);
  EXPECT_EQ(line.port.written, "4A 0\n");
  EXPECT_EQ(motCon.Motor().MotorAddress, '4');
}

TEST_F(LedTest, InitWithoutFileOrWithABadOffValueFails) {
  EchoWithOutputs(0);
  EXPECT_EQ(leds.LEDInit(), -1);  // no file
  EXPECT_EQ(line.port.written, "");
  WriteFile("\"LEDSCONTR\",4\r\n\"LEDONVAL\", 1\r\n\"LEDOFFVAL\", 2\r\n");
  EXPECT_EQ(leds.LEDInit(), -1);  // the write refuses 2
  EXPECT_EQ(line.port.written, "");
  line.port.responder = nullptr;
  StandardFile();
  EXPECT_EQ(leds.LEDInit(), -1);  // no answer
  EXPECT_EQ(line.port.written, "4A 0\n");
}

TEST_F(LedTest, SetSwitchesOneOutputAndKeepsTheOthers) {
  StandardFile();
  ASSERT_EQ(leds.LEDReadConfig(), 1);
  EchoWithOutputs(8);  // red on
  EXPECT_EQ(leds.LEDSet("B", "On"), 1);
  EXPECT_EQ(leds.LEDSet("R", "Off"), 1);
  EXPECT_EQ(leds.LEDSet("G", "On"), 1);
  EXPECT_EQ(line.port.written, "4A 129\n4A 40\n4A 129\n4A 0\n4A 129\n4A 24\n");
}

TEST_F(LedTest, SetRefusesUnknownWordsWithoutTraffic) {
  StandardFile();
  ASSERT_EQ(leds.LEDReadConfig(), 1);
  EchoWithOutputs(0);
  EXPECT_EQ(leds.LEDSet("r", "On"), -1);
  EXPECT_EQ(leds.LEDSet("R", "ON"), -1);
  EXPECT_EQ(leds.LEDSet("", "Off"), -1);
  EXPECT_EQ(leds.LEDSet("RG", "Off"), -1);
  EXPECT_EQ(line.port.written, "");
}

TEST_F(LedTest, ToggleFlipsWhatTheControllerReports) {
  StandardFile();
  ASSERT_EQ(leds.LEDReadConfig(), 1);
  EchoWithOutputs(16);  // green on
  EXPECT_EQ(leds.LEDToggle(1), 1);
  EXPECT_EQ(leds.LEDToggle(0), 1);
  EXPECT_EQ(line.port.written, "4A 129\n4A 129\n4A 0\n4A 129\n4A 129\n4A 24\n");
  line.port.ClearWritten();
  EXPECT_EQ(leds.LEDToggle(3), -1);
  EXPECT_EQ(line.port.written, "");
}

class LedOnEzhr17Test : public LedTest {
 protected:
  LedOnEzhr17Test() : LedTest("EZHR17") {}
};

TEST_F(LedOnEzhr17Test, OnlyInitReachesTheController) {
  StandardFile();
  line.port.responder = [](const std::string&) { return std::string("\xFF/0`\x03\r\n"); };
  EXPECT_EQ(leds.LEDInit(), 1);
  EXPECT_EQ(line.port.written, "/4J0R\r");
  line.port.ClearWritten();
  EXPECT_EQ(leds.LEDSet("R", "On"), 0);
  EXPECT_EQ(leds.LEDToggle(2), 0);
  EXPECT_EQ(line.port.written, "");
}

}  // namespace
}  // namespace qv
