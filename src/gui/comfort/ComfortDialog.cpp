#include "comfort/ComfortDialog.h"

#include "comfort/ShareBar.h"
#include "common/LocaleNumbers.h"
#include "common/WindowLook.h"
#include "format/DateTimeText.h"
#include "format/NumberText.h"
#include "graph/GraphWindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace qv {
namespace {

// The width of the summary's wrapped texts: the dialog keeps one size for every block.
constexpr int kSummaryWidth = 700;
const QColor kRequestColour(190, 30, 30);
// What stands in the fields when the block sets no metabolic rate or clothing: seated office
// work in light indoor clothing.
constexpr double kProposedMetabolicRate = 1.2;
constexpr double kProposedClothing = 0.7;

const char* const kSeriesNames[] = {"cbComfortPmv", "cbComfortPpd", "cbComfortOperative",
                                    "cbComfortDraught"};
const char* const kSeriesKeys[] = {"labPMV_25", "labPPD_25", "qrlComfortOperative_30",
                                   "qrlComfortDraught_30"};

QString WithoutColon(QString text) {
  text = text.trimmed();
  if (text.endsWith(QLatin1Char(':'))) text.chop(1);
  return text.trimmed();
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text = QString()) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QDoubleSpinBox* NewSpin(QWidget* parent, const char* name, double low, double high, int decimals,
                        double step, double value) {
  auto* spin = new QDoubleSpinBox(parent);
  spin->setObjectName(QString::fromLatin1(name));
  spin->setRange(low, high);
  spin->setDecimals(decimals);
  spin->setSingleStep(step);
  spin->setValue(value);
  spin->setAlignment(Qt::AlignRight);
  return spin;
}

// A wrapped text at the summary's width, as high as its lines.
void FitWrapped(QLabel* label) {
  label->setFixedWidth(kSummaryWidth);
  label->setFixedHeight(label->text().isEmpty() ? 0 : label->heightForWidth(kSummaryWidth));
}

}  // namespace

TfrmComfort::TfrmComfort(AppContext& ctx, Prompter& prompter, QWidget* parent)
    : QDialog(parent), ctx_(ctx), prompter_(prompter) {
  setObjectName(QStringLiteral("frmComfort"));
  setWindowTitle(ctx_.Tr("frmComfort_40"));
  auto* layout = new QVBoxLayout(this);
  lbBlock_ = NewLabel(this, "lbBlock");
  QFont bold = lbBlock_->font();
  bold.setBold(true);
  lbBlock_->setFont(bold);
  layout->addWidget(lbBlock_);

  auto* inputs = new QGroupBox(ctx_.Tr("gbComfortInputs_30"), this);
  inputs->setObjectName(QStringLiteral("gbInputs"));
  BuildInputs(new QGridLayout(inputs));
  layout->addWidget(inputs);
  layout->addWidget(BuildSummary());
  layout->addWidget(BuildSeries());
  layout->addWidget(OkCancelButtons(ctx_, this));
  ApplyDialogLook(this);
}

void TfrmComfort::BuildInputs(QGridLayout* grid) {
  QWidget* box = grid->parentWidget();
  grid->setHorizontalSpacing(8);
  auto edit = [box](const char* name) {
    auto* e = new QLineEdit(box);
    e->setObjectName(QString::fromLatin1(name));
    e->setFixedWidth(70);
    e->setAlignment(Qt::AlignRight);
    return e;
  };
  edtMet_ = edit("edtMet");
  edtClo_ = edit("edtClo");
  lbMetFrom_ = NewLabel(box, "lbMetFrom");
  lbCloFrom_ = NewLabel(box, "lbCloFrom");
  grid->addWidget(NewLabel(box, "lbMet", ctx_.Tr("lbMetabolic1_15")), 0, 0);
  grid->addWidget(edtMet_, 0, 1);
  grid->addWidget(NewLabel(box, "lbMetUnit", QStringLiteral("met")), 0, 2);
  grid->addWidget(lbMetFrom_, 0, 3);
  grid->addWidget(NewLabel(box, "lbClo", ctx_.Tr("lbClothing1_15")), 1, 0);
  grid->addWidget(edtClo_, 1, 1);
  grid->addWidget(NewLabel(box, "lbCloUnit", QStringLiteral("clo")), 1, 2);
  grid->addWidget(lbCloFrom_, 1, 3);

  const GlobeProbe probe;
  const ComfortSettings defaults;
  spnSettle_ = NewSpin(box, "spnSettle", 0, 1440, 0, 5, defaults.SkipMinutes);
  spnSettle_->setSuffix(QLatin1Char(' ') + ctx_.Tr("qrlUnitMinute_10"));
  grid->addWidget(NewLabel(box, "lbSettle", ctx_.Tr("qrlComfortSettle_30")), 2, 0);
  grid->addWidget(spnSettle_, 2, 1, 1, 3, Qt::AlignLeft);

  spnDiameter_ = NewSpin(box, "spnDiameter", 0.01, 1, 3, 0.01, probe.Diameter);
  spnDiameter_->setSuffix(QLatin1Char(' ') + ctx_.Tr("qrlUnitMetre_10"));
  spnEmissivity_ = NewSpin(box, "spnEmissivity", 0.01, 1, 2, 0.01, probe.Emissivity);
  spnTurbulence_ = NewSpin(box, "spnTurbulence", 0, 100, 0, 5, defaults.Turbulence);
  spnTurbulence_->setSuffix(QLatin1Char(' ') + ctx_.Tr("Unit-Proc_10"));
  grid->setColumnMinimumWidth(4, 16);
  grid->addWidget(NewLabel(box, "lbDiameter", ctx_.Tr("qrlComfortDiameter_30")), 0, 5);
  grid->addWidget(spnDiameter_, 0, 6);
  grid->addWidget(NewLabel(box, "lbEmissivity", ctx_.Tr("qrlComfortEmissivity_30")), 1, 5);
  grid->addWidget(spnEmissivity_, 1, 6);
  grid->addWidget(NewLabel(box, "lbTurbulence", ctx_.Tr("qrlComfortTurbulence_30")), 2, 5);
  grid->addWidget(spnTurbulence_, 2, 6);
  cbAcclimatised_ = new QCheckBox(ctx_.Tr("qrlComfortAcclimatised_50"), box);
  cbAcclimatised_->setObjectName(QStringLiteral("cbAcclimatised"));
  cbAcclimatised_->setChecked(defaults.Acclimatised);
  grid->addWidget(cbAcclimatised_, 3, 0, 1, 7);
  grid->setColumnStretch(3, 1);

  connect(edtMet_, &QLineEdit::textChanged, this, [this] { Recompute(); });
  connect(edtClo_, &QLineEdit::textChanged, this, [this] { Recompute(); });
  for (QDoubleSpinBox* spin : {spnSettle_, spnDiameter_, spnEmissivity_, spnTurbulence_})
    connect(spin, &QDoubleSpinBox::valueChanged, this, [this] { Recompute(); });
  connect(cbAcclimatised_, &QCheckBox::toggled, this, [this] { Recompute(); });
}

QWidget* TfrmComfort::BuildSummary() {
  auto* box = new QGroupBox(ctx_.Tr("gbComfortSummary_30"), this);
  box->setObjectName(QStringLiteral("gbSummary"));
  auto* layout = new QVBoxLayout(box);
  lbRequest_ = NewLabel(box, "lbRequest");
  lbRequest_->setWordWrap(true);
  QPalette red = lbRequest_->palette();
  red.setColor(QPalette::WindowText, kRequestColour);
  lbRequest_->setPalette(red);
  QFont bold = lbRequest_->font();
  bold.setBold(true);
  lbRequest_->setFont(bold);
  layout->addWidget(lbRequest_);
  lbEvaluated_ = NewLabel(box, "lbEvaluated");
  layout->addWidget(lbEvaluated_);

  auto* shares = new QGridLayout;
  shares->setVerticalSpacing(2);
  barIso_ = new TShareBar(box);
  barIso_->setObjectName(QStringLiteral("barIso7730"));
  barEn_ = new TShareBar(box);
  barEn_->setObjectName(QStringLiteral("barEn16798"));
  lbIso_ = NewLabel(box, "lbIso7730");
  lbEn_ = NewLabel(box, "lbEn16798");
  shares->addWidget(NewLabel(box, "lbIsoCaption", QStringLiteral("ISO 7730")), 0, 0);
  shares->addWidget(barIso_, 0, 1);
  shares->addWidget(lbIso_, 1, 1);
  shares->addWidget(NewLabel(box, "lbEnCaption", QStringLiteral("EN 16798-1")), 2, 0);
  shares->addWidget(barEn_, 2, 1);
  shares->addWidget(lbEn_, 3, 1);
  shares->setRowMinimumHeight(2, 26);
  shares->setColumnStretch(1, 1);
  layout->addLayout(shares);

  auto* figures = new QGridLayout;
  figures->setHorizontalSpacing(24);
  const char* const headers[] = {"LogSerTit2_8", "LogSerTit3_8", "LogSerTit4_8"};
  for (int c = 0; c < 3; ++c) {
    QLabel* h = NewLabel(box, "lbSpreadHeader", ctx_.Tr(headers[c]));
    h->setAlignment(Qt::AlignRight);
    figures->addWidget(h, 0, c + 1);
  }
  const QString percent = QStringLiteral(", ") + ctx_.Tr("Unit-Proc_10");
  const QString rows[] = {ctx_.Tr("labPMV_25"), ctx_.Tr("labPPD_25") + percent,
                          ctx_.Tr("qrlComfortDraught_30") + percent};
  for (int r = 0; r < 3; ++r) {
    figures->addWidget(NewLabel(box, "lbSpreadRow", rows[r]), r + 1, 0);
    for (int c = 0; c < 3; ++c) {
      QLabel* v = NewLabel(box, "lbSpread");
      v->setObjectName(QStringLiteral("lbSpread%1%2").arg(r).arg(c));
      v->setAlignment(Qt::AlignRight);
      v->setMinimumWidth(60);
      spread_[static_cast<size_t>(r)][static_cast<size_t>(c)] = v;
      figures->addWidget(v, r + 1, c + 1);
    }
  }
  lbWbgtCaption_ = NewLabel(box, "lbWbgtCaption");
  lbWbgt_ = NewLabel(box, "lbWbgt");
  lbWbgt_->setAlignment(Qt::AlignRight);
  figures->addWidget(lbWbgtCaption_, 4, 0, 1, 3);
  figures->addWidget(lbWbgt_, 4, 3);
  figures->setColumnStretch(4, 1);
  layout->addLayout(figures);

  QLabel* heading = NewLabel(box, "lbAssumptionsCaption", ctx_.Tr("qrlComfortAssumptions_30"));
  heading->setFont(bold);
  layout->addWidget(heading);
  lbAssumptions_ = NewLabel(box, "lbAssumptions");
  lbAssumptions_->setWordWrap(true);
  lbAssumptions_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  layout->addWidget(lbAssumptions_);
  FitWrapped(lbRequest_);
  FitWrapped(lbAssumptions_);
  return box;
}

QWidget* TfrmComfort::BuildSeries() {
  auto* box = new QGroupBox(ctx_.Tr("gbComfortGraphs_50"), this);
  box->setObjectName(QStringLiteral("gbSeries"));
  auto* row = new QHBoxLayout(box);
  for (size_t i = 0; i < series_.size(); ++i) {
    auto* check = new QCheckBox(ctx_.Tr(kSeriesKeys[i]), box);
    check->setObjectName(QString::fromLatin1(kSeriesNames[i]));
    check->setChecked(kComfortSeries[i] == ComfortSeries::Pmv ||
                      kComfortSeries[i] == ComfortSeries::Operative);
    series_[i] = check;
    row->addWidget(check);
  }
  row->addStretch(1);
  return box;
}

QString TfrmComfort::Number(double v, int decimals) const {
  return ctx_.Decode(FormatFixed(v, decimals, LocaleDecimalSeparator()));
}

bool TfrmComfort::Load(const TLoggerRecord& block, int number) {
  // The analysis needs air temperature and humidity before anything the person could give.
  const BlockComfort probe = AnalyseBlockComfort(block, [] {
    ComfortSettings s;
    s.MetabolicRate = 1;
    s.Clothing = 1;
    return s;
  }());
  if (probe.Missing.AirTemp || probe.Missing.Humidity) {
    const char* key = !probe.Missing.Humidity  ? "msgComfortNoAirTemp_70"
                      : !probe.Missing.AirTemp ? "msgComfortNoHumidity_70"
                                               : "msgComfortNoAirTempHumidity_70";
    prompter_.Message(parentWidget(), ctx_.Tr(key), QMessageBox::Information);
    return false;
  }
  block_ = block;
  QString place;
  if (!block.BuildingName.empty() || !block.RoomName.empty()) {
    place = QStringLiteral(" (") + ctx_.Decode(block.BuildingName) + QStringLiteral(" / ") +
            ctx_.Decode(block.RoomName) + QLatin1Char(')');
  }
  lbBlock_->setText(ctx_.Tr("qrlSurveyBlock_30") + QLatin1Char(' ') + QString::number(number) +
                    place + QStringLiteral(": ") +
                    ctx_.Tr("qrlComfortBlockLine_60")
                        .arg(block.SampleCount)
                        .arg(block.IntervalSec)
                        .arg(ctx_.Decode(FormatDayTime(block.BeginTime, 2))));
  const std::optional<double> met = BlockMetabolicRate(block);
  const std::optional<double> clo = BlockClothing(block);
  blockMet_ = met ? Number(*met, 1) : QString();
  blockClo_ = clo ? Number(*clo, 2) : QString();
  proposedMet_ = met ? QString() : Number(kProposedMetabolicRate, 1);
  proposedClo_ = clo ? QString() : Number(kProposedClothing, 2);
  const QSignalBlocker metQuiet(edtMet_);
  const QSignalBlocker cloQuiet(edtClo_);
  edtMet_->setText(met ? blockMet_ : proposedMet_);
  edtClo_->setText(clo ? blockClo_ : proposedClo_);
  // The WBGT reference values apply only where the block logs WBGT.
  cbAcclimatised_->setEnabled(block.SignalPresent[kComfortWbgtCode] == 1);
  Recompute();
  return true;
}

std::vector<TfrmGraphChild*> TfrmComfort::mmGraphComfortClick(const TLoggerRecord& block,
                                                              int number) {
  if (!Load(block, number)) return {};
  // The person starts where the block leaves something to give.
  QLineEdit* first = !CloProposed() || MetProposed() ? edtMet_ : edtClo_;
  first->setFocus();
  first->selectAll();
  if (exec() != QDialog::Accepted) return {};
  return NewGraphs();
}

QString TfrmComfort::MissingInput(QLineEdit** field) const {
  struct Input {
    QLineEdit* edit;
    const char* label;
    const char* give;
  };
  const Input inputs[] = {{edtMet_, "lbMetabolic1_15", "msgComfortGiveMet_50"},
                          {edtClo_, "lbClothing1_15", "msgComfortGiveClo_50"}};
  *field = nullptr;
  QStringList requests;
  for (const Input& in : inputs) {
    const QString text = in.edit->text().trimmed();
    QString request;
    if (text.isEmpty()) {
      request = ctx_.Tr(in.give);
    } else if (!TextToNumber(text.toStdString())) {
      request = ctx_.Tr("msgComfortNotNumber_50").arg(WithoutColon(ctx_.Tr(in.label)));
    }
    if (request.isEmpty()) continue;
    requests << request;
    if (*field == nullptr) *field = in.edit;
  }
  return requests.join(QLatin1Char('\n'));
}

bool TfrmComfort::MetProposed() const {
  return blockMet_.isEmpty() && edtMet_->text() == proposedMet_;
}

bool TfrmComfort::CloProposed() const {
  return blockClo_.isEmpty() && edtClo_->text() == proposedClo_;
}

QString TfrmComfort::SourceText(const QString& text, const QString& fromBlock,
                                bool proposed) const {
  if (!fromBlock.isEmpty() && text == fromBlock) return ctx_.Tr("qrlComfortFromBlock_30");
  return proposed ? ctx_.Tr("qrlComfortProposed_40") : ctx_.Tr("qrlComfortGiven_20");
}

void TfrmComfort::Recompute() {
  if (!block_) return;
  QLineEdit* missing = nullptr;
  const QString request = MissingInput(&missing);
  // What the block leaves unset is asked for: a typical value stands in the field, marked, until
  // the person changes it.
  QStringList asked;
  if (MetProposed()) asked << ctx_.Tr("msgComfortNoMet_70").arg(proposedMet_);
  if (CloProposed()) asked << ctx_.Tr("msgComfortNoClo_70").arg(proposedClo_);
  if (!request.isEmpty()) asked << request;
  lbRequest_->setText(asked.join(QLatin1Char('\n')));
  FitWrapped(lbRequest_);
  lbMetFrom_->setText(SourceText(edtMet_->text(), blockMet_, MetProposed()));
  lbCloFrom_->setText(SourceText(edtClo_->text(), blockClo_, CloProposed()));
  for (QLabel* from : {lbMetFrom_, lbCloFrom_}) {
    const bool marked = from->text() == ctx_.Tr("qrlComfortProposed_40");
    QFont font = from->font();
    font.setBold(marked);
    from->setFont(font);
    QPalette palette = from->palette();
    palette.setColor(QPalette::WindowText,
                     marked ? kRequestColour : this->palette().color(QPalette::WindowText));
    from->setPalette(palette);
  }
  if (!request.isEmpty()) {
    result_.reset();
    ClearSummary();
    return;
  }
  ComfortSettings s;
  // The same text as the block's own: its exact value, not the rounded one shown.
  if (edtMet_->text() != blockMet_) s.MetabolicRate = TextToNumber(edtMet_->text().toStdString());
  if (edtClo_->text() != blockClo_) s.Clothing = TextToNumber(edtClo_->text().toStdString());
  s.Globe.Diameter = spnDiameter_->value();
  s.Globe.Emissivity = spnEmissivity_->value();
  s.Turbulence = spnTurbulence_->value();
  s.SkipMinutes = spnSettle_->value();
  s.Acclimatised = cbAcclimatised_->isChecked();
  settings_ = s;
  result_ = AnalyseBlockComfort(*block_, settings_);
  ShowSummary();
}

void TfrmComfort::ClearSummary() {
  lbEvaluated_->setText(ctx_.Tr("qrlComfortEvaluated_40") + QStringLiteral(": ---"));
  barIso_->SetParts({});
  barEn_->SetParts({});
  lbIso_->setText(QStringLiteral("---"));
  lbEn_->setText(QStringLiteral("---"));
  for (auto& row : spread_) {
    for (QLabel* l : row)
      l->setText(QStringLiteral("---"));
  }
  lbWbgtCaption_->setVisible(false);
  lbWbgt_->setVisible(false);
  lbAssumptions_->setText(QString());
  FitWrapped(lbAssumptions_);
}

void TfrmComfort::ShowSummary() {
  const BlockComfort& r = *result_;
  const ComfortInputs& in = r.Inputs;
  const ComfortSummary& sum = r.Summary;
  lbEvaluated_->setText(ctx_.Tr("qrlComfortEvaluated_40") + QStringLiteral(": ") +
                        QString::number(sum.Evaluated) + QStringLiteral(" / ") +
                        QString::number(sum.Samples));

  const QString outside = ctx_.Tr("qrlComfortOutside_20");
  const auto shares = [&](TShareBar* bar, QLabel* legend, const auto& values,
                          const std::vector<QString>& names, const std::vector<QColor>& colours) {
    if (!values) {
      bar->SetParts({});
      legend->setText(QStringLiteral("---"));
      return;
    }
    std::vector<TShareBar::Part> parts;
    QString text;
    for (size_t k = 0; k < names.size(); ++k) {
      const QString share = Number((*values)[k], 1);
      parts.push_back({names[k], (*values)[k], colours[k],
                       names[k] + QLatin1Char(' ') + share + QStringLiteral(" %")});
      if (k > 0) text += QStringLiteral("&nbsp;&nbsp;&nbsp; ");
      text += QStringLiteral("<span style=\"color:%1\">&#9632;</span>&nbsp;%2&nbsp;%3&nbsp;%")
                  .arg(colours[k].name(), names[k].toHtmlEscaped(), share);
    }
    bar->SetParts(std::move(parts));
    legend->setText(text);
  };
  shares(barIso_, lbIso_, sum.Iso7730Shares,
         {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), outside},
         TShareBar::Iso7730Colours());
  shares(barEn_, lbEn_, sum.En16798Shares,
         {QStringLiteral("I"), QStringLiteral("II"), QStringLiteral("III"), QStringLiteral("IV"),
          outside},
         TShareBar::En16798Colours());

  const std::optional<ValueSpread>* spreads[] = {&sum.Pmv, &sum.Ppd, &sum.DraughtRate};
  const int decimals[] = {2, 1, 1};
  for (size_t row = 0; row < 3; ++row) {
    const std::optional<ValueSpread>& v = *spreads[row];
    const double values[] = {v ? v->Min : 0, v ? v->Mean : 0, v ? v->Max : 0};
    for (size_t c = 0; c < 3; ++c) {
      spread_[row][c]->setText(v ? Number(values[c], decimals[row]) : QStringLiteral("---"));
    }
  }

  lbWbgtCaption_->setVisible(in.WbgtLogged);
  lbWbgt_->setVisible(in.WbgtLogged);
  if (in.WbgtLogged) {
    lbWbgtCaption_->setText(ctx_.Tr("qrlComfortWbgtAbove_50") + QStringLiteral(" (") +
                            Number(in.WbgtReferenceValue, 0) + QLatin1Char(' ') +
                            ctx_.Tr("Unit-Cels_10") + QStringLiteral(", ") +
                            ctx_.Tr("qrlComfortMetClass_30") + QLatin1Char(' ') +
                            QString::number(in.MetabolicClass) + QStringLiteral("):"));
    lbWbgt_->setText(sum.WbgtAboveReference
                         ? Number(*sum.WbgtAboveReference, 1) + QStringLiteral(" %")
                         : QStringLiteral("---"));
  }

  QStringList said;
  switch (in.RadiantFrom) {
    case InputSource::Block:
      said << ctx_.Tr("qrlComfortAsmGlobe_90")
                  .arg(ctx_.Decode(FormatGeneral(in.Globe.Diameter, LocaleDecimalSeparator())),
                       ctx_.Decode(FormatGeneral(in.Globe.Emissivity, LocaleDecimalSeparator())));
      break;
    case InputSource::Given:  // the dialog gives none
    case InputSource::Assumed:
      said << ctx_.Tr("qrlComfortAsmNoGlobe_90");
      break;
  }
  said << (in.VelocityFrom == InputSource::Block
               ? ctx_.Tr("qrlComfortAsmVelocity_90")
               : ctx_.Tr("qrlComfortAsmNoVelocity_90").arg(Number(kAssumedAirVelocity, 1)));
  if (in.SkipMinutes > 0) {
    said << ctx_.Tr("qrlComfortAsmSkip_90")
                .arg(ctx_.Decode(FormatGeneral(in.SkipMinutes, LocaleDecimalSeparator())))
                .arg(sum.Skipped);
  } else if (in.RadiantFrom == InputSource::Block) {
    said << ctx_.Tr("qrlComfortAsmNoSkip_90");
  }
  said << ctx_.Tr("qrlComfortAsmRanges_90");
  if (in.UnitsUnknown) said << ctx_.Tr("qrlComfortAsmUnits_90");
  QString text;
  for (const QString& s : said)
    text += QStringLiteral("\u2022 ") + s + QLatin1Char('\n');
  text.chop(1);
  lbAssumptions_->setText(text);
  FitWrapped(lbAssumptions_);
}

void TfrmComfort::accept() {
  QLineEdit* missing = nullptr;
  const QString request = MissingInput(&missing);
  if (!request.isEmpty()) {
    prompter_.Message(this, request, QMessageBox::Warning);
    if (missing != nullptr) missing->setFocus();
    return;
  }
  QDialog::accept();
}

std::vector<TfrmGraphChild*> TfrmComfort::NewGraphs() const {
  std::vector<TfrmGraphChild*> windows;
  if (!result_ || !block_) return windows;
  for (size_t i = 0; i < series_.size(); ++i) {
    if (series_[i]->isChecked())
      windows.push_back(NewComfortGraph(ctx_, prompter_, *block_, *result_, kComfortSeries[i]));
  }
  return windows;
}

QString TfrmComfort::RequestText() const {
  return lbRequest_->text();
}
QString TfrmComfort::Iso7730Text() const {
  return lbIso_->text();
}
QString TfrmComfort::En16798Text() const {
  return lbEn_->text();
}
QString TfrmComfort::SpreadText(int row, int column) const {
  return spread_[static_cast<size_t>(row)][static_cast<size_t>(column)]->text();
}
QString TfrmComfort::EvaluatedText() const {
  return lbEvaluated_->text();
}
QString TfrmComfort::WbgtText() const {
  return lbWbgtCaption_->text() + QLatin1Char(' ') + lbWbgt_->text();
}
bool TfrmComfort::WbgtShown() const {
  return !lbWbgt_->isHidden();
}
QString TfrmComfort::AssumptionsText() const {
  return lbAssumptions_->text();
}

}  // namespace qv
