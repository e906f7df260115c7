// The logging-block list: in download mode the person marks the blocks to download, in show
// mode the one block to show. The marks are the blocks' Selected flags.
#pragma once

#include "common/AppContext.h"
#include "download/BlockGrid.h"
#include "download/BlockList.h"

#include <QDialog>
#include <vector>

class QPushButton;

namespace qv {

class TfrmDownLoadList : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmDownLoadList(AppContext& ctx, QWidget* parent = nullptr);

  // The blocks the list shows and marks (usually the document's LoggerBlocks).
  void SetBlocks(std::vector<TLoggerRecord>* blocks);
  // Download mode shows DownLoad and Select All, show mode shows Show.
  void SetMode(ListMode mode);
  ListMode Mode() const { return mode_; }
  // The grid and dialog sizes for n blocks.
  void SizeBlockList(int blockCount);
  // True for DownLoad or Show, false for Cancel.
  bool ShowModal();

  BlockGrid* Grid() const { return sgLoggList_; }
  void btnSelectAllClick();
  // A selection of the grid's cell (row, column): the rules of the mode decide.
  void SelectCell(int row, int column);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void PlaceButtons();

  AppContext& ctx_;
  std::vector<TLoggerRecord>* blocks_ = nullptr;
  ListMode mode_ = ListMode::DownLoad;
  BlockGrid* sgLoggList_;
  QPushButton* btnSelectAll_;
  QPushButton* btnDownLoad_;
  QPushButton* btnShow_;
  QPushButton* btnCancel_;
};

}  // namespace qv
