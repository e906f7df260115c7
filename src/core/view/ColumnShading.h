// Column shading: the four statistics of one quantity share a background, neighbouring
// quantities alternate.
#pragma once

#include "view/TableState.h"

#include <span>

namespace qv {

// Flags by code for the codes of `columns` in column order: the first column's flag is set,
// and the flag flips each time a column's quantity group (GroupOf) is greater than every group
// before it. Codes outside 1..flags.size()-1 are passed over.
void ShadeColumns(std::span<const int32_t> columns, std::span<uint8_t> flags);

// The results view's flags from the column map.
void ComputeResultsShading(const Document& doc, TableState& state);
// A logging block's ColumnShade from its signal codes.
void ComputeBlockShading(TLoggerRecord& block);
// The flags of the active view (the current block's for a logging document).
void ComputeColumnShading(Document& doc, TableState& state);

}  // namespace qv
