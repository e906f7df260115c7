#include "download/BlockList.h"

#include "format/NumberText.h"

#include <string>

namespace qv {

Bytes MemoryShareText(int32_t sampleCount) {
  const double p = static_cast<double>(sampleCount) * 100.0 / kLoggingMemoryPages;
  if (p >= 1) return std::to_string(RoundHalfEven(p)) + " %";
  return "< 1 %";
}

bool ChooseBlock(std::vector<TLoggerRecord>& blocks, int row, int column, ListMode mode,
                 bool wheelGuard) {
  if (wheelGuard) return false;
  if (column != 0 || row < 1 || row > static_cast<int>(blocks.size())) return false;
  TLoggerRecord& clicked = blocks[static_cast<size_t>(row - 1)];
  if (mode == ListMode::Show) {
    for (TLoggerRecord& b : blocks)
      b.Selected = 0;
    clicked.Selected = 1;
  } else {
    clicked.Selected = clicked.Selected == 1 ? 0 : 1;
  }
  return true;
}

void SelectAllBlocks(std::vector<TLoggerRecord>& blocks) {
  for (TLoggerRecord& b : blocks)
    b.Selected = 1;
}

BlockListGeometry BlockListColumns(int fontPointSize, const std::array<size_t, 3>& headerLengths) {
  const int s = fontPointSize;
  BlockListGeometry g;
  g.RowHeight = static_cast<int>(Trunc(2.5 * s));
  g.ColumnWidths[0] = 5 * s;
  for (size_t c = 0; c < headerLengths.size(); ++c) {
    g.ColumnWidths[c + 1] = static_cast<int>(headerLengths[c]) * s + 10 * s;
  }
  SizeBlockList(g, 0);
  return g;
}

void SizeBlockList(BlockListGeometry& g, int blockCount) {
  const int n = blockCount < 0 ? 0 : blockCount;
  g.GridWidth = 10;
  for (int w : g.ColumnWidths)
    g.GridWidth += w;
  g.RowCount = n + 1;
  constexpr int kVisibleRows = 11;
  constexpr int kScrollBarWidth = 20;
  g.ScrollBar = g.RowCount > kVisibleRows;
  if (g.ScrollBar) {
    g.GridHeight = kVisibleRows * (g.RowHeight + 1) + 4;
    g.GridWidth += kScrollBarWidth;
  } else {
    g.GridHeight = g.RowCount * (g.RowHeight + 1) + 4;
  }
  g.DialogWidth = static_cast<int>(RoundHalfEven(1.1 * g.GridWidth));
}

}  // namespace qv
