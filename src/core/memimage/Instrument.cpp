#include "memimage/Instrument.h"

#include <cstdio>

namespace qv::emu {

namespace {

constexpr size_t kLineLimit = 256;

bool EndsWith(const std::string& s, std::string_view tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

Instrument::Instrument(MemoryImage image, InstrumentFaults faults)
    : image_(std::move(image)), faults_(std::move(faults)) {}

void Instrument::ResetLine() {
  line_.clear();
  address_.clear();
  awaitingAddress_ = false;
}

Page Instrument::PageBytes(int address) const {
  Page page;
  if (const Page* p = image_.Find(address)) {
    page = *p;
  } else {
    page.fill(0xFF);
  }
  if (faults_.badChecksumPages.count(address)) page[3] ^= 0x5A;
  return page;
}

ByteVec Instrument::Feed(const uint8_t* data, size_t count, Clock::time_point now) {
  if (onTraffic && count) onTraffic(true, data, count);
  ByteVec reply;
  if (stalled_ || faults_.noAnswer) return reply;
  if (faults_.muteAfterPages >= 0 && pagesSent_ >= faults_.muteAfterPages) return reply;
  if (awaitingAddress_ && now - ackTime_ > kAddressWait) ResetLine();
  for (size_t i = 0; i < count && !stalled_; ++i) {
    const uint8_t b = data[i];
    if (awaitingAddress_) {
      // The address may hold any byte, LF included: it is not a command line.
      address_.push_back(b);
      if (address_.size() < 2) continue;
      const int address = address_[0] << 8 | address_[1];
      ResetLine();
      if (address == faults_.stallAtPage) {
        stalled_ = true;
        break;
      }
      Page page = PageBytes(address);
      // Damaged on the wire once: the copy sent when the host asks again is whole.
      if (faults_.badChecksumOnce.count(address) && corruptedOnce_.insert(address).second) {
        page[3] ^= 0x5A;
      }
      reply.insert(reply.end(), page.begin(), page.end());
      ++pagesSent_;
      continue;
    }
    if (b == '\n') {
      Command(line_, reply, now);
      line_.clear();
    } else {
      if (line_.size() >= kLineLimit) line_.erase(0, line_.size() - kLineLimit / 2);
      line_ += static_cast<char>(b);
    }
  }
  if (onTraffic && !reply.empty()) onTraffic(false, reply.data(), reply.size());
  return reply;
}

bool Instrument::DropThisAck() {
  if (!faults_.dropAckOnce || ackDropped_) return false;
  ackDropped_ = true;
  return true;
}

void Instrument::AppendAck(ByteVec& reply, size_t length) const {
  uint8_t ack[7] = {'O', 'K', '\r', '\n', 0, 0, 0};
  PutBe24(ack + 4, static_cast<uint32_t>(length));
  reply.insert(reply.end(), ack, ack + 7);
}

void Instrument::Command(const std::string& raw, ByteVec& reply, Clock::time_point now) {
  // Bytes left over from an interrupted exchange may precede a command: match its end.
  std::string line = raw;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (EndsWith(line, ":MRD")) {
    reply.insert(reply.end(), faults_.identReply.begin(), faults_.identReply.end());
  } else if (EndsWith(line, ":SE:R")) {
    if (DropThisAck()) return;
    AppendAck(reply, image_.settings.size());
    reply.insert(reply.end(), image_.settings.begin(), image_.settings.end());
  } else if (EndsWith(line, ":MEM:R")) {
    if (DropThisAck()) return;
    AppendAck(reply, image_.directory.size());
    reply.insert(reply.end(), image_.directory.begin(), image_.directory.end());
  } else if (EndsWith(line, ":MEM:D")) {
    if (DropThisAck()) return;
    AppendAck(reply, kPageSize);
    awaitingAddress_ = true;
    ackTime_ = now;
    address_.clear();
  }
  // Anything else is not a command this instrument knows: no answer.
}

std::string FormatTraffic(double milliseconds, bool fromHost, const uint8_t* data, size_t count) {
  std::string out;
  for (size_t at = 0; at < count || (at == 0 && count == 0); at += 16) {
    const size_t n = std::min<size_t>(16, count - at);
    char head[48];
    std::snprintf(head, sizeof head, "%12.3f %s ", milliseconds, fromHost ? "H>" : "<I");
    std::string hex = ToHex(data + at, n);
    hex.resize(16 * 3, ' ');
    std::string text;
    for (size_t i = 0; i < n; ++i) {
      const uint8_t c = data[at + i];
      text += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
    }
    out += head + hex + " |" + text + "|\n";
    if (count == 0) break;
  }
  return out;
}

}  // namespace qv::emu
