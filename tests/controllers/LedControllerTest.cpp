// The LED controller: its parameter file and the output traffic it causes on both line types.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "controllers/LedController.h"
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

// Each file read in turn by one controller: a failed read keeps what it could not read.
TEST_F(LedTest, ReadConfigTrimsTheAddressRoundsTheValuesAndKeepsWhatIsMissing) {
  struct Row {
    const char* file;
    int16_t result;
    char address;
    int16_t on, off;
  };
  const Row rows[] = {
      {"\"LEDSCONTR\",  4 \r\n\"LEDONVAL\", 1\r\n\"LEDOFFVAL\", 0\r\n", 1, '4', 1, 0},
      {"\"LEDSCONTR\",L2\r\n\"LEDONVAL\", 0.5\r\n\"LEDOFFVAL\", 1.5\r\n", 1, 'L', 0, 2},
      {"\"LEDONVAL\", 7\r\n\"LEDOFFVAL\", 3\r\n", -1, 'L', 7, 3},
      {"\"LEDSCONTR\",5\r\n\"LEDONVAL\", 1\r\n", -1, '5', 1, 3},
      // an empty address and a value that is no number
      {"\"LEDSCONTR\",\r\n\"LEDONVAL\", x\r\n\"LEDOFFVAL\", 0\r\n", -1, '5', 1, 0}};
  for (const Row& row : rows) {
    WriteFile(row.file);
    EXPECT_EQ(leds.LEDReadConfig(), row.result) << row.file;
    EXPECT_EQ(std::make_tuple(leds.LEDAddress(), leds.LEDOnVal(), leds.LEDOffVal()),
              std::make_tuple(int16_t{row.address}, row.on, row.off))
        << row.file;
  }
  EXPECT_EQ(notifier.Messages.at(0).Text,
            "Parameter LEDSCONTR not found in " + folder.Dir() + "QV_LEDS.TXT");
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

// Each switch reads the outputs (as `outputs`) and writes them back with one changed; unknown
// words and outputs cause no traffic.
TEST_F(LedTest, SetAndToggleChangeOneOutputAndKeepTheOthers) {
  struct Row {
    int outputs;
    std::function<int16_t(LedController&)> op;
    int16_t result;
    const char* wire;
  };
  const auto set = [](const char* led, const char* how) {
    return [=](LedController& l) { return l.LEDSet(led, how); };
  };
  const auto toggle = [](int16_t n) { return [=](LedController& l) { return l.LEDToggle(n); }; };
  const Row rows[] = {{8, set("B", "On"), 1, "4A 129\n4A 40\n"},
                      {8, set("R", "Off"), 1, "4A 129\n4A 0\n"},
                      {8, set("G", "On"), 1, "4A 129\n4A 24\n"},
                      {0, set("r", "On"), -1, ""},
                      {0, set("R", "ON"), -1, ""},
                      {0, set("", "Off"), -1, ""},
                      {0, set("RG", "Off"), -1, ""},
                      {16, toggle(1), 1, "4A 129\n4A 129\n4A 0\n"},
                      {16, toggle(0), 1, "4A 129\n4A 129\n4A 24\n"},
                      {16, toggle(3), -1, ""}};
  StandardFile();
  ASSERT_EQ(leds.LEDReadConfig(), 1);
  for (const Row& row : rows) {
    SCOPED_TRACE(&row - rows);
    EchoWithOutputs(row.outputs);
    line.port.ClearWritten();
    EXPECT_EQ(row.op(leds), row.result);
    EXPECT_EQ(line.port.written, row.wire);
  }
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
