// Which quantities of the current logging block can be graphed: the availability of the
// boxes of the select-parameters dialog, as data.
#pragma once

#include "store/Records.h"

#include <array>

namespace qv {

inline constexpr int kGraphQuantities = 16;

struct GraphParameter {
  bool Enabled = false;
  bool AllowGrayed = true;
  bool Checked = false;
  friend bool operator==(const GraphParameter&, const GraphParameter&) = default;
};

// By quantity number 1..16 ([0] unused).
using GraphParameters = std::array<GraphParameter, kGraphQuantities + 1>;

// A quantity is available when the block logs one of its four codes and at least one of
// those statistics, present in the block, has a sample below the no-value mark. Every box
// starts unchecked; with no block nothing is available.
GraphParameters UpdateGraphParameters(const TLoggerRecord* block);

}  // namespace qv
