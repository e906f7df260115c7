// A record of one transfer on the wire: every byte each way with the time it was sent or read,
// and the protocol steps between them (commands, acknowledgements, pages, resends, time-outs).
// What a link that misbehaves did, to be read by a person or attached to a report.
#pragma once

#include "link/ByteTransport.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class LinkTrace {
 public:
  using Output = std::function<void(std::string_view text)>;

  // Forgets what was recorded; times count from now.
  void Start();
  // From now on each event goes to `output` as text as soon as it is complete (bytes that
  // follow at once are still added to it) and is not kept: an hour-long transfer costs no
  // memory. Text() then holds at most the event not yet handed on.
  void StreamTo(Output output);
  // Hands the last event to the output (at the end of the transfer).
  void Flush();
  void Step(std::string text);
  void Sent(const uint8_t* bytes, size_t n);
  void Received(const uint8_t* bytes, size_t n);
  bool Empty() const { return events_.empty(); }

  // One line per step and per 16 bytes: seconds since the start (monotonic), the direction
  // ("H>" host to instrument, "<I" instrument to host, "--" a step), the bytes in hex and as
  // text, or the step's text.
  std::string Text() const;

 private:
  enum class Kind : uint8_t { Step, Sent, Received };
  struct Event {
    Kind kind;
    LinkClock::duration at;
    std::string data;
  };
  void Add(Kind kind, std::string data);
  static void AppendText(std::string& out, const Event& e);

  LinkClock::time_point start_ = LinkClock::now();
  std::vector<Event> events_;
  Output output_;
};

}  // namespace qv
