// Arbitrary bytes as controller replies: the frame and answer parsers of both drivers, then
// whole exchanges and composite motions of both drivers over a port that answers with those
// bytes. Nothing may crash, hang or read out of bounds.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "controllers/Comm.h"
#include "controllers/Ezhr17Driver.h"
#include "controllers/Im483iDriver.h"
#include "controllers/MotorControllers.h"
#include "tests/support/FakeClock.h"
#include "tests/support/ScriptedPort.h"

namespace {

void ParsePure(std::string_view bytes) {
  const qv::Ezhr17Reply reply = qv::ParseEzhr17Reply(bytes);
  (void)qv::Ezhr17Number(reply.data);
  (void)qv::Ezhr17HardwareValue(reply.data);
  (void)qv::Ezhr17LimitsValue(reply.data);
  (void)qv::Ezhr17Number(bytes);
  (void)qv::Ezhr17HardwareValue(bytes);
  (void)qv::Ezhr17LimitsValue(bytes);
  (void)qv::CheckIm483iEcho("XZ", bytes);
  (void)qv::CheckIm483iEcho(bytes, "XZ 1");
}

// The input cut at 0x00 bytes into the successive replies of the units; they repeat in turn.
std::vector<std::string> Replies(std::string_view bytes) {
  std::vector<std::string> replies;
  size_t start = 0;
  for (size_t i = 0; i <= bytes.size(); ++i) {
    if (i == bytes.size() || bytes[i] == '\0') {
      replies.emplace_back(bytes.substr(start, i - start));
      start = i + 1;
    }
  }
  return replies;
}

void RunLine(const std::string& type, const std::vector<std::string>& replies) {
  qv::test::FakeClock clock;
  qv::test::ScriptedPort port(clock);
  qv::Comm comm(port, clock);
  qv::EventPump pump;
  const int16_t interval = 20;
  qv::MotorControllers motors(comm, clock, pump, type, interval);
  comm.CommInit();
  comm.CommSetTimeout(30);
  motors.MotorInitChannel();
  motors.MotorSetMoveTimeout(1);
  size_t next = 0;
  port.responder = [&](const std::string&) { return replies[next++ % replies.size()]; };

  double position = 0;
  int16_t value = 0;
  std::array<int16_t, 3> ports{};
  std::string text;
  motors.MotorReadPos('1', position);
  motors.MotorReadHardware('1', value);
  motors.MotorReadLimits('1', value);
  motors.MotorReadMovingStatus('1', value);
  motors.MotorReadInPorts('1', ports);
  motors.MotorGetOutput('1', 1, value);
  motors.MotorSetOutput('1', 2, 1);
  motors.MotorRawCommand("x", text);
  motors.MotorWaitMoveEnd('1');
  motors.MotorToLimit('1', 3, 500, value);
  motors.MotorHomeOwn('1', -400);
  motors.MotorHomeSmart('1', 800, 400);
  (void)comm.CommLogText();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ParsePure(bytes);
  const std::vector<std::string> replies = Replies(bytes);
  RunLine("EZHR17", replies);
  RunLine("IM483I", replies);
  return 0;
}
