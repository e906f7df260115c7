// What a graph window shows of one quantity of the current logging block, as data: the
// quantity's texts and scaling constants, the value-axis bounds, the statistic boxes and the
// points of the four series. The window only draws what these give.
#pragma once

#include "store/Records.h"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace qv {

class TextCatalog;

// A quantity 1..16 of the graphs: Current, Minimum, Average and Maximum are its codes
// 4 * (q - 1) + 1 .. 4.
struct GraphQuantity {
  const char* Box;           // the select dialog's check box
  const char* StoredChoice;  // settings value of the box's last choice
  const char* CaptionKey;    // window caption
  const char* TitleKey;      // chart title
  // Value-axis title: the first key, two blanks and the second (none: the first alone).
  const char* AxisKey;
  const char* UnitKeySI;
  const char* UnitKeyUS;
  // SI -> US is x * Factor + Offset; US -> SI its inverse.
  double Factor;
  double Offset;
  double LowerForNonNegative;  // lower bound when no value is negative
  double DefaultUpperSI, DefaultUpperUS;
  double DefaultLowerSI, DefaultLowerUS;
};

inline constexpr int kStatistics = 4;  // Current, Minimum, Average, Maximum

// nullptr outside 1..16.
const GraphQuantity* GraphQuantityOf(int q);

// A value of the block's unit system in the display unit system ("SI" or "US", compared
// exactly; any other block text is not converted).
double ToDisplayUnits(int q, double value, std::string_view blockUnits,
                      std::string_view displayUnits);

// The value-axis title for the display unit system, translated.
Bytes ValueAxisTitle(int q, std::string_view displayUnits, const TextCatalog& texts);

struct AxisBounds {
  int Upper = 0;
  int Lower = 0;
  friend bool operator==(const AxisBounds&, const AxisBounds&) = default;
};

// Whole-number bounds around every valid sample of the quantity's present statistics, in the
// display units: the maximum truncated plus one, the minimum truncated minus one (or 0, -1 for
// air velocity and flow, when nothing is negative). A quantity without a valid sample gets its
// default bounds instead of the meaningless ones its empty running extremes would give.
AxisBounds ComputeAxisBounds(const TLoggerRecord& block, int q, std::string_view displayUnits);

struct StatisticBox {
  bool Enabled = false;
  bool Checked = false;
  bool AllowGrayed = false;
  bool InLegend = false;
  friend bool operator==(const StatisticBox&, const StatisticBox&) = default;
};

// The four boxes of a new window: a present statistic with a valid sample is checked, enabled
// and in the legend; a present one without is disabled and grey; an absent one stays as the
// window was designed (disabled, unchecked, not in the legend).
std::array<StatisticBox, kStatistics> InitStatisticBoxes(const TLoggerRecord& block, int q);

struct GraphPoint {
  double X = 0;  // date-time, days
  double Y = 0;  // display units
  friend bool operator==(const GraphPoint&, const GraphPoint&) = default;
};

struct GraphSeriesData {
  double TimeMin = 0;  // the block's start to whole seconds
  double TimeMax = 0;  // the start plus count x interval
  std::array<std::vector<GraphPoint>, kStatistics> Series;
};

// The bounds ComputeAxisBounds gives, around points already in the display units (the defaults
// when there are none).
AxisBounds PointAxisBounds(int q, const GraphSeriesData& data, std::string_view displayUnits);

// The points of the checked statistics: sample i at start + i x interval, its shown value in
// the display units; a sample without a value ("---", or 3e7 and above also after conversion)
// adds no point, and a value above `axisMax` is drawn at it.
GraphSeriesData FillGraphSeries(const TLoggerRecord& block, int q, std::string_view displayUnits,
                                const std::array<bool, kStatistics>& checked, double axisMax);

// The read-out under the mouse at time `x`: the nearest point of the checked series (ties go to
// the later point), its time, and for each statistic the value at that time when its series has
// a point there (within half a step of its ends). Series with fewer than two points take no
// part; with none left the read-out is empty (Series -1, no values).
struct CursorReadout {
  int Series = -1;  // statistic 0..3 of the cursor point; -1: nothing under the cursor
  int Index = -1;   // the point's index in that series
  double Time = 0;  // the cursor point's time
  std::array<std::optional<double>, kStatistics> Values;
};
// nullopt when no statistic series holds two points: the read-out stays as it was.
std::optional<CursorReadout> ReadCursor(
    const std::array<std::vector<GraphPoint>, kStatistics>& series,
    const std::array<bool, kStatistics>& checked, double x);

// " <unit>: " for the statistic panels of quantity q, or ": " for one without a unit.
Bytes StatusUnitSuffix(int q, std::string_view displayUnits, const TextCatalog& texts);

}  // namespace qv
