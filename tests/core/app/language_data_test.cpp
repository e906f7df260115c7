// The language data shipped with the program: every key the code asks for has an English
// text, every language has exactly the English keys with texts that read rightly in its code
// page, and the product file offers them all.
#include "TestSettings.h"

#include "app/IniFile.h"
#include "app/LanguageChoice.h"
#include "app/TextCatalog.h"
#include "app/TextCodec.h"

#include <gtest/gtest.h>

#include <QStringDecoder>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>

namespace qv {
namespace {

namespace fs = std::filesystem;

const std::string kLangFolder = std::string(QV_SOURCE_DIR) + "/data/lang";

struct Literal {
  std::string text;
  int line;
};

// The string literals of a C++ source, without those inside comments or character literals.
std::vector<Literal> StringLiterals(const std::string& src) {
  std::vector<Literal> out;
  int line = 1;
  size_t i = 0;
  const size_t n = src.size();
  auto advance = [&](size_t to) {
    for (; i < to && i < n; ++i)
      line += src[i] == '\n';
  };
  while (i < n) {
    const char c = src[i];
    if (c == '/' && i + 1 < n && src[i + 1] == '/') {
      const size_t end = src.find('\n', i);
      advance(end == std::string::npos ? n : end);
    } else if (c == '/' && i + 1 < n && src[i + 1] == '*') {
      const size_t end = src.find("*/", i + 2);
      advance(end == std::string::npos ? n : end + 2);
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t j = i;
      while (j < n && (std::isalnum(static_cast<unsigned char>(src[j])) || src[j] == '_'))
        ++j;
      const std::string word = src.substr(i, j - i);
      const bool raw =
          j < n && src[j] == '"' &&
          (word == "R" || word == "u8R" || word == "uR" || word == "UR" || word == "LR");
      advance(j);
      if (raw) {
        const size_t open = src.find('(', j + 1);
        if (open == std::string::npos) break;
        std::string close = ")";
        close.append(src, j + 1, open - j - 1);
        close += '"';
        const size_t end = src.find(close, open + 1);
        const int at = line;
        out.push_back({src.substr(open + 1, (end == std::string::npos ? n : end) - open - 1), at});
        advance(end == std::string::npos ? n : end + close.size());
      }
    } else if (c == '"' || c == '\'') {
      size_t j = i + 1;
      while (j < n && src[j] != c && src[j] != '\n')
        j += src[j] == '\\' ? 2 : 1;
      if (c == '"') out.push_back({src.substr(i + 1, std::min(j, n) - i - 1), line});
      advance(j + 1);
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      // A digit separator (1'000) is not the start of a character literal.
      while (i < n &&
             (std::isalnum(static_cast<unsigned char>(src[i])) || src[i] == '\'' || src[i] == '.'))
        ++i;
    } else {
      advance(i + 1);
    }
  }
  return out;
}

// The shape of a translation key: "mmFile_15", "Unit-M/S_10", and a few with the message
// suffix inside the key ("msgFileSaveError_35   Error #10").
bool IsTranslationKey(const std::string& s) {
  static const std::regex shape(R"([A-Za-z][A-Za-z0-9/_-]*_[0-9]+(   Error #[0-9A-Za-z]+)?)");
  // Literals of that shape that are not keys: the version tags of the results file.
  static const std::set<std::string> notKeys = {"Ver_1", "Ver_2", "Ver_3"};
  return s == "msgMaxLogRow" || (std::regex_match(s, shape) && !notKeys.count(s));
}

TEST(LanguageData, KeyScanFindsKeysInCodeOnly) {
  const std::string src = R"src(
    // Translate("InComment_15")
    /* "InBlock_15" */
    const char q = '"'; auto k = Translate("mmFile_15");
    int million = 1'000'000; auto e = Translate("msgFileSaveError_35   Error #10");
    auto raw = R"x(Unit-M/S_10)x"; auto tag = "Ver_3"; auto name = "UnitSel";
    auto u8raw = u8R"(x"y_1)"; auto R = 2;
    auto msg = Translate("msgCommunFail_35") + "   Error #2C"; auto m = "msgMaxLogRow";
    auto esc = "say \"hi_1\"";
  )src";
  std::vector<std::string> keys;
  for (const Literal& l : StringLiterals(src)) {
    if (IsTranslationKey(l.text)) keys.push_back(l.text);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"mmFile_15", "msgFileSaveError_35   Error #10",
                                            "Unit-M/S_10", "msgCommunFail_35", "msgMaxLogRow"}));
  EXPECT_EQ(StringLiterals("a\n\"x\"\nb \"y\"").back().line, 3);
}

TEST(LanguageData, EnglishHasEveryKeyTheCodeAsksFor) {
  const TextCatalog english = TextCatalog::FromFile(kLangFolder + "/English.ini");
  ASSERT_TRUE(english.Has("mmFile_15")) << "English.ini not found in " << kLangFolder;
  std::set<std::string> asked;
  std::vector<std::string> missing;
  for (const auto& entry : fs::recursive_directory_iterator(std::string(QV_SOURCE_DIR) + "/src")) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string src((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const Literal& l : StringLiterals(src)) {
      if (!IsTranslationKey(l.text)) continue;
      asked.insert(l.text);
      if (!english.Has(l.text))
        missing.push_back(entry.path().string() + ":" + std::to_string(l.line) + ": \"" + l.text +
                          "\"");
    }
  }
  // The signal catalog alone asks for dozens of keys; finding none means the scan is broken.
  EXPECT_TRUE(asked.count("AirTemp_10")) << "the scan found no keys in the signal catalog";
  EXPECT_TRUE(missing.empty()) << "keys missing from English.ini:\n"
                               << [&] {
                                    std::string all;
                                    for (const std::string& m : missing)
                                      all += "  " + m + "\n";
                                    return all;
                                  }();
}

TEST(LanguageData, EnglishTextsAreCleanWindows1252) {
  const std::string path = kLangFolder + "/English.ini";
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(bytes.empty()) << path;
  // Bytes that Windows-1252 leaves undefined, and the lead byte of a UTF-8 "°" saved by mistake.
  for (const unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D, 0xC2})
    EXPECT_EQ(bytes.find(static_cast<char>(b)), std::string::npos) << "byte " << int(b);

  const IniFile ini = IniFile::Parse(bytes);
  ASSERT_EQ(ini.SectionNames(), std::vector<std::string>{"Language"});
  std::set<std::string> keys;
  for (const auto& [key, text] : ini.Entries("Language")) {
    EXPECT_FALSE(text.empty()) << key;
    EXPECT_TRUE(keys.insert(key).second) << "duplicate key " << key;
  }
  const TextCatalog english = TextCatalog::FromBytes(bytes);
  const TextCodec codec;
  EXPECT_EQ(codec.Decode(english.Translate("Unit-Cels_10")), QString::fromUtf8("°C"));
  EXPECT_EQ(codec.Decode(english.Translate("Unit-m3/h_10")), QString::fromUtf8("m³/h"));
  EXPECT_TRUE(english.Has("msgFileSaveError_35   Error #11"));
}

// The shipped languages, each with its name in its own language.
const std::vector<std::pair<std::string, QString>> kLanguages = {
    {"ENGLISH", "English"},  {"GERMAN", "Deutsch"},  {"FRENCH", "Français"},
    {"ITALIAN", "Italiano"}, {"SPANISH", "Español"}, {"SLOVENIAN", "Slovenščina"},
    {"CZECH", "Čeština"}};

// The entries of each menu whose accelerators must differ.
const std::vector<std::vector<std::string>> kMenus = {
    {"mmFile_15", "mmEdit_15", "mmInstrument_15", "mmConfig_15", "mmGraph_15", "mmTools_15",
     "mmWindow_15", "mmHelp_15"},
    {"mmFileOpen_15", "mmFileClose_15", "mmFileSaveAs_15", "mmFileSaveLogAsRes_15",
     "mmFileHeadSetUp_15", "mmFilePreview_15", "mmFileExportReport_25", "mmFileExportSurvey_25",
     "ppFileInfo_15", "mmFileExport_15", "mmFileExit_15", "mmFileArchive_25"},
    {"mmEditCopy_15", "mmEditSelAll_15"},
    {"mmConfigPort_15", "mmConfigLanguage_15", "ppLogList_15", "mmConfigUnits_15",
     "mmConfigLimits_25"},
    {"mmGraphDraw_15", "mmGraphComfort_25", "mmGraphRefresh_15", "mmGraphPrint_15",
     "mmGraphClose_15", "mmGraphCloseAll_15"},
    {"mmWinCascade_15", "mmWinHoriz_15", "mmWinVertic_15", "mmWinMinimize_15"},
    {"mmHelpContents_15", "mmHelpIndex_15", "mmHelpAbout_15"},
    {"ppFileInfo_15", "mmEditCopy_15", "mmEditSelAll_15", "ppCutRow_15", "ppCopyRow_15",
     "ppPasteRow_15", "ppDeleteRow_15", "ppLogList_15", "ppSaveSelAsRes_15", "mmConfigUnits_15"}};

std::map<std::string, std::string> Entries(const std::string& path) {
  const std::optional<std::string> bytes = IniFile::ReadFileBytes(path);
  if (!bytes) return {};
  std::map<std::string, std::string> entries;
  for (const auto& [key, text] : IniFile::Parse(*bytes).Entries("Language"))
    entries[key] = text;
  return entries;
}

TEST(LanguageData, EveryLanguageHasExactlyTheEnglishKeysReadableInItsCodePage) {
  const IniFile product = IniFile::Load(kLangFolder + "/" + kProductIniName);
  ASSERT_TRUE(product.Loaded());
  const std::vector<LanguageEntry> languages = ListLanguages(product, kLangFolder);
  ASSERT_EQ(languages.size(), kLanguages.size());
  const std::map<std::string, std::string> english = Entries(kLangFolder + "/English.ini");
  ASSERT_FALSE(english.empty());

  std::map<std::string, QString> all;  // every text of a language, decoded, one after another
  for (size_t i = 0; i < languages.size(); ++i) {
    const LanguageEntry& language = languages[i];
    SCOPED_TRACE(language.Section);
    EXPECT_EQ(language.Section, kLanguages[i].first);
    // Its name reads rightly whatever language is in use: it is decoded in its own code page.
    EXPECT_EQ(TextCodec(language.CodePage).Decode(language.DispName), kLanguages[i].second);

    const std::string file =
        ResolveFileName(kLangFolder, product.ReadString(language.Section, "file", "English.ini"));
    const std::map<std::string, std::string> texts = Entries(kLangFolder + "/" + file);
    QStringDecoder strict(language.CodePage.constData(), QStringDecoder::Flag::Stateless);
    ASSERT_TRUE(strict.isValid()) << language.CodePage.constData();
    for (const auto& [key, unused] : english)
      EXPECT_EQ(texts.count(key), 1u) << "missing " << key;
    for (const auto& [key, text] : texts) {
      EXPECT_EQ(english.count(key), 1u) << "not an English key: " << key;
      EXPECT_FALSE(text.empty()) << key;
      const QString decoded = strict.decode(QByteArray::fromStdString(text));
      EXPECT_FALSE(strict.hasError()) << key;
      EXPECT_FALSE(decoded.contains(QChar::ReplacementCharacter)) << key;
      EXPECT_FALSE(decoded.contains(QChar(0x1A))) << key << ": a character the code page lacks";
      // An accelerator exactly where English has one.
      const auto en = english.find(key);
      if (en != english.end()) {
        EXPECT_EQ(decoded.count(QLatin1Char('&')),
                  en->second.find('&') == std::string::npos ? 0 : 1)
            << key << " = " << decoded.toStdString();
      }
      all[language.Section] += decoded + QLatin1Char('\n');
    }
    for (const std::vector<std::string>& menu : kMenus) {
      std::set<QChar> letters;
      for (const std::string& key : menu) {
        const auto t = texts.find(key);
        if (t == texts.end()) continue;
        const QString decoded = TextCodec(language.CodePage).Decode(t->second);
        const qsizetype at = decoded.indexOf(QLatin1Char('&'));
        ASSERT_GE(at, 0) << key;
        ASSERT_LT(at + 1, decoded.size()) << key;
        const QChar letter = decoded.at(at + 1).toLower();
        EXPECT_TRUE(letter.isLetterOrNumber()) << key << " = " << decoded.toStdString();
        EXPECT_TRUE(letters.insert(letter).second)
            << "accelerator " << QString(letter).toStdString() << " twice, at " << key;
      }
    }
  }
  // The letters of these languages come out as themselves, not as their neighbours in another
  // code page.
  for (const auto& [section, letters] :
       std::vector<std::pair<std::string, QString>>{{"GERMAN", "ßäöü"},
                                                    {"FRENCH", "éèà"},
                                                    {"SPANISH", "ñó"},
                                                    {"SLOVENIAN", "ščž"},
                                                    {"CZECH", "ščžřě"}}) {
    for (const QChar c : letters)
      EXPECT_TRUE(all[section].contains(c)) << section << " lacks " << QString(c).toStdString();
  }
}

TEST(LanguageData, ProductFileStartsInEnglish) {
  const LanguageSelection sel = ChooseLanguage(test::FreshSettings(), kLangFolder);
  EXPECT_EQ(sel.LanguageFile, "English.ini");
  EXPECT_EQ(sel.HelpFilePath, kLangFolder + "/help/English.html");
}

}  // namespace
}  // namespace qv
