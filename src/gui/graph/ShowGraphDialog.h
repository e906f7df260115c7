// Graph > Draw's choice of quantities (frmShowGraph): sixteen boxes in four rows, available as
// the current block allows, set from the stored choices.
#pragma once

#include "common/AppContext.h"
#include "graph/GraphParameters.h"

#include <QDialog>
#include <array>

class QCheckBox;

namespace qv {

class TfrmShowGraph : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmShowGraph(AppContext& ctx, QWidget* parent = nullptr);

  // The boxes for a block: a quantity the block cannot draw is disabled and unchecked whatever
  // was chosen before; the others take the stored choice.
  void Apply(const GraphParameters& available, const std::array<bool, 16>& stored);
  // The checked quantities, by quantity number - 1.
  std::array<bool, 16> Chosen() const;
  QCheckBox* Box(int quantity) const { return boxes_[static_cast<size_t>(quantity - 1)]; }

 private:
  std::array<QCheckBox*, 16> boxes_{};
};

}  // namespace qv
