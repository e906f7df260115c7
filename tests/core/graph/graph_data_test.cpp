// What a graph window of one quantity shows: axis bounds, statistic boxes and series points.
#include "core/view/ViewTestSupport.h"
#include "graph/GraphData.h"

#include <gtest/gtest.h>

#include <vector>

namespace qv {
namespace {

// A block of `units` logging the given codes with the given samples (one list per code).
TLoggerRecord Block(const char* units, std::vector<std::pair<int, std::vector<double>>> codes) {
  TLoggerRecord b;
  b.UnitSystem = units;
  b.IntervalSec = 10;
  b.BeginTime = test::At(2008, 5, 12, 10, 0, 0);
  b.SampleCount = static_cast<int>(codes.front().second.size());
  for (const auto& [code, samples] : codes) {
    b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
    b.SignalPresent[static_cast<size_t>(code)] = 1;
    b.Samples[static_cast<size_t>(StoragePos(code))] = samples;
  }
  return b;
}

TEST(GraphData, AxisBoundsFollowTheSamplesInTheDisplayUnits) {
  const struct {
    const char* what;
    TLoggerRecord block;
    int q;
    const char* display;
    AxisBounds bounds;
  } cases[] = {
      {"18.2 .. 25.3 degC", Block("SI", {{1, {18.2, 25.3}}, {4, {20, 21}}}), 1, "SI", {26, 0}},
      {"-5.2 .. 4.0 degC", Block("SI", {{2, {-5.2, 4.0}}}), 1, "SI", {5, -6}},
      {"air velocity 0 .. 1.2 m/s", Block("SI", {{13, {0.0, 1.2}}}), 4, "SI", {2, -1}},
      {"an SI block shown in US", Block("SI", {{1, {20.0, 25.0}}}), 1, "US", {78, 0}},
      {"a US block shown in SI", Block("US", {{1, {32.0, 77.0}}}), 1, "SI", {26, 0}},
      {"no-value samples never count", Block("SI", {{1, {3e7, 21.5, NoValue}}}), 1, "SI", {22, 0}},
      {"nothing valid: the default bounds", Block("SI", {{5, {3e7, 3e7}}}), 2, "US", {100, 0}},
      {"nothing above -400: the default upper", Block("SI", {{9, {-500}}}), 3, "SI", {60, -501}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ComputeAxisBounds(c.block, c.q, c.display), c.bounds);
  }
}

// Points gathered elsewhere (already in the display units) get the same bounds, over every
// statistic's series.
TEST(GraphData, AxisBoundsOfPointsAlreadyInTheDisplayUnits) {
  const auto points = [](std::vector<double> current, std::vector<double> maximum) {
    GraphSeriesData data;
    for (const double v : current)
      data.Series[0].push_back({45000, v});
    for (const double v : maximum)
      data.Series[3].push_back({45001, v});
    return data;
  };
  const struct {
    const char* what;
    GraphSeriesData data;
    int q;
    const char* display;
    AxisBounds bounds;
  } cases[] = {
      {"18.2 .. 25.3 over two series", points({18.2}, {25.3}), 1, "SI", {26, 0}},
      {"-5.2 .. 4.0", points({4.0, -5.2}, {}), 1, "SI", {5, -6}},
      {"air velocity from 0", points({0.0, 1.2}, {}), 4, "SI", {2, -1}},
      {"no points: the default bounds", points({}, {}), 1, "US", {140, -4}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PointAxisBounds(c.q, c.data, c.display), c.bounds);
  }
}

TEST(GraphData, StatisticBoxesFollowPresenceAndValidity) {
  // Current valid, Minimum present without a valid sample, Average absent, Maximum valid.
  const TLoggerRecord b = Block("SI", {{1, {20, 21}}, {2, {3e7, NoValue}}, {4, {22, 23}}});
  const auto boxes = InitStatisticBoxes(b, 1);
  EXPECT_EQ(boxes[0], (StatisticBox{true, true, false, true}));
  EXPECT_EQ(boxes[1], (StatisticBox{false, false, true, false}));
  EXPECT_EQ(boxes[2], StatisticBox{});
  EXPECT_EQ(boxes[3], (StatisticBox{true, true, false, true}));
}

TEST(GraphData, SeriesPointsRunFromTheStartAtTheInterval) {
  std::vector<double> samples(3600, 21.0);
  samples[1] = NoValue;  // no point
  samples[2] = 99.0;     // above the axis: drawn at its top
  const TLoggerRecord b = Block("SI", {{1, samples}, {2, samples}});
  const GraphSeriesData d = FillGraphSeries(b, 1, "SI", {true, false, true, true}, 27.3);
  EXPECT_DOUBLE_EQ(d.TimeMin, test::At(2008, 5, 12, 10, 0, 0));
  EXPECT_NEAR(d.TimeMax, test::At(2008, 5, 12, 20, 0, 0), 1e-9);
  const std::vector<GraphPoint>& current = d.Series[0];
  ASSERT_EQ(current.size(), 3599u);
  EXPECT_DOUBLE_EQ(current[1].Y, 27.3);
  EXPECT_NEAR(current.back().X, test::At(2008, 5, 12, 19, 59, 50), 1e-9);
  EXPECT_TRUE(d.Series[1].empty()) << "unchecked";
  EXPECT_TRUE(d.Series[2].empty()) << "not logged";

  // Shown in US: converted, and a value that converts past the no-value mark adds no point.
  const TLoggerRecord huge = Block("SI", {{1, {25.0, 2e7}}});
  const GraphSeriesData us = FillGraphSeries(huge, 1, "US", {true, true, true, true}, 1e9);
  ASSERT_EQ(us.Series[0].size(), 1u);
  EXPECT_DOUBLE_EQ(us.Series[0][0].Y, 77.0);
}

TEST(GraphData, ValueAxisTitlesPerUnitSystem) {
  const TextCatalog texts = TextCatalog::FromBytes(
      "[Language]\nlabTemperature_10=Temperature\nUnit-Cels_10=degC\nUnit-Farh_10=degF\n"
      "labPMV_25=PMV\n");
  EXPECT_EQ(ValueAxisTitle(1, "SI", texts), "Temperature  degC");
  EXPECT_EQ(ValueAxisTitle(14, "US", texts), "Temperature  degF");
  EXPECT_EQ(ValueAxisTitle(12, "US", texts), "PMV");
  EXPECT_EQ(ValueAxisTitle(17, "SI", texts), "");
}

// Samples 10 s apart from t0; the Average lacks its second point (its value was "---").
struct CursorFixture {
  static constexpr double kSecond = 1.0 / 86400;
  double t0 = test::At(2008, 5, 12, 10, 0, 0);
  std::array<std::vector<GraphPoint>, kStatistics> series;
  CursorFixture() {
    for (int i = 0; i < 5; ++i) {
      series[0].push_back({t0 + i * 10 * kSecond, 20.0 + i});
      if (i != 1) series[2].push_back({t0 + i * 10 * kSecond, 30.0 + i});
      series[3].push_back({t0 + i * 10 * kSecond, 40.0 + i});
    }
  }
  double At(double seconds) const { return t0 + seconds * kSecond; }
};

TEST(GraphData, CursorSnapsToTheNearestSampleTiesToTheLater) {
  const CursorFixture f;
  const std::array<bool, kStatistics> all = {true, true, true, true};
  const struct {
    double seconds;
    int index;
    std::array<std::optional<double>, kStatistics> values;
  } cases[] = {
      {4, 0, {20.0, std::nullopt, 30.0, 40.0}},
      {6, 1, {21.0, std::nullopt, std::nullopt, 41.0}},  // the Average has no point there
      {5, 1, {21.0, std::nullopt, std::nullopt, 41.0}},  // exactly between: the later one
      {-3, 0, {20.0, std::nullopt, 30.0, 40.0}},         // within half a step before the start
      {-6, 0, {}},                                       // beyond it: the time alone
      {44, 4, {24.0, std::nullopt, 34.0, 44.0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seconds);
    const std::optional<CursorReadout> r = ReadCursor(f.series, all, f.At(c.seconds));
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->Index, c.index);
    EXPECT_DOUBLE_EQ(r->Time, f.At(10 * c.index));
    EXPECT_EQ(r->Values, c.values);
  }
}

TEST(GraphData, CursorIgnoresSeriesTooShortToReadAndUncheckedOnes) {
  CursorFixture f;
  f.series[1] = {{f.At(0), 5.0}};  // one point only: never read beside it
  const std::optional<CursorReadout> r = ReadCursor(f.series, {false, true, true, false}, f.At(21));
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->Series, 2);
  EXPECT_EQ(r->Values, (std::array<std::optional<double>, kStatistics>{std::nullopt, std::nullopt,
                                                                       32.0, std::nullopt}));
  // Nothing checked that can be read: an empty read-out; no series of two points: none at all.
  EXPECT_EQ(ReadCursor(f.series, {false, true, false, false}, f.At(0))->Series, -1);
  const std::array<std::vector<GraphPoint>, kStatistics> short_ = {f.series[1], {}, {}, {}};
  EXPECT_FALSE(ReadCursor(short_, {true, true, true, true}, f.At(0)).has_value());
}

TEST(GraphData, StatusSuffixNamesTheUnit) {
  const TextCatalog texts =
      TextCatalog::FromBytes("[Language]\nUnit-Cels_10=degC\nUnit-Farh_10=degF\nUnit-Ppm_10=ppm\n");
  EXPECT_EQ(StatusUnitSuffix(1, "US", texts), " degF: ");
  EXPECT_EQ(StatusUnitSuffix(16, "SI", texts), " ppm: ");
  EXPECT_EQ(StatusUnitSuffix(10, "SI", texts), ": ");
  EXPECT_EQ(StatusUnitSuffix(12, "US", texts), ": ");
}

}  // namespace
}  // namespace qv
