// What the main window and the dialogs share for the whole run: where the data files lie,
// the settings store, the chosen language with its texts, the document and the live
// user-interface choices.
#pragma once

#include "app/InterfaceChoices.h"
#include "app/LanguageChoice.h"
#include "app/Settings.h"
#include "app/TextCatalog.h"
#include "app/TextCodec.h"
#include "link/PortChoice.h"
#include "workspace/DocumentWorkspace.h"

#include "QvVersion.h"

#include <QString>
#include <string>
#include <string_view>

namespace qv {

inline constexpr const char* kProductName = "Quorvantel";
inline constexpr const char* kApplicationTitle = "Quorvantel PRO";
// The main window's caption: the application title and ten blanks.
inline constexpr const char* kMainTitle = "Quorvantel PRO          ";
inline constexpr const char* kVersionText = kProjectVersion;
inline constexpr const char* kWebAddress = "https://quorvantel.example.org";
inline constexpr const char* kMailAddress = "support@quorvantel.example.org";

// Where the save, open and export dialogs start: a folder the user can write,
// <documents>/Quorvantel/TestResults, created when missing.
QString TestResultsFolder();

struct AppContext {
  // `settingsName` names the settings store ("Quorvantel"; tests use their own).
  AppContext(const std::string& dataFolder, const std::string& settingsName = kProductName);

  std::string DataFolder;
  std::string SettingsName;
  SettingsStore Settings;
  LanguageSelection Language;
  TextCatalog Texts;
  TextCodec Codec;
  // The open document and every step that follows loading it.
  DocumentWorkspace Workspace{Texts};
  Document& Doc = Workspace.Doc();
  // The live choices behind the memory-choice, units and graph-selection dialogs.
  InterfaceChoices Choices;
  // The RS-232 choice applied to the link.
  PortChoice Port;
  // The measurement archive's database (`quorvantel --archive PATH`); empty: the per-user one.
  QString ArchivePath;

  // The translation of a key, decoded for display.
  QString Tr(std::string_view key) const;
  QString Decode(const Bytes& bytes) const { return Codec.Decode(bytes); }
  // Full path of the language file.
  std::string LanguageFilePath() const;
  // "SI" or "US" by the display unit system; SI when none is chosen.
  std::string_view DisplayUnits() const { return Choices.UnitSel == 1 ? "US" : "SI"; }
};

}  // namespace qv
