#include "view/TableCells.h"

#include "format/DateTimeText.h"
#include "format/ValueFormat.h"
#include "store/SignalCatalog.h"

#include <algorithm>
#include <string>

namespace qv {
namespace {

constexpr int kTimeBlanks = 3;

void AddLine(CellDrawing& d, Bytes text, double y, double x = -1) {
  CellLine& line = d.Lines[static_cast<size_t>(d.LineCount++)];
  line.Text = std::move(text);
  line.Y = y;
  line.X = x;
}

CellDrawing Caption(const CellContext& ctx, int code, bool chosen) {
  CellDrawing d;
  d.Fill = CellFill::Fixed;
  d.Bold = true;
  d.Chosen = chosen;
  Bytes quantity, statistic;
  GetSignalCaption(code, UnitLetter(ctx.DisplayUnits), ctx.Texts, quantity, statistic);
  AddLine(d, std::move(quantity), 0.25);
  AddLine(d, std::move(statistic), 1.5);
  return d;
}

CellDrawing Fixed(Bytes text, double y) {
  CellDrawing d;
  d.Fill = CellFill::Fixed;
  d.Bold = true;
  AddLine(d, std::move(text), y);
  return d;
}

// A data cell: its own background unless it lies in the selection.
CellDrawing Data(const TableState& state, CellFill fill, int column, int row) {
  CellDrawing d;
  d.Fill = fill;
  d.Selected = state.Selection.Contains(column, row);
  return d;
}

}  // namespace

int ResultsColumnCode(const Document& doc, int column) {
  const int i = column - 2;
  if (column < 3 || i > doc.ColumnCount || i > kMaxSignalCode) return 0;
  return doc.ColumnSignals[static_cast<size_t>(i)];
}

int LoggingColumnCode(const Document& doc, int column) {
  const TLoggerRecord* block = doc.Current();
  const int i = column - 2;
  if (block == nullptr || i < 0 || i >= block->SignalCount || i >= kLoggerSignals) return 0;
  return block->SignalCodes[static_cast<size_t>(i)];
}

DateTime SampleTime(const TLoggerRecord& block, int row) {
  return AddSeconds(block.BeginTime, static_cast<double>(block.IntervalSec) * (row - 1));
}

CellDrawing ResultsCell(const Document& doc, const TableState& state, const CellContext& ctx,
                        int column, int row) {
  const int rows = doc.ShownTestCount();
  const int columns = std::min(doc.ColumnCount, kMaxSignalCode) + 3;
  if (column < 0 || row < 0 || column >= columns || row > rows) return {};
  const int code = ResultsColumnCode(doc, column);
  if (row == 0) {
    switch (column) {
      case 0:
        return Fixed(ctx.Texts.Translate("No_3"), 0.75);
      case 1:
        return Fixed(ctx.Texts.Translate("Location_10"), 0.75);
      case 2: {
        CellDrawing d = Fixed(ctx.Texts.Translate("BeginTime_10"), 0.25);
        AddLine(d, ctx.Texts.Translate("EndTime_10"), 1.5);
        return d;
      }
      default:
        return Caption(ctx, code, code >= 1 && code <= kMaxSignalCode && doc.ReportChosen[code]);
    }
  }
  if (column == 0) return Fixed(std::to_string(row), 0.75);
  const TTestsRecord* shown = doc.ShownTest(row - 1);
  if (shown == nullptr) return {};
  const TTestsRecord& test = *shown;
  if (column == 1) {
    CellDrawing d = Data(state, CellFill::Location, column, row);
    AddLine(d, test.BuildingName, 0.25, 0.5);
    AddLine(d, test.RoomName, 1.5, 1.5);
    return d;
  }
  if (column == 2) {
    CellDrawing d = Data(state, CellFill::Location, column, row);
    AddLine(d, FormatDayTime(test.BeginTime, kTimeBlanks), 0.25);
    AddLine(d, FormatDayTime(test.EndTime, kTimeBlanks), 1.5);
    return d;
  }
  CellDrawing d = Data(
      state, state.ResultsShade[static_cast<size_t>(code)] ? CellFill::Shaded : CellFill::Plain,
      column, row);
  AddLine(d,
          ShowTestValue(code, test, ctx.DisplayUnits, MarkStyle::TwoBlanks, ctx.DecimalSeparator),
          0.75);
  return d;
}

CellDrawing LoggingCell(const Document& doc, const TableState& state, const CellContext& ctx,
                        int column, int row) {
  const TLoggerRecord* block = doc.Current();
  if (block == nullptr) return {};
  const int columns = std::clamp(block->SignalCount, 0, kLoggerSignals) + 2;
  if (column < 0 || row < 0 || column >= columns || row > block->SampleCount) return {};
  const int code = LoggingColumnCode(doc, column);
  if (row == 0) {
    if (column == 0) return Fixed(ctx.Texts.Translate("No_3"), 1.0);
    if (column == 1) return Fixed(ctx.Texts.Translate("Time_10"), 1.0);
    return Caption(ctx, code, false);
  }
  if (column == 0) return Fixed(std::to_string(row), 0.25);
  if (column == 1) {
    CellDrawing d = Data(state, CellFill::Location, column, row);
    AddLine(d, FormatDayTime(SampleTime(*block, row), kTimeBlanks), 0.25);
    return d;
  }
  const bool shaded = code >= 1 && code <= kLoggerSignals && block->ColumnShade[code];
  CellDrawing d = Data(state, shaded ? CellFill::Shaded : CellFill::Plain, column, row);
  AddLine(d,
          ShowLoggerValue(code, row, *block, ctx.DisplayUnits, MarkStyle::TwoBlanks,
                          ctx.DecimalSeparator),
          0.25);
  return d;
}

CellDrawing TableCell(const Document& doc, const TableState& state, const CellContext& ctx,
                      int column, int row) {
  return ActiveView(doc) == TableView::Results ? ResultsCell(doc, state, ctx, column, row)
                                               : LoggingCell(doc, state, ctx, column, row);
}

}  // namespace qv
