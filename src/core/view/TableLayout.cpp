#include "view/TableLayout.h"

#include "format/DateTimeText.h"
#include "format/NumberText.h"

#include <algorithm>
#include <string>

namespace qv {
namespace {

int Times(double factor, int h) {
  return static_cast<int>(RoundHalfEven(factor * h));
}

// The time column is sized on the two-blank form; the three-blank form drawn in it still fits
// within the margin of four "H".
int TimeColumnWidth(const TableMetrics& m, DateTime now) {
  return m.TextWidth(FormatDayTime(now, 2)) + 4 * m.w;
}

}  // namespace

bool ResultsHaveData(const Document& doc) {
  return !doc.ShownTests.empty() && doc.DocSignalCount != 0;
}

bool LoggingHasData(const Document& doc) {
  const TLoggerRecord* block = doc.Current();
  return block != nullptr && block->SampleCount > 0;
}

std::optional<TableLayout> LayoutResultsTable(const Document& doc, const TableMetrics& m,
                                              int widestLocationText, const Bytes& locationCaption,
                                              DateTime now) {
  if (!ResultsHaveData(doc)) return std::nullopt;
  TableLayout l;
  const int rows = doc.ShownTestCount();
  const int codes = std::clamp(doc.ColumnCount, 0, kMaxSignalCode);
  l.RowCount = rows + 1;
  l.ColumnCount = codes + 3;
  l.DefaultRowHeight = Times(2.75, m.h);
  l.HeaderRowHeight = Times(2.75, m.h);
  l.ColumnWidths.assign(static_cast<size_t>(l.ColumnCount), m.WidestSignalCaption + 3 * m.w);
  l.ColumnWidths[0] = m.TextWidth(std::to_string(doc.ShownTestCount())) + 2 * m.w;
  const int location = m.TextWidth(locationCaption);
  l.ColumnWidths[1] =
      widestLocationText < location ? location + 4 * m.w : widestLocationText + 3 * m.w;
  l.ColumnWidths[2] = TimeColumnWidth(m, now);
  return l;
}

std::optional<TableLayout> LayoutLoggingTable(const Document& doc, const TableMetrics& m,
                                              DateTime now) {
  if (!LoggingHasData(doc)) return std::nullopt;
  const TLoggerRecord& block = *doc.Current();
  TableLayout l;
  l.RowCount = block.SampleCount + 1;
  l.ColumnCount = std::clamp(block.SignalCount, 0, kLoggerSignals) + 2;
  l.DefaultRowHeight = Times(1.5, m.h);
  l.HeaderRowHeight = Times(2.75, m.h);
  l.ColumnWidths.assign(static_cast<size_t>(l.ColumnCount), m.WidestSignalCaption + 3 * m.w);
  // A quarter of the count has at most one digit fewer than the largest row number, which
  // the margin of two "H" makes room for.
  l.ColumnWidths[0] = m.TextWidth(std::to_string(block.SampleCount / 4)) + 2 * m.w;
  l.ColumnWidths[1] = TimeColumnWidth(m, now);
  return l;
}

}  // namespace qv
