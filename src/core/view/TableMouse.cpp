#include "view/TableMouse.h"

#include <algorithm>
#include <utility>

namespace qv {
namespace {

bool IsDataCell(int column, int row, int columns, int rows) {
  return column >= 1 && row >= 1 && column < columns && row < rows;
}

CellRect Span(int c1, int r1, int c2, int r2) {
  return {std::min(c1, c2), std::min(r1, r2), std::max(c1, c2), std::max(r1, r2)};
}

bool SetSelection(TableState& state, const CellRect& rect) {
  if (state.Selection == rect) return false;
  state.Selection = rect;
  return true;
}

}  // namespace

bool PressCell(TableState& state, int column, int row, int columns, int rows, bool extend) {
  if (!IsDataCell(column, row, columns, rows)) return false;
  if (!extend) {
    state.AnchorColumn = column;
    state.AnchorRow = row;
  }
  return SetSelection(state, Span(state.AnchorColumn, state.AnchorRow, column, row));
}

bool DragToCell(TableState& state, int column, int row, int columns, int rows) {
  if (columns < 2 || rows < 2) return false;
  column = std::clamp(column, 1, columns - 1);
  row = std::clamp(row, 1, rows - 1);
  return SetSelection(state, Span(state.AnchorColumn, state.AnchorRow, column, row));
}

bool ToggleReportChoice(Document& doc, int code) {
  if (code < 1 || code > kMaxSignalCode) return false;
  if (!doc.ReportChosen[code]) {
    const auto chosen = std::count(doc.ReportChosen.begin(), doc.ReportChosen.end(), true);
    if (chosen >= kMaxReportCodes) return false;
  }
  doc.ReportChosen[code] = !doc.ReportChosen[code];
  doc.ReportCodes.clear();
  for (int c = 1; c <= kMaxSignalCode; ++c) {
    if (doc.ReportChosen[c]) doc.ReportCodes.push_back(c);
  }
  return true;
}

ClickEffects ResultsMouseDown(Document& doc, TableState& state, MouseButton button, int column,
                              int row, int columns, int rows) {
  ClickEffects e;
  if (button == MouseButton::Right) {
    if (state.SelectedRow == -1) {
      e.RowCommands = false;
      e.PasteRow = false;
    }
    return e;
  }
  if (button != MouseButton::Left) return e;

  const TTestsRecord* shown = row >= 1 && row < rows ? doc.ShownTest(row - 1) : nullptr;
  const bool dataRow = shown != nullptr;
  if (column == 0 && dataRow && columns > 1) {
    state.Selection = {1, row, columns - 1, row};
    state.AnchorColumn = 1;
    state.AnchorRow = row;
    state.SelectedRow = row;
    state.SelectedRecordIndex = shown->RecordIndex;
    e.RowCommands = true;
    e.PasteRow = state.HeldRow != -1;
    e.CopySelectAll = false;
    e.Repaint = true;
    return e;
  }
  state.SelectedRow = -1;
  state.SelectedRecordIndex = -1;
  e.RowCommands = false;
  e.PasteRow = false;
  e.CopySelectAll = true;
  if (row == 0 && column >= 3 && column < columns) {
    const int i = column - 2;
    const int code = i <= doc.ColumnCount && i <= kMaxSignalCode ? doc.ColumnSignals[i] : 0;
    if (ToggleReportChoice(doc, code)) {
      e.Repaint = true;
    } else if (code >= 1 && code <= kMaxSignalCode) {
      e.OverSelection = true;
    }
  }
  return e;
}

ClickEffects LoggingMouseDown(TableState& state, MouseButton button, bool shift, int column,
                              int row, int columns, int rows) {
  ClickEffects e;
  if (button == MouseButton::Right) {
    if (state.LogRow == -1) e.SaveSelAsRes = false;
    return e;
  }
  if (button != MouseButton::Left) return e;

  if (column == 0 && row >= 1 && row < rows && columns > 1) {
    if (shift && state.RangeFirst >= 1 && state.RangeLast >= 1) {
      if (state.LogRow < row) {
        state.RangeLast = row;
      } else {
        state.RangeFirst = row;
      }
      // After a loss of focus no row was clicked before: the range then reaches to the row
      // from whichever end is left, never turned inside out.
      if (state.RangeFirst > state.RangeLast) std::swap(state.RangeFirst, state.RangeLast);
    } else {
      state.RangeFirst = row;
      state.RangeLast = row;
    }
    state.LogRow = row;
    state.Selection = {1, state.RangeFirst, columns - 1, state.RangeLast};
    state.AnchorColumn = 1;
    state.AnchorRow = row;
    e.SaveSelAsRes = true;
    e.CopySelectAll = false;
    e.Repaint = true;
    return e;
  }
  e.SaveSelAsRes = false;
  e.CopySelectAll = true;
  return e;
}

void TableExit(TableState& state) {
  state.SelectedRow = -1;
  state.SelectedRecordIndex = -1;
  state.LogRow = -1;
}

void ResetForLayout(TableState& state, int rows) {
  state.Selection = {};
  state.AnchorColumn = 1;
  state.AnchorRow = 1;
  state.SelectedRow = -1;
  state.SelectedRecordIndex = -1;
  state.LogRow = -1;
  if (state.RangeLast >= rows) {
    state.RangeFirst = -1;
    state.RangeLast = -1;
  }
}

void TableState::ResetSelections() {
  Selection = {};
  AnchorColumn = 1;
  AnchorRow = 1;
  SelectedRow = -1;
  SelectedRecordIndex = -1;
  HeldRow = -1;
  CutRow = -1;
  LogRow = -1;
  RangeFirst = -1;
  RangeLast = -1;
}

}  // namespace qv
