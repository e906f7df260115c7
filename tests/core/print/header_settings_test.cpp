// The print header's stored families: which value fills which text, that a load replaces only
// what is stored, and that a save writes every text of its own family.
#include "core/app/TestSettings.h"
#include "print/HeaderSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace qv {
namespace {

// Every text of a header, named as the settings name it.
std::vector<std::pair<std::string, Bytes*>> Named(PrintHeader& h) {
  return {{"Operator1", &h.Lines[PrintHeader::Operator1]},
          {"Operator2", &h.Lines[PrintHeader::Operator2]},
          {"TestSite1", &h.Lines[PrintHeader::TestSite1]},
          {"TestSite2", &h.Lines[PrintHeader::TestSite2]},
          {"Footer", &h.Lines[PrintHeader::Footer]},
          {"TempPrSerNo", &h.ProbeSerNo[PrintHeader::Temp]},
          {"TempPrType", &h.ProbeType[PrintHeader::Temp]},
          {"HumPrSerNo", &h.ProbeSerNo[PrintHeader::Hum]},
          {"HumPrType", &h.ProbeType[PrintHeader::Hum]},
          {"AirVPrSerNo", &h.ProbeSerNo[PrintHeader::AirVel]},
          {"AirVPrType", &h.ProbeType[PrintHeader::AirVel]},
          {"IllPrSerNo", &h.ProbeSerNo[PrintHeader::Ill]},
          {"IllPrType", &h.ProbeType[PrintHeader::Ill]},
          {"ThCoupPrSerNo", &h.ProbeSerNo[PrintHeader::ThCoup]},
          {"ThCoupPrType", &h.ProbeType[PrintHeader::ThCoup]},
          {"GlPrSerNo", &h.ProbeSerNo[PrintHeader::Globe]},
          {"GlPrType", &h.ProbeType[PrintHeader::Globe]},
          {"LumPrSerNo", &h.ProbeSerNo[PrintHeader::Lum]},
          {"LumPrType", &h.ProbeType[PrintHeader::Lum]},
          {"CO2PrSerNo", &h.ProbeSerNo[PrintHeader::CO2]},
          {"CO2PrType", &h.ProbeType[PrintHeader::CO2]},
          {"COPrSerNo", &h.ProbeSerNo[PrintHeader::CO]},
          {"COPrType", &h.ProbeType[PrintHeader::CO]},
          {"AdapPrSerNo", &h.ProbeSerNo[PrintHeader::Adap]},
          {"AdapPrType", &h.ProbeType[PrintHeader::Adap]}};
}

// Each text set to its settings name with `tag` after it.
PrintHeader Tagged(const std::string& tag) {
  PrintHeader h;
  for (auto& [name, text] : Named(h))
    *text = name + tag;
  return h;
}

bool SameTexts(const PrintHeader& a, const PrintHeader& b) {
  return a.Lines == b.Lines && a.ProbeSerNo == b.ProbeSerNo && a.ProbeType == b.ProbeType &&
         a.Comments == b.Comments;
}

TEST(HeaderSettings, EachStoredValueFillsItsOwnText) {
  for (const HeaderFamily family : {HeaderFamily::Current, HeaderFamily::Default}) {
    const std::string suffix = family == HeaderFamily::Default ? "Def" : "";
    SCOPED_TRACE("family suffix \"" + suffix + "\"");
    const SettingsStore store = test::FreshSettings();
    // Both families by hand, each value holding its own name and family.
    std::string file = "[General]\n";
    PrintHeader names;
    for (const auto& [name, text] : Named(names)) {
      file += name + "=" + name + "-current\n";
      file += name + "Def=" + name + "-default\n";
    }
    test::WriteSettingsFile(store, file);
    PrintHeader header;
    header.Comments = "never stored";
    LoadHeaderFamily(store, family, header);
    PrintHeader expected = Tagged(family == HeaderFamily::Default ? "-default" : "-current");
    expected.Comments = "never stored";
    EXPECT_TRUE(SameTexts(header, expected));
  }
}

TEST(HeaderSettings, MissingValuesLeaveTheirTexts) {
  const SettingsStore store = test::FreshSettings();
  // An empty value exists and empties its text; a value of another family is not this one's.
  test::WriteSettingsFile(store,
                          "[General]\nOperator1=Anna Berg\nFooter=\nGlPrType=G-7\n"
                          "TestSite1Def=Plant 2\nUnitSel=1\n");
  PrintHeader header = Tagged("-typed");
  LoadHeaderFamily(store, HeaderFamily::Current, header);
  PrintHeader expected = Tagged("-typed");
  expected.Lines[PrintHeader::Operator1] = "Anna Berg";
  expected.Lines[PrintHeader::Footer] = "";
  expected.ProbeType[PrintHeader::Globe] = "G-7";
  EXPECT_TRUE(SameTexts(header, expected));

  // Without any store nothing changes.
  PrintHeader untouched = Tagged("-typed");
  LoadHeaderFamily(test::FreshSettings(), HeaderFamily::Default, untouched);
  EXPECT_TRUE(SameTexts(untouched, Tagged("-typed")));
  EXPECT_TRUE(SameTexts(CurrentHeaderTexts(test::FreshSettings()), PrintHeader{}));
}

TEST(HeaderSettings, SavingWritesAllTextsOfItsFamilyOnly) {
  const SettingsStore store = test::FreshSettings();
  ASSERT_TRUE(SaveHeaderFamily(store, HeaderFamily::Current, Tagged("-current")));
  PrintHeader defaults = Tagged("-default");
  // Code page bytes and a comma, which the store's own format would otherwise split at.
  defaults.Lines[PrintHeader::Operator2] = "J\xFCrgen Wei\xDF, lab";
  defaults.Comments = "not stored";
  ASSERT_TRUE(SaveHeaderFamily(store, HeaderFamily::Default, defaults));

  PrintHeader current;
  LoadHeaderFamily(store, HeaderFamily::Current, current);
  EXPECT_TRUE(SameTexts(current, Tagged("-current")));
  EXPECT_TRUE(SameTexts(CurrentHeaderTexts(store), Tagged("-current")));
  PrintHeader loaded;
  LoadHeaderFamily(store, HeaderFamily::Default, loaded);
  defaults.Comments.clear();
  EXPECT_TRUE(SameTexts(loaded, defaults));

  // Empty texts are written too: a later load empties every field.
  ASSERT_TRUE(SaveHeaderFamily(store, HeaderFamily::Current, PrintHeader{}));
  PrintHeader emptied = Tagged("-typed");
  LoadHeaderFamily(store, HeaderFamily::Current, emptied);
  EXPECT_TRUE(SameTexts(emptied, PrintHeader{}));
}

}  // namespace
}  // namespace qv
