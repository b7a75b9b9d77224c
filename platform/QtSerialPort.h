#pragma once
// The serial line through Qt: COM ports on Windows, ttys and pseudo-terminals on Linux.
#include <QSerialPort>
#include <functional>

#include "controllers/SerialPort.h"

namespace qv {

class QtSerialPort final : public SerialPort {
 public:
  QtSerialPort();

  // Error events of the port while it is open, as codes above 1000. When the event means that
  // the device went away (unplugged, its other end closed), the port counts as closed by then.
  void OnErrorEvent(std::function<void(int code)> handler) { onError_ = std::move(handler); }

  bool Open(const std::string& device) override;
  bool Close() override;
  bool IsOpen() const override { return port_.isOpen() && !gone_; }
  bool Write(std::string_view bytes) override;
  size_t BytesAvailable() override;
  bool ReadAll(std::string& bytes) override;
  bool WaitForData(int timeoutMs) override;
  int ErrorNumber() const override { return errorNumber_; }
  std::string ErrorText() const override { return errorText_; }
  std::string OpenAdvice() const override { return openAdvice_; }

 private:
  void OnError(QSerialPort::SerialPortError error);
  bool DeviceHungUp() const;
  void CloseIfGone();
  void Shut();
  bool Fail();
  bool FailToOpen(const std::string& device);
  bool NotOpen();

  QSerialPort port_;
  std::function<void(int)> onError_;
  // The device went away while open. Qt keeps watching a hung-up descriptor and wakes the event
  // loop for it without end, so the port is closed as soon as Qt's own code has returned.
  bool gone_ = false;
  bool closing_ = false;  // inside Shut
  int errorNumber_ = 0;
  std::string errorText_;
  std::string openAdvice_;  // the way on after the last failed Open
};

}  // namespace qv
