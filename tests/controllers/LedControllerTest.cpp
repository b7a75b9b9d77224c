// The LED controller: its parameter file and the output traffic it causes on both line types
// (the "LED" command's colour and state words are tests/transcripts/app/leds.transcript).
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

const std::string kStandard = "\"LEDSCONTR\",  4 \r\n\"LEDONVAL\", 1\r\n\"LEDOFFVAL\", 0\r\n";

// The LED unit answers every command with its echo; its outputs read as `outputs`.
test::Answer EchoWithOutputs(int outputs) {
  return [outputs](const std::string& w) {
    return w == "4A 129\n" ? "4A 129 " + std::to_string(outputs) + "\n" : w;
  };
}

struct Leds {
  explicit Leds(std::string type = "IM483I") : contrType(std::move(type)) {
    trapar.SetParDir(folder.Dir());
    motCon.MotorInitChannel();
    motCon.MotorSelect('X');
  }
  void WriteFile(const std::string& text) { test::PutBytes(folder.File("QV_LEDS.TXT"), text); }

  test::TempFolder folder;
  test::RecordingNotifier notifier;
  Trapar trapar{notifier};
  test::Line line;
  std::string contrType;
  int16_t interval = 50;
  MotCon motCon{line.comm, line.clock, line.pump, contrType, interval};
  LedController leds{trapar, motCon};
};
struct LedTest : ::testing::Test, Leds {};

// Each file read in turn by one controller: a failed read keeps what it could not read.
TEST_F(LedTest, ReadConfigTrimsTheAddressRoundsTheValuesAndKeepsWhatIsMissing) {
  struct Row {
    const char* file;
    int16_t result;
    char address;
    int16_t on, off;
  };
  const Row rows[] = {
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

// Init switches all three LEDs off on the LED unit, whose address stays selected.
TEST(LedInit, SwitchesAllThreeOffOnTheLedUnitOfEitherType) {
  struct Row {
    const char* name;
    const char* type;
    std::string file;  // "" for none
    test::Answer unit;
    int16_t result;
    std::string wire;
  };
  const Row rows[] = {
      {"IM483I", "IM483I", kStandard, EchoWithOutputs(0), 1, "4A 0\n"},
      {"EZHR17", "EZHR17", kStandard, [](auto&) { return test::Ez("`"); }, 1, "/4J0R\r"},
      {"no file", "IM483I", "", EchoWithOutputs(0), -1, ""},
      {"off value the write refuses", "IM483I",
       "\"LEDSCONTR\",4\r\n\"LEDONVAL\", 1\r\n\"LEDOFFVAL\", 2\r\n", EchoWithOutputs(0), -1, ""},
      {"no answer", "IM483I", kStandard, nullptr, -1, "4A 0\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Leds t(row.type);
    if (!row.file.empty()) t.WriteFile(row.file);
    t.line.port.responder = row.unit;
    EXPECT_EQ(t.leds.LEDInit(), row.result);
    EXPECT_EQ(t.line.port.written, row.wire);
    EXPECT_EQ(t.motCon.Motor().MotorAddress, row.file.empty() ? 'X' : '4');
  }
}

// Each switch reads the outputs (as `outputs`) and writes them back with one changed; unknown
// words and outputs cause no traffic, and an EZHR17 line has no outputs to switch.
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
  const Row rows[] = {{0, set("", "Off"), -1, ""},
                      {0, set("RG", "Off"), -1, ""},
                      {16, toggle(1), 1, "4A 129\n4A 129\n4A 0\n"},
                      {16, toggle(0), 1, "4A 129\n4A 129\n4A 24\n"},
                      {16, toggle(3), -1, ""}};
  WriteFile(kStandard);
  ASSERT_EQ(leds.LEDReadConfig(), 1);
  for (const Row& row : rows) {
    SCOPED_TRACE(&row - rows);
    line.port.responder = EchoWithOutputs(row.outputs);
    line.port.ClearWritten();
    EXPECT_EQ(row.op(leds), row.result);
    EXPECT_EQ(line.port.written, row.wire);
  }
  contrType = "EZHR17";
  line.port.ClearWritten();
  EXPECT_EQ(leds.LEDToggle(2), 0);
  EXPECT_EQ(line.port.written, "");
}

}  // namespace
}  // namespace qv
