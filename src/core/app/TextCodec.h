// Decoding of byte texts for display and encoding of typed texts back into bytes.
#pragma once

#include "store/Types.h"

#include <QString>

namespace qv {

inline constexpr const char* kDefaultCodePage = "windows-1252";

class TextCodec {
 public:
  explicit TextCodec(QByteArray codePage = kDefaultCodePage);
  QString Decode(const Bytes& bytes) const;
  Bytes Encode(const QString& text) const;
  const QByteArray& CodePage() const { return codePage_; }

 private:
  QByteArray codePage_;
};

}  // namespace qv
