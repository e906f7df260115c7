// What every cell of the table shows: background kind, texts and where they stand. The
// widget turns this into colours and pixels.
#pragma once

#include "app/TextCatalog.h"
#include "view/TableState.h"

#include <array>
#include <string_view>

namespace qv {

enum class CellFill : uint8_t {
  None,      // beyond the shown rows and columns: not drawn
  Fixed,     // header row and number column: button face
  Location,  // location and time cells of data rows
  Shaded,    // value cell whose column's shading flag is set
  Plain,     // value cell whose flag is clear
};

struct CellLine {
  Bytes Text;
  double Y = 0;   // from the cell's top, in multiples of h
  double X = -1;  // from the cell's left in multiples of w; negative: centred
};

struct CellDrawing {
  CellFill Fill = CellFill::None;
  bool Selected = false;  // inside the selection: selected background, white text
  bool Bold = false;
  bool Chosen = false;  // a caption chosen for the report: red
  int LineCount = 0;
  std::array<CellLine, 2> Lines;
};

struct CellContext {
  const TextCatalog& Texts;
  std::string_view DisplayUnits;  // "SI" or "US"
  char DecimalSeparator = '.';
};

// The caption letter of a display unit system: "U" for US, "S" otherwise.
inline char UnitLetter(std::string_view displayUnits) {
  return displayUnits == "US" ? 'U' : 'S';
}

// The code shown in a column: results columns 3.. map ColumnSignals, logging columns 2.. the
// current block's SignalCodes. 0 for other columns.
int ResultsColumnCode(const Document& doc, int column);
int LoggingColumnCode(const Document& doc, int column);

CellDrawing ResultsCell(const Document& doc, const TableState& state, const CellContext& ctx,
                        int column, int row);
CellDrawing LoggingCell(const Document& doc, const TableState& state, const CellContext& ctx,
                        int column, int row);
// The cell of the active view.
CellDrawing TableCell(const Document& doc, const TableState& state, const CellContext& ctx,
                      int column, int row);

// The time of sample `row` (1-based) of a block: BeginTime + IntervalSec * (row - 1) seconds.
DateTime SampleTime(const TLoggerRecord& block, int row);

}  // namespace qv
