// The text Edit > Copy puts on the clipboard: the selected cells of the active view as tab-
// separated lines for a spreadsheet.
#pragma once

#include "view/TableCells.h"

namespace qv {

// A header line naming the selected columns, every heading followed by a tab (the trailing one
// stays), then one line per selected row with its cells separated by tabs; every line ends in
// CR LF. The location and time columns of the results view each give two cells. Values are
// shown as the table shows them (display units) with one-blank marks. The whole selection is
// given, however large; NUL bytes of stored texts are left out, since no clipboard carries them.
// Rows and columns beyond the view are ignored.
Bytes SelectionText(const Document& doc, const CellRect& selection, const CellContext& ctx);

// The rectangle Select All makes: every data cell of the active view (columns 1.., rows 1..).
// Its right or bottom edge is 0 when the view has no such cells.
CellRect WholeTable(const Document& doc);

}  // namespace qv
