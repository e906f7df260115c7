// Decoding of byte texts for display and encoding of typed texts back into bytes.
#pragma once

#include "base/Types.h"

#include <QString>

#include <array>
#include <memory>

namespace qv {

inline constexpr const char* kDefaultCodePage = "windows-1252";

// Whether Qt can convert with this code page name ("windows-1252", "windows-1250", ...).
bool IsKnownCodePage(const QByteArray& codePage);

class TextCodec {
 public:
  // An unknown code page name gives the default one; CodePage() tells which is used.
  explicit TextCodec(QByteArray codePage = kDefaultCodePage);
  QString Decode(const Bytes& bytes) const;
  // Characters the code page cannot hold become its substitute byte (0x1A).
  Bytes Encode(const QString& text) const;
  const QByteArray& CodePage() const { return codePage_; }

 private:
  QByteArray codePage_;
  // For a code page of one byte per character, each byte's character: decoding is then a
  // table look-up instead of a converter opened per text. Null for other code pages.
  std::shared_ptr<const std::array<char16_t, 256>> table_;
};

}  // namespace qv
