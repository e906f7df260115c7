// Decoding of byte texts for display and encoding of typed texts back into bytes.
#pragma once

#include "store/Types.h"

#include <QString>

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
};

}  // namespace qv
