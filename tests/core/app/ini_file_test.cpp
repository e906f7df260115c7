#include "app/IniFile.h"
#include "support/QtTestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace qv {
namespace {

TEST(IniFile, LookupFollowsProfileSemantics) {
  const IniFile ini = IniFile::Parse(
      "; a comment line\r\n"
      "orphan=before any section\r\n"
      "[Language]\r\n"
      "  mmFile_15 =  &File  \r\n"
      "Unit-M/S_10=m/s\r\n"
      "msgFileSaveError_35   Error #10=Cannot write\r\n"
      "Equation=a=b\r\n"
      "Empty=\r\n"
      "no equals sign here\r\n"
      "  ; indented=comment\r\n"
      "MMFILE_15=second of two: ignored\r\n"
      "[ other ]\n"
      "Key=x\n"
      "[LANGUAGE]\n"
      "Late=in a repeated section: ignored\n"
      "[Last]\n"
      "NoNewline=end");
  ASSERT_TRUE(ini.Loaded());
  struct Case {
    const char* section;
    const char* key;
    const char* value;  // nullptr: absent
  };
  const Case cases[] = {
      {"Language", "mmFile_15", "&File"},
      {"language", "MMFILE_15", "&File"},
      {"Language", " mmFile_15 ", "&File"},
      {"Language", "unit-m/s_10", "m/s"},
      {"Language", "msgFileSaveError_35   Error #10", "Cannot write"},
      {"Language", "Equation", "a=b"},
      {"Language", "Empty", ""},
      {"Language", "no equals sign here", nullptr},
      {"Language", "; indented", nullptr},
      {"Language", "Late", nullptr},
      {"Language", "orphan", nullptr},
      {"OTHER", "key", "x"},
      {"Last", "NoNewline", "end"},
      {"Missing", "Key", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + " / " + c.key);
    const std::optional<std::string> v = ini.Value(c.section, c.key);
    if (c.value == nullptr) {
      EXPECT_FALSE(v.has_value());
      EXPECT_EQ(ini.ReadString(c.section, c.key, "fallback"), "fallback");
    } else {
      ASSERT_TRUE(v.has_value());
      EXPECT_EQ(*v, c.value);
      EXPECT_EQ(ini.ReadString(c.section, c.key, "fallback"), c.value);
    }
  }
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Language", "other", "Last"}));
  EXPECT_TRUE(ini.HasSection("LAST"));
  EXPECT_FALSE(ini.HasSection("General"));
}

TEST(IniFile, ValuesAreBytesAndOddInputIsHarmless) {
  // Windows-1252 bytes pass untouched; a UTF-8 mark before the first section is skipped.
  const IniFile ini = IniFile::Parse(
      "\xEF\xBB\xBF[Language]\nUnit-Cels_10=\xB0"
      "C\n");
  EXPECT_EQ(ini.ReadString("Language", "Unit-Cels_10", ""),
            "\xB0"
            "C");

  // Nothing here may crash or read past the input.
  const char* odd[] = {"", "[", "]", "=", "[]\n=\n", "[a\nk=v", "\r", "\r\n\r\n", "[x]\n\0k=v"};
  for (const char* bytes : odd) {
    const IniFile o = IniFile::Parse(bytes);
    EXPECT_TRUE(o.Loaded());
  }
  const IniFile unclosed = IniFile::Parse("[a\nk=v");
  EXPECT_EQ(unclosed.ReadString("a", "k", ""), "v");
  const std::string withNul("[x]\nk=a\0b\n", 10);
  EXPECT_EQ(IniFile::Parse(withNul).ReadString("x", "k", ""), std::string("a\0b", 3));
}

TEST(IniFile, LoadReadsFilesAndToleratesMissingOnes) {
  const auto dir = std::filesystem::path(test::RunFolder()) / "ini";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "t.ini").string();
  std::ofstream(path, std::ios::binary) << "[General]\nProduct=Quorvantel\n";
  EXPECT_EQ(IniFile::Load(path).ReadString("general", "product", ""), "Quorvantel");
  EXPECT_FALSE(IniFile::Load((dir / "none.ini").string()).Loaded());
  EXPECT_FALSE(IniFile::Load(dir.string()).Loaded()) << "a folder is not a file";
  EXPECT_EQ(IniFile::Load((dir / "none.ini").string()).ReadString("General", "Product", "d"), "d");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace qv
