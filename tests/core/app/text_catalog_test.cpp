#include "app/TextCatalog.h"
#include "app/TextCodec.h"

#include <QStringDecoder>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace qv {
namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "qv-catalog-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string File(const std::string& name, const std::string& contents) const {
    const std::string p = path_ + "/" + name;
    std::ofstream(p, std::ios::binary | std::ios::trunc) << contents;
    return p;
  }

 private:
  std::string path_;
};

TEST(TextCatalog, TranslatesKeysOfTheLanguageSectionOnly) {
  const TextCatalog texts = TextCatalog::FromBytes(
      "[General]\nmmEdit_15=not a text\n"
      "[Language]\nmmFile_15=&File\nUnit-Cels_10=\xB0"
      "C\nEmpty_5=\n"
      "msgFileSaveError_35   Error #10=Cannot write\n");
  struct Case {
    const char* key;
    const char* text;
  };
  const Case cases[] = {
      {"mmFile_15", "&File"},
      {"MMFILE_15", "&File"},
      {"Unit-Cels_10",
       "\xB0"
       "C"},
      {"Empty_5", ""},  // present but empty is a text, not a missing key
      {"msgFileSaveError_35   Error #10", "Cannot write"},
      {"msgFileSaveError_35", "-----"},
      {"mmEdit_15", "-----"},
      {"", "-----"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(texts.Translate(c.key), c.text) << c.key;
    EXPECT_EQ(texts.Has(c.key), std::string(c.text) != "-----") << c.key;
  }
  EXPECT_EQ(TextCatalog().Translate("mmFile_15"), "-----");
}

TEST(TextCatalog, FileCacheGivesWhatAFreshReadGives) {
  TempFolder dir;
  const std::string path = dir.File("Lang.ini", "[Language]\nmmFile_15=&File\n");
  const TextCatalog first = TextCatalog::FromFile(path);
  const TextCatalog second = TextCatalog::FromFile(path);
  EXPECT_EQ(first.Path(), path);
  EXPECT_EQ(first.Translate("mmFile_15"), "&File");
  EXPECT_EQ(second.Translate("mmFile_15"), "&File");
  EXPECT_EQ(second.Translate("mmEdit_15"), "-----");

  // A language file without "mmFile_15": the File menu shows "-----". The file is replaced
  // in place, as an editor would; the next catalog of that path sees the new contents.
  dir.File("Lang.ini", "[Language]\nmmEdit_15=&Edit\nmmHelp_15=&Help\n");
  const TextCatalog edited = TextCatalog::FromFile(path);
  EXPECT_EQ(edited.Translate("mmFile_15"), "-----");
  EXPECT_EQ(edited.Translate("mmEdit_15"), "&Edit");
  // A catalog already handed out keeps the texts it was made with.
  EXPECT_EQ(first.Translate("mmFile_15"), "&File");

  fs::remove(path);
  EXPECT_EQ(TextCatalog::FromFile(path).Translate("mmEdit_15"), "-----");
  dir.File("Lang.ini", "[Language]\nmmEdit_15=Bearbeiten\n");
  EXPECT_EQ(TextCatalog::FromFile(path).Translate("mmEdit_15"), "Bearbeiten");
}

TEST(TextCodec, DecodesAndEncodesTheCodePage) {
  const TextCodec western;
  EXPECT_EQ(western.CodePage(), "windows-1252");
  EXPECT_EQ(western.Decode("\xB0"
                           "C \x80 m\xB3/h"),
            QString::fromUtf8("°C € m³/h"));
  EXPECT_EQ(western.Encode(QString::fromUtf8("°F ä")),
            "\xB0"
            "F \xE4");
  // A character the code page lacks does not vanish silently.
  EXPECT_EQ(western.Encode(QString::fromUtf8("Ж")), "\x1A");

  const TextCodec central("windows-1250");
  EXPECT_EQ(central.Decode("\xA3\xF3"
                           "d\x9F"),
            QString::fromUtf8("Łódź"));
  EXPECT_EQ(central.Encode(QString::fromUtf8("Łódź")),
            "\xA3\xF3"
            "d\x9F");

  // Every byte decodes as Qt's own converter decodes it, and a code page of two-byte
  // characters keeps its pairs together.
  std::string all(256, '\0');
  for (int b = 0; b < 256; ++b)
    all[static_cast<size_t>(b)] = static_cast<char>(b);
  for (const char* page : {"windows-1252", "windows-1250", "windows-1251"}) {
    QStringDecoder reference(page);
    EXPECT_EQ(TextCodec(page).Decode(all), reference.decode(QByteArray::fromStdString(all)))
        << page;
  }
  EXPECT_EQ(TextCodec("Shift_JIS")
                .Decode("\x82\xA0"
                        "a"),
            QString::fromUtf8("あa"));

  const TextCodec unknown("no-such-page");
  EXPECT_EQ(unknown.CodePage(), "windows-1252");
  EXPECT_EQ(unknown.Decode("\xB0"), QString::fromUtf8("°"));
  EXPECT_FALSE(IsKnownCodePage("no-such-page"));
  EXPECT_FALSE(IsKnownCodePage(""));
}

}  // namespace
}  // namespace qv
