// The series computed from a logging block's thermal comfort (PMV, PPD, operative temperature,
// draught rate), each drawn in a graph window of the kind that shows the logged quantities: the
// computed value of a sample is that window's Current statistic, with the same zoom, read-out
// and printing.
#pragma once

#include "chart/GraphChart.h"
#include "comfort/BlockComfort.h"
#include "common/AppContext.h"
#include "common/Prompter.h"

#include <array>

namespace qv {

class TfrmGraphChild;

enum class ComfortSeries { Pmv, Ppd, Operative, DraughtRate };
inline constexpr std::array<ComfortSeries, 4> kComfortSeries = {
    ComfortSeries::Pmv, ComfortSeries::Ppd, ComfortSeries::Operative, ComfortSeries::DraughtRate};

// The window's Quantity(): below the logged quantities 1..16, one per series (-1 .. -4).
int ComfortGraphId(ComfortSeries series);

// The chart of `series` from `comfort`, the analysis of `block`: the values rounded as they
// are shown (PMV to 0.01, the others to 0.1), the operative temperature in the display unit
// system, the value-axis bounds by the rule of the logged quantities.
ChartContent ComfortChartContent(const AppContext& ctx, const TLoggerRecord& block,
                                 const BlockComfort& comfort, ComfortSeries series);

// A new graph window of `series` (not yet in the graph area).
TfrmGraphChild* NewComfortGraph(AppContext& ctx, Prompter& prompter, const TLoggerRecord& block,
                                const BlockComfort& comfort, ComfortSeries series);

}  // namespace qv
