// What the results table knows beyond the document: which of its two views is active, the
// shading of the results columns, the widest location text, the selection rectangle and the
// remembered row selections. One object, owned by the table.
#pragma once

#include "store/Document.h"

#include <array>
#include <functional>

namespace qv {

inline constexpr const char* kMsgNoDataToShowKey = "msgNoDataToShow_35";
inline constexpr const char* kMsgOverSelSign = "msgOverSelSign_35";
inline constexpr int kMaxReportCodes = 4;

// The width of a text in the table's font, in pixels.
using TextWidthFn = std::function<int(const Bytes&)>;

enum class TableView {
  Results,  // tests of the selected tree node, one per row
  Logging,  // samples of the current logging block, one per row
};

// A document holds either tests or logging blocks; the logging view wins if both flags are
// ever set, as the logging download sets its flag before anything else.
inline TableView ActiveView(const Document& doc) {
  return doc.LoggerDataLoaded() ? TableView::Logging : TableView::Results;
}

// A rectangle of cells, inclusive; column 0 and row 0 are never part of a selection.
struct CellRect {
  int Left = 1;
  int Top = 1;
  int Right = 1;
  int Bottom = 1;
  bool Contains(int column, int row) const {
    return column >= Left && column <= Right && row >= Top && row <= Bottom;
  }
  friend bool operator==(const CellRect&, const CellRect&) = default;
};

struct TableState {
  // Results view: shading flag by code 1..68 ([0] unused). The logging view keeps its flags in
  // the block's ColumnShade.
  std::array<uint8_t, kMaxSignalCode + 1> ResultsShade{};
  // The widest building or room name of the shown tests.
  int WidestLocationText = 0;

  // The grid's selection and the corner a drag or Shift-click extends it from.
  CellRect Selection;
  int AnchorColumn = 1;
  int AnchorRow = 1;

  // Results view: the row selected by a click in column 0 and the record index of its test.
  int SelectedRow = -1;
  int SelectedRecordIndex = -1;
  // Row clipboard of the row commands: record indexes of the held and the cut test.
  int HeldRow = -1;
  int CutRow = -1;

  // Logging view: the row last clicked in column 0 and the row range Shift extends.
  int LogRow = -1;
  int RangeFirst = -1;
  int RangeLast = -1;

  // A new document: no selected row, no held or cut row, no logging range, the selection
  // back on the first data cell.
  void ResetSelections();
};

}  // namespace qv
