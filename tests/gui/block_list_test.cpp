// The logging-block list: memory shares, which clicks mark which blocks in both modes, the
// wheel guard and the keys, and the grid and dialog sizes.
#include "GuiTestSupport.h"
#include "download/BlockList.h"
#include "download/DownLoadListDialog.h"

#include <gtest/gtest.h>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

namespace qv {
namespace {

TEST(BlockList, MemoryShareRoundsHalfToEvenAndMarksSmallBlocks) {
  const struct {
    int samples;
    const char* text;
  } cases[] = {{41, "1 %"},  {4096, "100 %"}, {512, "12 %"},  {40, "< 1 %"},
               {0, "< 1 %"}, {1536, "38 %"},  {2560, "62 %"}, {1024, "25 %"}};
  for (const auto& c : cases)
    EXPECT_EQ(MemoryShareText(c.samples), c.text) << c.samples;
}

TEST(BlockList, ColumnsAndSizesFollowTheFontAndTheBlockCount) {
  BlockListGeometry g = BlockListColumns(8, {7, 4, 6});
  EXPECT_EQ(g.RowHeight, 20);
  EXPECT_EQ(g.ColumnWidths, (std::array<int, 4>{40, 136, 112, 128}));

  SizeBlockList(g, 10);  // eleven rows: all show
  EXPECT_EQ(g.RowCount, 11);
  EXPECT_FALSE(g.ScrollBar);
  EXPECT_EQ(g.GridHeight, 11 * 21 + 4);
  EXPECT_EQ(g.GridWidth, 10 + 40 + 136 + 112 + 128);
  EXPECT_EQ(g.DialogWidth, 469);  // 1.1 x 426 = 468.6

  SizeBlockList(g, 11);  // twelve rows: eleven show, a scroll bar for the rest
  EXPECT_TRUE(g.ScrollBar);
  EXPECT_EQ(g.GridHeight, 11 * 21 + 4);
  EXPECT_EQ(g.GridWidth, 426 + 20);

  SizeBlockList(g, 3);
  EXPECT_EQ(g.GridHeight, 4 * 21 + 4);

  // 9 pt: a row height of 22.5 is cut to 22.
  EXPECT_EQ(BlockListColumns(9, {7, 4, 6}).RowHeight, 22);
}

std::vector<TLoggerRecord> Blocks(int n) {
  std::vector<TLoggerRecord> blocks(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    blocks[static_cast<size_t>(i)].SampleCount = 100 * (i + 1);
  return blocks;
}

std::vector<int> Marked(const std::vector<TLoggerRecord>& blocks) {
  std::vector<int> marked;
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (blocks[i].Selected) marked.push_back(static_cast<int>(i));
  }
  return marked;
}

class BlockListDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = test::DataFolder::Shipped();
    ctx_ = std::make_unique<AppContext>(data_->Path(), test::FreshSettingsName());
    dialog_ = std::make_unique<TfrmDownLoadList>(*ctx_);
  }
  void Show(ListMode mode, int n) {
    blocks_ = Blocks(n);
    dialog_->SetBlocks(&blocks_);
    dialog_->SetMode(mode);
    dialog_->SizeBlockList(n);
    dialog_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
  }
  // A real mouse press on a cell of the grid.
  void Click(int row, int column) {
    BlockGrid* grid = dialog_->Grid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(row, column).center());
  }

  std::unique_ptr<test::DataFolder> data_;
  std::unique_ptr<AppContext> ctx_;
  std::unique_ptr<TfrmDownLoadList> dialog_;
  std::vector<TLoggerRecord> blocks_;
};

TEST_F(BlockListDialog, DownloadModeTogglesNumbersOnlyAndSelectAllMarksEverything) {
  Show(ListMode::DownLoad, 5);
  EXPECT_FALSE(dialog_->findChild<QPushButton*>("btnDownLoad")->isHidden());
  EXPECT_FALSE(dialog_->findChild<QPushButton*>("btnSelectAll")->isHidden());
  EXPECT_TRUE(dialog_->findChild<QPushButton*>("btnShow")->isHidden());

  Click(1, 0);
  Click(3, 0);
  EXPECT_EQ(Marked(blocks_), (std::vector<int>{0, 2}));
  Click(1, 0);  // a marked block's number unmarks it
  EXPECT_EQ(Marked(blocks_), (std::vector<int>{2}));
  Click(4, 2);  // the date column refuses the selection
  Click(0, 0);  // so does the header row
  EXPECT_EQ(Marked(blocks_), (std::vector<int>{2}));

  dialog_->findChild<QPushButton*>("btnSelectAll")->click();
  EXPECT_EQ(Marked(blocks_), (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(BlockListDialog, ShowModeKeepsExactlyOneBlockMarked) {
  Show(ListMode::Show, 4);
  EXPECT_TRUE(dialog_->findChild<QPushButton*>("btnDownLoad")->isHidden());
  EXPECT_TRUE(dialog_->findChild<QPushButton*>("btnSelectAll")->isHidden());
  EXPECT_FALSE(dialog_->findChild<QPushButton*>("btnShow")->isHidden());
  Click(1, 0);
  Click(3, 0);
  EXPECT_EQ(Marked(blocks_), (std::vector<int>{2}));
  Click(3, 0);  // clicking the marked one keeps it marked
  EXPECT_EQ(Marked(blocks_), (std::vector<int>{2}));
  EXPECT_EQ(LastSelectedBlock(blocks_), 2);
}

TEST_F(BlockListDialog, WheelScrollsWithoutMarkingAndKeysDoNotMoveThroughRows) {
  Show(ListMode::DownLoad, 20);
  BlockGrid* grid = dialog_->Grid();
  EXPECT_TRUE(grid->verticalScrollBar()->isVisible());

  const QPoint at = grid->CellRect(2, 0).center();
  QWheelEvent wheel(at, grid->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(grid->viewport(), &wheel);
  EXPECT_TRUE(grid->WheelGuard());
  EXPECT_GT(grid->TopRow(), 1);
  // A selection arriving while the guard is set (as a grid moving its current row with the
  // wheel would send) marks nothing.
  dialog_->SelectCell(grid->TopRow(), 0);
  EXPECT_TRUE(Marked(blocks_).empty());

  const int top = grid->TopRow();
  for (int key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp}) {
    QTest::keyClick(grid, static_cast<Qt::Key>(key));
  }
  EXPECT_EQ(grid->TopRow(), top);
  EXPECT_TRUE(Marked(blocks_).empty());

  Click(top, 0);  // a press clears the guard, so the click marks
  EXPECT_FALSE(grid->WheelGuard());
  EXPECT_EQ(Marked(blocks_), (std::vector<int>{top - 1}));
}

TEST_F(BlockListDialog, SizesFollowTheRulesAndCellsShowBlockTexts) {
  Show(ListMode::DownLoad, 3);
  BlockGrid* grid = dialog_->Grid();
  const BlockListGeometry& g = grid->GeometryRules();
  EXPECT_EQ(grid->height(), 4 * (g.RowHeight + 1) + 4);
  EXPECT_EQ(dialog_->width(), qRound(1.1 * grid->width()));
  const int buttonHeight = dialog_->findChild<QPushButton*>("btnDownLoad")->height();
  EXPECT_EQ(dialog_->height(), grid->height() + 4 * buttonHeight);
  EXPECT_EQ(grid->CellText(2, 1), ctx_->Tr("Logging_10") + " 2");
  EXPECT_EQ(grid->CellText(3, 3), "7 %");  // 300 samples

  dialog_->SizeBlockList(11);
  EXPECT_EQ(grid->height(), 11 * (g.RowHeight + 1) + 4);
  EXPECT_EQ(grid->width(), 10 + g.ColumnWidths[0] + g.ColumnWidths[1] + g.ColumnWidths[2] +
                               g.ColumnWidths[3] + 20);
}

}  // namespace
}  // namespace qv
