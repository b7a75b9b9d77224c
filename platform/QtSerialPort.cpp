#include "platform/QtSerialPort.h"

#include <QDeadlineTimer>

namespace qv {

QtSerialPort::QtSerialPort() {
  QObject::connect(&port_, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
    // A time-out of a wait is the normal end of a wait, not a fault of the line.
    if (e == QSerialPort::NoError || e == QSerialPort::TimeoutError || !port_.isOpen()) return;
    if (onError_) onError_(1000 + static_cast<int>(e));
  });
}

bool QtSerialPort::Fail() {
  errorNumber_ = static_cast<int>(port_.error());
  errorText_ = port_.errorString().toStdString();
  return false;
}

bool QtSerialPort::Open(const std::string& device) {
  if (port_.isOpen()) {
    errorNumber_ = static_cast<int>(QSerialPort::OpenError);
    errorText_ = "Port already open";
    return false;
  }
  port_.setPortName(QString::fromStdString(device));
  if (!port_.open(QIODevice::ReadWrite)) return Fail();
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
  port_.close();
  return true;
}

bool QtSerialPort::Write(std::string_view bytes) {
  if (!port_.isOpen()) {
    errorNumber_ = static_cast<int>(QSerialPort::NotOpenError);
    errorText_ = "Port not open";
    return false;
  }
  if (port_.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
      static_cast<qint64>(bytes.size())) {
    return Fail();
  }
  // Without a running event loop the bytes leave only when the port is driven.
  QDeadlineTimer deadline(1000);
  while (port_.bytesToWrite() > 0 && !deadline.hasExpired()) {
    if (!port_.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) break;
  }
  if (port_.bytesToWrite() > 0) return Fail();
  return true;
}

size_t QtSerialPort::BytesAvailable() {
  return static_cast<size_t>(std::max<qint64>(0, port_.bytesAvailable()));
}

bool QtSerialPort::ReadAll(std::string& bytes) {
  if (!port_.isOpen()) {
    errorNumber_ = static_cast<int>(QSerialPort::NotOpenError);
    errorText_ = "Port not open";
    return false;
  }
  bytes = port_.readAll().toStdString();
  return true;
}

bool QtSerialPort::WaitForData(int timeoutMs) {
  if (!port_.isOpen()) return false;
  if (port_.bytesAvailable() > 0) return true;
  return port_.waitForReadyRead(std::max(0, timeoutMs));
}

}  // namespace qv
