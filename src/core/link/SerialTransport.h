// The RS-232 port on QSerialPort: 8 data bits, no parity, 1 stop bit, no flow control,
// DTR on, RTS off, exclusive access, 1000 ms block write time-out. Works on any serial
// device path, pseudo-terminals included.
#pragma once

#include "link/ByteTransport.h"

#include <memory>
#include <string>

class QSerialPort;

namespace qv {

inline constexpr int kSerialTimeoutMs = 1000;

class SerialTransport : public ByteTransport {
 public:
  SerialTransport();
  explicit SerialTransport(std::string device, int32_t baudRate);
  ~SerialTransport() override;

  // Takes effect at the next Open().
  void SetPort(std::string device, int32_t baudRate);
  const std::string& Device() const { return device_; }
  int32_t BaudRate() const { return baudRate_; }

  OpenResult Open() override;
  void Close() override;
  bool IsOpen() const override;
  bool Gone() const override { return gone_; }
  size_t Write(const uint8_t* data, size_t n) override;
  size_t Read(uint8_t* buf, size_t n, LinkClock::time_point deadline) override;
  size_t BytesWaiting() override;
  void PurgeInput() override;

 private:
  std::unique_ptr<QSerialPort> port_;
  std::string device_;
  bool gone_ = false;
  int32_t baudRate_ = 38400;
};

}  // namespace qv
