#pragma once
// A serial line with nothing on it: it opens, takes every byte, and never answers. Waits move
// the fake clock, so a time-out takes no real time.
#include <string>

#include "controllers/SerialPort.h"
#include "tests/support/FakeClock.h"

namespace qv::test {

class SilentPort final : public SerialPort {
 public:
  explicit SilentPort(FakeClock& clock) : clock_(clock) {}
  bool Open(const std::string& device) override {
    opened = device;
    open_ = !failOpen;
    return open_;
  }
  bool Close() override {
    open_ = false;
    return true;
  }
  bool IsOpen() const override { return open_; }
  bool Write(std::string_view bytes) override {
    written += bytes;
    return true;
  }
  size_t BytesAvailable() override { return 0; }
  bool ReadAll(std::string& bytes) override {
    bytes.clear();
    return true;
  }
  bool WaitForData(int timeoutMs) override {
    clock_.now += timeoutMs;
    return false;
  }
  int ErrorNumber() const override { return failOpen ? 2 : 0; }
  std::string ErrorText() const override { return failOpen ? "No such file or directory" : ""; }

  std::string opened;
  std::string written;
  bool failOpen = false;

 private:
  FakeClock& clock_;
  bool open_ = false;
};

}  // namespace qv::test
