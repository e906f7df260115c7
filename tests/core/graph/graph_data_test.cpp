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

}  // namespace
}  // namespace qv
