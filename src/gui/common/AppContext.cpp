#include "common/AppContext.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace qv {

QString TestResultsFolder() {
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty()) documents = QDir::homePath();
  const QString folder = QDir(documents).filePath(QStringLiteral("Quorvantel/TestResults"));
  QDir().mkpath(folder);
  return folder;
}

AppContext::AppContext(const std::string& dataFolder, const std::string& settingsName)
    : DataFolder(dataFolder), SettingsName(settingsName), Settings(settingsName) {
  Language = ChooseLanguage(Settings, DataFolder);
  Codec = TextCodec(Language.CodePage.isEmpty() ? QByteArray(kDefaultCodePage) : Language.CodePage);
  Settings = SettingsStore(settingsName, Codec.CodePage());
  Texts = TextCatalog::FromFile(LanguageFilePath());
}

QString AppContext::Tr(std::string_view key) const {
  return Codec.Decode(Texts.Translate(key));
}

std::string AppContext::LanguageFilePath() const {
  return QDir(QString::fromStdString(DataFolder))
      .filePath(QString::fromStdString(Language.LanguageFile))
      .toStdString();
}

}  // namespace qv
