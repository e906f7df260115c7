#include "CliContext.h"

#include "app/LanguageChoice.h"

#include <QCoreApplication>
#include <QFile>

#include <clocale>
#include <cstdio>

namespace qv::cli {
namespace {

SettingsStore LanguageSettings() {
  return SettingsStore();
}

}  // namespace

CliContext::CliContext() {
  const std::string folder = FindDataFolder(QCoreApplication::applicationDirPath().toStdString());
  const LanguageSelection language = ChooseLanguage(LanguageSettings(), folder);
  settings_ = SettingsStore("Quorvantel", language.CodePage);
  texts_ = TextCatalog::FromFile(JoinPath(folder, language.LanguageFile));
  codec_ = TextCodec(language.CodePage);
  localeName_ = language.LocaleName;
  if (!language.SettingsError.empty()) Error(language.SettingsError);
  // QCoreApplication has already taken the locale from the environment (setlocale(LC_ALL,
  // "")); numbers follow its LC_NUMERIC like the application's do.
  const char* point = std::localeconv()->decimal_point;
  if (point != nullptr && point[0] != '\0' && point[1] == '\0') decimal_ = point[0];
}

std::string CliContext::ForTerminal(const Bytes& bytes) const {
  return codec_.Decode(bytes).toLocal8Bit().toStdString();
}

void CliContext::Error(const std::string& text) const {
  std::fprintf(stderr, "quorvantel-cli: %s\n", text.c_str());
  std::fflush(stderr);
}

void CliContext::ReportFailure(const Outcome& outcome, const QString& path) const {
  if (outcome.status == Outcome::Status::Failed) {
    Error(LocalPath(path) + ": " + ForTerminal(outcome.message));
  } else {
    ErrorBytes(outcome.message);
  }
}

void CliContext::Out(const std::string& text) const {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

std::string LocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace qv::cli
