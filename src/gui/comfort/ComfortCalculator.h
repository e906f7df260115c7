// Tools > Comfort Calculator (frmComfortCalculator): the thermal comfort of one point from the
// six inputs of ISO 7730, the mean radiant temperature typed or taken from a globe (ISO 7726),
// with the turbulence intensity for the draught rate. Every change computes PMV, PPD, the
// operative temperature, the draught rate and the categories afresh; outside the validity ranges
// of ISO 7730 the PMV and PPD are "---", with the reason beneath.
#pragma once

#include "common/AppContext.h"

#include <QDialog>
#include <array>

class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace qv {

class TfrmComfortCalculator : public QDialog {
  Q_OBJECT
 public:
  enum Input {
    AirTemp,
    Humidity,
    Velocity,
    Metabolic,
    Clothing,
    Radiant,
    Globe,
    Diameter,
    Emissivity,
    Turbulence,
    InputCount
  };
  enum Output { Pmv, Ppd, RadiantOut, Operative, DraughtRate, Iso7730, En16798, OutputCount };

  explicit TfrmComfortCalculator(AppContext& ctx, QWidget* parent = nullptr);

  // Tools > Comfort Calculator: shown until it is closed; the values stay for the next time.
  void mmToolsComfortCalculatorClick();

  QDoubleSpinBox* Field(Input input) const { return inputs_[input]; }
  // The radiant temperature typed (false: from the globe).
  void SetRadiantTyped(bool typed);
  QString Result(Output output) const;
  // Why a result is "---"; empty when every result has a value.
  QString Note() const;

 private:
  void Recompute();
  QString Number(double v, int decimals) const;

  AppContext& ctx_;
  std::array<QDoubleSpinBox*, InputCount> inputs_{};
  std::array<QLineEdit*, OutputCount> outputs_{};
  QRadioButton* rbRadiant_ = nullptr;
  QRadioButton* rbGlobe_ = nullptr;
  QLabel* lbNote_ = nullptr;
};

}  // namespace qv
