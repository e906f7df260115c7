#include "link/Link.h"

#include "link/SerialTransport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qv {

LinkTimings::us LinkTimings::BlockLimit(size_t n, int32_t rate) const {
  const double seconds = rate > 0 ? static_cast<double>(n) / rate * BlockStretch : 0.0;
  const us stretched{static_cast<int64_t>(std::ceil(seconds * 1e6))};
  const us limit = std::max(stretched, BlockMinimum);
  return BlockCeiling > us::zero() ? std::min(limit, BlockCeiling) : limit;
}

LinkTimings LinkTimings::Within(us longest) const {
  LinkTimings t = *this;
  for (us* limit : {&t.IdentifyTotal, &t.IdentifyAttempt, &t.CommandTotal, &t.CommandAttempt,
                    &t.BlockMinimum}) {
    *limit = std::min(*limit, longest);
  }
  t.BlockCeiling = BlockCeiling > us::zero() ? std::min(BlockCeiling, longest) : longest;
  return t;
}

void LinkBuffer::Allocate(size_t capacity) {
  bytes_.assign(capacity, 0);
  size_ = 0;
}

void LinkBuffer::Free() {
  bytes_.clear();
  bytes_.shrink_to_fit();
  size_ = 0;
}

Link::Link(LinkHost& host, const FtdiApi& ftdi, Clock& clock)
    : host_(host), clock_(clock), usb_(ftdi, clock), serial_(std::make_unique<SerialTransport>()) {}

Link::~Link() {
  usb_.Close();
  serial_->Close();
}

void Link::SetSerialPort(std::string device, int32_t baudRateValue) {
  auto* port = dynamic_cast<SerialTransport*>(serial_.get());
  if (port == nullptr) {
    serial_->Close();
    serial_ = std::make_unique<SerialTransport>();
    port = static_cast<SerialTransport*>(serial_.get());
  }
  if (port->IsOpen() && (port->Device() != device || port->BaudRate() != baudRateValue)) {
    port->Close();
  }
  serialDevice_ = device;
  port->SetPort(std::move(device), baudRateValue);
  baudRateValue_ = baudRateValue;
}

void Link::SetSerialTransport(std::unique_ptr<ByteTransport> transport, int32_t baudRateValue) {
  serial_->Close();
  serial_ = std::move(transport);
  serialDevice_.clear();
  baudRateValue_ = baudRateValue;
}

ByteTransport* Link::Active() {
  switch (kind_) {
    case LinkKind::Usb:
      return &usb_;
    case LinkKind::Serial:
      return serial_.get();
    case LinkKind::None:
      break;
  }
  return nullptr;
}

int32_t Link::Rate() const {
  return kind_ == LinkKind::Usb ? kUsbBaudRate : baudRateValue_;
}

// Decides between the USB bridge and the RS-232 port: a bridge must be present and carry
// one of the instruments' descriptions.
bool Link::ChooseTransport() {
  kind_ = LinkKind::Serial;
  usbRefused_.clear();
  for (int i = 0; i < timings_.UsbProbeTries; ++i) {
    const int status = usb_.UsbProbe();
    usb_.UsbClose();
    if (status == kUsbOk) {
      kind_ = LinkKind::Usb;
      break;
    }
  }
  if (kind_ != LinkKind::Usb) return false;
  for (std::string_view description : kUsbDescriptions) {
    const int status = usb_.UsbOpen(description);
    if (status == kUsbOk) {
      usb_.UsbClose();
      usb_.SetDescription(description);
      return true;
    }
    // The instrument's bridge is there but this user may not use it: the RS-232 port is tried,
    // and should that fail too, the person learns that the bridge was the one to fix.
    if (status == kUsbDeviceNotOpened && usbRefused_.empty()) {
      usbRefused_ = UsbAccessAdvice(std::string(description), usb_.OpenError());
    }
  }
  kind_ = LinkKind::Serial;
  return false;
}

LinkOutcome Link::Failure(LinkStatus status) const {
  if (Cancelled()) return {LinkStatus::Cancelled, {}};
  LinkOutcome outcome{status, {MessageIcon::Warning, kMsgCommunFail, {}}};
  switch (status) {
    case LinkStatus::NoAcknowledge:
      outcome.notice.suffix = kSuffixNoAck;
      break;
    case LinkStatus::BlockFailed:
      outcome.notice.suffix = kSuffixBlock;
      break;
    case LinkStatus::NoInstrument:
      outcome.notice.key = kMsgConnectError;
      break;
    default:
      break;
  }
  return outcome;
}

LinkOutcome Link::OpenActive() {
  ByteTransport* t = Active();
  if (t->IsOpen()) return {};
  const OpenResult opened = t->Open();
  if (opened.ok) return {};
  t->Close();
  LinkOutcome outcome{LinkStatus::PortUnavailable,
                      {MessageIcon::Information, kMsgNotAvailPort, {}}};
  // Which device, so that a person with several adapters knows which one to look at.
  if (kind_ == LinkKind::Serial && !serialDevice_.empty()) {
    outcome.notice.suffix = "   " + serialDevice_;
  }
  std::string hint = opened.hint;
  if (kind_ == LinkKind::Serial && !usbRefused_.empty()) {
    hint += (hint.empty() ? "" : " ") + usbRefused_;
  }
  if (!hint.empty()) outcome.notice.suffix += "\n\n" + hint;
  return outcome;
}

LinkOutcome Link::Connect() {
  ChooseTransport();
  if (LinkOutcome opened = OpenActive(); !opened) return opened;
  return Identify();
}

LinkOutcome Link::Identify() {
  ByteTransport* t = Active();
  buffer_.Allocate(kIdentifyBufferSize);
  const auto start = clock_.Now();
  bool found = false;
  std::string answer;  // the last reply that was not the instrument's
  do {
    // Whatever an earlier probe brought late would otherwise be taken for this reply.
    t->PurgeInput();
    Trace("identification");
    Send(t, kIdentifyCommand);
    host_.Pump();
    if (Cancelled()) break;
    const auto attemptEnd = clock_.Now() + timings_.IdentifyAttempt;
    const size_t got = ReadPumping(buffer_.Data(), kIdentifyReply.size(), attemptEnd);
    buffer_.SetSize(got);
    if (got == kIdentifyReply.size()) found = buffer_.View() == kIdentifyReply;
    if (!found) {
      if (got > 0) answer.assign(buffer_.View());
      if (got == kIdentifyReply.size()) {
        Trace("not an instrument's identification");
      } else {
        TraceShort(got, kIdentifyReply.size());
      }
    }
    if (Cancelled() || t->Gone()) break;
    // A wrong answer comes at once: asking again at once would send thousands of probes a
    // second. The attempt's time runs out first, its late bytes read and dropped.
    if (!found && got > 0) {
      uint8_t late[64];
      while (clock_.Now() < attemptEnd && !Cancelled() && !t->Gone()) {
        ReadPumping(late, sizeof late, attemptEnd);
      }
    }
  } while (!found && clock_.Now() - start < timings_.IdentifyTotal);
  buffer_.Free();
  if (found) return {};

  t->Close();
  LinkOutcome outcome = Failure(LinkStatus::NoInstrument);
  if (outcome.status == LinkStatus::NoInstrument && !answer.empty()) {
    outcome.status = LinkStatus::NotSupported;
    outcome.notice.key = kMsgCommunFail;
    outcome.notice.suffix = "\n\n" + NotSupportedAdvice(serialDevice_, answer);
  }
  cancelled_.store(false);
  return outcome;
}

size_t Link::ReadPumping(uint8_t* buf, size_t n, Clock::TimePoint deadline) {
  ByteTransport* t = Active();
  size_t got = 0;
  if (t == nullptr || n == 0) return 0;
  for (;;) {
    const auto slice = std::min(deadline, clock_.Now() + timings_.PollSlice);
    const size_t chunk = t->Read(buf + got, n - got, slice);
    if (trace_ != nullptr) trace_->Received(buf + got, chunk);
    got += chunk;
    if (got >= n || Cancelled() || t->Gone() || clock_.Now() >= deadline) break;
    host_.Pump();
    if (Cancelled()) break;
  }
  return got;
}

bool Link::SendRaw(std::string_view bytes) {
  ByteTransport* t = Active();
  if (t == nullptr || !t->IsOpen()) return false;
  return Send(t, bytes) == bytes.size();
}

size_t Link::Send(ByteTransport* t, std::string_view bytes) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t sent = t->Write(data, bytes.size());
  if (trace_ != nullptr) trace_->Sent(data, sent);
  return sent;
}

void Link::Trace(std::string step) {
  if (trace_ != nullptr) trace_->Step(std::move(step));
}

void Link::TraceShort(size_t got, size_t wanted) {
  if (trace_ == nullptr) return;
  if (Cancelled()) {
    trace_->Step("cancelled");
  } else if (Active() != nullptr && Active()->Gone()) {
    trace_->Step("device gone");
  } else {
    trace_->Step("time-out: " + std::to_string(got) + " of " + std::to_string(wanted) + " bytes");
  }
}

AckResult Link::CommandWithAck(std::string_view command, std::string_view expected) {
  ByteTransport* t = Active();
  AckResult result;
  // A closed link cannot answer: asking again for 57.6 minutes would only hang the caller.
  const bool open = t != nullptr && t->IsOpen();
  const auto start = clock_.Now();
  int attempt = 0;
  while (open) {
    // The mend of the original: stale bytes (a late reply to an earlier attempt, the tail of
    // the identification) would shift every later acknowledgement.
    t->PurgeInput();
    if (trace_ != nullptr) {
      std::string name(command.substr(0, command.find('\n')));
      trace_->Step(++attempt == 1
                       ? "command " + name
                       : "command " + name + " resent (attempt " + std::to_string(attempt) + ")");
    }
    Send(t, command);
    if (Cancelled()) break;
    uint8_t ack[kAckSize];
    const size_t got = ReadPumping(ack, kAckSize, clock_.Now() + timings_.CommandAttempt);
    if (got == kAckSize &&
        std::string_view(reinterpret_cast<const char*>(ack), kAckText.size()) == expected) {
      result.length = ReadBigEndian24(ack + kAckText.size());
      Trace("acknowledged, " + std::to_string(result.length) + " bytes follow");
      return result;
    }
    if (got == kAckSize) {
      Trace("not an acknowledgement");
    } else {
      TraceShort(got, kAckSize);
    }
    // Resending to a device that is gone would only wait out the whole limit.
    if (Cancelled() || t->Gone()) break;
    if (clock_.Now() - start >= timings_.CommandTotal) break;
  }
  result.outcome = Failure(LinkStatus::NoAcknowledge);
  return result;
}

LinkOutcome Link::ReceiveBlock(size_t n) {
  ByteTransport* t = Active();
  buffer_.SetSize(0);
  // An acknowledged length the buffer cannot hold: refused before a byte lands anywhere.
  if (t == nullptr || !t->IsOpen() || n > buffer_.Capacity()) {
    return Failure(LinkStatus::BlockFailed);
  }
  const auto deadline = clock_.Now() + timings_.BlockLimit(n, Rate());
  host_.Pump();
  const size_t got = ReadPumping(buffer_.Data(), n, deadline);
  buffer_.SetSize(got);
  if (got < n) TraceShort(got, n);
  if (Cancelled()) return {LinkStatus::Cancelled, {}};
  if (got >= n) return {};
  return Failure(LinkStatus::BlockFailed);
}

void Link::CloseLink() {
  if (usb_.IsOpen()) usb_.Close();
  if (serial_->IsOpen()) serial_->Close();
  buffer_.Free();
  cancelled_.store(false);
}

LinkOutcome Link::ReadSettingsBlock(std::string& block) {
  buffer_.Allocate(kSettingsBufferSize);
  const AckResult ack = CommandWithAck(kSettingsCommand, kAckText);
  LinkOutcome outcome = ack.outcome;
  if (outcome) outcome = ReceiveBlock(ack.length);
  if (outcome) block.assign(buffer_.View());
  buffer_.Free();
  return outcome;
}

LinkOutcome Link::RequestPage(uint32_t address) {
  Trace("page " + std::to_string(address));
  buffer_.Allocate(kPageBufferSize);
  const AckResult ack = CommandWithAck(kPageCommand, kAckText);
  if (!ack) return ack.outcome;
  if (ack.length > buffer_.Capacity()) return Failure(LinkStatus::BlockFailed);
  const PageAddressBytes split = SplitAddress(address);
  const char bytes[2] = {static_cast<char>(split.high), static_cast<char>(split.low)};
  if (!SendRaw(std::string_view(bytes, 2))) return Failure(LinkStatus::BlockFailed);
  return ReceiveBlock(kPageBytes);
}

uint32_t Link::ByteSum(size_t first, size_t count) const {
  const size_t capacity = buffer_.Capacity();
  if (first >= capacity) return 0;
  return ByteSumOf(buffer_.Data() + first, std::min(count, capacity - first));
}

void Link::PurgeSerialInput() {
  if (serial_->IsOpen()) serial_->PurgeInput();
}

std::string NotSupportedAdvice(const std::string& device, std::string_view answer) {
  std::string shown;
  for (const char c : answer.substr(0, 16))
    shown += (c >= 0x20 && c < 0x7F) ? c : '.';
  return "A device answered" + (device.empty() ? std::string() : " on " + device) +
         ", but not as a supported instrument does (it sent \"" + shown + "\" where \"" +
         std::string(kIdentifyReply) +
         "\" was expected): check that the port is the instrument's and the line speed is right.";
}

}  // namespace qv
