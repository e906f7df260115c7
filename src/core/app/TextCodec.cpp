#include "app/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <map>
#include <mutex>

namespace qv {
namespace {

// A code page Qt does not know (a typing error in the product file) falls back to the
// default rather than turning every text into nothing.
QByteArray UsableCodePage(const QByteArray& codePage) {
  return IsKnownCodePage(codePage) ? codePage : QByteArray(kDefaultCodePage);
}

using ByteTable = std::array<char16_t, 256>;

std::shared_ptr<const ByteTable> BuildTable(const QByteArray& codePage) {
  QByteArray all(256, '\0');
  for (int b = 0; b < 256; ++b)
    all[b] = static_cast<char>(b);
  QStringDecoder decoder(codePage.constData());
  const QString whole = decoder.decode(all);
  // A code page with lead bytes joins some bytes into one character or marks them as
  // incomplete: then the text is not one character per byte and the table does not apply.
  if (decoder.hasError() || whole.size() != 256) return nullptr;
  auto table = std::make_shared<ByteTable>();
  for (int b = 0; b < 256; ++b) {
    QStringDecoder single(codePage.constData());
    const QString one = single.decode(all.mid(b, 1));
    if (one.size() != 1 || one[0] != whole[b]) return nullptr;
    (*table)[static_cast<size_t>(b)] = whole[b].unicode();
  }
  return table;
}

// Building a table opens a converter per byte; it is done once per code page and shared.
std::shared_ptr<const ByteTable> SingleByteTable(const QByteArray& codePage) {
  static std::mutex mutex;
  static std::map<QByteArray, std::shared_ptr<const ByteTable>> tables;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = tables.find(codePage);
  if (it == tables.end()) it = tables.emplace(codePage, BuildTable(codePage)).first;
  return it->second;
}

}  // namespace

bool IsKnownCodePage(const QByteArray& codePage) {
  return !codePage.isEmpty() && QStringDecoder(codePage.constData()).isValid();
}

TextCodec::TextCodec(QByteArray codePage)
    : codePage_(UsableCodePage(codePage)), table_(SingleByteTable(codePage_)) {}

QString TextCodec::Decode(const Bytes& bytes) const {
  if (table_) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes)
      *out++ = QChar((*table_)[static_cast<unsigned char>(c)]);
    return text;
  }
  QStringDecoder decoder(codePage_.constData());
  return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

Bytes TextCodec::Encode(const QString& text) const {
  QStringEncoder encoder(codePage_.constData());
  const QByteArray out = encoder.encode(text);
  return Bytes(out.constData(), static_cast<size_t>(out.size()));
}

}  // namespace qv
