// The serial channel: terminators, replies in pieces, time-outs counted from the start, port
// faults, and the message ring.
#include "controllers/Comm.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

#include "tests/support/FakeClock.h"

namespace qv::test {
namespace {

// A port whose received bytes arrive at given times of the fake clock.
class TimedPort final : public SerialPort {
 public:
  explicit TimedPort(FakeClock& clock) : clock_(clock) {}
  struct Chunk {
    int32_t at;  // ms on the fake clock
    std::string bytes;
  };

  bool Open(const std::string& device) override {
    opened = device;
    if (failOpen) return Fail(2, "No such file or directory");
    open = true;
    return true;
  }
  bool Close() override {
    if (failClose) return Fail(5, "Input/output error");
    open = false;
    return true;
  }
  bool IsOpen() const override { return open; }
  bool Write(std::string_view bytes) override {
    if (failWrite) return Fail(9, "Bad file descriptor");
    written += bytes;
    writeTimes.push_back(clock_.now);
    return true;
  }
  size_t BytesAvailable() override {
    size_t n = 0;
    for (const Chunk& c : chunks) {
      if (c.at > clock_.now) break;
      n += c.bytes.size();
    }
    return n;
  }
  bool ReadAll(std::string& bytes) override {
    if (failReads > 0) {
      --failReads;
      return Fail(12, "Resource temporarily unavailable");
    }
    bytes.clear();
    while (!chunks.empty() && chunks.front().at <= clock_.now) {
      bytes += chunks.front().bytes;
      chunks.pop_front();
    }
    return true;
  }
  bool WaitForData(int timeoutMs) override {
    ++waits;
    if (onWait) onWait();
    if (!open) return false;
    if (!chunks.empty() && chunks.front().at <= clock_.now + timeoutMs) {
      clock_.now = std::max(clock_.now, chunks.front().at);
      return true;
    }
    clock_.now += timeoutMs;
    return false;
  }
  int ErrorNumber() const override { return errorNumber; }
  std::string ErrorText() const override { return errorText; }

  // Bytes that arrive `after` ms from now.
  void Arrive(int32_t after, std::string bytes) { chunks.push_back({clock_.now + after, bytes}); }

  std::deque<Chunk> chunks;
  std::function<void()> onWait;  // what happens to the line while the channel waits
  std::string written;
  std::vector<int32_t> writeTimes;  // fake clock ms of each write
  std::string opened;
  bool open = false, failOpen = false, failClose = false, failWrite = false;
  int failReads = 0;
  int waits = 0;
  int errorNumber = 0;
  std::string errorText;

 private:
  bool Fail(int number, std::string text) {
    errorNumber = number;
    errorText = std::move(text);
    return false;
  }
  FakeClock& clock_;
};

class Channel : public ::testing::Test {
 protected:
  void SetUp() override {
    port.open = true;
    comm.CommInit();
    comm.CommSetLogDisplay({[this] { return shown; }, [this](const std::string& t) { shown = t; }});
  }
  void Ezhr17Terms() {
    comm.CommSetTxTerm(13);
    comm.CommSetRxTerm(13);
    comm.CommSetRxTerm2(10);
  }
  void Im483iTerms() {
    comm.CommSetTxTerm(10);
    comm.CommSetRxTerm(10);
  }
  FakeClock clock;
  TimedPort port{clock};
  Comm comm{port, clock};
  std::string shown;
};

TEST_F(Channel, SendsTheCommandWithTheTypesTerminator) {
  Im483iTerms();
  EXPECT_EQ(comm.CommOut("XZ"), 1);
  Ezhr17Terms();
  EXPECT_EQ(comm.CommOut("/1?0"), 1);
  EXPECT_EQ(port.written, "XZ\n/1?0\r");
}

TEST_F(Channel, JoinsAReplyArrivingInPiecesAndDropsTheTerminators) {
  Ezhr17Terms();
  port.Arrive(3, std::string("\xFF/0`12", 6));
  port.Arrive(5, "34\x03\r");
  port.Arrive(7, "\n");
  std::string reply;
  EXPECT_EQ(comm.CommIn2(reply), 1);
  EXPECT_EQ(reply, std::string("\xFF/0`1234\x03", 9));
  EXPECT_GE(port.waits, 3);  // it blocked between pieces instead of spinning
}

TEST_F(Channel, OnlyTheLastCharacterEndsAReply) {
  Im483iTerms();
  port.Arrive(1, "XZ\n 15");  // an early LF inside a piece that does not end with it
  port.Arrive(2, "00\n");
  std::string reply;
  EXPECT_EQ(comm.CommIn(reply), 1);
  EXPECT_EQ(reply, "XZ\n 1500");
}

TEST_F(Channel, ASingleLineFeedEndsATwoCharacterReplyOnlyAfterCarriageReturn) {
  Ezhr17Terms();
  comm.CommSetRxTerm(10);  // with one character collected both tests look at it
  port.Arrive(1, "\n");
  std::string reply;
  EXPECT_EQ(comm.CommIn2(reply), 1);
  EXPECT_EQ(reply, "");
}

TEST_F(Channel, TimeOutCountsFromTheStartAndKeepsThePartialReply) {
  Im483iTerms();
  comm.CommSetTimeout(200);
  const int32_t start = clock.now;
  port.Arrive(150, "XZ 1");
  port.Arrive(250, "5\n");  // each piece in time, the whole reply not
  std::string reply;
  EXPECT_EQ(comm.CommIn(reply), -1);
  EXPECT_EQ(reply, "XZ 1");
  EXPECT_GT(clock.now - start, 200);
  EXPECT_LE(clock.now - start, 203);
  EXPECT_EQ(shown, "Port TimeOut");
  EXPECT_EQ(comm.CommLogText(), "Port TimeOut\r\n");
}

// The next command waits one more time-out for a reply that did not come in time; one that comes
// later still is dropped before the send after it.
TEST_F(Channel, ALateReplyIsDiscardedBeforeTheNextCommand) {
  Ezhr17Terms();
  comm.CommSetTimeout(100);
  const std::string late("\xFF/0`12\x03\r\n", 9);
  const std::string answer("\xFF/0`34\x03\r\n", 9);
  const std::string discarded = "Late reply discarded: \xFF/0`12<3><13><10>\r\n";
  std::string reply;
  const int32_t lateAt = clock.now + 150;
  port.Arrive(150, late);
  EXPECT_EQ(comm.CommOutIn2("/1?0", reply), -1);
  port.Arrive(100, answer);
  EXPECT_EQ(comm.CommOutIn2("/3?0", reply), 1);  // at once
  EXPECT_EQ(reply, std::string("\xFF/0`34\x03", 7));
  EXPECT_EQ(port.writeTimes[1], lateAt);  // sent when the late reply had come, not before
  EXPECT_EQ(comm.CommLogText(), "Port TimeOut\r\n" + discarded);

  port.Arrive(300, late);  // beyond the extra time-out
  EXPECT_EQ(comm.CommOutIn2("/1?0", reply), -1);
  clock.now += 400;
  port.Arrive(5, answer);
  EXPECT_EQ(comm.CommOutIn2("/3?0", reply), 1);
  EXPECT_EQ(reply, std::string("\xFF/0`34\x03", 7));
  EXPECT_EQ(port.written, "/1?0\r/3?0\r/1?0\r/3?0\r");
  EXPECT_EQ(comm.CommLogText(), "Port TimeOut\r\n" + discarded + "Port TimeOut\r\n" + discarded);
}

// The device of an open line goes away (adapter unplugged, other end closed) and comes back.
TEST_F(Channel, ALostLineIsLoggedOnceFailsAtOnceAndIsReopenedWhenItIsBack) {
  Im483iTerms();
  comm.SetPortName("/tmp/sim-link");
  ASSERT_TRUE(comm.CommOpenPort(1));
  port.open = false;
  port.failOpen = true;
  comm.OnCommEvent(1005);  // the port's report of the hang-up, and more of it
  comm.OnCommEvent(1005);
  const int32_t start = clock.now;
  std::string reply;
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(comm.CommOutIn("XZ", reply), -1);
  EXPECT_EQ(clock.now, start);
  EXPECT_EQ(port.written, "");
  EXPECT_EQ(shown, "Port lost: /tmp/sim-link");
  EXPECT_EQ(comm.CommLogText(), "Port lost: /tmp/sim-link\r\n");

  port.failOpen = false;
  port.opened.clear();
  port.Arrive(5, "XZ 7\n");
  EXPECT_EQ(comm.CommOutIn("XZ", reply), 1);
  EXPECT_EQ(reply, "XZ 7");
  EXPECT_EQ(port.opened, "/tmp/sim-link");
  EXPECT_EQ(port.written, "XZ\n");

  // Going away in the middle of an exchange ends it at once.
  port.onWait = [this] { port.open = false; };
  EXPECT_EQ(comm.CommOutIn("XA", reply), -1);
  EXPECT_LT(clock.now - start, comm.CommTimeoutMs());
  EXPECT_EQ(comm.CommLogText(),
            "Port lost: /tmp/sim-link\r\nPort reopened: /tmp/sim-link\r\n"
            "Port lost: /tmp/sim-link\r\n");

  // A line closed on purpose stays closed.
  port.onWait = nullptr;
  port.opened.clear();
  EXPECT_TRUE(comm.CommClosePort());
  comm.CommOutIn("XZ", reply);
  EXPECT_EQ(port.opened, "");
}

TEST_F(Channel, SendFaultStillWaitsForAReply) {
  Im483iTerms();
  comm.CommSetTimeout(50);
  port.failWrite = true;
  port.Arrive(10, "XZ 7\n");
  std::string reply;
  EXPECT_EQ(comm.CommOutIn("XZ", reply), -1);
  EXPECT_EQ(reply, "XZ 7");
  EXPECT_EQ(comm.CommLogText(), "CommOut  9 Bad file descriptor\r\n");
}

TEST_F(Channel, AReadFaultIsLoggedAndALaterCompleteReplyCounts) {
  Ezhr17Terms();
  port.failReads = 1;
  port.Arrive(1, "abc\r\n");
  std::string reply;
  EXPECT_EQ(comm.CommIn2(reply), 1);
  EXPECT_EQ(reply, "abc");
  EXPECT_EQ(comm.CommLogText(), "CommIn2  12 Resource temporarily unavailable\r\n");
}

TEST_F(Channel, OpensTheNumberedPortOrTheConfiguredName) {
  EXPECT_TRUE(comm.CommOpenPort(1));
  EXPECT_EQ(port.opened, "/dev/ttyS0");
  comm.SetPortName("/tmp/sim-link");
  EXPECT_TRUE(comm.CommOpenPort(3));
  EXPECT_EQ(port.opened, "/tmp/sim-link");
}

TEST_F(Channel, PortFaultsAreReportedWithNumberAndText) {
  port.failOpen = true;
  EXPECT_FALSE(comm.CommOpenPort(4));
  EXPECT_EQ(shown, "CommOpenPort  2 No such file or directory");
  port.failClose = true;
  EXPECT_FALSE(comm.CommClosePort());
  EXPECT_EQ(shown, "CommClosePort  5 Input/output error");
}

TEST_F(Channel, AppendedMessagesFollowTheMessageLine) {
  comm.CommLogShow("Port TimeOut");
  comm.CommLogAppend("XZ\\");
  EXPECT_EQ(shown, "Port TimeOut, XZ\\");
  comm.OnCommEvent(1004);
  EXPECT_EQ(shown, "ERROR # 1004");
  comm.OnCommEvent(2);
  EXPECT_EQ(shown, "ERROR # 1004");
}

TEST_F(Channel, TheRingKeepsTheLatest101OldestFirst) {
  EXPECT_EQ(comm.CommLogText(), "");
  for (int i = 1; i <= 105; ++i)
    comm.CommLogAdd("m" + std::to_string(i));
  std::string expected;
  for (int i = 5; i <= 105; ++i)
    expected += "m" + std::to_string(i) + "\r\n";
  EXPECT_EQ(comm.CommLogText(), expected);
}

TEST_F(Channel, APortThatIsNotOpenFailsAtOnce) {
  Im483iTerms();
  port.open = false;
  port.errorNumber = 13;
  port.errorText = "Port not open";
  const int32_t start = clock.now;
  std::string reply = "old";
  EXPECT_EQ(comm.CommIn(reply), -1);
  EXPECT_EQ(reply, "");
  EXPECT_EQ(clock.now, start);
  EXPECT_EQ(comm.CommLogText(), "CommIn  13 Port not open\r\n");
}

// Each failed wait of such a port also raises its error event again: the ring keeps one message
// for it per exchange, with the count.
TEST_F(Channel, APortThatCannotWaitTimesOutWithoutSpinningOrFloodingTheLog) {
  class DeadPort final : public SerialPort {
   public:
    bool Open(const std::string&) override { return true; }
    bool Close() override { return true; }
    bool IsOpen() const override { return true; }
    bool Write(std::string_view) override { return true; }
    size_t BytesAvailable() override { return 0; }
    bool ReadAll(std::string&) override { return true; }
    bool WaitForData(int) override {
      ++waits;
      if (channel != nullptr) channel->OnCommEvent(1005);
      return false;  // returns at once, as a broken port does
    }
    int ErrorNumber() const override { return 1; }
    std::string ErrorText() const override { return "broken"; }
    int waits = 0;
    Comm* channel = nullptr;
  } dead;
  Comm channel(dead, clock);
  dead.channel = &channel;
  channel.CommInit();
  channel.CommSetTimeout(50);
  std::string reply;
  EXPECT_EQ(channel.CommOutIn("XZ", reply), -1);
  EXPECT_GT(dead.waits, 1);
  EXPECT_LE(dead.waits, 52);  // one wait per millisecond at most
  const auto once = [&dead] {
    return "ERROR # 1005 (" + std::to_string(dead.waits) + " times)\r\nPort TimeOut\r\n";
  };
  const std::string first = once();
  EXPECT_EQ(channel.CommLogText(), first);
  dead.waits = 0;
  channel.CommOutIn("XZ", reply);  // the next exchange has a message of its own
  EXPECT_EQ(channel.CommLogText(), first + once());
}

}  // namespace
}  // namespace qv::test
