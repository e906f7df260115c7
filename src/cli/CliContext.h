// What every command of the command-line tool shares: the language file and code page the
// application would use, the settings store, the locale's decimal separator and the way a
// line reaches the terminal.
#pragma once

#include "app/Settings.h"
#include "app/TextCatalog.h"
#include "app/TextCodec.h"
#include "files/Outcome.h"

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

namespace qv::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// download --strict: the file was written, but pages stayed damaged (tests or samples missing).
inline constexpr int kExitIncomplete = 3;
// A signal ended the command: 128 + its number (130 for SIGINT, 143 SIGTERM, 129 SIGHUP).
inline constexpr int kExitSignalBase = 128;

class CliContext {
 public:
  // Reads the language choice from the settings and the language file next to the executable.
  CliContext();

  const TextCatalog& Texts() const { return texts_; }
  const TextCodec& Codec() const { return codec_; }
  const SettingsStore& Settings() const { return settings_; }
  // The locale's decimal separator (LC_NUMERIC), as the application writes numbers.
  char DecimalSeparator() const { return decimal_; }
  // The language's locale name ("de", ...), for month names in dates.
  const std::string& LocaleName() const { return localeName_; }

  Bytes Translate(std::string_view key) const { return texts_.Translate(key); }
  // Bytes of the language's code page as the terminal's text.
  std::string ForTerminal(const Bytes& bytes) const;
  // An argument (a typed text) in the language's code page, as the application stores it.
  Bytes FromArgument(const QString& text) const { return codec_.Encode(text); }

  // One line on stderr, "quorvantel-cli: " + text.
  void Error(const std::string& text) const;
  void ErrorBytes(const Bytes& text) const { Error(ForTerminal(text)); }
  // The line of a file operation that did not succeed: a refusal as it stands, a failure
  // (the system's text or a translated message) after the file's name.
  void ReportFailure(const Outcome& outcome, const QString& path) const;
  // One line on stdout.
  void Out(const std::string& text) const;

 private:
  SettingsStore settings_;
  TextCatalog texts_;
  TextCodec codec_;
  char decimal_ = '.';
  std::string localeName_;
};

// A QString path as the system's file name bytes.
std::string LocalPath(const QString& path);

}  // namespace qv::cli
