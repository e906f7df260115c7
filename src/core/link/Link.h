// The instrument's command protocol over either transport: finding the instrument (USB
// bridge by description, else the RS-232 port), identification, commands with their
// acknowledgement, data blocks of known length, and closing the link.
//
// Everything runs on the caller's thread, in the application a worker thread of its own. Waits
// wait on the transport in slices of at most 10 ms, returning as soon as the bytes are there,
// and call LinkHost::Pump between slices; Cancel() (from the transfer dialog on another thread,
// or a signal handler) ends any wait without a message. Time comes from an injectable clock.
// Every operation returns what it came to; the link tells the person nothing itself.
#pragma once

#include "base/Clock.h"
#include "base/Message.h"
#include "link/ByteTransport.h"
#include "link/LinkHost.h"
#include "link/LinkTrace.h"
#include "link/UsbBridge.h"
#include "link/Wire.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Message keys and their literal suffixes.
inline constexpr const char* kMsgNotAvailPort = "msgNotAvailPort_35";
inline constexpr const char* kMsgConnectError = "msgConnectError_35";
inline constexpr const char* kMsgCommunFail = "msgCommunFail_35";
inline constexpr const char* kSuffixNoAck = "   Error #2C";
inline constexpr const char* kSuffixBlock = "   Error #3";

enum class LinkKind : int { None = 0, Usb = 1, Serial = 2 };

enum class LinkStatus {
  Ok,
  Cancelled,        // Cancel ended a wait: nothing to tell
  PortUnavailable,  // "msgNotAvailPort_35", the device and what keeps it from opening
  NoInstrument,     // "msgConnectError_35": nothing answered the identification
  NotSupported,     // "msgCommunFail_35" and NotSupportedAdvice: an answer, but not "SER"
  NoAcknowledge,    // "msgCommunFail_35" + "   Error #2C"
  BlockFailed,      // "msgCommunFail_35" + "   Error #3"
};

// What an operation of the link came to, with the message that tells the person why it
// failed (none for Ok and Cancelled).
struct LinkOutcome {
  LinkStatus status = LinkStatus::Ok;
  Notice notice;
  bool ok() const { return status == LinkStatus::Ok; }
  explicit operator bool() const { return ok(); }
};

// The sentence after "msgCommunFail_35" when something on `device` answered the identification,
// but not as an instrument does: what it sent, and what to check.
std::string NotSupportedAdvice(const std::string& device, std::string_view answer);

// Every time limit of the protocol, measured on a monotonic clock. Tests shorten them; the
// code path stays the same.
struct LinkTimings {
  using us = std::chrono::microseconds;
  us IdentifyTotal{4'320'000};     // 0.00005 day
  us IdentifyAttempt{864'000};     // 0.00001 day
  us CommandTotal{3'456'000'000};  // 0.04 day
  us CommandAttempt{864'000};      // 0.00001 day
  us BlockMinimum{2'592'000};      // 0.00003 day
  double BlockStretch = 34.56;     // block limit = (n / rate) seconds x this (4/10000 day)
  us PollSlice{10'000};            // longest wait between two Pump calls
  us BlockCeiling{0};              // no block waits longer than this; 0: no ceiling
  int UsbProbeTries = 3;

  // The limit for a block of n bytes at `rate` bytes per second (baud, as the original).
  us BlockLimit(size_t n, int32_t rate) const;
  // These limits with none longer than `longest` (a person's --timeout): a silent instrument
  // is given up after that time at the latest, whatever the exchange.
  LinkTimings Within(us longest) const;
};

// The receive buffer of one exchange. Blocks land at its start; nothing is written past
// its capacity.
class LinkBuffer {
 public:
  void Allocate(size_t capacity);  // zero-filled, nothing received
  void Free();
  size_t Capacity() const { return bytes_.size(); }
  size_t Size() const { return size_; }  // bytes received by the last read into it
  const uint8_t* Data() const { return bytes_.data(); }
  uint8_t* Data() { return bytes_.data(); }
  std::string_view View() const { return {reinterpret_cast<const char*>(bytes_.data()), size_}; }
  void SetSize(size_t n) { size_ = n < bytes_.size() ? n : bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
  size_t size_ = 0;
};

struct AckResult {
  LinkOutcome outcome;
  uint32_t length = 0;  // the acknowledged 24-bit length
  explicit operator bool() const { return outcome.ok(); }
};

class Link {
 public:
  // The RS-232 side starts as a SerialTransport without a device (SetSerialPort); the USB
  // side uses the run-time loaded bridge library.
  // Its time limits are measured on `clock` (tests give one they move by hand).
  explicit Link(LinkHost& host, const FtdiApi& ftdi = SystemFtdi(),
                Clock& clock = SystemClock::Instance());
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  // The RS-232 device and its BaudRateValue; an open port is closed when either changes.
  void SetSerialPort(std::string device, int32_t baudRateValue);
  // Another byte transport in the place of the RS-232 port (tests, other bridges).
  void SetSerialTransport(std::unique_ptr<ByteTransport> transport, int32_t baudRateValue);
  void SetTimings(const LinkTimings& timings) { timings_ = timings; }
  // Records every byte and protocol step from now on into `trace` (null: no record). The trace
  // must outlive its use by the link.
  void SetTrace(LinkTrace* trace) { trace_ = trace; }
  const LinkTimings& Timings() const { return timings_; }
  // A step of the caller's in the trace (a page asked for again, say); nothing without one.
  void Note(std::string step) { Trace(std::move(step)); }

  // Finds the instrument and identifies it (":MRD\n" until "SER", one probe per attempt even
  // when a wrong answer comes at once). Ok: the link is open, Kind() says over which transport.
  // NoInstrument when nothing answered, NotSupported when something answered otherwise.
  LinkOutcome Connect();
  // Sends bytes over the open link; true when all were written.
  bool SendRaw(std::string_view bytes);
  // Sends the command (again after each unanswered attempt) until the 7-byte
  // acknowledgement starting with `expected` comes, or the whole limit passes (NoAcknowledge).
  AckResult CommandWithAck(std::string_view command, std::string_view expected = kAckText);
  // Receives exactly n bytes into the buffer within the block limit (BlockFailed); n beyond
  // the buffer's capacity fails the same way without reading.
  LinkOutcome ReceiveBlock(size_t n);
  // Closes whichever transport is open (the USB bridge with its pins low first), frees the
  // buffer and clears Cancelled.
  void CloseLink();

  // ":SE:R\n" into a 10000-byte buffer; the block's bytes (NULs included) into `block`.
  // Decoding them is the memory decoder's job.
  LinkOutcome ReadSettingsBlock(std::string& block);
  // One memory page: a 1000-byte buffer, ":MEM:D\n", the address high byte first, then 264
  // bytes, which Buffer() holds afterwards. An acknowledged length beyond the buffer fails
  // (BlockFailed) before the address is sent.
  LinkOutcome RequestPage(uint32_t address);

  // Sum of buffer bytes first .. first + count - 1; a range reaching beyond the buffer's
  // capacity sums only the part inside it.
  uint32_t ByteSum(size_t first, size_t count) const;

  // Discards bytes waiting at the RS-232 port (before a download connects).
  void PurgeSerialInput();

  LinkKind Kind() const { return kind_; }
  LinkBuffer& Buffer() { return buffer_; }
  const LinkBuffer& Buffer() const { return buffer_; }
  UsbBridge& Usb() { return usb_; }
  const std::string& UsbDescription() const { return usb_.Description(); }

  // The clock its time limits are measured on.
  Clock& TimeSource() { return clock_; }
  // The transfer dialog's Cancel; safe to call from another thread or a signal handler.
  void Cancel() { cancelled_.store(true); }
  bool Cancelled() const { return cancelled_.load(); }

 private:
  ByteTransport* Active();
  int32_t Rate() const;
  bool ChooseTransport();
  LinkOutcome OpenActive();
  // Writes through `t`, and into the trace.
  size_t Send(ByteTransport* t, std::string_view bytes);
  void Trace(std::string step);
  // Why fewer bytes than wanted came: a cancel, a device gone, or the time limit.
  void TraceShort(size_t got, size_t wanted);
  LinkOutcome Identify();
  // Reads up to n bytes until the deadline in slices, pumping between them; stops early on
  // Cancel. Returns the count read.
  size_t ReadPumping(uint8_t* buf, size_t n, Clock::TimePoint deadline);
  // A failed exchange: Cancelled when Cancel ended it, else `status` with its message.
  LinkOutcome Failure(LinkStatus status) const;

  LinkHost& host_;
  Clock& clock_;
  LinkTimings timings_;
  UsbBridge usb_;
  std::unique_ptr<ByteTransport> serial_;
  std::string serialDevice_;  // named in the message when the port cannot be opened
  std::string usbRefused_;    // why the instrument's USB bridge, though present, was not used
  int32_t baudRateValue_ = 38400;
  LinkKind kind_ = LinkKind::None;
  LinkBuffer buffer_;
  std::atomic<bool> cancelled_{false};
  LinkTrace* trace_ = nullptr;
};

}  // namespace qv
