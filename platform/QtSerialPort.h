#pragma once
// The serial line through Qt: COM ports on Windows, ttys and pseudo-terminals on Linux.
#include <QSerialPort>
#include <functional>

#include "controllers/SerialPort.h"

namespace qv {

class QtSerialPort final : public SerialPort {
 public:
  QtSerialPort();

  // Error events of the port while it is open, as codes above 1000.
  void OnErrorEvent(std::function<void(int code)> handler) { onError_ = std::move(handler); }

  bool Open(const std::string& device) override;
  bool Close() override;
  bool IsOpen() const override { return port_.isOpen(); }
  bool Write(std::string_view bytes) override;
  size_t BytesAvailable() override;
  bool ReadAll(std::string& bytes) override;
  bool WaitForData(int timeoutMs) override;
  int ErrorNumber() const override { return errorNumber_; }
  std::string ErrorText() const override { return errorText_; }

 private:
  bool Fail();

  QSerialPort port_;
  std::function<void(int)> onError_;
  int errorNumber_ = 0;
  std::string errorText_;
};

}  // namespace qv
