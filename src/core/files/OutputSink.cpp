#include "files/OutputSink.h"

#include "app/TextCodec.h"

namespace qv {
namespace {

// Large enough that the system is called rarely, small beside any document.
constexpr size_t kBufferBytes = size_t{256} * 1024;

}  // namespace

SafeFileSink::SafeFileSink(const QString& path, const TextCodec& codec)
    : file_(path), codec_(codec) {
  // No fallback to writing the target in place: that is exactly what must never happen.
  file_.setDirectWriteFallback(false);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) Fail();
  buffer_.reserve(kBufferBytes);
}

SafeFileSink::~SafeFileSink() {
  if (!committed_ && file_.isOpen()) file_.cancelWriting();
}

void SafeFileSink::Fail() {
  if (failure_) return;
  QString text = file_.errorString();
  // A short write without a system error still leaves the file incomplete.
  if (text.isEmpty() || text == QLatin1String("Unknown error"))
    text = QStringLiteral("The file could not be written completely");
  failure_ = codec_.Encode(text);
  if (file_.isOpen()) file_.cancelWriting();
}

bool SafeFileSink::WriteThrough(std::string_view rest) {
  // A short write is retried with the rest, so that a lasting failure shows its own cause.
  while (!failure_ && !rest.empty()) {
    const qint64 written = file_.write(rest.data(), static_cast<qint64>(rest.size()));
    if (written <= 0) {
      Fail();
      break;
    }
    rest.remove_prefix(static_cast<size_t>(written));
  }
  return !failure_;
}

bool SafeFileSink::Drain() {
  const bool ok = WriteThrough(buffer_);
  buffer_.clear();
  return ok;
}

bool SafeFileSink::Write(std::string_view bytes) {
  if (failure_ || committed_) return false;
  if (buffer_.size() + bytes.size() > kBufferBytes && !Drain()) return false;
  // A piece larger than the buffer goes straight through.
  if (bytes.size() >= kBufferBytes) return WriteThrough(bytes);
  buffer_.append(bytes);
  return true;
}

std::optional<Bytes> SafeFileSink::Commit() {
  if (!failure_ && !committed_ && Drain() && !file_.commit()) Fail();
  committed_ = true;
  return failure_;
}

bool StdioSink::Write(std::string_view bytes) {
  if (failed_) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) failed_ = true;
  return !failed_;
}

bool StdioSink::Finish() {
  if (std::fflush(stream_) != 0 || std::ferror(stream_) != 0) failed_ = true;
  return !failed_;
}

}  // namespace qv
