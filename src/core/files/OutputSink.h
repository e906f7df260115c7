// Where a writer's bytes go, a piece at a time: an export or a trace is written as it is made,
// never held whole in memory.
#pragma once

#include "base/Types.h"

#include <QSaveFile>
#include <QString>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

class TextCodec;

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes the bytes; false once the sink failed (what comes after is dropped).
  virtual bool Write(std::string_view bytes) = 0;
};

// Into a string (tests, small texts).
class StringSink : public ByteSink {
 public:
  explicit StringSink(Bytes& out) : out_(out) {}
  bool Write(std::string_view bytes) override {
    out_.append(bytes);
    return true;
  }

 private:
  Bytes& out_;
};

// A file that replaces an existing one only when complete, as WriteFileSafely writes: the bytes
// go through a buffer into a temporary file beside the target. Destroyed without Commit, it
// leaves the target as it was.
class SafeFileSink : public ByteSink {
 public:
  SafeFileSink(const QString& path, const TextCodec& codec);
  ~SafeFileSink() override;
  SafeFileSink(const SafeFileSink&) = delete;
  SafeFileSink& operator=(const SafeFileSink&) = delete;

  bool Write(std::string_view bytes) override;
  // Writes what is buffered and puts the file in place; the system's error text (encoded with
  // the codec) when anything failed, the target then untouched.
  std::optional<Bytes> Commit();

 private:
  bool WriteThrough(std::string_view bytes);
  bool Drain();
  void Fail();

  QSaveFile file_;
  const TextCodec& codec_;
  std::string buffer_;
  std::optional<Bytes> failure_;
  bool committed_ = false;
};

// An open stdio stream, standard output for "-o -".
class StdioSink : public ByteSink {
 public:
  explicit StdioSink(std::FILE* stream) : stream_(stream) {}
  bool Write(std::string_view bytes) override;
  // Flushes; false when anything written was lost (a closed pipe, a full disk).
  bool Finish();

 private:
  std::FILE* stream_;
  bool failed_ = false;
};

}  // namespace qv
