// The instrument's side of the command protocol as a state machine: host bytes in, reply
// bytes out. No clock of its own beyond the time stamps it is given, so that the emulator
// program can pace it and tests can drive it directly.
#pragma once

#include "memimage/MemoryImage.h"

#include <chrono>
#include <functional>
#include <set>
#include <string>

namespace qv::emu {

struct InstrumentFaults {
  bool noAnswer = false;           // never replies
  std::string identReply = "SER";  // the answer to ":MRD\n"
  std::set<int> badChecksumPages;  // pages sent with a corrupted checksum
  std::set<int> badChecksumOnce;   // pages whose first copy only goes out corrupted
  bool dropAckOnce = false;        // the first acknowledged command goes unanswered once
  int stallAtPage = -1;            // a request of this page gets its acknowledgement, then silence
  int muteAfterPages = -1;         // after this many pages sent, nothing is answered any more
};

class Instrument {
 public:
  using Clock = std::chrono::steady_clock;

  explicit Instrument(MemoryImage image, InstrumentFaults faults = {});

  // Takes bytes from the host and returns the reply they complete (often none).
  ByteVec Feed(const uint8_t* data, size_t count, Clock::time_point now = Clock::now());
  // Forgets a half-received command, e.g. when the host went away.
  void ResetLine();

  // The page bytes as this instrument sends them (faults applied); an address the memory
  // does not hold reads as erased memory (all 0xFF).
  Page PageBytes(int address) const;

  bool Stalled() const { return stalled_; }
  int PagesSent() const { return pagesSent_; }
  const MemoryImage& Image() const { return image_; }

  // Observer of the traffic: every host chunk (fromHost) and every reply.
  std::function<void(bool fromHost, const uint8_t* data, size_t count)> onTraffic;

  // How long the instrument waits for the page address after acknowledging ":MEM:D".
  static constexpr std::chrono::milliseconds kAddressWait{2000};

 private:
  void Command(const std::string& line, ByteVec& reply, Clock::time_point now);
  void AppendAck(ByteVec& reply, size_t length) const;
  bool DropThisAck();

  MemoryImage image_;
  InstrumentFaults faults_;
  std::string line_;
  bool awaitingAddress_ = false;
  Clock::time_point ackTime_{};
  ByteVec address_;
  bool ackDropped_ = false;
  std::set<int> corruptedOnce_;  // of badChecksumOnce, the pages already sent corrupted
  bool stalled_ = false;
  int pagesSent_ = 0;
};

// One line of the hex traffic log per 16 bytes: milliseconds since the start, the direction
// ("H>" host to instrument, "<I" instrument to host), the bytes in hex and as text.
std::string FormatTraffic(double milliseconds, bool fromHost, const uint8_t* data, size_t count);

}  // namespace qv::emu
