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
  // The language's locale ("de", "cs", ...) for the toolkit's own texts and for month names;
  // empty for a language the program does not know.
  std::string LocaleName;
  std::string SettingsError;  // why a stored "Language" could not be read ("" when it could)
};

// Reads "Language" (writing "ENGLISH" and LangIndex 0 when absent) and the product file's
// section of that language. `folder` is where the product and language files live.
// A "Language" value of the wrong type is left as it is; ENGLISH is used for this run.
LanguageSelection ChooseLanguage(const SettingsStore& store, const std::string& folder);

// The locale name of a language section of the product file ("GERMAN" -> "de"); empty when the
// section is not one of the shipped languages.
std::string LanguageLocaleName(const std::string& section);

// The folder of the product, language and help files: the executable's own folder when the
// product file lies there (build tree, portable copy), else ../share/quorvantel beside it
// (installed), else the executable's folder. The application and the tool both look here.
std::string FindDataFolder(const std::string& executableFolder);

// folder + "/" + name without doubling the "/"; an empty folder gives the name alone.
std::string JoinPath(const std::string& folder, const std::string& name);
// `relative` ("English.ini", "help/English.html"; "\\" also separates) spelt as it is found
// under `folder`: language data come from a platform whose file names ignore case, so a part
// without an exact match takes an entry that matches without regard to case (the first in
// name order). Parts that match nothing are kept as written. The result is relative.
std::string ResolveFileName(const std::string& folder, const std::string& relative);

struct LanguageEntry {
  std::string Section;   // section name, stored as "Language" when chosen
  std::string DispName;  // bytes shown in the dialog
  QByteArray CodePage;   // of the DispName bytes: the language's own, so each reads rightly
};
// Every section but the first whose section name + ".ini" exists in `folder`.
// The file is looked for without regard to case, as ResolveFileName does.
std::vector<LanguageEntry> ListLanguages(const IniFile& product, const std::string& folder);

// The language dialog's OK: when `selected` differs from the stored "LangIndex" (or none is
// stored), writes "LangIndex" and the entry's section name as "Language" and returns true
// (the caller then says that the change applies at the next start). An index outside
// `languages` stores nothing.
bool StoreLanguageChoice(const SettingsStore& store, int selected,
                         const std::vector<LanguageEntry>& languages);

}  // namespace qv
