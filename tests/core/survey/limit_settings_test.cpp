// The limits kept in the settings: the defaults where nothing is stored, an empty value that
// clears a default, every limit written and read back, and a value that is no number.
#include "core/app/TestSettings.h"
#include "survey/LimitSettings.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(LimitSettings, DefaultsWhereNothingIsStoredAndEmptyClearsOne) {
  LimitTable expected{};
  expected[14].Upper = 1000;  // CO2
  EXPECT_EQ(DefaultLimits(), expected);
  EXPECT_EQ(LoadLimits(test::FreshSettings()).Limits, expected);

  const SettingsStore store = test::FreshSettings();
  test::WriteSettingsFile(store,
                          "[General]\nLimitUpperCO2=\nLimitUpperAirTemp=26\n"
                          "LimitLowerAirTemp= -2.5 \nLimitUpperRelHum=+60\n");
  const LoadedLimits loaded = LoadLimits(store);
  EXPECT_TRUE(loaded.Problems.empty());
  expected = LimitTable{};
  expected[0] = {26, -2.5};
  expected[1].Upper = 60;
  EXPECT_EQ(loaded.Limits, expected);
}

TEST(LimitSettings, EveryLimitReadsBackAsWritten) {
  const SettingsStore store = test::FreshSettings();
  LimitTable limits{};
  for (int q = 1; q <= kQuantityCount; ++q) {
    if (q % 3 != 0) limits[static_cast<size_t>(q - 1)].Upper = q * 10.1;
    if (q % 2 == 0) limits[static_cast<size_t>(q - 1)].Lower = -q / 3.0;
  }
  ASSERT_TRUE(SaveLimits(store, limits));
  const LoadedLimits loaded = LoadLimits(store);
  EXPECT_TRUE(loaded.Problems.empty());
  EXPECT_EQ(loaded.Limits, limits);  // exact: shortest texts that read back as the same numbers
  // CO2 (15) has none now: the empty value stays empty rather than the default coming back.
  EXPECT_FALSE(loaded.Limits[14].Upper);
  EXPECT_EQ(UpperLimitName(15), "LimitUpperCO2");
  EXPECT_EQ(LowerLimitName(11), "LimitLowerGlobeTemp");
}

TEST(LimitSettings, AValueThatIsNoNumberKeepsTheDefaultAndSaysSo) {
  const SettingsStore store = test::FreshSettings();
  test::WriteSettingsFile(store,
                          "[General]\nLimitUpperCO2=lots\nLimitLowerCO=1e999\n"
                          "LimitUpperPMV=0.5\n");
  const LoadedLimits loaded = LoadLimits(store);
  ASSERT_EQ(loaded.Problems.size(), 2u);
  EXPECT_NE(loaded.Problems[0].find("\"lots\", which is not a number; the default 1000 applies"),
            std::string::npos)
      << loaded.Problems[0];
  EXPECT_NE(loaded.Problems[1].find("\"LimitLowerCO\""), std::string::npos) << loaded.Problems[1];
  EXPECT_EQ(loaded.Limits[14].Upper, 1000);
  EXPECT_FALSE(loaded.Limits[15].Lower);
  EXPECT_EQ(loaded.Limits[11].Upper, 0.5);

  std::optional<double> limit = 7;
  for (const char* bad : {"nan", "inf", "1,5", "12 ppm", "-"}) {
    EXPECT_FALSE(ParseLimitText(bad, &limit)) << bad;
    EXPECT_EQ(limit, 7);
  }
  EXPECT_TRUE(ParseLimitText("  ", &limit));
  EXPECT_FALSE(limit);
}

}  // namespace
}  // namespace qv
