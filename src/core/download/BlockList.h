// The rules of the logging-block list: which blocks a click marks, the memory share texts and
// the sizes of the grid and its dialog. The dialog itself only draws and forwards clicks.
#pragma once

#include "store/Records.h"

#include <array>
#include <cstdint>
#include <vector>

namespace qv {

// Pages of the logging memory; the Memory column shows a block's share of it.
inline constexpr int kLoggingMemoryPages = 4096;

// Download: several blocks may be marked. Show: exactly one block is marked at a time.
enum class ListMode : uint8_t { Show = 0, DownLoad = 1 };

// "< 1 %" below one percent of the logging memory, otherwise the share rounded to a whole
// number (an exact half to the even neighbour) and " %".
Bytes MemoryShareText(int32_t sampleCount);

// A click on cell (row, column) of the grid; row r >= 1 stands for block r - 1. Only column 0
// of rows 1..n may be selected: anything else, or any click while the wheel guard is set,
// changes nothing and gives false.
bool ChooseBlock(std::vector<TLoggerRecord>& blocks, int row, int column, ListMode mode,
                 bool wheelGuard);
void SelectAllBlocks(std::vector<TLoggerRecord>& blocks);

// Grid geometry in pixels.
struct BlockListGeometry {
  int RowHeight = 0;
  std::array<int, 4> ColumnWidths{};
  int RowCount = 1;  // header row included
  int GridWidth = 0;
  int GridHeight = 0;
  bool ScrollBar = false;
  int DialogWidth = 0;
};

// Rows and columns from the grid font's size in points and the lengths of the translated
// headers of columns 1..3 ("Logging_10", "Date_10", "Memory_10").
BlockListGeometry BlockListColumns(int fontPointSize, const std::array<size_t, 3>& headerLengths);
// SizeBlockList: the grid and dialog sizes for n blocks; at most eleven rows show, the rest
// scroll.
void SizeBlockList(BlockListGeometry& geometry, int blockCount);
// The dialog's height when it is shown.
inline int BlockListDialogHeight(int gridHeight, int buttonHeight) {
  return gridHeight + 4 * buttonHeight;
}

}  // namespace qv
