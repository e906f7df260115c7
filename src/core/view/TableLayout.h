// Rows, columns and their sizes for both views of the table, from the font's measures.
#pragma once

#include "view/TableState.h"

#include <optional>
#include <vector>

namespace qv {

// The table font's measures.
struct TableMetrics {
  int h = 0;                    // height of the text " "
  int w = 0;                    // width of the text "H"
  int WidestSignalCaption = 0;  // widest caption line over codes 1..36, both unit systems
  TextWidthFn TextWidth;
};

struct TableLayout {
  int RowCount = 0;  // the header row included
  int ColumnCount = 0;
  int DefaultRowHeight = 0;
  int HeaderRowHeight = 0;
  std::vector<int> ColumnWidths;  // one per column
};

// Whether the results view has something to show: shown tests and document signals.
bool ResultsHaveData(const Document& doc);
// Whether the logging view has something to show: a current block with samples.
bool LoggingHasData(const Document& doc);

// The results view for the shown tests. nullopt when there is nothing to show (the caller
// then says "msgNoDataToShow_35"). `locationCaption` is the translated "Location_10", `now`
// the date-time whose text sizes the time column.
std::optional<TableLayout> LayoutResultsTable(const Document& doc, const TableMetrics& m,
                                              int widestLocationText, const Bytes& locationCaption,
                                              DateTime now);
// The logging view for the current block; nullopt when there is nothing to show.
std::optional<TableLayout> LayoutLoggingTable(const Document& doc, const TableMetrics& m,
                                              DateTime now);

}  // namespace qv
