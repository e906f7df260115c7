// Shared pieces of the link tests: a host that records what the person would see, a byte
// transport whose replies a test scripts, short time limits and a small text catalog.
#pragma once

#include "app/TextCatalog.h"
#include "link/ByteTransport.h"
#include "link/Link.h"
#include "link/LinkHost.h"
#include "support/FakeClock.h"
#include "support/ShortTimings.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace qv::test {

using namespace std::chrono_literals;

inline TextCatalog LinkTexts() {
  return TextCatalog::FromBytes(
      "[Language]\n"
      "msgNotAvailPort_35=Port not available\n"
      "msgConnectError_35=No instrument\n"
      "msgCommunFail_35=Communication failed\n");
}

struct SeenMessage {
  MessageIcon icon;
  Bytes text;
};

// Pumps as a GUI would, and records what a person would be told of each outcome.
class RecordingHost : public LinkHost {
 public:
  void Pump() override {
    ++pumps;
    if (onPump) onPump();
  }
  // Records the outcome's message as the catalog translates it; true when it is Ok.
  bool Told(const LinkOutcome& outcome) {
    if (outcome.notice.key != nullptr) {
      messages.push_back(
          {outcome.notice.icon, texts.Translate(outcome.notice.key) + outcome.notice.suffix});
    }
    return outcome.ok();
  }

  TextCatalog texts = LinkTexts();
  std::vector<SeenMessage> messages;
  std::function<void()> onPump;
  int pumps = 0;
};

// An in-memory line on a clock the test moves: every write goes to a responder, which queues
// reply bytes that "arrive" after a delay; writing takes the line's time at its baud rate, and a
// wait for bytes moves the clock to their arrival or to the deadline. Purging drops only what
// has arrived, as a driver does.
class ScriptedTransport : public ByteTransport {
 public:
  using Responder = std::function<void(const std::string& written, ScriptedTransport& line)>;

  ScriptedTransport(FakeClock& clock, Responder responder, int baud = 57600)
      : clock_(clock), responder_(std::move(responder)), baud_(baud) {}

  void Reply(std::string bytes, Clock::Duration delay = 0ms) {
    incoming_.push_back({clock_.Now() + delay, std::move(bytes)});
  }

  OpenResult Open() override {
    ++opens;
    open_ = openSucceeds;
    return {openSucceeds, openSucceeds ? std::string() : openHint};
  }
  void Close() override {
    if (open_) ++closes;
    open_ = false;
    incoming_.clear();
  }
  bool IsOpen() const override { return open_; }
  size_t Write(const uint8_t* data, size_t n) override {
    if (!open_) return 0;
    // Ten bits a byte on the wire.
    clock_.Advance(std::chrono::duration_cast<Clock::Duration>(
        std::chrono::duration<double>(10.0 * static_cast<double>(n) / baud_)));
    std::string bytes(reinterpret_cast<const char*>(data), n);
    written.push_back(bytes);
    responder_(bytes, *this);
    return n;
  }
  size_t Read(uint8_t* buf, size_t n, Clock::TimePoint deadline) override {
    size_t got = 0;
    for (;;) {
      while (got < n && !incoming_.empty() && incoming_.front().due <= clock_.Now()) {
        std::string& front = incoming_.front().bytes;
        const size_t take = std::min(n - got, front.size());
        std::copy_n(front.begin(), take, buf + got);
        got += take;
        front.erase(0, take);
        if (front.empty()) incoming_.pop_front();
      }
      if (got >= n || clock_.Now() >= deadline) return got;
      Clock::TimePoint next = deadline;
      if (!incoming_.empty()) next = std::min(next, incoming_.front().due);
      clock_.AdvanceTo(next);
    }
  }
  size_t BytesWaiting() override {
    size_t n = 0;
    for (const auto& chunk : incoming_) {
      if (chunk.due <= clock_.Now()) n += chunk.bytes.size();
    }
    return n;
  }
  void PurgeInput() override {
    ++purges;
    while (!incoming_.empty() && incoming_.front().due <= clock_.Now())
      incoming_.pop_front();
  }

  std::vector<std::string> written;
  int opens = 0;
  int closes = 0;
  int purges = 0;
  bool openSucceeds = true;
  std::string openHint;

 private:
  struct Chunk {
    Clock::TimePoint due;
    std::string bytes;
  };
  FakeClock& clock_;
  Responder responder_;
  int baud_;
  std::deque<Chunk> incoming_;
  bool open_ = false;
};

inline std::string Ack(uint32_t length) {
  std::string ack = "OK\r\n";
  ack += static_cast<char>((length >> 16) & 0xFF);
  ack += static_cast<char>((length >> 8) & 0xFF);
  ack += static_cast<char>(length & 0xFF);
  return ack;
}

}  // namespace qv::test
