#include "TestSettings.h"

#include "app/LanguageChoice.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::FreshSettings;

// A folder like the one beside the executable: product file and language files.
class LanguageFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "qv-lang-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  void Write(const std::string& name, const std::string& contents = "[Language]\n") {
    fs::create_directories(fs::path(folder_ + "/" + name).parent_path());
    std::ofstream(folder_ + "/" + name, std::ios::binary) << contents;
  }
  std::string folder_;
};

constexpr const char* kThreeSections =
    "[General]\nProduct=Quorvantel\n"
    "[ENGLISH]\nfile=English.ini\nhelpfile=help/English.html\ndispname=English\n"
    "[DEUTSCH]\nfile=Deutsch.ini\ndispname=Deutsch\n";

TEST_F(LanguageFolder, ListKeepsSectionsWhoseLanguageFileExists) {
  Write("English.ini");  // spelt otherwise than its section, as on a platform ignoring case
  const std::vector<LanguageEntry> one = ListLanguages(IniFile::Parse(kThreeSections), folder_);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].Section, "ENGLISH");
  EXPECT_EQ(one[0].DispName, "English");

  // The first section is never a language, whatever its name; "dispname" defaults to empty.
  Write("DEUTSCH.ini");
  Write("General.ini");
  const std::vector<LanguageEntry> all =
      ListLanguages(IniFile::Parse("[ENGLISH]\ndispname=English\n[deutsch]\n[Missing]\n"), folder_);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].Section, "deutsch");
  EXPECT_EQ(all[0].DispName, "");

  EXPECT_TRUE(ListLanguages(IniFile(), folder_).empty());
  // A folder named like a language file is not one.
  fs::create_directories(folder_ + "/Missing.ini");
  EXPECT_EQ(ListLanguages(IniFile::Parse("[G]\n[Missing]\n"), folder_).size(), 0u);
}

TEST_F(LanguageFolder, FirstStartStoresEnglishAndNothingElse) {
  Write("Quorvantel_Main.ini", kThreeSections);
  Write("English.ini");
  Write("help/English.html", "<html></html>");
  const SettingsStore store = FreshSettings();

  const LanguageSelection sel = ChooseLanguage(store, folder_);
  EXPECT_EQ(sel.LanguageName, "ENGLISH");
  EXPECT_EQ(sel.LanguageFile, "English.ini");
  EXPECT_EQ(sel.HelpFilePath, folder_ + "/help/English.html");
  EXPECT_EQ(sel.CodePage, "windows-1252");
  EXPECT_TRUE(sel.SettingsError.empty());

  Bytes language;
  int32_t index = -1;
  EXPECT_TRUE(store.ReadText("Language", language).ok());
  EXPECT_TRUE(store.ReadInt("LangIndex", index).ok());
  EXPECT_EQ(language, "ENGLISH");
  EXPECT_EQ(index, 0);
  int32_t other = 0;
  EXPECT_EQ(store.ReadInt("UnitSel", other).status, ReadStatus::Absent);
  EXPECT_EQ(store.ReadInt("COMPort", other).status, ReadStatus::Absent);
}

TEST_F(LanguageFolder, StoredLanguageChoosesItsSectionOrTheDefaults) {
  Write("Quorvantel_Main.ini",
        std::string(kThreeSections) + "[POLSKI]\nfile=polski.INI\ncodepage=windows-1250\n");
  Write("Polski.ini");
  struct Case {
    const char* stored;
    const char* file;
    const char* help;  // relative to the folder
    const char* codePage;
  };
  const Case cases[] = {
      {"DEUTSCH", "Deutsch.ini", "", "windows-1252"},
      {"deutsch", "Deutsch.ini", "", "windows-1252"},  // sections match without case
      {"POLSKI", "Polski.ini", "", "windows-1250"},    // file found whatever its case
      {"English", "English.ini", "help/English.html", "windows-1252"},
      {"KLINGON", "English.ini", "", "windows-1252"},  // no such section: defaults
      {"", "English.ini", "", "windows-1252"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    const SettingsStore store = FreshSettings();
    ASSERT_TRUE(store.WriteText("Language", c.stored));
    const LanguageSelection sel = ChooseLanguage(store, folder_);
    EXPECT_EQ(sel.LanguageName, c.stored);
    EXPECT_EQ(sel.LanguageFile, c.file);
    EXPECT_EQ(sel.HelpFilePath, folder_ + "/" + c.help);
    EXPECT_EQ(sel.CodePage, c.codePage);
    int32_t index = 7;
    EXPECT_EQ(store.ReadInt("LangIndex", index).status, ReadStatus::Absent)
        << "a stored language is not written again";
  }
}

TEST_F(LanguageFolder, MissingProductFileAndBadValuesGiveTheDefaults) {
  const SettingsStore store = FreshSettings();
  ASSERT_TRUE(store.WriteText("Language", "DEUTSCH"));
  const LanguageSelection noProduct = ChooseLanguage(store, folder_);
  EXPECT_EQ(noProduct.LanguageName, "DEUTSCH");
  EXPECT_EQ(noProduct.LanguageFile, "English.ini");
  EXPECT_EQ(noProduct.HelpFilePath, folder_ + "/");

  Write("Quorvantel_Main.ini", "[General]\n[DEUTSCH]\ncodepage=klingon-42\n");
  EXPECT_EQ(ChooseLanguage(store, folder_).CodePage, "windows-1252");

  // A "Language" value that is no text is reported and left for the person to mend.
  const SettingsStore broken = FreshSettings();
  test::WriteSettingsFile(broken, "[General]\nLanguage=@ByteArray(DEUTSCH)\n");
  const LanguageSelection sel = ChooseLanguage(broken, folder_);
  EXPECT_EQ(sel.LanguageName, "ENGLISH");
  EXPECT_NE(sel.SettingsError.find("Language"), std::string::npos);
  int32_t index = 7;
  EXPECT_EQ(broken.ReadInt("LangIndex", index).status, ReadStatus::Absent);
}

TEST_F(LanguageFolder, ResolveFileNameFollowsTheFolder) {
  Write("Help/English.HTML", "x");
  struct Case {
    const char* relative;
    const char* resolved;
  };
  const Case cases[] = {
      {"help/english.html", "Help/English.HTML"},       {"help\\English.html", "Help/English.HTML"},
      {"Help/English.HTML", "Help/English.HTML"},       {"help/missing.html", "Help/missing.html"},
      {"nothing/English.html", "nothing/English.html"}, {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ResolveFileName(folder_, c.relative), c.resolved);
  EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
  EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
  EXPECT_EQ(JoinPath("", "b"), "b");
}

TEST(LanguageDialog, StoresTheSectionOnlyWhenTheChoiceChanges) {
  const std::vector<LanguageEntry> languages = {{"ENGLISH", "English", "windows-1252"},
                                                {"DEUTSCH", "Deutsch", "windows-1252"}};
  const SettingsStore store = FreshSettings();
  ASSERT_TRUE(store.WriteInt("LangIndex", 0));
  ASSERT_TRUE(store.WriteText("Language", "ENGLISH"));

  EXPECT_FALSE(StoreLanguageChoice(store, 0, languages)) << "same choice: nothing to store";
  EXPECT_FALSE(StoreLanguageChoice(store, 2, languages));
  EXPECT_FALSE(StoreLanguageChoice(store, -1, languages));
  int32_t index = -1;
  ASSERT_TRUE(store.ReadInt("LangIndex", index).ok());
  EXPECT_EQ(index, 0);

  EXPECT_TRUE(StoreLanguageChoice(store, 1, languages));
  Bytes language;
  ASSERT_TRUE(store.ReadInt("LangIndex", index).ok());
  ASSERT_TRUE(store.ReadText("Language", language).ok());
  EXPECT_EQ(index, 1);
  EXPECT_EQ(language, "DEUTSCH") << "the section name, which the next start looks up";

  const SettingsStore fresh = FreshSettings();
  EXPECT_TRUE(StoreLanguageChoice(fresh, 0, languages)) << "no stored index counts as a change";
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// The build tree keeps the files beside the programs; an installation under share/quorvantel.
TEST(DataFolder, BesideTheProgramOrInstalledUnderShare) {
  QTemporaryDir root;
  const QDir dir(root.path());
  ASSERT_TRUE(dir.mkpath("build/bin") && dir.mkpath("usr/bin") &&
              dir.mkpath("usr/share/quorvantel"));
  for (const char* product :
       {"build/bin/Quorvantel_Main.ini", "usr/share/quorvantel/Quorvantel_Main.ini"}) {
    QFile f(dir.filePath(product));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  EXPECT_EQ(FindDataFolder(dir.filePath("build/bin").toStdString()),
            dir.filePath("build/bin").toStdString());
  EXPECT_EQ(FindDataFolder(dir.filePath("usr/bin").toStdString()),
            dir.filePath("usr/share/quorvantel").toStdString());
  ASSERT_TRUE(dir.mkpath("bare/bin"));
  EXPECT_EQ(FindDataFolder(dir.filePath("bare/bin").toStdString()),
            dir.filePath("bare/bin").toStdString());
}

}  // namespace
}  // namespace qv
