#include "comfort/ComfortCalculator.h"

#include "comfort/ComfortIndices.h"
#include "common/LocaleNumbers.h"
#include "common/WindowLook.h"
#include "format/NumberText.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string_view>

namespace qv {
namespace {

struct InputLook {
  const char* name;
  const char* key;     // the caption; none for the two radio buttons
  const char* suffix;  // a text key, or a unit written as it stands (met, clo)
  bool suffixIsKey;
  double low, high;
  int decimals;
  double step, value;
};

// In the order of TfrmComfortCalculator::Input. The ranges go beyond those of ISO 7730, so that
// a value outside them shows what happens there.
const InputLook kInputs[] = {
    {"spnAirTemp", "labAirTemp_25", "Unit-Cels_10", true, -50, 100, 1, 0.5, 22},
    {"spnHumidity", "labRelHum_25", "Unit-ProcRH_10", true, 0, 100, 1, 5, 50},
    {"spnVelocity", "labAirVel_25", "Unit-M/S_10", true, 0, 10, 2, 0.05, 0.1},
    {"spnMet", "lbMetabolic1_15", "met", false, 0, 10, 1, 0.1, 1.2},
    {"spnClo", "lbClothing1_15", "clo", false, 0, 5, 2, 0.05, 0.5},
    {"spnRadiant", nullptr, "Unit-Cels_10", true, -50, 150, 1, 0.5, 22},
    {"spnGlobe", nullptr, "Unit-Cels_10", true, -50, 150, 1, 0.5, 22},
    {"spnDiameter", "qrlComfortDiameter_30", "qrlUnitMetre_10", true, 0.01, 1, 3, 0.01, 0.15},
    {"spnEmissivity", "qrlComfortEmissivity_30", nullptr, false, 0.01, 1, 2, 0.01, 0.95},
    {"spnTurbulence", "qrlComfortTurbulence_30", "Unit-Proc_10", true, 0, 100, 0, 5, 40},
};

struct OutputLook {
  const char* name;
  const char* key;
  const char* unit;
};
// In the order of TfrmComfortCalculator::Output.
const OutputLook kOutputs[] = {
    {"edtPmv", "labPMV_25", nullptr},
    {"edtPpd", "labPPD_25", "Unit-Proc_10"},
    {"edtRadiant", "qrlComfortRadiant_40", "Unit-Cels_10"},
    {"edtOperative", "qrlComfortOperative_30", "Unit-Cels_10"},
    {"edtDraught", "qrlComfortDraught_30", "Unit-Proc_10"},
    {"edtIso7730", "qrlComfortCategoryIso_40", nullptr},
    {"edtEn16798", "qrlComfortCategoryEn_40", nullptr},
};

const QString kNone = QStringLiteral("---");
constexpr int kNoteWidth = 540;
constexpr const char* kNoteKeys[] = {"qrlComfortWhyGlobe_70", "qrlComfortWhyBeyond_70",
                                     "qrlComfortWhyConvergence_70", "qrlComfortWhyRanges_90"};

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TfrmComfortCalculator::TfrmComfortCalculator(AppContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("frmComfortCalculator"));
  setWindowTitle(ctx_.Tr("frmComfortCalculator_40"));
  auto* layout = new QVBoxLayout(this);

  auto* inputs = new QGroupBox(ctx_.Tr("gbComfortInputs_30"), this);
  inputs->setObjectName(QStringLiteral("gbInputs"));
  auto* grid = new QGridLayout(inputs);
  for (int i = 0; i < InputCount; ++i) {
    const InputLook& look = kInputs[i];
    auto* spin = new QDoubleSpinBox(inputs);
    spin->setObjectName(QString::fromLatin1(look.name));
    spin->setRange(look.low, look.high);
    spin->setDecimals(look.decimals);
    spin->setSingleStep(look.step);
    spin->setValue(look.value);
    spin->setAlignment(Qt::AlignRight);
    if (look.suffix != nullptr) {
      spin->setSuffix(QLatin1Char(' ') +
                      (look.suffixIsKey ? ctx_.Tr(look.suffix) : QString::fromLatin1(look.suffix)));
    }
    inputs_[static_cast<size_t>(i)] = spin;
    connect(spin, &QDoubleSpinBox::valueChanged, this, [this] { Recompute(); });
  }
  // The mean radiant temperature typed, or from the globe with its size and emissivity.
  rbRadiant_ = new QRadioButton(ctx_.Tr("qrlComfortRadiant_40"), inputs);
  rbRadiant_->setObjectName(QStringLiteral("rbRadiant"));
  rbGlobe_ = new QRadioButton(ctx_.Tr("labGlobeTemp_25"), inputs);
  rbGlobe_->setObjectName(QStringLiteral("rbGlobe"));
  auto* source = new QButtonGroup(this);
  source->addButton(rbRadiant_);
  source->addButton(rbGlobe_);
  rbRadiant_->setChecked(true);
  connect(rbRadiant_, &QRadioButton::toggled, this, [this] { Recompute(); });

  int row = 0;
  const auto add = [&](QWidget* caption, Input input, int column) {
    grid->addWidget(caption, row, column);
    grid->addWidget(inputs_[input], row, column + 1);
  };
  const auto caption = [&](Input input) {
    auto* label = new QLabel(ctx_.Tr(kInputs[input].key), inputs);
    label->setObjectName(QStringLiteral("lb") + QString::fromLatin1(kInputs[input].name + 3));
    return label;
  };
  // Air and person on the left, the radiant side and the turbulence on the right.
  add(caption(AirTemp), AirTemp, 0);
  add(rbRadiant_, Radiant, 3);
  ++row;
  add(caption(Humidity), Humidity, 0);
  add(rbGlobe_, Globe, 3);
  ++row;
  add(caption(Velocity), Velocity, 0);
  add(caption(Diameter), Diameter, 3);
  ++row;
  add(caption(Metabolic), Metabolic, 0);
  add(caption(Emissivity), Emissivity, 3);
  ++row;
  add(caption(Clothing), Clothing, 0);
  add(caption(Turbulence), Turbulence, 3);
  grid->setColumnMinimumWidth(2, 16);
  layout->addWidget(inputs);

  auto* results = new QGroupBox(ctx_.Tr("gbComfortResults_30"), this);
  results->setObjectName(QStringLiteral("gbResults"));
  auto* out = new QGridLayout(results);
  for (int o = 0; o < OutputCount; ++o) {
    const OutputLook& look = kOutputs[o];
    auto* label = new QLabel(ctx_.Tr(look.key), results);
    label->setObjectName(QStringLiteral("lb") + QString::fromLatin1(look.name + 3));
    auto* box = new QLineEdit(results);
    box->setObjectName(QString::fromLatin1(look.name));
    box->setAlignment(Qt::AlignRight);
    box->setFixedWidth(80);
    ReadOnlyLook(box);
    outputs_[static_cast<size_t>(o)] = box;
    // PMV to draught rate on the left, the two categories on the right.
    const int r = o < Iso7730 ? o : o - Iso7730;
    const int c = o < Iso7730 ? 0 : 4;
    out->addWidget(label, r, c);
    out->addWidget(box, r, c + 1);
    if (look.unit != nullptr) out->addWidget(new QLabel(ctx_.Tr(look.unit), results), r, c + 2);
  }
  out->setColumnMinimumWidth(3, 16);
  out->setColumnStretch(3, 1);
  lbNote_ = new QLabel(results);
  lbNote_->setObjectName(QStringLiteral("lbNote"));
  lbNote_->setWordWrap(true);
  lbNote_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // As high as the longest reason needs: the dialog keeps its size while the values change.
  lbNote_->setFixedWidth(kNoteWidth);
  int noteHeight = 0;
  for (const char* key : kNoteKeys) {
    lbNote_->setText(ctx_.Tr(key));
    noteHeight = std::max(noteHeight, lbNote_->heightForWidth(kNoteWidth));
  }
  lbNote_->setFixedHeight(noteHeight);
  out->addWidget(lbNote_, 5, 0, 1, 7);
  layout->addWidget(results);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* close = buttons->addButton(ctx_.Tr("btnClose_8"), QDialogButtonBox::RejectRole);
  close->setObjectName(QStringLiteral("btnClose"));
  close->setDefault(true);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  Recompute();
  ApplyDialogLook(this);
}

void TfrmComfortCalculator::mmToolsComfortCalculatorClick() {
  exec();
}

void TfrmComfortCalculator::SetRadiantTyped(bool typed) {
  (typed ? rbRadiant_ : rbGlobe_)->setChecked(true);
}

QString TfrmComfortCalculator::Result(Output output) const {
  return outputs_[output]->text();
}

QString TfrmComfortCalculator::Note() const {
  return lbNote_->text();
}

QString TfrmComfortCalculator::Number(double v, int decimals) const {
  return ctx_.Decode(FormatFixed(v, decimals, LocaleDecimalSeparator()));
}

void TfrmComfortCalculator::Recompute() {
  const auto value = [this](Input i) { return inputs_[i]->value(); };
  const bool typed = rbRadiant_->isChecked();
  inputs_[Radiant]->setEnabled(typed);
  for (Input i : {Globe, Diameter, Emissivity})
    inputs_[i]->setEnabled(!typed);

  const double ta = value(AirTemp);
  const double va = value(Velocity);
  const std::optional<double> tr =
      typed ? std::optional<double>(value(Radiant))
            : MeanRadiantFromGlobe(value(Globe), ta, va, {value(Diameter), value(Emissivity)});
  const PmvResult pmv =
      tr ? ComputePmv({ta, *tr, va, value(Humidity), value(Metabolic), value(Clothing)})
         : PmvResult{};
  const std::optional<double> to = tr ? OperativeTemperature(ta, *tr, va) : std::nullopt;
  const std::optional<double> dr = qv::DraughtRate(ta, va, value(Turbulence));
  const auto shown = [this](const std::optional<double>& v, int decimals) {
    return v ? Number(*v, decimals) : kNone;
  };
  outputs_[Pmv]->setText(shown(pmv.Pmv, 2));
  outputs_[Ppd]->setText(shown(pmv.Ppd, 1));
  outputs_[RadiantOut]->setText(shown(tr, 1));
  outputs_[Operative]->setText(shown(to, 1));
  outputs_[DraughtRate]->setText(shown(dr, 1));
  // The velocity of a point is measured: the draught rate takes part in the ISO 7730 category.
  outputs_[Iso7730]->setText(pmv.Pmv ? Latin1(CategoryName(Iso7730CategoryOf(*pmv.Pmv, dr)))
                                     : kNone);
  outputs_[En16798]->setText(pmv.Pmv ? Latin1(CategoryName(En16798CategoryOf(*pmv.Pmv))) : kNone);

  QString note;
  if (!tr) {
    note = ctx_.Tr(kNoteKeys[0]);
  } else if (!pmv.Pmv) {
    switch (pmv.Status) {
      case PmvStatus::BeyondTwo:
        note = ctx_.Tr(kNoteKeys[1]);
        break;
      case PmvStatus::NoConvergence:
        note = ctx_.Tr(kNoteKeys[2]);
        break;
      case PmvStatus::Computed:
      case PmvStatus::OutsideRanges:
        note = ctx_.Tr(kNoteKeys[3]);
        break;
    }
  }
  lbNote_->setText(note);
}

}  // namespace qv
