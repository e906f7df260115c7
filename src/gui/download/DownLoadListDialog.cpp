#include "download/DownLoadListDialog.h"

#include "common/WindowLook.h"

#include <QFontInfo>
#include <QPushButton>

namespace qv {
namespace {

constexpr int kGridTop = 10;
constexpr int kButtonGap = 8;

// The grid font's size in points, as the sizing rules count it.
int PointSize(const QFont& font) {
  if (font.pointSize() > 0) return font.pointSize();
  return qRound(QFontInfo(font).pointSizeF());
}

}  // namespace

TfrmDownLoadList::TfrmDownLoadList(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("frmDownLoadList"));
  sgLoggList_ = new BlockGrid(ctx_, this);
  btnSelectAll_ = new QPushButton(ctx_.Tr("btnSelectAll_12"), this);
  btnSelectAll_->setObjectName(QStringLiteral("btnSelectAll"));
  btnDownLoad_ = new QPushButton(ctx_.Tr("btnDownLoad_12"), this);
  btnDownLoad_->setObjectName(QStringLiteral("btnDownLoad"));
  btnDownLoad_->setDefault(true);
  btnShow_ = new QPushButton(ctx_.Tr("btnShow_8"), this);
  btnShow_->setObjectName(QStringLiteral("btnShow"));
  btnCancel_ = new QPushButton(ctx_.Tr("btnCancel_8"), this);
  btnCancel_->setObjectName(QStringLiteral("btnCancel"));
  for (QPushButton* b : {btnSelectAll_, btnDownLoad_, btnShow_, btnCancel_}) {
    b->setMinimumWidth(std::max(90, b->sizeHint().width()));
    b->resize(b->minimumWidth(), std::max(28, b->sizeHint().height()));
  }
  connect(btnSelectAll_, &QPushButton::clicked, this, &TfrmDownLoadList::btnSelectAllClick);
  connect(btnDownLoad_, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnShow_, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(sgLoggList_, &BlockGrid::cellPressed, this, &TfrmDownLoadList::SelectCell);

  setWindowTitle(ctx_.Tr("frmDownLoadList_35"));
  const std::array<size_t, 3> headers = {ctx_.Texts.Translate("Logging_10").size(),
                                         ctx_.Texts.Translate("Date_10").size(),
                                         ctx_.Texts.Translate("Memory_10").size()};
  sgLoggList_->SetGeometryRules(BlockListColumns(PointSize(sgLoggList_->font()), headers));
  SetMode(ListMode::DownLoad);
  SizeBlockList(0);
  ApplyDialogLook(this);
}

void TfrmDownLoadList::SetBlocks(std::vector<TLoggerRecord>* blocks) {
  blocks_ = blocks;
  sgLoggList_->SetBlocks(blocks);
}

void TfrmDownLoadList::SetMode(ListMode mode) {
  mode_ = mode;
  const bool download = mode == ListMode::DownLoad;
  btnDownLoad_->setVisible(download);
  btnSelectAll_->setVisible(download);
  btnShow_->setVisible(!download);
  btnDownLoad_->setDefault(download);
  btnShow_->setDefault(!download);
  PlaceButtons();
}

void TfrmDownLoadList::SizeBlockList(int blockCount) {
  BlockListGeometry g = sgLoggList_->GeometryRules();
  qv::SizeBlockList(g, blockCount);
  sgLoggList_->SetGeometryRules(g);
  sgLoggList_->setVerticalScrollBarPolicy(g.ScrollBar ? Qt::ScrollBarAlwaysOn
                                                      : Qt::ScrollBarAlwaysOff);
  sgLoggList_->setGeometry((g.DialogWidth - g.GridWidth) / 2, kGridTop, g.GridWidth, g.GridHeight);
  setFixedSize(g.DialogWidth, BlockListDialogHeight(g.GridHeight, btnDownLoad_->height()));
  PlaceButtons();
}

void TfrmDownLoadList::PlaceButtons() {
  // Visible buttons in one row under the grid, right-aligned with it.
  const QRect grid = sgLoggList_->geometry();
  int right = grid.right() + 1;
  const int top = grid.bottom() + 1 + (height() - grid.bottom() - btnCancel_->height()) / 2;
  for (QPushButton* b : {btnCancel_, btnShow_, btnDownLoad_, btnSelectAll_}) {
    if (b->isHidden()) continue;
    b->move(right - b->width(), top);
    right -= b->width() + kButtonGap;
  }
}

void TfrmDownLoadList::showEvent(QShowEvent* event) {
  sgLoggList_->ClearWheelGuard();
  SizeBlockList(sgLoggList_->GeometryRules().RowCount - 1);
  // The list is the choice here; the buttons only confirm it.
  sgLoggList_->setFocus();
  QDialog::showEvent(event);
}

bool TfrmDownLoadList::ShowModal() {
  return exec() == QDialog::Accepted;
}

void TfrmDownLoadList::SelectCell(int row, int column) {
  if (!blocks_) return;
  if (ChooseBlock(*blocks_, row, column, mode_, sgLoggList_->WheelGuard())) {
    sgLoggList_->viewport()->update();
  }
}

void TfrmDownLoadList::btnSelectAllClick() {
  if (!blocks_) return;
  SelectAllBlocks(*blocks_);
  sgLoggList_->viewport()->update();
}

}  // namespace qv
