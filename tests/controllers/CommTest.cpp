// The serial channel: terminators, replies in pieces, time-outs counted from the start and port
// faults. Late replies, a lost line and the message ring are checked on the simulated line
// (tests/app/ControllerLineTest.cpp).
#include "controllers/Comm.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <tuple>
#include <vector>

#include "tests/support/FakeClock.h"
#include "tests/support/ScriptedPort.h"

namespace qv::test {
namespace {

// A port whose received bytes arrive at given times of the fake clock.
class TimedPort final : public ScriptedPort {
 public:
  explicit TimedPort(FakeClock& clock) : ScriptedPort(clock), clock_(clock) { writeCostMs = 0; }

  bool Close() override { return !failClose && ScriptedPort::Close(); }
  size_t BytesAvailable() override {
    size_t n = 0;
    for (const auto& [at, bytes] : chunks) {
      if (at > clock_.now) break;
      n += bytes.size();
    }
    return n;
  }
  bool ReadAll(std::string& bytes) override {
    if (failReads > 0) {
      --failReads;
      return false;
    }
    bytes.clear();
    while (!chunks.empty() && chunks.front().first <= clock_.now) {
      bytes += chunks.front().second;
      chunks.pop_front();
    }
    return true;
  }
  bool WaitForData(int timeoutMs) override {
    ++waits;
    if (onWait) onWait();
    if (!IsOpen() || broken) return false;
    if (!chunks.empty() && chunks.front().first <= clock_.now + timeoutMs) {
      clock_.now = std::max(clock_.now, chunks.front().first);
      return true;
    }
    clock_.now += timeoutMs;
    return false;
  }
  int ErrorNumber() const override {
    return fault.first != 0 ? fault.first : ScriptedPort::ErrorNumber();
  }
  std::string ErrorText() const override {
    return fault.first != 0 ? fault.second : ScriptedPort::ErrorText();
  }

  // Bytes that arrive `after` ms from now.
  void Arrive(int32_t after, std::string bytes) { chunks.emplace_back(clock_.now + after, bytes); }

  std::deque<std::pair<int32_t, std::string>> chunks;  // fake clock ms, bytes
  std::function<void()> onWait;  // what happens to the line while the channel waits
  bool failClose = false;
  bool broken = false;  // every wait returns at once, as a broken port's does
  int failReads = 0;
  int waits = 0;
  std::pair<int, std::string> fault;  // the number and text of the port's last fault

 private:
  FakeClock& clock_;
};

class Channel : public ::testing::Test {
 protected:
  void SetUp() override {
    comm.CommInit();
    comm.CommSetLogDisplay({[this] { return shown; }, [this](const std::string& t) { shown = t; }});
  }
  void Terms(bool ezhr17) {
    comm.CommSetTxTerm(ezhr17 ? 13 : 10);
    comm.CommSetRxTerm(ezhr17 ? 13 : 10);
    comm.CommSetRxTerm2(10);
  }
  // A reply collected with one or two terminator characters: the result, the reply and the log.
  std::tuple<int, std::string, std::string> In(bool twoCharacterEnd) {
    std::string reply = "old";
    const int result = twoCharacterEnd ? comm.CommIn2(reply) : comm.CommIn(reply);
    return {result, reply, comm.CommLogText()};
  }
  FakeClock clock;
  TimedPort port{clock};
  Comm comm{port, clock};
  std::string shown;
};

// The channel blocks between pieces instead of spinning: one wait per piece.
TEST_F(Channel, AReplyEndsOnlyWithItsLastCharactersAndItsTerminatorsAreDropped) {
  struct Row {
    bool twoCharacterEnd;
    int16_t rxTerm;
    std::vector<std::pair<int32_t, std::string>> pieces;  // ms from the start, bytes
    std::string reply;
  };
  const Row rows[] = {
      {true, 13, {{3, "\xFF/0`12"}, {5, "34\x03\r"}, {7, "\n"}}, "\xFF/0`1234\x03"},
      {false, 10, {{1, "XZ\n 15"}, {2, "00\n"}}, "XZ\n 1500"},  // an LF inside a piece
      // With one character collected both tests look at it.
      {true, 10, {{1, "\n"}}, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reply);
    Terms(row.twoCharacterEnd);
    comm.CommSetRxTerm(row.rxTerm);
    port.waits = 0;
    for (const auto& [at, bytes] : row.pieces)
      port.Arrive(at, bytes);
    EXPECT_EQ(In(row.twoCharacterEnd), std::tuple(1, row.reply, ""));
    EXPECT_EQ(port.waits, static_cast<int>(row.pieces.size()));
  }
}

TEST_F(Channel, TimeOutCountsFromTheStartAndKeepsThePartialReply) {
  Terms(false);
  comm.CommSetTimeout(200);
  const int32_t start = clock.now;
  port.Arrive(150, "XZ 1");
  port.Arrive(250, "5\n");  // each piece in time, the whole reply not
  EXPECT_EQ(In(false), std::tuple(-1, "XZ 1", "Port TimeOut\r\n"));
  EXPECT_GT(clock.now - start, 200);
  EXPECT_LE(clock.now - start, 203);
}

TEST_F(Channel, ALineLostDuringAnExchangeEndsItAtOnceAndALineClosedOnPurposeStaysClosed) {
  Terms(false);
  comm.SetPortName("/tmp/sim-link");
  ASSERT_TRUE(comm.CommOpenPort(1));
  port.onWait = [this] { port.Close(); };
  const int32_t start = clock.now;
  std::string reply;
  EXPECT_EQ(comm.CommOutIn("XA", reply), -1);
  EXPECT_LT(clock.now - start, comm.CommTimeoutMs());
  EXPECT_EQ(comm.CommLogText(), "Port lost: /tmp/sim-link\r\n");

  port.onWait = nullptr;
  port.opened.clear();
  EXPECT_TRUE(comm.CommClosePort());
  comm.CommOutIn("XZ", reply);
  EXPECT_EQ(port.opened, "");
}

TEST_F(Channel, SendFaultStillWaitsForAReply) {
  Terms(false);
  comm.CommSetTimeout(50);
  port.failWrites = true;
  port.Arrive(10, "XZ 7\n");
  std::string reply;
  EXPECT_EQ(comm.CommOutIn("XZ", reply), -1);
  EXPECT_EQ(reply, "XZ 7");
  EXPECT_EQ(comm.CommLogText(), "CommOut  5 write refused\r\n");
}

TEST_F(Channel, AReadFaultIsLoggedAndALaterCompleteReplyCounts) {
  Terms(true);
  port.failReads = 1;
  port.fault = {12, "Resource temporarily unavailable"};
  port.Arrive(1, "abc\r\n");
  EXPECT_EQ(In(true), std::tuple(1, "abc", "CommIn2  12 Resource temporarily unavailable\r\n"));
}

TEST_F(Channel, APortThatIsNotOpenFailsAtOnce) {
  Terms(false);
  port.Close();
  port.fault = {13, "Port not open"};
  const int32_t start = clock.now;
  EXPECT_EQ(In(false), std::tuple(-1, "", "CommIn  13 Port not open\r\n"));
  EXPECT_EQ(clock.now, start);
}

TEST_F(Channel, CloseFaultsAndPortEventsAreShownWithTheirNumbers) {
  port.failClose = true;
  port.fault = {5, "Input/output error"};
  EXPECT_FALSE(comm.CommClosePort());
  EXPECT_EQ(shown, "CommClosePort  5 Input/output error");
  comm.OnCommEvent(1004);
  EXPECT_EQ(shown, "ERROR # 1004");
  comm.OnCommEvent(2);  // no fault
  EXPECT_EQ(shown, "ERROR # 1004");
}

// Each failed wait of such a port also raises its error event again: the ring keeps one message
// for it per exchange, with the count.
TEST_F(Channel, APortThatCannotWaitTimesOutWithoutSpinningOrFloodingTheLog) {
  port.broken = true;
  port.onWait = [this] { comm.OnCommEvent(1005); };
  comm.CommSetTimeout(50);
  std::string reply;
  EXPECT_EQ(comm.CommOutIn("XZ", reply), -1);
  EXPECT_GT(port.waits, 1);
  EXPECT_LE(port.waits, 52);  // one wait per millisecond at most
  const auto once = [this] {
    return "ERROR # 1005 (" + std::to_string(port.waits) + " times)\r\nPort TimeOut\r\n";
  };
  const std::string first = once();
  EXPECT_EQ(comm.CommLogText(), first);
  port.waits = 0;
  comm.CommOutIn("XZ", reply);  // the next exchange has a message of its own
  EXPECT_EQ(comm.CommLogText(), first + once());
}

}  // namespace
}  // namespace qv::test
