#include "sim/Loopback.h"

#include <algorithm>
#include <cmath>

namespace sim {

int32_t SimClock::TimeMs() {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(now_ / 1000)));
}

void SimClock::DelayMs(int32_t ms) {
  if (ms > 0) now_ += (Micros{ms} + 1) * 1000;
}

int64_t SimClock::RoundedSeconds() {
  return static_cast<int64_t>(std::nearbyint(static_cast<double>(now_) / 1e6));
}

void SimClock::Advance(Micros microseconds) {
  if (microseconds > 0) now_ += microseconds;
}

void SimClock::AdvanceTo(Micros time) {
  if (time > now_) now_ = time;
}

bool LoopbackPort::Fail(int number, std::string text) {
  errorNumber_ = number;
  errorText_ = std::move(text);
  return false;
}

bool LoopbackPort::Open(const std::string&) {
  if (open_) return Fail(1, "the port is already open");
  if (!present_) return Fail(3, "No such file or directory");
  open_ = true;
  received_.clear();
  written_.clear();
  errorNumber_ = 0;
  errorText_.clear();
  return true;
}

bool LoopbackPort::Close() {
  if (!open_) return Fail(2, "the port is not open");
  open_ = false;
  return true;
}

void LoopbackPort::SetDevicePresent(bool present) {
  present_ = present;
  if (!present) open_ = false;
}

bool LoopbackPort::Write(std::string_view bytes) {
  if (!open_) return Fail(2, "the port is not open");
  written_ += bytes;
  line_.Receive(bytes, clock_.Now());
  line_.Service(clock_.Now());
  return true;
}

void LoopbackPort::Collect() {
  received_ += line_.TakeDue(clock_.Now());
}

size_t LoopbackPort::BytesAvailable() {
  if (!open_) return 0;
  Collect();
  return received_.size();
}

bool LoopbackPort::ReadAll(std::string& bytes) {
  if (!open_) return Fail(2, "the port is not open");
  Collect();
  bytes = std::move(received_);
  received_.clear();
  return true;
}

bool LoopbackPort::WaitForData(int timeoutMs) {
  if (!open_) return Fail(2, "the port is not open");
  const Micros deadline = clock_.Now() + Micros{std::max(timeoutMs, 0)} * 1000;
  while (BytesAvailable() == 0) {
    const Micros next = line_.NextEventTime();
    if (next > deadline) {
      clock_.AdvanceTo(deadline);
      return BytesAvailable() > 0;
    }
    clock_.AdvanceTo(next);
  }
  return true;
}

}  // namespace sim
