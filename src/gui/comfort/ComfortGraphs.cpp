#include "comfort/ComfortGraphs.h"

#include "format/NumberText.h"
#include "graph/GraphWindow.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

struct SeriesLook {
  const char* TitleKey;  // window caption and chart title
  const char* AxisKey;
  const char* UnitKey;  // none: no unit (PMV); the operative temperature's depends on the units
  int Decimals;
  bool NonNegative;  // the axis starts at 0 when no value is negative
  double DefaultUpper, DefaultLower;
};

SeriesLook LookOf(ComfortSeries s) {
  switch (s) {
    case ComfortSeries::Pmv:
      return {"qrlComfortPmvGraph_40", "labPMV_25", nullptr, 2, false, 3, -3};
    case ComfortSeries::Ppd:
      return {"qrlComfortPpdGraph_40", "labPPD_25", "Unit-Proc_10", 1, true, 100, 0};
    case ComfortSeries::Operative:
      return {"qrlComfortOperativeGraph_40", "labTemperature_10", "Unit-Cels_10", 1, true, 60, -20};
    case ComfortSeries::DraughtRate:
      return {"qrlComfortDraughtGraph_40", "qrlComfortDraught_30", "Unit-Proc_10", 1, true, 100, 0};
  }
  return {};
}

std::optional<double> ValueOf(const ComfortSample& s, ComfortSeries series) {
  switch (series) {
    case ComfortSeries::Pmv:
      return s.Pmv;
    case ComfortSeries::Ppd:
      return s.Ppd;
    case ComfortSeries::Operative:
      return s.Operative;
    case ComfortSeries::DraughtRate:
      return s.DraughtRate;
  }
  return std::nullopt;
}

bool Fahrenheit(const AppContext& ctx, ComfortSeries series) {
  return series == ComfortSeries::Operative && ctx.DisplayUnits() == "US";
}

const char* UnitKey(const AppContext& ctx, ComfortSeries series) {
  return Fahrenheit(ctx, series) ? "Unit-Farh_10" : LookOf(series).UnitKey;
}

}  // namespace

int ComfortGraphId(ComfortSeries series) {
  return -1 - static_cast<int>(series);
}

ChartContent ComfortChartContent(const AppContext& ctx, const TLoggerRecord& block,
                                 const BlockComfort& comfort, ComfortSeries series) {
  const SeriesLook look = LookOf(series);
  const bool fahrenheit = Fahrenheit(ctx, series);
  ChartContent c;
  c.Texts.Title = ctx.Tr(look.TitleKey);
  c.Texts.TimeAxis = ctx.Tr("LogButtonAx_40");
  Bytes axis = ctx.Texts.Translate(look.AxisKey);
  if (const char* unit = UnitKey(ctx, series)) axis += "  " + ctx.Texts.Translate(unit);
  c.Texts.ValueAxis = ctx.Decode(axis);
  static constexpr const char* kSeriesKeys[kStatistics] = {"LogSerTit1_8", "LogSerTit2_8",
                                                           "LogSerTit3_8", "LogSerTit4_8"};
  for (size_t i = 0; i < kStatistics; ++i)
    c.Texts.Series[i] = ctx.Tr(kSeriesKeys[i]);

  // The block's time span, as its logged quantities are drawn (no quantity: no points).
  c.Data = FillGraphSeries(block, 0, ctx.DisplayUnits(), {}, 0);
  const double step = static_cast<double>(block.IntervalSec) / 86400.0;
  std::vector<GraphPoint>& points = c.Data.Series[0];
  points.reserve(comfort.Samples.size());
  double minimum = INFINITY;
  double maximum = -INFINITY;
  for (size_t i = 0; i < comfort.Samples.size(); ++i) {
    std::optional<double> v = ValueOf(comfort.Samples[i], series);
    if (!v) continue;
    if (fahrenheit) *v = *v * 1.8 + 32;
    // The value as the read-out shows it.
    const std::optional<double> shown = FormatFixedRead(*v, look.Decimals, '.').number;
    if (!shown) continue;
    points.push_back({c.Data.TimeMin + static_cast<double>(i) * step, *shown});
    minimum = std::min(minimum, *shown);
    maximum = std::max(maximum, *shown);
  }
  if (points.empty()) {
    const double upper = fahrenheit ? 140 : look.DefaultUpper;
    const double lower = fahrenheit ? -4 : look.DefaultLower;
    c.Bounds = {static_cast<int>(upper), static_cast<int>(lower)};
    // A series without a value has its box grey, as a logged statistic without one.
    c.Boxes[0].AllowGrayed = true;
    return c;
  }
  c.Bounds.Upper = static_cast<int>(std::trunc(maximum)) + 1;
  c.Bounds.Lower = minimum >= 0 && look.NonNegative ? 0 : static_cast<int>(std::trunc(minimum)) - 1;
  c.Boxes[0] = {true, true, false, true};
  const double top = 1.05 * c.Bounds.Upper;
  for (GraphPoint& p : points)
    p.Y = std::min(p.Y, top);
  return c;
}

TfrmGraphChild* NewComfortGraph(AppContext& ctx, Prompter& prompter, const TLoggerRecord& block,
                                const BlockComfort& comfort, ComfortSeries series) {
  const char* unit = UnitKey(ctx, series);
  const Bytes suffix = unit == nullptr ? Bytes(": ") : " " + ctx.Texts.Translate(unit) + ": ";
  return new TfrmGraphChild(ctx, prompter, ComfortGraphId(series), ctx.Tr(LookOf(series).TitleKey),
                            ComfortChartContent(ctx, block, comfort, series), suffix);
}

}  // namespace qv
