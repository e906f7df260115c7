// The byte-level link to an instrument: one interface for the RS-232 port and the USB bridge,
// so the command protocol never knows which one it drives.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qv {

using LinkClock = std::chrono::steady_clock;

struct OpenResult {
  bool ok = false;
  // One plain sentence that tells the person how to get access (e.g. a missing group
  // membership on Linux); empty when there is nothing they can do about it.
  std::string hint;
};

class ByteTransport {
 public:
  virtual ~ByteTransport() = default;

  virtual OpenResult Open() = 0;
  // Discards both directions' pending bytes and closes; harmless when closed.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Writes n bytes, waiting for the transport's write time-out; returns how many went out.
  virtual size_t Write(const uint8_t* data, size_t n) = 0;
  // Reads up to n bytes into buf. Returns as soon as n bytes are there or when the deadline
  // passes, waiting on the device meanwhile (never a fixed sleep); returns the count read.
  virtual size_t Read(uint8_t* buf, size_t n, LinkClock::time_point deadline) = 0;
  // Bytes received and not yet read (0 when closed).
  virtual size_t BytesWaiting() = 0;
  // Discards every byte received so far.
  virtual void PurgeInput() = 0;
  // The device went away while open (adapter unplugged, the other end of a pseudo-terminal
  // closed): no byte will come, whatever the time limits allow. Cleared by Open and Close.
  virtual bool Gone() const { return false; }
};

}  // namespace qv
