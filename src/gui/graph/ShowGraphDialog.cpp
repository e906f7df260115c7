#include "graph/ShowGraphDialog.h"

#include "common/WindowLook.h"
#include "graph/GraphData.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {
namespace {

// Quantity numbers row by row, as the boxes stand in the dialog.
constexpr int kGrid[4][4] = {{1, 4, 5, 2}, {6, 7, 3, 9}, {8, 10, 11, 12}, {13, 14, 15, 16}};

}  // namespace

TfrmShowGraph::TfrmShowGraph(AppContext& ctx, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmShowGraph"));
  setWindowTitle(ctx.Tr("frmShowGraph_35"));
  auto* group =
      new QGroupBox(QStringLiteral(" ") + ctx.Tr("gbParameters_15") + QStringLiteral(" "), this);
  group->setObjectName(QStringLiteral("gbParameters"));
  auto* grid = new QGridLayout(group);
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      const int q = kGrid[row][column];
      const GraphQuantity* g = GraphQuantityOf(q);
      auto* box = new QCheckBox(ctx.Tr(q == 12   ? "labPMV_25"
                                       : q == 13 ? "labPPD_25"
                                       : q == 14 ? "labWBGT_25"
                                                 : g->CaptionKey),
                                group);
      box->setObjectName(QString::fromLatin1(g->Box));
      boxes_[static_cast<size_t>(q - 1)] = box;
      grid->addWidget(box, row, column);
    }
  }
  QDialogButtonBox* buttons = OkCancelButtons(ctx, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  ApplyDialogLook(this);
}

void TfrmShowGraph::Apply(const GraphParameters& available, const std::array<bool, 16>& stored) {
  for (int q = 1; q <= 16; ++q) {
    QCheckBox* box = Box(q);
    const bool on = available[static_cast<size_t>(q)].Enabled;
    box->setEnabled(on);
    box->setChecked(on && stored[static_cast<size_t>(q - 1)]);
  }
}

std::array<bool, 16> TfrmShowGraph::Chosen() const {
  std::array<bool, 16> chosen{};
  for (int q = 1; q <= 16; ++q)
    chosen[static_cast<size_t>(q - 1)] = boxes_[static_cast<size_t>(q - 1)]->isChecked();
  return chosen;
}

}  // namespace qv
