#include "link/LinkTrace.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace qv {
namespace {

constexpr size_t kBytesPerLine = 16;

void Line(std::string& out, LinkClock::duration at, const char* direction, std::string_view rest) {
  char head[40];
  std::snprintf(head, sizeof head, "%12.6f %s ", std::chrono::duration<double>(at).count(),
                direction);
  out += head;
  out += rest;
  out += '\n';
}

}  // namespace

void LinkTrace::Start() {
  events_.clear();
  start_ = LinkClock::now();
}

void LinkTrace::StreamTo(Output output) {
  Flush();
  output_ = std::move(output);
}

void LinkTrace::Flush() {
  if (!output_) return;
  std::string text;
  for (const Event& e : events_)
    AppendText(text, e);
  events_.clear();
  if (!text.empty()) output_(text);
}

void LinkTrace::Add(Kind kind, std::string data) {
  // Bytes that follow bytes of the same direction at once are one event: a block read in
  // pieces reads as one.
  const auto at = LinkClock::now() - start_;
  if (kind != Kind::Step && !events_.empty() && events_.back().kind == kind &&
      at - events_.back().at < std::chrono::milliseconds(1)) {
    events_.back().data += data;
    return;
  }
  // The event before can grow no more: when streaming, it goes now.
  Flush();
  events_.push_back({kind, at, std::move(data)});
}

void LinkTrace::Step(std::string text) {
  Add(Kind::Step, std::move(text));
}

void LinkTrace::Sent(const uint8_t* bytes, size_t n) {
  if (n > 0) Add(Kind::Sent, std::string(reinterpret_cast<const char*>(bytes), n));
}

void LinkTrace::Received(const uint8_t* bytes, size_t n) {
  if (n > 0) Add(Kind::Received, std::string(reinterpret_cast<const char*>(bytes), n));
}

void LinkTrace::AppendText(std::string& out, const Event& e) {
  if (e.kind == Kind::Step) {
    Line(out, e.at, "--", e.data);
    return;
  }
  const char* direction = e.kind == Kind::Sent ? "H>" : "<I";
  for (size_t i = 0; i < e.data.size(); i += kBytesPerLine) {
    const std::string_view part =
        std::string_view(e.data).substr(i, std::min(kBytesPerLine, e.data.size() - i));
    std::string hex, text;
    for (const char c : part) {
      char h[4];
      std::snprintf(h, sizeof h, "%02X ", static_cast<unsigned char>(c));
      hex += h;
      text += (c >= 0x20 && c < 0x7F) ? c : '.';
    }
    hex.resize(kBytesPerLine * 3, ' ');
    Line(out, e.at, direction, hex + "|" + text + "|");
  }
}

std::string LinkTrace::Text() const {
  std::string out;
  for (const Event& e : events_)
    AppendText(out, e);
  return out;
}

}  // namespace qv
