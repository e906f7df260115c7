// A survey of a logging block, or of a stretch of it: per logged quantity the count, minimum,
// mean and maximum of its current values, and against an upper and an optional lower limit the
// samples beyond them as hours (samples x interval) and as a share of the counted samples.
// Values are in the display unit system; "no sample" values (3e7 and above) count nowhere.
#pragma once

#include "store/Records.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Limits of one quantity; unset: none.
struct QuantityLimits {
  std::optional<double> Upper;
  std::optional<double> Lower;
  bool Any() const { return Upper.has_value() || Lower.has_value(); }
  friend bool operator==(const QuantityLimits&, const QuantityLimits&) = default;
};
// By quantity: index q - 1 for quantities 1..16.
using LimitTable = std::array<QuantityLimits, kQuantityCount>;

// The first signal code of quantity q (1, 5, ... 61), the code the person names it by.
inline constexpr int FirstCodeOf(int q) {
  return 4 * (q - 1) + 1;
}
// The quantity whose first code is `code`; 0 for any other number.
int QuantityOfFirstCode(int code);

// Samples First .. First + Count - 1 (0-based) of a block.
struct SampleRange {
  int First = 0;
  int Count = 0;
  friend bool operator==(const SampleRange&, const SampleRange&) = default;
};
SampleRange WholeBlock(const TLoggerRecord& block);

// The time of sample i (counted from 0), and the block's end: its start plus count x interval, as
// the file information shows it.
DateTime TimeOfSample(const TLoggerRecord& block, int i);
DateTime BlockEnd(const TLoggerRecord& block);

enum class RangeProblem {
  None,
  StartsBeforeBlock,  // `from` lies before the block's start
  EndsAfterBlock,     // `to` lies after the block's end
  Reversed,           // `from` lies after `to`
  NoSamples,          // no sample is taken from `from` to `to`
};
struct TimeRange {
  RangeProblem Problem = RangeProblem::None;
  SampleRange Range;  // the samples taken from `from` to `to`, both included
};
// The samples of a stretch of the block; times to the second, as the person types them.
TimeRange SamplesBetween(const TLoggerRecord& block, DateTime from, DateTime to);

// The samples of whatever part of `from` .. `to` lies within the block (a zoomed graph's
// visible stretch): none (Count 0) where nothing does.
SampleRange SamplesWithin(const TLoggerRecord& block, DateTime from, DateTime to);

// The quantities whose current values the block logs, in ascending order.
std::vector<int> LoggedQuantities(const TLoggerRecord& block);

// The display unit system a survey of the block uses unless told otherwise: the block's own,
// SI for a block marked neither SI nor US.
std::string SurveyUnitsOf(const TLoggerRecord& block);

// The decimals a survey shows the minimum and maximum of quantity q with in the display units
// (the mean takes one more): those of the instrument's display.
int SurveyDecimals(int q, std::string_view displayUnits);

// Limits kept in SI units (as stored) in the display unit system.
LimitTable LimitsInUnits(const LimitTable& si, std::string_view displayUnits);

struct LimitResult {
  std::optional<double> Upper;
  // Samples above the upper limit. A value at the limit is not above it, also when the
  // instrument's single precision puts it a millionth above.
  int Above = 0;
  double HoursAbove = 0;
  std::optional<double> ShareAbove;  // % of the counted samples; none without an upper limit
                                     // or when no sample counted
  std::optional<double> Lower;
  int Below = 0;
  double HoursBelow = 0;
  std::optional<double> ShareBelow;
};

struct QuantityStatistics {
  int Quantity = 0;                      // 1..16
  int Count = 0;                         // samples with a value
  std::optional<double> Min, Mean, Max;  // none when no sample counted
  std::optional<LimitResult> Limit;      // when the quantity has a limit
};

// One quantity's current values over `range` (clipped to the samples the block holds). A
// value that is "no sample" in the block's or in the display units counts nowhere. `limits`
// are in the display units.
QuantityStatistics ComputeQuantityStatistics(const TLoggerRecord& block, int q, SampleRange range,
                                             std::string_view displayUnits,
                                             const QuantityLimits& limits);

// Every logged quantity, in ascending order.
std::vector<QuantityStatistics> ComputeSurveyStatistics(const TLoggerRecord& block,
                                                        SampleRange range,
                                                        std::string_view displayUnits,
                                                        const LimitTable& limits);

// A copy of the block holding only the samples of `range` (its start moved to the first), for
// analyses that take a whole block.
TLoggerRecord SliceBlock(const TLoggerRecord& block, SampleRange range);

}  // namespace qv
