// Statistics of a logging block against limits: "no sample" values counted nowhere, a value at
// a limit not beyond it, hours and shares of a stretch, conversion into the other unit system,
// and how typed times pick a stretch of samples.
#include "store/SignalCatalog.h"
#include "survey/Survey.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace qv {
namespace {

constexpr double kStart = 45000.25;  // 06:00
constexpr double kSecond = 1.0 / 86400;

// A block logging the given current values (one list per code), `interval` seconds apart.
TLoggerRecord Block(const char* units, int interval,
                    const std::vector<std::pair<int, std::vector<double>>>& codes) {
  TLoggerRecord b;
  b.UnitSystem = units;
  b.IntervalSec = interval;
  b.BeginTime = kStart;
  b.SampleCount = static_cast<int>(codes.front().second.size());
  for (const auto& [code, samples] : codes) {
    b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
    b.SignalPresent[static_cast<size_t>(code)] = 1;
    b.Samples[static_cast<size_t>(StoragePos(code))] = samples;
  }
  return b;
}

// A value as the instruments deliver it: single precision, widened.
double F(double v) {
  return static_cast<float>(v);
}

QuantityLimits Limits(std::optional<double> upper, std::optional<double> lower = std::nullopt) {
  return {upper, lower};
}

TEST(SurveyStatistics, CountsExtremesMeanAndTimeBeyondTheLimits) {
  const double none = NoValue;
  const struct Case {
    const char* what;
    TLoggerRecord block;
    int q;
    SampleRange range;
    const char* units;
    QuantityLimits limits;
    int count;
    std::optional<double> min, mean, max;
    int above, below;
    double hoursAbove, hoursBelow;
    std::optional<double> shareAbove, shareBelow;
  } cases[] = {
      {"no samples left out; values at the limits are not beyond them",
       Block("SI", 600, {{1, {20, 21, none, 25, 3.1e7, 22, 19.5}}}),
       1,
       {0, 7},
       "SI",
       Limits(22, 20),
       5,
       19.5,
       21.5,
       25,
       1,
       1,
       600.0 / 3600,
       600.0 / 3600,
       20,
       20},
      {"single-precision values as the instrument gives them, at the limits",
       Block("SI", 60, {{1, {F(22.2), F(22.21), F(19.9)}}}),
       1,
       {0, 3},
       "SI",
       Limits(22.2, 19.9),
       3,
       F(19.9),
       (F(22.2) + F(22.21) + F(19.9)) / 3,
       F(22.21),
       1,
       0,
       1.0 / 60,
       0,
       100.0 / 3,
       0},
      {"and converted",
       Block("SI", 60, {{1, {F(22.2), F(22.21)}}}),
       1,
       {0, 2},
       "US",
       Limits(71.96),
       2,
       F(22.2) * 1.8 + 32,
       (F(22.2) + F(22.21)) * 0.9 + 32,
       F(22.21) * 1.8 + 32,
       1,
       0,
       1.0 / 60,
       0,
       50,
       std::nullopt},
      {"a stretch of the block",
       Block("SI", 60, {{57, {900, 1000, 1100, 1200, 800}}}),
       15,
       {1, 3},
       "SI",
       Limits(1000),
       3,
       1000,
       1100,
       1200,
       2,
       0,
       120.0 / 3600,
       0,
       200.0 / 3,
       std::nullopt},
      {"a stretch running past the samples held is cut at the last",
       Block("SI", 60, {{57, {900, 1000, 1100}}}),
       15,
       {2, 50},
       "SI",
       Limits(1000),
       1,
       1100,
       1100,
       1100,
       1,
       0,
       60.0 / 3600,
       0,
       100,
       std::nullopt},
      {"SI values shown in US, against limits in US units",
       Block("SI", 3600, {{1, {20, 25, 30}}}),
       1,
       {0, 3},
       "US",
       Limits(77, 68),
       3,
       68,
       77,
       86,
       1,
       0,
       1,
       0,
       100.0 / 3,
       0},
      {"US values shown in SI",
       Block("US", 3600, {{13, {196.8504, 393.7008}}}),
       4,
       {0, 2},
       "SI",
       {},
       2,
       1,
       1.5,
       2,
       0,
       0,
       0,
       0,
       std::nullopt,
       std::nullopt},
      {"a value beyond the no-sample mark once converted counts nowhere",
       Block("SI", 60, {{17, {1e6, 100}}}),
       5,
       {0, 2},
       "US",
       {},
       1,
       3531.98,
       3531.98,
       3531.98,
       0,
       0,
       0,
       0,
       std::nullopt,
       std::nullopt},
      {"only no-sample values: nothing to count, limits kept",
       Block("SI", 60, {{1, {none, none}}}),
       1,
       {0, 2},
       "SI",
       Limits(22),
       0,
       std::nullopt,
       std::nullopt,
       std::nullopt,
       0,
       0,
       0,
       0,
       std::nullopt,
       std::nullopt},
      {"a quantity the block does not log",
       Block("SI", 60, {{1, {20}}}),
       2,
       {0, 1},
       "SI",
       Limits(std::nullopt, 30),
       0,
       std::nullopt,
       std::nullopt,
       std::nullopt,
       0,
       0,
       0,
       0,
       std::nullopt,
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QuantityStatistics s =
        ComputeQuantityStatistics(c.block, c.q, c.range, c.units, c.limits);
    EXPECT_EQ(s.Quantity, c.q);
    EXPECT_EQ(s.Count, c.count);
    const auto near = [](const std::optional<double>& got, const std::optional<double>& want) {
      EXPECT_EQ(got.has_value(), want.has_value());
      if (got && want) {
        EXPECT_NEAR(*got, *want, 1e-9 * std::max(1.0, std::fabs(*want)));
      }
    };
    near(s.Min, c.min);
    near(s.Mean, c.mean);
    near(s.Max, c.max);
    ASSERT_EQ(s.Limit.has_value(), c.limits.Any());
    if (!s.Limit) continue;
    EXPECT_EQ(s.Limit->Upper, c.limits.Upper);
    EXPECT_EQ(s.Limit->Lower, c.limits.Lower);
    EXPECT_EQ(s.Limit->Above, c.above);
    EXPECT_EQ(s.Limit->Below, c.below);
    EXPECT_NEAR(s.Limit->HoursAbove, c.hoursAbove, 1e-12);
    EXPECT_NEAR(s.Limit->HoursBelow, c.hoursBelow, 1e-12);
    near(s.Limit->ShareAbove, c.shareAbove);
    near(s.Limit->ShareBelow, c.shareBelow);
  }
}

TEST(SurveyStatistics, EveryLoggedQuantityWithItsOwnLimits) {
  // Air temperature with all four statistics, CO2 current only, humidity only as an average:
  // the survey reads current values.
  const TLoggerRecord block = Block("SI", 300,
                                    {{1, {21, 22}},
                                     {2, {20, 21}},
                                     {3, {21, 22}},
                                     {4, {22, 23}},
                                     {7, {40, 41}},
                                     {57, {900, 1300}}});
  EXPECT_EQ(LoggedQuantities(block), (std::vector<int>{1, 15}));
  LimitTable limits{};
  limits[14].Upper = 1000;
  limits[0].Lower = 21.5;
  const std::vector<QuantityStatistics> all = ComputeSurveyStatistics(block, {0, 2}, "SI", limits);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].Quantity, 1);
  ASSERT_TRUE(all[0].Limit);
  EXPECT_EQ(all[0].Limit->Below, 1);
  EXPECT_FALSE(all[0].Limit->ShareAbove);
  EXPECT_EQ(all[1].Quantity, 15);
  EXPECT_NEAR(all[1].Limit->HoursAbove, 300.0 / 3600, 1e-12);

  // Stored limits are SI; a survey in US units compares against them converted.
  LimitTable si{};
  si[0] = Limits(26, 20);
  const LimitTable us = LimitsInUnits(si, "US");
  EXPECT_NEAR(*us[0].Upper, 78.8, 1e-9);
  EXPECT_NEAR(*us[0].Lower, 68, 1e-9);
  EXPECT_FALSE(us[1].Any());
}

TEST(SurveyStatistics, TypedTimesPickTheSamplesBetweenThem) {
  // Ten samples a minute apart: 06:00:00 .. 06:09:00, the block ending at 06:10:00.
  const TLoggerRecord block = Block("SI", 60, {{1, std::vector<double>(10, 20.0)}});
  const auto at = [](double seconds) { return kStart + seconds * kSecond; };
  const struct {
    const char* what;
    double from, to;
    RangeProblem problem;
    SampleRange range;
  } cases[] = {
      {"the whole block", 0, 600, RangeProblem::None, {0, 10}},
      {"between samples", 30, 150, RangeProblem::None, {1, 2}},
      {"one sample", 60, 60, RangeProblem::None, {1, 1}},
      {"up to the last sample", 540, 540, RangeProblem::None, {9, 1}},
      {"no sample inside", 10, 50, RangeProblem::NoSamples, {}},
      {"after the last sample", 541, 600, RangeProblem::NoSamples, {}},
      {"a second before the start", -1, 60, RangeProblem::StartsBeforeBlock, {}},
      {"a second after the end", 0, 601, RangeProblem::EndsAfterBlock, {}},
      {"from after to", 120, 60, RangeProblem::Reversed, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TimeRange r = SamplesBetween(block, at(c.from), at(c.to));
    EXPECT_EQ(r.Problem, c.problem);
    if (c.problem == RangeProblem::None) {
      EXPECT_EQ(r.Range, c.range);
    }
  }
  EXPECT_NEAR(BlockEnd(block), at(600), 1e-9);
  // A graph's visible stretch may reach beyond the block: what lies within counts.
  EXPECT_EQ(SamplesWithin(block, at(-30), at(90)), (SampleRange{0, 2}));
  EXPECT_EQ(SamplesWithin(block, at(500), at(900)), (SampleRange{9, 1}));
  EXPECT_EQ(SamplesWithin(block, at(-900), at(-60)), (SampleRange{}));
  EXPECT_EQ(SamplesWithin(block, at(130), at(170)), (SampleRange{}));
  TLoggerRecord empty = block;
  empty.SampleCount = 0;
  EXPECT_EQ(SamplesBetween(empty, kStart, kStart).Problem, RangeProblem::NoSamples);
}

TEST(SurveyStatistics, SurveyOfAStretchWithItsAirChangeRate) {
  // CO2 falling from 1500 ppm at 1.5 air changes per hour, 10 minutes apart, after an hour of
  // rising.
  std::vector<double> co2;
  for (int i = 0; i <= 6; ++i)
    co2.push_back(900 + 100 * i);
  for (int i = 1; i <= 12; ++i)
    co2.push_back(420 + 1080 * std::exp(-1.5 * i / 6.0));
  const TLoggerRecord block = Block("SI", 600, {{57, co2}, {1, std::vector<double>(19, 21.0)}});
  SurveyRequest request = WholeBlockSurvey(block, LimitTable{});
  EXPECT_EQ(request.DisplayUnits, "SI");
  EXPECT_EQ(request.Range, (SampleRange{0, 19}));
  request.Range = {2, 10};
  request.AirChanges = {{{6, 13}, 420}, {{0, 6}, 420}};
  const Survey s = ComputeSurvey(block, request);
  EXPECT_EQ(s.Range, (SampleRange{2, 10}));
  EXPECT_NEAR(s.Start, kStart + 1200 * kSecond, 1e-9);
  EXPECT_NEAR(s.End, kStart + 7200 * kSecond, 1e-9);
  ASSERT_EQ(s.Quantities.size(), 2u);
  EXPECT_EQ(s.Quantities[1].Count, 10);
  ASSERT_EQ(s.AirChanges.size(), 2u);
  EXPECT_NEAR(s.AirChanges[0].Fit.PerHour, 1.5, 1e-9);
  EXPECT_NEAR(s.AirChanges[0].From, kStart + 3600 * kSecond, 1e-9);
  EXPECT_NEAR(s.AirChanges[0].To, kStart + 18 * 600 * kSecond, 1e-9);
  EXPECT_EQ(s.AirChanges[1].Fit.Problem, AirChangeProblem::NotFalling);

  // The stretch as a block of its own, for analyses that take whole blocks.
  const TLoggerRecord slice = SliceBlock(block, {6, 13});
  EXPECT_EQ(slice.SampleCount, 13);
  EXPECT_NEAR(slice.BeginTime, kStart + 3600 * kSecond, 1e-9);
  EXPECT_EQ(slice.Samples[static_cast<size_t>(StoragePos(57))].front(), 1500);
  EXPECT_EQ(slice.Samples[static_cast<size_t>(StoragePos(1))].size(), 13u);
  EXPECT_NEAR(AirChangeOfBlock(slice, WholeBlock(slice)).PerHour, 1.5, 1e-9);
}

}  // namespace
}  // namespace qv
