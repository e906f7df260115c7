#include "graph/GraphData.h"

#include "app/TextCatalog.h"
#include "format/DateTimeText.h"
#include "format/NumberText.h"
#include "format/ValueFormat.h"
#include "store/SignalCatalog.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

constexpr const char* kT = "labTemperature_10";

// Quantity 1..16 at index q - 1.
constexpr GraphQuantity kQuantities[] = {
    {"cbAirTemp", "GrAirTemp", "labAirTemp_25", "labAirTemp_25", kT, "Unit-Cels_10", "Unit-Farh_10",
     1.8, 32, 0, 60, 140, -20, -4},
    {"cbRelHum", "GrRelHum", "labRelHum_25", "labRelHum_25", "labHumidity_10", "Unit-ProcRH_10",
     "Unit-ProcRH_10", 1, 0, 0, 100, 100, 0, 0},
    {"cbDewPoint", "GrDewPoint", "labDewPoint_25", "labDewPoint_25", kT, "Unit-Cels_10",
     "Unit-Farh_10", 1.8, 32, 0, 60, 140, -91, 132},
    {"cbAirVel", "GrAirVel", "labAirVel_25", "labAirVel_25", "labVelocity_10", "Unit-M/S_10",
     "Unit-FT/MIN_10", 196.8504, 0, -1, 20, 3937, 0, 10},
    {"cbAirVol", "GrAirVol", "labAirVol_25", "labAirVol_25", "labAirVol_25", "Unit-m3/h_10",
     "Unit-FT3/h_10", 35.3198, 0, -1, 508938, 17975588, 0, 0},
    {"cbIllum", "GrIllum", "labIllum_25", "labIllum_25", "labIllumination_10", "Unit-lux_10",
     "Unit-fc_10", 0.0929, 0, 0, 20000, 1858, 0, 0},
    {"cbLuminance", "GrLumin", "labLuminance_25", "labLuminance_25", "labLuminance_25",
     "Unit-CD/m2_10", "Unit-CD/m2_10", 1, 0, 0, 40000, 40000, 0, 0},
    {"cbThCoup", "GrThCoup", "labThCoup_25", "labThCoup_25", kT, "Unit-Cels_10", "Unit-Farh_10",
     1.8, 32, 0, 1400, 2552, -200, -328},
    {"cbDifTemp", "GrDifTemp", "labDifTemp_25", "labDifTemp_25", kT, "Unit-Cels_10", "Unit-Farh_10",
     1.8, 0, 0, 1420, 2556, -260, -468},
    {"cbContrast", "GrCont", "labContrast_25", "labContrast_25", "labContrast_25", nullptr, nullptr,
     1, 0, 0, 200000, 200000, 1, 1},
    {"cbGlobeT", "GrGlogeTemp", "labGlobeTemp_25", "labGlobeTemp_25", kT, "Unit-Cels_10",
     "Unit-Farh_10", 1.8, 32, 0, 120, 248, 10, 50},
    {"cbPMV", "GrPMV", "PMV_25", "labPMV_25", "labPMV_25", nullptr, nullptr, 1, 0, 0, 3, 3, -3, -3},
    {"cbPPD", "GrPPD", "PPD_25", "labPPD_25", "labPPD_25", "Unit-Proc_10", "Unit-Proc_10", 1, 0, 0,
     100, 100, 0, 0},
    {"cbWBGT", "GrWBGT", "WBGT_25", "labWBGT_25", kT, "Unit-Cels_10", "Unit-Farh_10", 1.8, 32, 0,
     500, 686, -100, -148},
    {"cbCO2", "GrCO2", "labCO2_25", "labCO2_25", "labCO2_25", "Unit-Ppm_10", "Unit-Ppm_10", 1, 0, 0,
     5000, 5000, 0, 0},
    {"cbCO", "GrCO", "labCO_25", "labCO_25", "labCO_25", "Unit-Ppm_10", "Unit-Ppm_10", 1, 0, 0, 500,
     500, 0, 0},
};

constexpr double kNoMaximum = -400;

int Code(int q, int statistic) {
  return 4 * (q - 1) + statistic;
}

bool Present(const TLoggerRecord& block, int code) {
  return block.SignalPresent[static_cast<size_t>(code)] == 1;
}

// The samples the block holds of a code (never more than its count).
std::pair<const double*, size_t> Samples(const TLoggerRecord& block, int code) {
  const std::vector<double>& v = block.Samples[static_cast<size_t>(StoragePos(code))];
  return {v.data(), std::min(v.size(), static_cast<size_t>(std::max(block.SampleCount, 0)))};
}

bool HasValidSample(const TLoggerRecord& block, int code) {
  const auto [data, n] = Samples(block, code);
  return std::any_of(data, data + n, [](double v) { return v < NoValueThreshold; });
}

}  // namespace

const GraphQuantity* GraphQuantityOf(int q) {
  if (q < 1 || q > 16) return nullptr;
  return &kQuantities[q - 1];
}

double ToDisplayUnits(int q, double value, std::string_view blockUnits,
                      std::string_view displayUnits) {
  const GraphQuantity* g = GraphQuantityOf(q);
  if (g == nullptr || blockUnits == displayUnits) return value;
  if (blockUnits == "SI") return value * g->Factor + g->Offset;
  if (blockUnits == "US") return (value - g->Offset) / g->Factor;
  return value;
}

Bytes ValueAxisTitle(int q, std::string_view displayUnits, const TextCatalog& texts) {
  const GraphQuantity* g = GraphQuantityOf(q);
  if (g == nullptr) return {};
  Bytes title = texts.Translate(g->AxisKey);
  const char* unit = displayUnits == "US" ? g->UnitKeyUS : g->UnitKeySI;
  if (unit != nullptr) title += "  " + texts.Translate(unit);
  return title;
}

AxisBounds ComputeAxisBounds(const TLoggerRecord& block, int q, std::string_view displayUnits) {
  const GraphQuantity* g = GraphQuantityOf(q);
  if (g == nullptr) return {};
  const bool us = displayUnits == "US";
  double maximum = kNoMaximum;
  double minimum = NoValueThreshold;
  bool any = false;
  for (int statistic = 1; statistic <= kStatistics; ++statistic) {
    const int code = Code(q, statistic);
    if (!Present(block, code)) continue;
    const auto [data, n] = Samples(block, code);
    for (size_t i = 0; i < n; ++i) {
      const double v = data[i];
      if (v >= NoValueThreshold) continue;
      any = true;
      maximum = std::max(maximum, v);
      minimum = std::min(minimum, v);
    }
  }
  if (!any) {
    return {static_cast<int>(us ? g->DefaultUpperUS : g->DefaultUpperSI),
            static_cast<int>(us ? g->DefaultLowerUS : g->DefaultLowerSI)};
  }
  const std::string_view units = block.UnitSystem;
  const bool noMaximum = maximum == kNoMaximum;
  if (!noMaximum) maximum = ToDisplayUnits(q, maximum, units, displayUnits);
  minimum = ToDisplayUnits(q, minimum, units, displayUnits);
  if (minimum > maximum) std::swap(minimum, maximum);
  AxisBounds b;
  b.Upper = noMaximum ? static_cast<int>(us ? g->DefaultUpperUS : g->DefaultUpperSI)
                      : static_cast<int>(std::trunc(maximum)) + 1;
  b.Lower = minimum >= 0 ? static_cast<int>(g->LowerForNonNegative)
                         : static_cast<int>(std::trunc(minimum)) - 1;
  return b;
}

AxisBounds PointAxisBounds(int q, const GraphSeriesData& data, std::string_view displayUnits) {
  const GraphQuantity* g = GraphQuantityOf(q);
  if (g == nullptr) return {};
  const bool us = displayUnits == "US";
  bool any = false;
  double maximum = 0, minimum = 0;
  for (const std::vector<GraphPoint>& series : data.Series) {
    for (const GraphPoint& p : series) {
      maximum = any ? std::max(maximum, p.Y) : p.Y;
      minimum = any ? std::min(minimum, p.Y) : p.Y;
      any = true;
    }
  }
  if (!any) {
    return {static_cast<int>(us ? g->DefaultUpperUS : g->DefaultUpperSI),
            static_cast<int>(us ? g->DefaultLowerUS : g->DefaultLowerSI)};
  }
  AxisBounds b;
  b.Upper = static_cast<int>(std::trunc(maximum)) + 1;
  b.Lower = minimum >= 0 ? static_cast<int>(g->LowerForNonNegative)
                         : static_cast<int>(std::trunc(minimum)) - 1;
  return b;
}

std::array<StatisticBox, kStatistics> InitStatisticBoxes(const TLoggerRecord& block, int q) {
  std::array<StatisticBox, kStatistics> boxes{};
  if (GraphQuantityOf(q) == nullptr) return boxes;
  for (int statistic = 1; statistic <= kStatistics; ++statistic) {
    const int code = Code(q, statistic);
    if (!Present(block, code)) continue;
    StatisticBox& box = boxes[static_cast<size_t>(statistic - 1)];
    box.AllowGrayed = true;
    if (HasValidSample(block, code)) box = {true, true, false, true};
  }
  return boxes;
}

GraphSeriesData FillGraphSeries(const TLoggerRecord& block, int q, std::string_view displayUnits,
                                const std::array<bool, kStatistics>& checked, double axisMax) {
  GraphSeriesData data;
  DateTimeParts start = DecodeDateTime(block.BeginTime);
  start.msec = 0;
  data.TimeMin = EncodeDateTime(start).value_or(block.BeginTime);
  const int count = std::max(block.SampleCount, 0);
  const double step = static_cast<double>(block.IntervalSec) / 86400.0;
  data.TimeMax = data.TimeMin + count * step;
  if (GraphQuantityOf(q) == nullptr) return data;
  for (int statistic = 1; statistic <= kStatistics; ++statistic) {
    const int code = Code(q, statistic);
    if (!Present(block, code) || !checked[static_cast<size_t>(statistic - 1)]) continue;
    std::vector<GraphPoint>& points = data.Series[static_cast<size_t>(statistic - 1)];
    points.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      const ValueText shown = ShownLoggerValue(code, i + 1, block, displayUnits, '.');
      const std::optional<double> y = TextToNumber(shown.text);
      if (!y || *y >= NoValueThreshold) continue;
      points.push_back({data.TimeMin + i * step, std::min(*y, axisMax)});
    }
  }
  return data;
}

std::optional<CursorReadout> ReadCursor(
    const std::array<std::vector<GraphPoint>, kStatistics>& series,
    const std::array<bool, kStatistics>& checked, double x) {
  const bool anyPoints = std::any_of(
      series.begin(), series.end(), [](const std::vector<GraphPoint>& s) { return s.size() >= 2; });
  if (!anyPoints) return std::nullopt;
  constexpr double kFar = 99;  // days: farther than any point
  std::array<size_t, kStatistics> lo{}, hi{};
  std::array<double, kStatistics> dLo, dHi;
  dLo.fill(kFar);
  dHi.fill(kFar);
  std::array<bool, kStatistics> used{};
  for (size_t i = 0; i < kStatistics; ++i) {
    const std::vector<GraphPoint>& s = series[i];
    used[i] = checked[i] && s.size() >= 2;
    if (!used[i]) continue;
    size_t a = 0, b = s.size() - 1;
    while (b - a > 1) {
      const size_t mid = (a + b) / 2;
      if (x - s[mid].X > 0) {
        a = mid;
      } else {
        b = mid;
      }
    }
    if (s.front().X >= x) b = a;
    if (s.back().X <= x) a = b;
    lo[i] = a;
    hi[i] = b;
    dLo[i] = std::abs(x - s[a].X);
    dHi[i] = std::abs(x - s[b].X);
  }
  CursorReadout r;
  if (!std::any_of(used.begin(), used.end(), [](bool u) { return u; })) return r;

  size_t bestLoSeries = 0, bestHiSeries = 0;
  for (size_t i = 1; i < kStatistics; ++i) {
    if (!used[i]) continue;
    if (dLo[i] < dLo[bestLoSeries]) bestLoSeries = i;
    if (dHi[i] < dHi[bestHiSeries]) bestHiSeries = i;
  }
  if (dLo[bestLoSeries] < dHi[bestHiSeries]) {
    r.Series = static_cast<int>(bestLoSeries);
    r.Index = static_cast<int>(lo[bestLoSeries]);
  } else {
    r.Series = static_cast<int>(bestHiSeries);
    r.Index = static_cast<int>(hi[bestHiSeries]);
  }
  const std::vector<GraphPoint>& at = series[static_cast<size_t>(r.Series)];
  const size_t index = static_cast<size_t>(r.Index);
  r.Time = at[index].X;
  const double half = index + 1 < at.size() ? (at[index + 1].X - at[index].X) / 2
                                            : (at[index].X - at[index - 1].X) / 2;

  for (size_t i = 0; i < kStatistics; ++i) {
    if (!used[i]) continue;
    const std::vector<GraphPoint>& s = series[i];
    if (x < s.front().X - half || x > s.back().X + half) continue;
    const GraphPoint& p = s[dLo[i] >= dHi[i] ? hi[i] : lo[i]];
    // Values at the cursor's time only: a series without a point there shows none, rather
    // than a neighbour's value from another time that happens to lie as far from the mouse.
    if (std::abs(p.X - r.Time) > 1e-9 / 86400) continue;
    r.Values[i] = p.Y;
  }
  return r;
}

Bytes StatusUnitSuffix(int q, std::string_view displayUnits, const TextCatalog& texts) {
  const GraphQuantity* g = GraphQuantityOf(q);
  const char* unit = g == nullptr ? nullptr : displayUnits == "US" ? g->UnitKeyUS : g->UnitKeySI;
  return unit == nullptr ? Bytes(": ") : " " + texts.Translate(unit) + ": ";
}

}  // namespace qv
