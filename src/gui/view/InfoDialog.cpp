#include "view/InfoDialog.h"

#include "common/WindowLook.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace qv {
namespace {

// The captions of the four logging particulars that only a logging document enables.
constexpr const char* kLoggingLabels[] = {"lbLogUnits", "lbLogInter", "labLogBuild", "labLogRoom"};
// Wide enough for "dd.mm.yy   hh:mm:ss" with its leading blanks in any font.
constexpr const char* kWidestValue = "   00.00.00   00:00:00  ";

}  // namespace

TfrmInfo::TfrmInfo(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("frmInfo"));
  setWindowTitle(ctx_.Tr("frmInfo_25"));
  auto* column = new QVBoxLayout(this);
  column->setSpacing(4);

  QFrame* panInfo = AddPanel("panInfo");
  edtSerNo_ = AddRow(panInfo, "lbSerNo", "edtSerNo", "lbInstrSerNo_20");
  edtFirmwVer_ = AddRow(panInfo, "lbFirmwVer", "edtFirmwVer", "lbFirmwVer_20");
  panInfo2_ = AddPanel("panInfo2");
  edtLogUnits_ = AddRow(panInfo2_, "lbLogUnits", "edtLogUnits", "lbLogUnits_20");
  edtLogInter_ = AddRow(panInfo2_, "lbLogInter", "edtLogInter", "lbLogInter_20");
  edtBegT_ = AddRow(panInfo2_, "labBegT", "edtBegT", "BeginTime_10");
  edtEndT_ = AddRow(panInfo2_, "labEndT", "edtEndT", "EndTime_10");
  panInfo3_ = AddPanel("panInfo3");
  edtLogBuild_ = AddRow(panInfo3_, "labLogBuild", "edtLogBuild", "lbLogBuild_20");
  edtLogRoom_ = AddRow(panInfo3_, "labLogRoom", "edtLogRoom", "lbLogRoom_20");
  QFrame* panInfo4 = AddPanel("panInfo4");
  edtNumOfRes_ = AddRow(panInfo4, "lbNumOfRes", "edtNumOfRes", "lbNumOfRes_20");

  // The captions share one width, so that the boxes of all panels line up.
  int captionWidth = 0;
  for (QLabel* label : rowLabels_)
    captionWidth = std::max(captionWidth, label->sizeHint().width());
  for (QLabel* label : rowLabels_)
    label->setMinimumWidth(captionWidth);

  QFrame* panInfo5 = AddPanel("panInfo5");
  auto* probesAndButton = new QVBoxLayout(panInfo5);
  gbProbe_ =
      new QGroupBox(QStringLiteral("  ") + ctx_.Tr("gbProbes_30") + QStringLiteral("  "), panInfo5);
  gbProbe_->setObjectName(QStringLiteral("gbProbe"));
  auto* grid = new QGridLayout(gbProbe_);
  grid->setHorizontalSpacing(6);
  grid->setColumnMinimumWidth(2, 12);
  grid->setColumnMinimumWidth(5, 12);
  AddProbe("cbTemp", "lbTemp", "lbTemp_12", Probe::Temp, 0, 0);
  AddProbe("cbIlum", "lbIlum", "lbIlum_12", Probe::Ilum, 1, 0);
  AddProbe("cbLum", "lbLum", "lbLum_12", Probe::Lum, 2, 0);
  AddProbe("cbHum", "lbHum", "lbHum_12", Probe::Hum, 3, 0);
  AddProbe("cbThCoup", "lbThCoup", "lbThCoup_12", Probe::ThCoup, 0, 1);
  AddProbe("cbGlobe", "lbGlobe", "lbGlobe_12", Probe::Globe, 1, 1);
  AddProbe("cbAirV", "lbAirV", "lbAirV_12", Probe::AirV, 2, 1);
  AddProbe("cbCO2", "lbCO2", "lbCO2_12", Probe::CO2, 3, 1);
  AddProbe("cbCO", "lbCO", "lbCO_12", Probe::CO, 0, 2);
  AddProbe("cbAdap", "lbAdap", "lbAdap_12", Probe::Adap, 1, 2);
  probesAndButton->addWidget(gbProbe_);

  btnCancel_ = new QPushButton(ctx_.Tr("btnCancel_8"), panInfo5);
  btnCancel_->setObjectName(QStringLiteral("btnCancel"));
  btnCancel_->setMinimumWidth(96);
  btnCancel_->setDefault(true);
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
  probesAndButton->addWidget(btnCancel_, 0, Qt::AlignHCenter);

  for (QFrame* panel : {panInfo, panInfo2_, panInfo3_, panInfo4, panInfo5})
    column->addWidget(panel);
  connect(this, &QDialog::finished, this, &TfrmInfo::RestorePanels);
  ApplyDialogLook(this);
}

QFrame* TfrmInfo::AddPanel(const char* name) {
  auto* panel = new QFrame(this);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  return panel;
}

QLineEdit* TfrmInfo::AddRow(QFrame* panel, const char* label, const char* edit, const char* key) {
  auto* rows = qobject_cast<QGridLayout*>(panel->layout());
  if (!rows) rows = new QGridLayout(panel);
  auto* caption = new QLabel(ctx_.Tr(key) + QStringLiteral(":"), panel);
  caption->setObjectName(QString::fromLatin1(label));
  rowLabels_.push_back(caption);
  auto* box = new QLineEdit(panel);
  box->setObjectName(QString::fromLatin1(edit));
  ReadOnlyLook(box);
  box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QString::fromLatin1(kWidestValue)));
  caption->setBuddy(box);
  const int row = rows->rowCount() == 1 && !rows->itemAtPosition(0, 0) ? 0 : rows->rowCount();
  rows->addWidget(caption, row, 0);
  rows->addWidget(box, row, 1);
  rows->setColumnStretch(1, 1);
  return box;
}

void TfrmInfo::AddProbe(const char* box, const char* label, const char* key, Probe probe, int row,
                        int column) {
  auto* grid = static_cast<QGridLayout*>(gbProbe_->layout());
  auto* tick = new QCheckBox(gbProbe_);
  tick->setObjectName(QString::fromLatin1(box));
  // The boxes report, they are not choices.
  tick->setEnabled(false);
  auto* caption = new QLabel(ctx_.Tr(key), gbProbe_);
  caption->setObjectName(QString::fromLatin1(label));
  grid->addWidget(tick, row, 3 * column);
  grid->addWidget(caption, row, 3 * column + 1);
  probeBoxes_[static_cast<size_t>(probe)] = tick;
}

void TfrmInfo::Fill(const Document& doc) {
  const FileInfoTexts info = DescribeFile(doc);
  const std::pair<QLineEdit*, const Bytes*> boxes[] = {
      {edtSerNo_, &info.SerNo},       {edtFirmwVer_, &info.FirmwVer},
      {edtLogUnits_, &info.LogUnits}, {edtLogInter_, &info.LogInter},
      {edtBegT_, &info.BegT},         {edtEndT_, &info.EndT},
      {edtLogBuild_, &info.LogBuild}, {edtLogRoom_, &info.LogRoom},
      {edtNumOfRes_, &info.NumOfRes},
  };
  for (const auto& [box, text] : boxes) {
    box->setText(ctx_.Decode(*text));
    box->setCursorPosition(0);
  }
  for (int i = 0; i < kProbeCount; ++i)
    probeBoxes_[static_cast<size_t>(i)]->setChecked(info.Probes[static_cast<size_t>(i)]);
  for (const char* name : kLoggingLabels) {
    if (auto* label = findChild<QLabel*>(QString::fromLatin1(name)))
      label->setEnabled(info.LoggingPanels);
  }
  panInfo2_->setVisible(info.LoggingPanels);
  panInfo3_->setVisible(info.LoggingPanels);
  layout()->activate();
}

void TfrmInfo::RestorePanels() {
  if (!panInfo2_->isHidden()) return;
  panInfo2_->show();
  panInfo3_->show();
  layout()->activate();
}

void TfrmInfo::ppFileInfoClick() {
  Fill(ctx_.Doc);
  btnCancel_->setFocus();
  exec();
}

}  // namespace qv
