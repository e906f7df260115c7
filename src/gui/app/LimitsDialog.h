// Settings > Limits (frmLimits): the upper and lower limit of each of the 16 quantities in the
// display units, an empty cell for none. They are kept in the settings in SI units; the graphs
// draw them and count the time beyond them, the survey report lists it.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"
#include "survey/SurveyStatistics.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class QLabel;
class QTableWidget;

namespace qv {

class TfrmLimits : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kQuantityColumn = 0;
  static constexpr int kUnitColumn = 1;
  static constexpr int kUpperColumn = 2;
  static constexpr int kLowerColumn = 3;

  // `applied` runs after OK has stored new limits, for whatever shows them.
  TfrmLimits(AppContext& ctx, Prompter& prompter, std::function<void()> applied,
             QWidget* parent = nullptr);

  // Shows the stored limits; OK stores the table's once every cell is a number or empty and no
  // lower limit lies above its upper one, Cancel leaves them as they were.
  void mmConfigLimitsClick();

  // One row per quantity (row q - 1), the limits as texts in the display units.
  QTableWidget* Table() const { return table_; }
  // The table filled from the settings, as the dialog opens; `report` shows a message for
  // stored values that are not numbers.
  void Fill(bool report = false);

 protected:
  void showEvent(QShowEvent* event) override;

 public slots:
  void accept() override;

 private:
  // The table's limits in SI units; none, after a message naming the cell, when a cell is wrong.
  std::optional<LimitTable> Read();
  QString CellName(int q, int column) const;

  AppContext& ctx_;
  Prompter& prompter_;
  std::function<void()> applied_;
  QLabel* hint_ = nullptr;
  QTableWidget* table_ = nullptr;
  // As filled: the stored limits and the texts that show them. A cell left as it was keeps its
  // stored value exactly, however the unit conversion rounds.
  LimitTable stored_{};
  std::array<std::array<QString, 2>, kQuantityCount> shown_;
};

}  // namespace qv
