// Graph > Comfort... (frmComfort): the thermal comfort of the logging block on show. The inputs
// (metabolic rate and clothing as the block sets them or as given here, the globe's diameter and
// emissivity, the turbulence intensity, the settle time left out of the summary), the summary,
// computed afresh at every change of them (category shares as bars, PMV, PPD and draught rate
// extremes and means, the WBGT against its reference, every assumption in words), and the
// series that OK draws in graph windows.
#pragma once

#include "comfort/BlockComfort.h"
#include "comfort/ComfortGraphs.h"
#include "common/AppContext.h"
#include "common/Prompter.h"

#include <QDialog>
#include <array>
#include <map>
#include <optional>
#include <vector>

class QCheckBox;
class QDoubleSpinBox;
class QGridLayout;
class QLabel;
class QLineEdit;

namespace qv {

class TfrmGraphChild;
class TShareBar;

class TfrmComfort : public QDialog {
  Q_OBJECT
 public:
  TfrmComfort(AppContext& ctx, Prompter& prompter, QWidget* parent = nullptr);

  // Graph > Comfort...: the dialog on `block` (`number` from 1, for its caption) until it is
  // cancelled or OK; then the new windows of the ticked series, for the graph area. A block
  // that logs no air temperature or no humidity gets a message instead of the dialog.
  std::vector<TfrmGraphChild*> mmGraphComfortClick(const TLoggerRecord& block, int number);

  // Fills the dialog for `block` without showing it: false, after the message, when the block
  // cannot be analysed at all.
  bool Load(const TLoggerRecord& block, int number);
  // The analysis the summary shows; none while the metabolic rate or the clothing is missing or
  // a field holds no number.
  const std::optional<BlockComfort>& Result() const { return result_; }
  // The settings the fields give (the block's own met and clo left unset).
  const ComfortSettings& Settings() const { return settings_; }
  // The windows of the ticked series from the present analysis.
  std::vector<TfrmGraphChild*> NewGraphs() const;

  // Parts for tests and pictures.
  QLineEdit* MetabolicRateBox() const { return edtMet_; }
  QLineEdit* ClothingBox() const { return edtClo_; }
  QDoubleSpinBox* DiameterBox() const { return spnDiameter_; }
  QDoubleSpinBox* EmissivityBox() const { return spnEmissivity_; }
  QDoubleSpinBox* TurbulenceBox() const { return spnTurbulence_; }
  QDoubleSpinBox* SettleBox() const { return spnSettle_; }
  QCheckBox* SeriesBox(ComfortSeries s) const { return series_[static_cast<size_t>(s)]; }
  TShareBar* Iso7730Bar() const { return barIso_; }
  TShareBar* En16798Bar() const { return barEn_; }
  // The summary's texts: the requests for what the block leaves unset or a field lacks (empty
  // when none), the shares under
  // each bar, "minimum, mean, maximum" of PMV, PPD and draught rate, the WBGT line (hidden when
  // the block logs no WBGT) and the assumptions.
  QString RequestText() const;
  QString Iso7730Text() const;
  QString En16798Text() const;
  QString SpreadText(int row, int column) const;
  QString EvaluatedText() const;
  QString WbgtText() const;
  bool WbgtShown() const;
  QString AssumptionsText() const;

 public slots:
  // OK: with every input given, closes the dialog for the drawing; else asks for what is
  // missing.
  void accept() override;

 private:
  void BuildInputs(QGridLayout* grid);
  QWidget* BuildSummary();
  QWidget* BuildSeries();
  // Reads the fields, analyses the block and shows the summary.
  void Recompute();
  void ShowSummary();
  void ClearSummary();
  // The requests for the inputs the person must still give (an empty field or no number), empty
  // when none; `field` the first of them.
  QString MissingInput(QLineEdit** field) const;
  // The block sets none and the field still holds the value proposed for it.
  bool MetProposed() const;
  bool CloProposed() const;
  // Where the value `text` of a field comes from: the block, proposed, or given.
  QString SourceText(const QString& text, const QString& fromBlock, bool proposed) const;
  QString Number(double v, int decimals) const;

  AppContext& ctx_;
  Prompter& prompter_;
  // A copy: a download that ends while the dialog is open replaces the document.
  std::optional<TLoggerRecord> block_;
  // The block's own met and clo as the fields were filled with them; the same text in a field
  // takes the block's exact value.
  QString blockMet_, blockClo_;
  // The typical values filled in where the block sets none (empty where it sets one).
  QString proposedMet_, proposedClo_;
  ComfortSettings settings_;
  std::optional<BlockComfort> result_;

  QLabel* lbBlock_ = nullptr;
  QLineEdit* edtMet_ = nullptr;
  QLineEdit* edtClo_ = nullptr;
  QLabel* lbMetFrom_ = nullptr;
  QLabel* lbCloFrom_ = nullptr;
  QDoubleSpinBox* spnDiameter_ = nullptr;
  QDoubleSpinBox* spnEmissivity_ = nullptr;
  QDoubleSpinBox* spnTurbulence_ = nullptr;
  QDoubleSpinBox* spnSettle_ = nullptr;
  QCheckBox* cbAcclimatised_ = nullptr;
  QLabel* lbRequest_ = nullptr;
  QLabel* lbEvaluated_ = nullptr;
  TShareBar* barIso_ = nullptr;
  TShareBar* barEn_ = nullptr;
  QLabel* lbIso_ = nullptr;
  QLabel* lbEn_ = nullptr;
  std::array<std::array<QLabel*, 3>, 3> spread_{};  // PMV, PPD, DR x minimum, mean, maximum
  QLabel* lbWbgtCaption_ = nullptr;
  QLabel* lbWbgt_ = nullptr;
  QLabel* lbAssumptions_ = nullptr;
  std::array<QCheckBox*, kComfortSeries.size()> series_{};
};

}  // namespace qv
