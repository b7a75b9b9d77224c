#pragma once
// The serial line as the channel sees it. The Qt serial port, the simulator's in-process port
// and the recording port of the tests are interchangeable behind it.
#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens the device at 9600 baud, no parity, 8 data bits, 1 stop bit, no handshake. False with
  // the error set when it cannot be opened (or is open already).
  virtual bool Open(const std::string& device) = 0;
  virtual bool Close() = 0;
  virtual bool IsOpen() const = 0;
  // Queues all bytes for sending; false with the error set on a fault.
  virtual bool Write(std::string_view bytes) = 0;
  // Number of received bytes waiting to be read.
  virtual size_t BytesAvailable() = 0;
  // Takes every waiting byte; false with the error set on a fault.
  virtual bool ReadAll(std::string& bytes) = 0;
  // Blocks in the operating system until bytes are waiting or `timeoutMs` has passed; true when
  // bytes are waiting. Never spins.
  virtual bool WaitForData(int timeoutMs) = 0;

  // The last fault: a number and the port's own description of it.
  virtual int ErrorNumber() const = 0;
  virtual std::string ErrorText() const = 0;
  // What the user can do after the last Open failed ("add yourself to the group ..."); empty
  // when the port has no advice.
  virtual std::string OpenAdvice() const { return {}; }
};

// The device of serial port number `port`: COMn on Windows, /dev/ttyS(n-1) elsewhere.
std::string DeviceForPortNumber(int port);

}  // namespace qv
