// Mouse clicks in the table: the grid's own cell selection, the row selection of both views,
// the choice of report columns by their headers, and the loss of focus.
#pragma once

#include "view/TableState.h"

#include <optional>

namespace qv {

enum class MouseButton { Left, Right, Other };

// What a click changes beyond the table state: the command entries it enables or disables
// (nullopt: left as they are), whether the table needs repainting, and a refusal to tell.
struct ClickEffects {
  std::optional<bool> RowCommands;    // Cut Row, Copy Row, Delete Row
  std::optional<bool> PasteRow;       // Paste Row
  std::optional<bool> CopySelectAll;  // the pop-up's Copy and Select All
  std::optional<bool> SaveSelAsRes;   // save the selected samples as results
  bool Repaint = false;
  bool OverSelection = false;  // a fifth report code: say "msgOverSelSign_35"
};

// The grid's own reaction to a press on cell (column, row) of a table of `columns` x `rows`
// (header included): a data cell becomes the selection and the anchor; with `extend` the
// selection spans from the anchor to it. Fixed cells and cells outside change nothing.
// True when the selection changed.
bool PressCell(TableState& state, int column, int row, int columns, int rows, bool extend);
// A drag onto cell (column, row): the selection spans from the anchor, clamped to data cells.
bool DragToCell(TableState& state, int column, int row, int columns, int rows);

// Flips the report choice of a code; a fifth code is refused (false) and nothing changes.
// The chosen codes stay in ascending order.
bool ToggleReportChoice(Document& doc, int code);

// A press in the results view, after the grid's own reaction.
ClickEffects ResultsMouseDown(Document& doc, TableState& state, MouseButton button, int column,
                              int row, int columns, int rows);
// A press in the logging view, after the grid's own reaction.
ClickEffects LoggingMouseDown(TableState& state, MouseButton button, bool shift, int column,
                              int row, int columns, int rows);

// The table lost the focus: the selected result row and the logging row become none; the
// logging range stays for the next Shift-click.
void TableExit(TableState& state);

// A new layout: the selection returns to the first data cell and the row selections end;
// a logging range that the new rows no longer hold is dropped.
void ResetForLayout(TableState& state, int rows);

}  // namespace qv
