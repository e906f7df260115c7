#include "files/SafeWrite.h"

#include "app/TextCodec.h"

#include <QSaveFile>

namespace qv {
namespace {

WriteFailure Failure(size_t piece, const QSaveFile& file, const TextCodec& codec) {
  QString text = file.errorString();
  // A short write without a system error still leaves the file incomplete.
  if (text.isEmpty() || text == QLatin1String("Unknown error"))
    text = QStringLiteral("The file could not be written completely");
  return WriteFailure{piece, codec.Encode(text)};
}

}  // namespace

std::optional<WriteFailure> WriteFileSafely(const QString& path,
                                            std::initializer_list<std::string_view> pieces,
                                            const TextCodec& codec) {
  QSaveFile file(path);
  // No fallback to writing the target in place: that is exactly what must never happen.
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    return Failure(0, file, codec);
  }
  size_t index = 0;
  for (std::string_view piece : pieces) {
    // A short write is retried with the rest, so that a lasting failure shows its own cause.
    while (!piece.empty()) {
      const qint64 written = file.write(piece.data(), static_cast<qint64>(piece.size()));
      if (written <= 0) {
        WriteFailure failure = Failure(index, file, codec);
        file.cancelWriting();
        return failure;
      }
      piece.remove_prefix(static_cast<size_t>(written));
    }
    ++index;
  }
  if (!file.commit()) return Failure(index, file, codec);
  return std::nullopt;
}

}  // namespace qv
