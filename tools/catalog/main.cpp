// Prints the signal catalog with the English captions: a quick look at codes, storage
// positions and caption texts.
#include "app/TextCatalog.h"
#include "app/TextCodec.h"
#include "store/SignalCatalog.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const std::string file =
      QDir(QCoreApplication::applicationDirPath()).filePath("English.ini").toStdString();
  const qv::TextCatalog texts = qv::TextCatalog::FromFile(file);
  const qv::TextCodec codec;
  std::printf("%-4s %-3s %-4s %-28s %-28s %s\n", "code", "q", "pos", "caption (SI)", "", "(US)");
  for (int code = 1; code <= qv::kMaxSignalCode; ++code) {
    qv::Bytes si1, si2, us1, us2;
    qv::GetSignalCaption(code, 'S', texts, si1, si2);
    qv::GetSignalCaption(code, 'U', texts, us1, us2);
    std::printf("%-4d %-3d %-4d %-28s %-28s %s\n", code, qv::QuantityOf(code), qv::StoragePos(code),
                codec.Decode(si1).toLocal8Bit().constData(),
                codec.Decode(si2).toLocal8Bit().constData(),
                codec.Decode(us2).toLocal8Bit().constData());
  }
  return 0;
}
