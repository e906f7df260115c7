#include "survey/SurveyStatistics.h"

#include "format/DateTimeText.h"
#include "graph/GraphData.h"
#include "store/SignalCatalog.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qv {
namespace {

// Times the person types are whole seconds; day numbers carry rounding noise far below this.
constexpr double kSecondSlack = 1e-3;

int Count(const TLoggerRecord& block) {
  return std::max(block.SampleCount, 0);
}

// By quantity, in SI and US units.
constexpr std::array<std::array<int, 2>, kQuantityCount> kDecimals = {{
    {1, 1},
    {1, 1},
    {1, 1},
    {2, 0},
    {0, 0},
    {0, 1},
    {1, 1},
    {1, 1},
    {1, 1},
    {2, 2},
    {1, 1},
    {2, 2},
    {1, 1},
    {1, 1},
    {0, 0},
    {1, 1},
}};

}  // namespace

int QuantityOfFirstCode(int code) {
  if (code < 1 || code > kLoggerSignals || (code - 1) % 4 != 0) return 0;
  return (code - 1) / 4 + 1;
}

SampleRange WholeBlock(const TLoggerRecord& block) {
  return {0, Count(block)};
}

DateTime TimeOfSample(const TLoggerRecord& block, int i) {
  return AddSeconds(block.BeginTime, static_cast<double>(block.IntervalSec) * i);
}

DateTime BlockEnd(const TLoggerRecord& block) {
  return TimeOfSample(block, Count(block));
}

TimeRange SamplesBetween(const TLoggerRecord& block, DateTime from, DateTime to) {
  TimeRange r;
  const double fromS = (from - block.BeginTime) * 86400.0;
  const double toS = (to - block.BeginTime) * 86400.0;
  const int count = Count(block);
  const double interval = block.IntervalSec;
  if (fromS > toS + kSecondSlack) {
    r.Problem = RangeProblem::Reversed;
  } else if (fromS < -kSecondSlack) {
    r.Problem = RangeProblem::StartsBeforeBlock;
  } else if (toS > count * std::max(interval, 0.0) + kSecondSlack) {
    r.Problem = RangeProblem::EndsAfterBlock;
  }
  if (r.Problem != RangeProblem::None) return r;
  int first = 0;
  int last = count - 1;
  if (interval > 0) {
    first = static_cast<int>(std::ceil((fromS - kSecondSlack) / interval));
    last = std::min(last, static_cast<int>(std::floor((toS + kSecondSlack) / interval)));
  } else if (fromS > kSecondSlack) {
    last = -1;  // every sample stands at the start
  }
  first = std::max(first, 0);
  if (last < first) {
    r.Problem = RangeProblem::NoSamples;
    return r;
  }
  r.Range = {first, last - first + 1};
  return r;
}

SampleRange SamplesWithin(const TLoggerRecord& block, DateTime from, DateTime to) {
  const DateTime start = block.BeginTime;
  const DateTime end = std::max(BlockEnd(block), start);
  if (to < start - kSecondSlack / 86400 || from > end + kSecondSlack / 86400) return {};
  const TimeRange r =
      SamplesBetween(block, std::clamp(from, start, end), std::clamp(to, start, end));
  return r.Problem == RangeProblem::None ? r.Range : SampleRange{};
}

std::vector<int> LoggedQuantities(const TLoggerRecord& block) {
  std::vector<int> quantities;
  for (int q = 1; q <= kQuantityCount; ++q) {
    if (block.SignalPresent[static_cast<size_t>(FirstCodeOf(q))] == 1) quantities.push_back(q);
  }
  return quantities;
}

int SurveyDecimals(int q, std::string_view displayUnits) {
  if (q < 1 || q > kQuantityCount) return 1;
  return kDecimals[static_cast<size_t>(q - 1)][displayUnits == "US" ? 1 : 0];
}

std::string SurveyUnitsOf(const TLoggerRecord& block) {
  return block.UnitSystem == "US" ? "US" : "SI";
}

LimitTable LimitsInUnits(const LimitTable& si, std::string_view displayUnits) {
  LimitTable out = si;
  for (int q = 1; q <= kQuantityCount; ++q) {
    QuantityLimits& l = out[static_cast<size_t>(q - 1)];
    if (l.Upper) l.Upper = ToDisplayUnits(q, *l.Upper, "SI", displayUnits);
    if (l.Lower) l.Lower = ToDisplayUnits(q, *l.Lower, "SI", displayUnits);
  }
  return out;
}

QuantityStatistics ComputeQuantityStatistics(const TLoggerRecord& block, int q, SampleRange range,
                                             std::string_view displayUnits,
                                             const QuantityLimits& limits) {
  QuantityStatistics s;
  s.Quantity = q;
  if (limits.Any()) {
    s.Limit = LimitResult{};
    s.Limit->Upper = limits.Upper;
    s.Limit->Lower = limits.Lower;
  }
  if (q < 1 || q > kQuantityCount) return s;
  const int code = FirstCodeOf(q);
  if (block.SignalPresent[static_cast<size_t>(code)] != 1) return s;
  const std::vector<double>& samples = block.Samples[static_cast<size_t>(StoragePos(code))];
  const int held = std::min(Count(block), static_cast<int>(samples.size()));
  const int first = std::clamp(range.First, 0, held);
  const int end = std::clamp(range.First + std::max(range.Count, 0), first, held);

  const std::string_view own = block.UnitSystem;
  const bool convert = own != displayUnits;
  // A value the instrument delivered as the limit is at it, not beyond: its single precision
  // (and the conversion) leave it a few parts in ten million off the typed number.
  const auto slack = [](double limit) { return 1e-6 * std::max(1.0, std::fabs(limit)); };
  const double upper = limits.Upper ? *limits.Upper + slack(*limits.Upper) : INFINITY;
  const double lower = limits.Lower ? *limits.Lower - slack(*limits.Lower) : -INFINITY;
  double minimum = INFINITY, maximum = -INFINITY, sum = 0;
  int counted = 0, above = 0, below = 0;
  for (int i = first; i < end; ++i) {
    double v = samples[static_cast<size_t>(i)];
    if (!(v < NoValueThreshold) || !std::isfinite(v)) continue;
    if (convert) {
      v = ToDisplayUnits(q, v, own, displayUnits);
      if (!(v < NoValueThreshold)) continue;
    }
    ++counted;
    sum += v;
    minimum = std::min(minimum, v);
    maximum = std::max(maximum, v);
    above += v > upper;
    below += v < lower;
  }
  s.Count = counted;
  if (counted > 0) {
    s.Min = minimum;
    s.Mean = sum / counted;
    s.Max = maximum;
  }
  if (s.Limit) {
    const double hours = static_cast<double>(std::max(block.IntervalSec, 0)) / 3600.0;
    LimitResult& l = *s.Limit;
    l.Above = above;
    l.Below = below;
    l.HoursAbove = above * hours;
    l.HoursBelow = below * hours;
    if (counted > 0) {
      if (l.Upper) l.ShareAbove = 100.0 * above / counted;
      if (l.Lower) l.ShareBelow = 100.0 * below / counted;
    }
  }
  return s;
}

std::vector<QuantityStatistics> ComputeSurveyStatistics(const TLoggerRecord& block,
                                                        SampleRange range,
                                                        std::string_view displayUnits,
                                                        const LimitTable& limits) {
  std::vector<QuantityStatistics> out;
  for (const int q : LoggedQuantities(block)) {
    out.push_back(ComputeQuantityStatistics(block, q, range, displayUnits,
                                            limits[static_cast<size_t>(q - 1)]));
  }
  return out;
}

TLoggerRecord SliceBlock(const TLoggerRecord& block, SampleRange range) {
  TLoggerRecord slice;
  slice.SignalCodes = block.SignalCodes;
  slice.SignalPresent = block.SignalPresent;
  slice.ColumnShade = block.ColumnShade;
  slice.IntervalSec = block.IntervalSec;
  slice.UnitSystem = block.UnitSystem;
  slice.BuildingName = block.BuildingName;
  slice.RoomName = block.RoomName;
  slice.SignalCount = block.SignalCount;
  slice.Params.DuctShape = block.Params.DuctShape;
  slice.Params.Altitude = block.Params.Altitude;
  slice.Params.SideA = block.Params.SideA;
  slice.Params.SideB = block.Params.SideB;
  slice.Params.Radius = block.Params.Radius;
  slice.Params.MetabolicRate = block.Params.MetabolicRate;
  slice.Params.Clothing = block.Params.Clothing;
  const int first = std::clamp(range.First, 0, Count(block));
  const int end = std::clamp(range.First + std::max(range.Count, 0), first, Count(block));
  slice.BeginTime = TimeOfSample(block, first);
  slice.SampleCount = end - first;
  for (size_t pos = 0; pos < slice.Samples.size(); ++pos) {
    const std::vector<double>& from = block.Samples[pos];
    const size_t a = std::min(from.size(), static_cast<size_t>(first));
    const size_t b = std::min(from.size(), static_cast<size_t>(end));
    slice.Samples[pos].assign(from.begin() + static_cast<std::ptrdiff_t>(a),
                              from.begin() + static_cast<std::ptrdiff_t>(b));
  }
  return slice;
}

}  // namespace qv
