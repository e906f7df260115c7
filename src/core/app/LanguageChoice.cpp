#include "app/LanguageChoice.h"

#include "app/TextCodec.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace qv {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDefaultLanguage = "ENGLISH";
constexpr const char* kDefaultLanguageFile = "English.ini";

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The entry of `dir` whose name matches `name` without regard to (ASCII) case, preferring
// the exact spelling; empty when there is none.
std::string FindEntry(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  if (fs::exists(dir / name, ec)) return name;
  const std::string wanted = Lower(name);
  std::string found;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string candidate = it->path().filename().string();
    if (Lower(candidate) == wanted && (found.empty() || candidate < found)) found = candidate;
  }
  return found;
}

bool IsFileNoCase(const std::string& folder, const std::string& name) {
  const std::string found = FindEntry(fs::path(folder.empty() ? "." : folder), name);
  if (found.empty()) return false;
  std::error_code ec;
  return fs::is_regular_file(fs::path(JoinPath(folder, found)), ec);
}

// A section's "codepage"; an unknown or missing one gives the default.
QByteArray SectionCodePage(const IniFile& product, const std::string& section) {
  const std::string name = product.ReadString(section, "codepage", kDefaultCodePage);
  const QByteArray codePage(name.data(), static_cast<qsizetype>(name.size()));
  return IsKnownCodePage(codePage) ? codePage : QByteArray(kDefaultCodePage);
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string ResolveFileName(const std::string& folder, const std::string& relative) {
  std::string result;
  fs::path dir(folder.empty() ? "." : folder);
  bool searching = true;  // once a part is missing, nothing below it can be found
  size_t pos = 0;
  while (pos <= relative.size()) {
    size_t end = relative.find_first_of("/\\", pos);
    if (end == std::string::npos) end = relative.size();
    std::string part = relative.substr(pos, end - pos);
    if (!part.empty()) {
      if (searching) {
        const std::string found = FindEntry(dir, part);
        if (found.empty()) {
          searching = false;
        } else {
          part = found;
          dir /= found;
        }
      }
      if (!result.empty()) result += '/';
      result += part;
    }
    pos = end + 1;
  }
  return result;
}

std::string FindDataFolder(const std::string& executableFolder) {
  const QDir exe(QString::fromStdString(executableFolder));
  if (QFileInfo::exists(exe.filePath(kProductIniName))) return exe.absolutePath().toStdString();
  const QString installed = exe.filePath(QStringLiteral("../share/quorvantel"));
  if (QFileInfo::exists(QDir(installed).filePath(kProductIniName))) {
    return QDir::cleanPath(QDir(installed).absolutePath()).toStdString();
  }
  return exe.absolutePath().toStdString();
}

LanguageSelection ChooseLanguage(const SettingsStore& store, const std::string& folder) {
  LanguageSelection sel;
  Bytes stored;
  const ReadResult r = store.ReadText("Language", stored);
  if (r.ok()) {
    sel.LanguageName = stored;
  } else {
    sel.LanguageName = kDefaultLanguage;
    if (r.status == ReadStatus::Absent) {
      store.WriteText("Language", kDefaultLanguage);
      store.WriteInt("LangIndex", 0);
    } else {
      sel.SettingsError = r.error;
    }
  }

  const IniFile product = IniFile::Load(JoinPath(folder, kProductIniName));
  sel.LanguageFile =
      ResolveFileName(folder, product.ReadString(sel.LanguageName, "file", kDefaultLanguageFile));
  sel.HelpFilePath = JoinPath(
      folder, ResolveFileName(folder, product.ReadString(sel.LanguageName, "helpfile", "")));
  sel.CodePage = SectionCodePage(product, sel.LanguageName);
  sel.LocaleName = LanguageLocaleName(sel.LanguageName);
  return sel;
}

std::string LanguageLocaleName(const std::string& section) {
  static constexpr std::pair<const char*, const char*> kLocales[] = {
      {"ENGLISH", "en"}, {"GERMAN", "de"},    {"FRENCH", "fr"}, {"ITALIAN", "it"},
      {"SPANISH", "es"}, {"SLOVENIAN", "sl"}, {"CZECH", "cs"}};
  for (const auto& [name, locale] : kLocales) {
    if (section == name) return locale;
  }
  return {};
}

std::vector<LanguageEntry> ListLanguages(const IniFile& product, const std::string& folder) {
  std::vector<LanguageEntry> languages;
  const std::vector<std::string> sections = product.SectionNames();
  // The first section describes the product, whatever its name.
  for (size_t i = 1; i < sections.size(); ++i) {
    if (!IsFileNoCase(folder, sections[i] + ".ini")) continue;
    languages.push_back(LanguageEntry{sections[i], product.ReadString(sections[i], "dispname", ""),
                                      SectionCodePage(product, sections[i])});
  }
  return languages;
}

bool StoreLanguageChoice(const SettingsStore& store, int selected,
                         const std::vector<LanguageEntry>& languages) {
  if (selected < 0 || static_cast<size_t>(selected) >= languages.size()) return false;
  int32_t stored = -1;
  if (store.ReadInt("LangIndex", stored).ok() && stored == selected) return false;
  store.WriteInt("LangIndex", selected);
  store.WriteText("Language", languages[static_cast<size_t>(selected)].Section);
  return true;
}

}  // namespace qv
