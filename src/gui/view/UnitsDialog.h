// The display unit system (Config > Units and the table's pop-up): SI or US.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QGroupBox;
class QPushButton;

namespace qv {

class TfrmUnits : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kClientWidth = 257;
  static constexpr int kClientHeight = 152;

  // `repaint` redraws whatever shows values in the new unit system.
  TfrmUnits(AppContext& ctx, Prompter& prompter, std::function<void()> repaint,
            QWidget* parent = nullptr);

  // Shows the dialog; OK makes the choice the display unit system and stores every
  // user-interface choice; Cancel keeps the unit system as it was.
  void ppUnitsClick();

  int ControlPosition() const;  // 0 SI, 1 US, -1 none

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowPosition(int position);

  AppContext& ctx_;
  Prompter& prompter_;
  std::function<void()> repaint_;
  QGroupBox* rgUnits_;
  QButtonGroup* buttons_;
  QPushButton* btnOK_;
  QPushButton* btnCancel_;
};

}  // namespace qv
