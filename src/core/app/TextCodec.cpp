#include "app/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace qv {
namespace {

// A code page Qt does not know (a typing error in the product file) falls back to the
// default rather than turning every text into nothing.
QByteArray UsableCodePage(const QByteArray& codePage) {
  return IsKnownCodePage(codePage) ? codePage : QByteArray(kDefaultCodePage);
}

}  // namespace

bool IsKnownCodePage(const QByteArray& codePage) {
  return !codePage.isEmpty() && QStringDecoder(codePage.constData()).isValid();
}

TextCodec::TextCodec(QByteArray codePage) : codePage_(UsableCodePage(codePage)) {}

QString TextCodec::Decode(const Bytes& bytes) const {
  QStringDecoder decoder(codePage_.constData());
  return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

Bytes TextCodec::Encode(const QString& text) const {
  QStringEncoder encoder(codePage_.constData());
  const QByteArray out = encoder.encode(text);
  return Bytes(out.constData(), static_cast<size_t>(out.size()));
}

}  // namespace qv
