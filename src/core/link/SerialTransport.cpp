#include "link/SerialTransport.h"

#include "link/FtdiApi.h"
#include "link/PortDiagnosis.h"

#include <QSerialPort>

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

int MillisecondsUntil(LinkClock::time_point deadline) {
  const auto left = deadline - LinkClock::now();
  if (left <= LinkClock::duration::zero()) return 0;
  // Round up, so a wait never ends just before the deadline and costs a useless extra poll.
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return static_cast<int>(std::min<int64_t>(ms, 1000 * 1000));
}

OpenError KindOfOpenError(QSerialPort::SerialPortError error) {
  switch (error) {
    case QSerialPort::DeviceNotFoundError:
      return OpenError::NotFound;
    case QSerialPort::PermissionError:
      return OpenError::Denied;
    default:
      return OpenError::Other;
  }
}

}  // namespace

SerialTransport::SerialTransport() = default;

SerialTransport::SerialTransport(std::string device, int32_t baudRate) : SerialTransport() {
  SetPort(std::move(device), baudRate);
}

SerialTransport::~SerialTransport() {
  Close();
}

void SerialTransport::SetPort(std::string device, int32_t baudRate) {
  device_ = std::move(device);
  baudRate_ = baudRate;
}

OpenResult SerialTransport::Open() {
  if (IsOpen()) return {true, {}};
  gone_ = false;
  if (device_.empty()) return {};
  // Made by the thread that opens it (the download's worker), which its waits then belong to.
  port_ = std::make_unique<QSerialPort>();
  port_->setPortName(QString::fromStdString(device_));
  port_->setBaudRate(baudRate_);
  port_->setDataBits(QSerialPort::Data8);
  port_->setParity(QSerialPort::NoParity);
  port_->setStopBits(QSerialPort::OneStop);
  port_->setFlowControl(QSerialPort::NoFlowControl);
  // A program killed while it had the device open left its lock file behind: the device is
  // free, and the stale lock must not keep it from this link.
  RemoveStaleSerialLocks(device_);
  // QSerialPort locks the device and asks the kernel for exclusive use (TIOCEXCL).
  if (!port_->open(QIODevice::ReadWrite)) {
    // Qt reports a busy device and a forbidden one alike (PermissionError); the diagnosis
    // looks at the device itself to tell them apart.
    const QSerialPort::SerialPortError error = port_->error();
    port_.reset();
    const FtdiApi& bridge = SystemFtdi();
    DiagnosisOptions options;
    options.bridgeKeepsSerialDevice = bridge.loaded && bridge.SetModuleDetachMode == nullptr;
    return {false, DiagnoseOpenFailure(device_, KindOfOpenError(error), options)};
  }
  // A pseudo-terminal has no modem lines: these fail there with UnsupportedOperationError,
  // which does not matter for the link.
  port_->setDataTerminalReady(true);
  port_->setRequestToSend(false);
  port_->clearError();
  return {true, {}};
}

void SerialTransport::Close() {
  gone_ = false;
  if (!port_) return;
  if (port_->isOpen()) {
    port_->clear(QSerialPort::AllDirections);
    port_->close();
  }
  port_.reset();
}

bool SerialTransport::IsOpen() const {
  return port_ && port_->isOpen();
}

size_t SerialTransport::Write(const uint8_t* data, size_t n) {
  if (!IsOpen() || n == 0) return 0;
  const qint64 queued = port_->write(reinterpret_cast<const char*>(data), static_cast<qint64>(n));
  if (queued < 0) {
    gone_ = port_->error() == QSerialPort::ResourceError;
    return 0;
  }
  const auto deadline = LinkClock::now() + std::chrono::milliseconds(kSerialTimeoutMs);
  while (port_->bytesToWrite() > 0 && LinkClock::now() < deadline) {
    if (!port_->waitForBytesWritten(std::max(1, MillisecondsUntil(deadline)))) break;
  }
  const qint64 unwritten = port_->bytesToWrite();
  return static_cast<size_t>(std::max<qint64>(0, queued - unwritten));
}

size_t SerialTransport::Read(uint8_t* buf, size_t n, LinkClock::time_point deadline) {
  if (!IsOpen()) return 0;
  size_t got = 0;
  for (;;) {
    const qint64 r = port_->read(reinterpret_cast<char*>(buf + got), static_cast<qint64>(n - got));
    if (r > 0) got += static_cast<size_t>(r);
    if (got >= n) break;
    const int ms = MillisecondsUntil(deadline);
    if (ms == 0) break;
    if (!port_->waitForReadyRead(ms)) {
      const auto error = port_->error();
      port_->clearError();
      // A vanished device (adapter unplugged, hang-up) will not bring more bytes.
      if (error != QSerialPort::TimeoutError && error != QSerialPort::NoError) {
        gone_ = error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                error == QSerialPort::DeviceNotFoundError;
        break;
      }
    }
  }
  return got;
}

size_t SerialTransport::BytesWaiting() {
  if (!IsOpen()) return 0;
  // Without an event loop QSerialPort only fetches bytes from the device when asked.
  port_->waitForReadyRead(0);
  port_->clearError();
  return static_cast<size_t>(port_->bytesAvailable());
}

void SerialTransport::PurgeInput() {
  if (!IsOpen()) return;
  port_->clear(QSerialPort::Input);
  port_->clearError();
}

}  // namespace qv
