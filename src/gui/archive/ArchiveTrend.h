// The trend of one quantity in one room across its visits: every test value and logged sample
// the archive holds of the quantity's four statistics, in the display unit system, drawn by a
// graph window as a logging block's quantity is.
#pragma once

#include "archive/Archive.h"
#include "graph/GraphData.h"

#include <string_view>

namespace qv {

struct ArchiveTrend {
  GraphSeriesData points;  // by time; the time range with a margin on either side
  int values = 0;
  int visits = 0;  // days with a test or block begun
};

// The values of quantity `q` (1..16) of the room, each converted from its record's unit system
// to `displayUnits`.
Outcome LoadTrend(Archive& archive, const Bytes& building, const Bytes& room, int q,
                  std::string_view displayUnits, ArchiveTrend& out);

}  // namespace qv
