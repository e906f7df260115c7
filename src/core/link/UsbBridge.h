// The USB serial bridge: thin wrappers over the bridge library with its fixed line
// parameters, and the same bridge as a byte transport for the protocol.
#pragma once

#include "base/Clock.h"
#include "link/ByteTransport.h"
#include "link/FtdiApi.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Statuses of the wrappers, numbered as the instruments' original bridge driver numbers them.
enum UsbStatus : int {
  kUsbOk = 0,
  kUsbInvalidHandle = 1,
  kUsbDeviceNotFound = 2,
  kUsbDeviceNotOpened = 3,
  kUsbIoError = 4,
  kUsbNoLibrary = 5,  // the library could not be loaded: nothing was called
};

// Descriptions of the instruments' bridges, in the order they are tried.
inline constexpr std::array<std::string_view, 4> kUsbDescriptions = {"TRELVANIX", "DARO", "KESU",
                                                                     "VENTA RQ"};
inline constexpr size_t kUsbDescriptionMax = 49;  // longer descriptions are cut
inline constexpr int kUsbBaudRate = 1000000;
inline constexpr int kUsbLatencyMs = 2;
inline constexpr int kUsbTimeoutMs = 1000;
inline constexpr unsigned char kUsbBitModeCbus = 0x20;
inline constexpr unsigned char kUsbPinsInUse = 0xF1;     // four outputs, the first high
inline constexpr unsigned char kUsbPinsReleased = 0xF0;  // four outputs, all low
// The bridge chips the library recognises by default (vendor 0x0403).
inline constexpr int kUsbVendor = 0x0403;
inline constexpr std::array<int, 5> kUsbProducts = {0x6001, 0x6010, 0x6011, 0x6014, 0x6015};

class UsbBridge : public ByteTransport {
 public:
  // Its reads wait on `clock` (the link's).
  explicit UsbBridge(const FtdiApi& api = SystemFtdi(), Clock& clock = SystemClock::Instance());
  ~UsbBridge() override;
  UsbBridge(const UsbBridge&) = delete;
  UsbBridge& operator=(const UsbBridge&) = delete;

  // The wrappers. Each returns kUsbNoLibrary without calling anything when the library is
  // missing.
  int UsbProbe();  // kUsbOk when at least one bridge is present
  // Opens the bridge with this description (its first 49 characters) and remembers it.
  int UsbOpen(std::string_view description);
  int UsbClose();  // status, harmless when nothing is open
  // Auxiliary pins 0xF1 in bit-bang mode 0x20, 1000000 baud, 8N1, no flow control, time-outs
  // 1000 ms, latency 2 ms, in this order; statuses ignored.
  int UsbSetup();
  int UsbRelease();  // pins 0xF0 in mode 0x20, then close; statuses ignored
  // Bytes written, or -kUsb... status when nothing could be written.
  int UsbWrite(const uint8_t* data, size_t n);
  // Reads up to n bytes, waiting until they are all there or the deadline passes.
  int UsbRead(uint8_t* buf, size_t n, Clock::TimePoint deadline);

  bool LibraryLoaded() const { return api_.loaded; }
  // The library's text for why the last UsbOpen found a bridge but could not open it; "" when
  // it opened or found none.
  const std::string& OpenError() const { return openError_; }
  // The description last opened (cut to 49 characters); Open() uses it.
  const std::string& Description() const { return description_; }
  void SetDescription(std::string_view description);

  // ByteTransport: Open = UsbOpen(Description()) + UsbSetup; Close = UsbRelease.
  OpenResult Open() override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  size_t Write(const uint8_t* data, size_t n) override;
  size_t Read(uint8_t* buf, size_t n, Clock::TimePoint deadline) override;
  size_t BytesWaiting() override;
  void PurgeInput() override;

 private:
  FtdiContext* Context();

  FtdiApi api_;
  Clock& clock_;
  FtdiContext* ctx_ = nullptr;
  bool open_ = false;
  std::string description_;
  std::string openError_;
  // Bytes read from the bridge ahead of a Read (BytesWaiting peeks through it).
  std::string pending_;
};

// The sentence for a bridge that was found but could not be opened.
std::string UsbAccessAdvice(const std::string& description, const std::string& libraryError);

struct UsbBridgeFound {
  bool readable = true;  // false: its texts could not be read (error says why)
  std::string description;
  std::string manufacturer;
  std::string serial;
  bool linkTries = false;  // the description is one the link opens
  std::string error;
};

struct UsbBridgeScan {
  bool libraryLoaded = false;
  std::string error;  // the bridges could not be listed at all
  std::vector<UsbBridgeFound> bridges;
};

// The bridges with the library's default ids and their USB texts, read without opening them for
// use (which would take ttyUSB from whoever has it).
UsbBridgeScan ScanUsbBridges(const FtdiApi& api = SystemFtdi());

}  // namespace qv
