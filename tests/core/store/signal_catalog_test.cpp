#include "app/TextCatalog.h"
#include "store/SignalCatalog.h"

#include <gtest/gtest.h>

#include <set>

namespace qv {
namespace {

// Every key translates to itself in brackets, so a caption shows which keys it was made of.
TextCatalog KeyEchoCatalog() {
  return TextCatalog::FromBytes(
      "[Language]\n"
      "AirTemp_10=[AirTemp]\nCurr_5=[Curr]\nMax_5=[Max]\nAvg_5=[Avg]\nUnit-Cels_10=[C]\n"
      "Unit-Farh_10=[F]\nLumin_10=[Lumin]\nUnit-CD/m2_10=[cd]\nPMVote_10=[PMV]\n"
      "MultiPoint_10=[MP]\nUnit-M/S_10=[m/s]\nUnit-FT/MIN_10=[fpm]\nMP_Number1_10=[N1]\n"
      "MP_Number2_10=[N2]\nRelHum_10=[RH]\nUnit-ProcRH_10=[%RH]\nUnit-m3/h_10=[m3h]\n"
      "Unit-FT3/h_10=[cfh]\n");
}

TEST(SignalCatalog, CaptionsFollowUnitLetterRules) {
  const TextCatalog texts = KeyEchoCatalog();
  struct Case {
    int code;
    char letter;
    const char* line1;
    const char* line2;
  };
  const Case cases[] = {
      {1, 'S', "[AirTemp]", "[Curr]  [C]"},
      {1, 'U', "[AirTemp]", "[Curr]  [F]"},
      {1, 'X', "[AirTemp]", "keep"},        // temperatures need a known letter
      {28, 'S', "[Lumin]", "[Max]  [cd]"},  // luminance has one unit whatever the letter
      {28, 'U', "[Lumin]", "[Max]  [cd]"},
      {28, 'X', "[Lumin]", "[Max]  [cd]"},
      {5, 'X', "[RH]", "[Curr]  [%RH]"},
      {45, 'S', "[PMV]", "[Curr]"},  // no unit, no trailing blanks
      {65, 'U', "[MP]", "[Avg]  [fpm]"},
      {66, 'S', "[MP]", "[Avg]  [m3h]"},
      {66, 'X', "[MP]", "keep"},
      {67, 'S', "[N1]", "[N2]"},
      {68, 'S', "", ""},
      {0, 'S', "keep", "keep"},
      {69, 'S', "keep", "keep"},
  };
  for (const Case& c : cases) {
    Bytes l1 = "keep", l2 = "keep";
    GetSignalCaption(c.code, c.letter, texts, l1, l2);
    EXPECT_EQ(l1, c.line1) << "code " << c.code << " " << c.letter;
    EXPECT_EQ(l2, c.line2) << "code " << c.code << " " << c.letter;
  }
}

TEST(SignalCatalog, MissingKeysShowAsHyphens) {
  Bytes l1, l2;
  GetSignalCaption(1, 'S', TextCatalog(), l1, l2);
  EXPECT_EQ(l1, "-----");
  EXPECT_EQ(l2, "-----  -----");
}

TEST(SignalCatalog, StoragePositionsAreAPermutationWithFixedAnchors) {
  EXPECT_EQ(StoragePos(13), 4);  // air velocity stored before relative humidity
  EXPECT_EQ(StoragePos(5), 8);
  EXPECT_EQ(StoragePos(1), 0);
  EXPECT_EQ(StoragePos(9), 24);
  EXPECT_EQ(StoragePos(64), 63);
  EXPECT_EQ(StoragePos(65), 64);
  EXPECT_EQ(StoragePos(67), 66);
  EXPECT_EQ(StoragePos(0), -1);
  EXPECT_EQ(StoragePos(68), -1);
  std::set<int> seen;
  for (int code = 1; code <= 67; ++code) {
    const int pos = StoragePos(code);
    ASSERT_GE(pos, 0);
    ASSERT_LT(pos, 67);
    EXPECT_TRUE(seen.insert(pos).second) << "position used twice: " << pos;
    EXPECT_EQ(CodeAtStoragePos(pos), code);
    if (code <= 64 && StatisticOf(code) > 1) {
      EXPECT_EQ(pos, StoragePos(code - 1) + 1);
    }
  }
}

TEST(SignalCatalog, QuantityStatisticAndGroup) {
  EXPECT_EQ(QuantityOf(1), 1);
  EXPECT_EQ(QuantityOf(64), 16);
  EXPECT_EQ(QuantityOf(66), 17);
  EXPECT_EQ(QuantityOf(68), 0);
  EXPECT_EQ(StatisticOf(7), 3);
  EXPECT_EQ(GroupOf(4), 0);
  EXPECT_EQ(GroupOf(5), 1);
  EXPECT_EQ(GroupOf(65), 16);
  EXPECT_EQ(GroupOf(68), 16);
  EXPECT_EQ(GroupOf(69), -1);
}

}  // namespace
}  // namespace qv
