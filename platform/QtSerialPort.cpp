#include "platform/QtSerialPort.h"

#include <poll.h>

#include <QDeadlineTimer>

#include "platform/SerialDeviceCheck.h"

namespace qv {

QtSerialPort::QtSerialPort() {
  QObject::connect(&port_, &QSerialPort::errorOccurred,
                   [this](QSerialPort::SerialPortError e) { OnError(e); });
}

void QtSerialPort::OnError(QSerialPort::SerialPortError error) {
  // A time-out of a wait is the normal end of a wait, not a fault of the line.
  if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !IsOpen() ||
      closing_) {
    return;
  }
  const bool transfer = error == QSerialPort::ReadError || error == QSerialPort::WriteError ||
                        error == QSerialPort::ResourceError;
  if (transfer && DeviceHungUp()) {
    gone_ = true;
    errorNumber_ = static_cast<int>(error);
    errorText_ = "the device is gone";
    // This runs inside the port's own notification, where closing would delete the notifier
    // that is calling; the close waits for the event loop (or for the next call of this port).
    QMetaObject::invokeMethod(
        &port_, [this] { CloseIfGone(); }, Qt::QueuedConnection);
  }
  if (onError_) onError_(1000 + static_cast<int>(error));
}

// A hung-up terminal reports POLLHUP (or POLLERR) for good: reads end at once with nothing.
bool QtSerialPort::DeviceHungUp() const {
  pollfd fd{static_cast<int>(port_.handle()), POLLIN, 0};
  return poll(&fd, 1, 0) > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void QtSerialPort::CloseIfGone() {
  if (gone_) Shut();
}

// What the port reports while it closes (settings that cannot be restored on a device that is
// gone) is no news.
void QtSerialPort::Shut() {
  closing_ = true;
  if (port_.isOpen()) port_.close();
  closing_ = false;
  gone_ = false;
}

bool QtSerialPort::Fail() {
  errorNumber_ = static_cast<int>(port_.error());
  errorText_ = port_.errorString().toStdString();
  return false;
}

bool QtSerialPort::NotOpen() {
  errorNumber_ = static_cast<int>(QSerialPort::NotOpenError);
  errorText_ = "Port not open";
  return false;
}

// Qt names some faults in its own words ("Permission error while locking the device" for a
// port that another program holds); the user gets the system's reason and what to do about it.
bool QtSerialPort::FailToOpen(const std::string& device) {
  Fail();
  // Where Qt looked: a bare name ("ttyUSB0") is a device of /dev.
  const bool path =
      device.starts_with('/') || device.starts_with("./") || device.starts_with("../");
  const DeviceFacts facts = ExamineDevice(path ? device : "/dev/" + device,
                                          port_.error() == QSerialPort::PermissionError);
  const std::string reason = DeviceReason(facts);
  if (!reason.empty()) errorText_ = reason;
  openAdvice_ = DeviceWayOn(device, facts);
  return false;
}

bool QtSerialPort::Open(const std::string& device) {
  CloseIfGone();
  openAdvice_.clear();
  if (port_.isOpen()) {
    errorNumber_ = static_cast<int>(QSerialPort::OpenError);
    errorText_ = "Port already open";
    return false;
  }
  port_.setPortName(QString::fromStdString(device));
  if (!port_.open(QIODevice::ReadWrite)) return FailToOpen(device);
  const bool set =
      port_.setBaudRate(QSerialPort::Baud9600) && port_.setDataBits(QSerialPort::Data8) &&
      port_.setParity(QSerialPort::NoParity) && port_.setStopBits(QSerialPort::OneStop) &&
      port_.setFlowControl(QSerialPort::NoFlowControl);
  if (!set) {
    Fail();
    port_.close();
    return false;
  }
  return true;
}

bool QtSerialPort::Close() {
  Shut();
  return true;
}

bool QtSerialPort::Write(std::string_view bytes) {
  if (!IsOpen()) return NotOpen();
  if (port_.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
      static_cast<qint64>(bytes.size())) {
    Fail();
    CloseIfGone();
    return false;
  }
  // Without a running event loop the bytes leave only when the port is driven.
  QDeadlineTimer deadline(1000);
  while (port_.bytesToWrite() > 0 && !deadline.hasExpired() && !gone_) {
    if (!port_.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) break;
  }
  if (gone_ || port_.bytesToWrite() > 0) {
    if (!gone_) Fail();
    CloseIfGone();
    return false;
  }
  return true;
}

// Also what has reached the operating system but not yet the port's buffer: without a running
// event loop nothing else moves it there.
size_t QtSerialPort::BytesAvailable() {
  if (!IsOpen()) return 0;
  if (port_.bytesAvailable() == 0) port_.waitForReadyRead(0);
  CloseIfGone();
  return static_cast<size_t>(std::max<qint64>(0, port_.bytesAvailable()));
}

bool QtSerialPort::ReadAll(std::string& bytes) {
  if (!IsOpen()) return NotOpen();
  bytes = port_.readAll().toStdString();
  return true;
}

bool QtSerialPort::WaitForData(int timeoutMs) {
  if (!IsOpen()) return false;
  if (port_.bytesAvailable() > 0) return true;
  const bool ready = port_.waitForReadyRead(std::max(0, timeoutMs));
  CloseIfGone();
  return ready && IsOpen();
}

}  // namespace qv
