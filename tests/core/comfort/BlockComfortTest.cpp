// Comfort of a logging block: where each input comes from, US blocks, samples without a value
// or out of range, and the summary over the samples after the skipped minutes.
#include "comfort/BlockComfort.h"
#include "store/SignalCatalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace qv {
namespace {

constexpr int kTa = 1, kRh = 5, kVa = 13, kTg = 41, kWbgt = 53;

// A block logging the given current values (one list per code), 10 minutes apart.
TLoggerRecord Block(const char* units, std::vector<std::pair<int, std::vector<double>>> codes,
                    double met = 1.2, double clo = 0.5) {
  TLoggerRecord b;
  b.UnitSystem = units;
  b.IntervalSec = 600;
  b.BeginTime = 45000.25;
  b.Params.MetabolicRate = met;
  b.Params.Clothing = clo;
  b.SampleCount = static_cast<int>(codes.front().second.size());
  for (const auto& [code, samples] : codes) {
    b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
    b.SignalPresent[static_cast<size_t>(code)] = 1;
    b.Samples[static_cast<size_t>(StoragePos(code))] = samples;
  }
  return b;
}

// Settings with the changes `change` makes.
template <typename Change>
ComfortSettings Settings(Change change) {
  ComfortSettings s;
  change(s);
  return s;
}

TEST(BlockComfort, WhatTheBlockLacksIsAssumedOrMustBeGiven) {
  const struct {
    const char* what;
    TLoggerRecord block;
    ComfortSettings settings;
    MissingInputs missing;
  } cases[] = {
      {"no air temperature", Block("SI", {{kRh, {50}}}), {}, {true, false, false, false}},
      {"no humidity", Block("SI", {{kTa, {22}}}), {}, {false, true, false, false}},
      {"no parameters (0)",
       Block("SI", {{kTa, {22}}, {kRh, {50}}}, 0, 0),
       {},
       {false, false, true, true}},
      {"parameters not set (-1)",
       Block("SI", {{kTa, {22}}, {kRh, {50}}}, -1, 0.5),
       {},
       {false, false, true, false}},
      {"given by the person",
       Block("SI", {{kTa, {22}}, {kRh, {50}}}, -1, -1),
       Settings([](ComfortSettings& s) {
         s.MetabolicRate = 1.2;
         s.Clothing = 0.5;
       }),
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const BlockComfort r = AnalyseBlockComfort(c.block, c.settings);
    EXPECT_EQ(r.Missing.AirTemp, c.missing.AirTemp);
    EXPECT_EQ(r.Missing.Humidity, c.missing.Humidity);
    EXPECT_EQ(r.Missing.MetabolicRate, c.missing.MetabolicRate);
    EXPECT_EQ(r.Missing.Clothing, c.missing.Clothing);
    EXPECT_EQ(r.ok(), !c.missing.Any());
    EXPECT_EQ(r.Samples.size(), r.ok() ? 1u : 0u);
  }
}

// ISO 7730 Table D.1 run 1 (22 °C, 60 %, 0.1 m/s, 1.2 met, 0.5 clo: PMV -0.75) reached by
// each way the radiant temperature and the velocity can come.
TEST(BlockComfort, InputsComeFromTheBlockTheDefaultsOrThePerson) {
  using S = InputSource;
  const struct {
    const char* what;
    TLoggerRecord block;
    ComfortSettings settings;
    S radiant, velocity;
  } cases[] = {
      {"all logged; a globe at air temperature gives tr = ta",
       Block("SI", {{kTa, {22}}, {kRh, {60}}, {kVa, {0.1}}, {kTg, {22}}}),
       {},
       S::Block,
       S::Block},
      {"no globe: tr = ta; no velocity: 0.1 m/s",
       Block("SI", {{kTa, {22}}, {kRh, {60}}}),
       {},
       S::Assumed,
       S::Assumed},
      {"both given", Block("SI", {{kTa, {22}}, {kRh, {60}}, {kVa, {0.5}}, {kTg, {30}}}),
       Settings([](ComfortSettings& s) {
         s.AirVelocity = 0.1;
         s.RadiantTemp = 22;
       }),
       S::Given, S::Given},
      {"parameters given over the block's", Block("SI", {{kTa, {22}}, {kRh, {60}}}, 2.0, 1.5),
       Settings([](ComfortSettings& s) {
         s.MetabolicRate = 1.2;
         s.Clothing = 0.5;
       }),
       S::Assumed, S::Assumed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const BlockComfort r = AnalyseBlockComfort(c.block, c.settings);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.Inputs.RadiantFrom, c.radiant);
    EXPECT_EQ(r.Inputs.VelocityFrom, c.velocity);
    EXPECT_EQ(r.Inputs.RadiantAssumed(), c.radiant != S::Block);
    EXPECT_EQ(r.Inputs.VelocityAssumed(), c.velocity != S::Block);
    EXPECT_EQ(r.Inputs.MetabolicRateFrom, c.settings.MetabolicRate ? S::Given : S::Block);
    const ComfortSample& s = r.Samples[0];
    EXPECT_DOUBLE_EQ(*s.RadiantTemp, 22);
    EXPECT_DOUBLE_EQ(*s.AirVelocity, 0.1);
    EXPECT_DOUBLE_EQ(*s.Operative, 22);
    ASSERT_TRUE(s.Pmv);
    EXPECT_NEAR(*s.Pmv, -0.75, 0.01);
  }
}

// A US block (°F, ft/min) gives what the same block in SI gives.
TEST(BlockComfort, UsBlocksAreReadInSiUnits) {
  const TLoggerRecord us = Block("US", {{kTa, {71.6, 80.6}},
                                        {kRh, {60, 60}},
                                        {kVa, {19.68504, 59.05512}},
                                        {kTg, {71.6, 80.6}},
                                        {kWbgt, {86.0, 87.8}}});
  const TLoggerRecord si = Block(
      "SI",
      {{kTa, {22, 27}}, {kRh, {60, 60}}, {kVa, {0.1, 0.3}}, {kTg, {22, 27}}, {kWbgt, {30, 31}}});
  const BlockComfort a = AnalyseBlockComfort(us, {});
  const BlockComfort b = AnalyseBlockComfort(si, {});
  ASSERT_EQ(a.Samples.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(*a.Samples[i].AirTemp, *b.Samples[i].AirTemp, 1e-9);
    EXPECT_NEAR(*a.Samples[i].AirVelocity, *b.Samples[i].AirVelocity, 1e-9);
    EXPECT_NEAR(*a.Samples[i].RadiantTemp, *b.Samples[i].RadiantTemp, 1e-6);
    EXPECT_NEAR(*a.Samples[i].Pmv, *b.Samples[i].Pmv, 1e-6);
    EXPECT_NEAR(*a.Samples[i].Wbgt, *b.Samples[i].Wbgt, 1e-9);
  }
  EXPECT_NEAR(*a.Samples[1].Pmv, 0.44, 0.01);  // Table D.1 run 3
  EXPECT_FALSE(a.Inputs.UnitsUnknown);
  EXPECT_TRUE(AnalyseBlockComfort(Block("", {{kTa, {22}}, {kRh, {60}}}), {}).Inputs.UnitsUnknown);
}

// A sample without a value, or with one outside the ranges, has no index that needs it; the
// others stay.
TEST(BlockComfort, SamplesWithoutValuesOrOutOfRangeGiveNoIndexThatNeedsThem) {
  const TLoggerRecord b = Block("SI", {{kTa, {NoValue, 22, 22, 22, 35, 22}},
                                       {kRh, {60, 3e7, 60, 60, 60, 60}},
                                       {kVa, {0.1, 0.1, NoValue, 0.1, 0.1, 0.1}},
                                       {kTg, {22, 22, 22, NoValue, 35, 22}}});
  const BlockComfort r = AnalyseBlockComfort(b, {});
  ASSERT_EQ(r.Samples.size(), 6u);
  const struct {
    const char* what;
    bool tr, to, dr, pmv;
    PmvStatus status;
  } expected[] = {
      {"no air temperature", false, false, false, false, PmvStatus::OutsideRanges},
      {"no humidity", true, true, true, false, PmvStatus::OutsideRanges},
      {"no velocity", false, false, false, false, PmvStatus::OutsideRanges},
      {"no globe", false, false, true, false, PmvStatus::OutsideRanges},
      {"35 °C: beyond the PMV's range", true, true, true, false, PmvStatus::OutsideRanges},
      {"all there", true, true, true, true, PmvStatus::Computed},
  };
  for (size_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(expected[i].what);
    const ComfortSample& s = r.Samples[i];
    EXPECT_EQ(s.RadiantTemp.has_value(), expected[i].tr);
    EXPECT_EQ(s.Operative.has_value(), expected[i].to);
    EXPECT_EQ(s.DraughtRate.has_value(), expected[i].dr);
    EXPECT_EQ(s.Pmv.has_value(), expected[i].pmv);
    EXPECT_EQ(s.Ppd.has_value(), expected[i].pmv);
    EXPECT_EQ(s.Iso7730.has_value(), expected[i].pmv);
    EXPECT_EQ(s.En16798.has_value(), expected[i].pmv);
    EXPECT_EQ(s.Status, expected[i].status);
  }
  EXPECT_FALSE(r.Samples[0].AirTemp);
  EXPECT_DOUBLE_EQ(*r.Samples[4].DraughtRate, 0) << "at 34 °C and above no draught";
  EXPECT_EQ(r.Summary.Evaluated, 1);

  // A block whose arrays hold fewer samples than it counts reads the rest as no sample.
  TLoggerRecord shortened = b;
  shortened.SampleCount = 8;
  const BlockComfort s = AnalyseBlockComfort(shortened, {});
  ASSERT_EQ(s.Samples.size(), 8u);
  EXPECT_FALSE(s.Samples[7].AirTemp);
  EXPECT_FALSE(s.Samples[7].Pmv);
}

// 23.5 °C, 40 %, 0.3 m/s, 1.2 met, 1.0 clo (Table D.1 run 8): PMV 0.12, draught rate 34 %.
TEST(BlockComfort, DraughtCountsInTheIsoCategoryOnlyWhenTheVelocityWasLogged) {
  const BlockComfort logged =
      AnalyseBlockComfort(Block("SI", {{kTa, {23.5}}, {kRh, {40}}, {kVa, {0.3}}}, 1.2, 1.0), {});
  const BlockComfort given =
      AnalyseBlockComfort(Block("SI", {{kTa, {23.5}}, {kRh, {40}}}, 1.2, 1.0),
                          Settings([](ComfortSettings& s) { s.AirVelocity = 0.3; }));
  for (const BlockComfort* r : {&logged, &given}) {
    const ComfortSample& s = r->Samples[0];
    EXPECT_NEAR(*s.Pmv, 0.12, 0.01);
    EXPECT_NEAR(*s.DraughtRate, 33.7, 0.05);
    EXPECT_EQ(*s.En16798, En16798Category::I);
  }
  EXPECT_EQ(*logged.Samples[0].Iso7730, Iso7730Category::Outside);
  EXPECT_EQ(*given.Samples[0].Iso7730, Iso7730Category::A);
}

// After the settling sample: Table D.1 runs 1, 2 and 3, a sample too warm for a PMV, and a
// neutral room (24.5 °C: PMV near 0). Draught rates 8.7, 5.1, 22.5, 0 and 6.9 %.
TEST(BlockComfort, SummaryCoversTheSamplesAfterTheSkippedMinutes) {
  const TLoggerRecord b = Block("SI", {{kTa, {30, 22, 27, 27, 35, 24.5}},
                                       {kRh, {60, 60, 60, 60, 60, 60}},
                                       {kVa, {0.1, 0.1, 0.1, 0.3, 0.1, 0.1}},
                                       {kTg, {30, 22, 27, 27, 35, 24.5}},
                                       {kWbgt, {35, 29, 30, 30.5, NoValue, 31}}});
  ComfortSettings settings;
  settings.SkipMinutes = 10;  // samples at 0 and 10 minutes: only the first goes
  const BlockComfort r = AnalyseBlockComfort(b, settings);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.Samples.size(), 6u) << "every sample is kept";
  EXPECT_NEAR(r.Samples[1].Time - r.Samples[0].Time, 600.0 / 86400, 1e-9);
  const ComfortSummary& s = r.Summary;
  EXPECT_EQ(s.Skipped, 1);
  EXPECT_EQ(s.Samples, 5);
  EXPECT_EQ(s.Evaluated, 4);
  // -0.75 and 0.77 lie beyond C and in IV; 0.44 is B by its PMV but C by its draught; the
  // neutral room is A and I.
  EXPECT_EQ(*s.Iso7730Shares, (std::array<double, 4>{25, 0, 25, 50}));
  EXPECT_EQ(*s.En16798Shares, (std::array<double, 5>{25, 25, 0, 50, 0}));
  EXPECT_NEAR(s.Pmv->Min, -0.75, 0.01);
  EXPECT_NEAR(s.Pmv->Max, 0.77, 0.01);
  EXPECT_NEAR(s.Pmv->Mean,
              (*r.Samples[1].Pmv + *r.Samples[2].Pmv + *r.Samples[3].Pmv + *r.Samples[5].Pmv) / 4,
              1e-12);
  EXPECT_NEAR(s.Ppd->Min, 5, 0.01);
  EXPECT_NEAR(s.Ppd->Max, 17, 1);
  EXPECT_DOUBLE_EQ(s.DraughtRate->Min, 0);
  EXPECT_NEAR(s.DraughtRate->Max, 22.5, 0.05);
  // WBGT 29, 30, 30.5 and 31 (the first sample skipped, one without a value) against 30 °C
  // (1.2 met, class 1, acclimatised): two of four above.
  EXPECT_EQ(r.Inputs.MetabolicClass, 1);
  EXPECT_DOUBLE_EQ(r.Inputs.WbgtReferenceValue, 30);
  EXPECT_DOUBLE_EQ(*s.WbgtAboveReference, 50);
  settings.Acclimatised = false;  // 29 °C: three of four
  EXPECT_DOUBLE_EQ(*AnalyseBlockComfort(b, settings).Summary.WbgtAboveReference, 75);

  // Nothing evaluated: no shares and no PMV spread, rather than zeros.
  settings.SkipMinutes = 60;
  const BlockComfort none = AnalyseBlockComfort(b, settings);
  EXPECT_EQ(none.Summary.Samples, 0);
  EXPECT_FALSE(none.Summary.Iso7730Shares);
  EXPECT_FALSE(none.Summary.En16798Shares);
  EXPECT_FALSE(none.Summary.Pmv);
  EXPECT_FALSE(none.Summary.WbgtAboveReference);
  EXPECT_FALSE(
      AnalyseBlockComfort(Block("SI", {{kTa, {22}}, {kRh, {60}}}), {}).Summary.WbgtAboveReference)
      << "no WBGT logged";
}

TEST(BlockComfort, SettingsOutsideWhatTheAnalysisTakesAreNamed) {
  using P = ComfortSettingProblem;
  const struct {
    ComfortSettings settings;
    P problem;
  } cases[] = {
      {{}, P::None},
      {Settings([](ComfortSettings& s) { s.MetabolicRate = NAN; }), P::MetabolicRate},
      {Settings([](ComfortSettings& s) { s.AirVelocity = -0.1; }), P::AirVelocity},
      {Settings([](ComfortSettings& s) { s.RadiantTemp = INFINITY; }), P::RadiantTemp},
      {Settings([](ComfortSettings& s) {
         s.Globe = {0, 0.95};
       }),
       P::GlobeDiameter},
      {Settings([](ComfortSettings& s) {
         s.Globe = {0.15, 1.2};
       }),
       P::Emissivity},
      {Settings([](ComfortSettings& s) { s.Turbulence = -5; }), P::Turbulence},
      {Settings([](ComfortSettings& s) { s.SkipMinutes = -1; }), P::SkipMinutes},
      {Settings([](ComfortSettings& s) {
         s.MetabolicRate = 9;
         s.Clothing = 5;
         s.AirVelocity = 3;
       }),
       P::None},  // only no PMV
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckComfortSettings(c.settings), c.problem);
  }
  // Given anyway, they make no number up.
  ComfortSettings bad;
  bad.RadiantTemp = NAN;
  bad.Globe.Diameter = 0;
  const BlockComfort r =
      AnalyseBlockComfort(Block("SI", {{kTa, {22}}, {kRh, {60}}, {kTg, {24}}}), bad);
  EXPECT_FALSE(r.Samples[0].RadiantTemp);
  EXPECT_FALSE(r.Samples[0].Operative);
  EXPECT_FALSE(r.Samples[0].Pmv);
  bad.RadiantTemp.reset();
  EXPECT_FALSE(AnalyseBlockComfort(Block("SI", {{kTa, {22}}, {kRh, {60}}, {kTg, {24}}}), bad)
                   .Samples[0]
                   .RadiantTemp);
}

}  // namespace
}  // namespace qv
