// Per-user settings: one store named "Quorvantel" in the platform's native format
// (on Linux $XDG_CONFIG_HOME/Quorvantel.conf). Every operation opens the store, reads or
// writes and closes it again; nothing keeps it open. Texts are stored decoded with the
// display code page; integers as 32-bit numbers; booleans as integers 1 / 0.
#pragma once

#include "base/Types.h"

#include <QByteArray>
#include <string>
#include <utility>
#include <vector>

namespace qv {

enum class ReadStatus {
  Ok,         // value read into the target
  Absent,     // no such value (or no store): the target is unchanged
  WrongType,  // the value is not of the type read: the target is unchanged
};

struct ReadResult {
  ReadStatus status = ReadStatus::Absent;
  std::string error;  // clear message for WrongType
  bool ok() const { return status == ReadStatus::Ok; }
};

class SettingsStore {
 public:
  // application: the store's name; "Quorvantel" for the application. The code page
  // decodes and encodes text values.
  explicit SettingsStore(std::string application = "Quorvantel",
                         QByteArray codePage = "windows-1252");

  bool Exists() const;  // the store holds at least one value
  ReadResult ReadText(const char* name, Bytes& target) const;
  ReadResult ReadInt(const char* name, int32_t& target) const;
  ReadResult ReadBool(const char* name, bool& target) const;  // any non-zero integer is true
  bool WriteText(const char* name, const Bytes& value) const;
  bool WriteInt(const char* name, int32_t value) const;
  bool WriteBool(const char* name, bool value) const;
  // Several values written in one operation: one open, one write of the file (which is
  // flushed to disk, costing milliseconds per write), one close. Booleans go in as 1 / 0.
  bool WriteInts(const std::vector<std::pair<const char*, int32_t>>& values) const;
  bool WriteTexts(const std::vector<std::pair<const char*, Bytes>>& values) const;
  // Where the store lives, for documentation and messages.
  std::string Location() const;

 private:
  std::string application_;
  QByteArray codePage_;
};

}  // namespace qv
