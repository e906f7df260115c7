#include "archive/ArchiveTrend.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace qv {

Outcome LoadTrend(Archive& archive, const Bytes& building, const Bytes& room, int q,
                  std::string_view displayUnits, ArchiveTrend& out) {
  out = ArchiveTrend{};
  if (GraphQuantityOf(q) == nullptr) return {};
  std::set<int> days;
  double first = 0, last = 0;
  for (int statistic = 1; statistic <= kStatistics; ++statistic) {
    ArchiveFilter filter;
    filter.building = building;
    filter.room = room;
    filter.code = kStatistics * (q - 1) + statistic;
    std::vector<GraphPoint>& series = out.points.Series[static_cast<size_t>(statistic - 1)];
    const Outcome outcome = archive.Query(filter, [&](const ArchiveRow& row) {
      series.push_back({row.time, ToDisplayUnits(q, row.value, row.units, displayUnits)});
      days.insert(static_cast<int>(std::floor(row.begin + 0.5 / 86400000.0)));
      first = out.values == 0 ? row.time : std::min(first, row.time);
      last = out.values == 0 ? row.time : std::max(last, row.time);
      ++out.values;
      return true;
    });
    if (!outcome.ok()) {
      out = ArchiveTrend{};
      return outcome;
    }
  }
  out.visits = static_cast<int>(days.size());
  // No point on the frame: a twenty-fifth of the range either side, half a day round a single
  // time.
  const double margin = last > first ? (last - first) / 25 : 0.5;
  out.points.TimeMin = first - margin;
  out.points.TimeMax = last + margin;
  return {};
}

}  // namespace qv
