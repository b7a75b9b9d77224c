#pragma once
// The simulator in-process: a clock that moves only when told and a serial port that talks to a
// Line at that clock's time. The program's waits (serial time-outs, motion polls with DelayMs)
// then take no real time and give the same result on every run.
#include <string>

#include "controllers/Clock.h"
#include "controllers/SerialPort.h"
#include "sim/Line.h"

namespace sim {

class SimClock final : public qv::Clock {
 public:
  explicit SimClock(Micros start = 0) : now_(start) {}

  int32_t TimeMs() override;
  // Moves the clock by ms + 1 milliseconds: "more than ms" on a millisecond clock.
  void DelayMs(int32_t ms) override;
  int64_t RoundedSeconds() override;

  Micros Now() const { return now_; }
  void Advance(Micros microseconds);
  void AdvanceTo(Micros time);  // never backwards

 private:
  Micros now_;  // microseconds since an arbitrary start
};

class LoopbackPort final : public qv::SerialPort {
 public:
  LoopbackPort(Line& line, SimClock& clock) : line_(line), clock_(clock) {}

  bool Open(const std::string& device) override;
  bool Close() override;
  bool IsOpen() const override { return open_; }
  bool Write(std::string_view bytes) override;
  size_t BytesAvailable() override;
  bool ReadAll(std::string& bytes) override;
  // Advances the clock to the next byte's arrival when that is within the time-out (true), or
  // by the whole time-out (false).
  bool WaitForData(int timeoutMs) override;
  int ErrorNumber() const override { return errorNumber_; }
  std::string ErrorText() const override { return errorText_; }

  // Everything the program has written since it was opened.
  const std::string& Written() const { return written_; }
  // The device goes away (an adapter unplugged, the simulator ended): the port is closed and
  // cannot be opened until the device is back. The units keep their state meanwhile.
  void SetDevicePresent(bool present);

 private:
  bool Fail(int number, std::string text);
  void Collect();

  Line& line_;
  SimClock& clock_;
  bool open_ = false;
  bool present_ = true;
  std::string received_;  // arrived and not yet read
  std::string written_;
  int errorNumber_ = 0;
  std::string errorText_;
};

}  // namespace sim
