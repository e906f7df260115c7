#include "common/ToolkitTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace qv {

bool InstallToolkitTranslation(const std::string& localeName) {
  static std::unique_ptr<QTranslator> installed;
  if (installed) {
    QCoreApplication::removeTranslator(installed.get());
    installed.reset();
  }
  if (localeName.empty() || localeName == "en") return true;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("qtbase_") + QString::fromStdString(localeName),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return false;
  }
  QCoreApplication::installTranslator(translator.get());
  installed = std::move(translator);
  return true;
}

}  // namespace qv
