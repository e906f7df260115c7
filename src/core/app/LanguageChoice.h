// The product file, the start-up language choice and the list of installed languages.
#pragma once

#include "app/IniFile.h"
#include "app/Settings.h"

#include <string>
#include <vector>

namespace qv {

inline constexpr const char* kProductIniName = "Quorvantel_Main.ini";

struct LanguageSelection {
  std::string LanguageName;  // e.g. "ENGLISH": a section of the product file
  std::string LanguageFile;  // e.g. "English.ini"
  std::string HelpFilePath;  // folder + help file name ("" name gives the folder alone)
  QByteArray CodePage;       // "codepage" of the section, default windows-1252
};

// Reads "Language" (writing "ENGLISH" and LangIndex 0 when absent) and the product file's
// section of that language. `folder` is where the product and language files live.
LanguageSelection ChooseLanguage(const SettingsStore& store, const std::string& folder);

struct LanguageEntry {
  std::string Section;   // section name, stored as "Language" when chosen
  std::string DispName;  // bytes shown in the dialog
};
// Every section but the first whose section name + ".ini" exists in `folder`.
std::vector<LanguageEntry> ListLanguages(const IniFile& product, const std::string& folder);

}  // namespace qv
