#include "link/PortDialog.h"

#include "common/WindowLook.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qv {
namespace {

// The device and what the system knows about it; the stable /dev/serial/by-id name, which
// is what gets stored, is too long for the list and goes into the tooltip.
QString PortLabel(const PortInfo& port) {
  QString text = QString::fromStdString(port.SystemLocation);
  QString about = QString::fromStdString(port.Description);
  if (!port.Manufacturer.empty() && port.Manufacturer != port.Description) {
    about += (about.isEmpty() ? QString() : QStringLiteral(", ")) +
             QString::fromStdString(port.Manufacturer);
  }
  if (!about.isEmpty()) text += QStringLiteral("  \u2013  ") + about;
  return text;
}

void FillList(QListWidget* list, const std::vector<PortInfo>& ports) {
  list->clear();
  for (const PortInfo& p : ports) {
    auto* item = new QListWidgetItem(PortLabel(p), list);
    item->setToolTip(QString::fromStdString(p.PreferredPath()));
  }
}

}  // namespace

TfrmCOM_Port::TfrmCOM_Port(AppContext& ctx, Prompter& prompter, ApplyChoice apply, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      prompter_(prompter),
      apply_(std::move(apply)),
      detect_(&DetectPorts) {
  setObjectName(QStringLiteral("frmCOM_Port"));

  rgComPort_ = new QGroupBox(this);
  rgComPort_->setObjectName(QStringLiteral("rgComPort"));
  lstPorts_ = new QListWidget(rgComPort_);
  lstPorts_->setObjectName(QStringLiteral("lstPorts"));
  edtDevice_ = new QLineEdit(rgComPort_);
  edtDevice_->setObjectName(QStringLiteral("edtDevice"));
  edtDevice_->setPlaceholderText(QStringLiteral("/dev/ttyUSB0"));
  auto* portLayout = new QVBoxLayout(rgComPort_);
  portLayout->addWidget(lstPorts_);
  portLayout->addWidget(edtDevice_);
  connect(lstPorts_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && row < static_cast<int>(ports_.size())) {
      edtDevice_->setText(QString::fromStdString(ports_[static_cast<size_t>(row)].PreferredPath()));
    }
  });
  connect(lstPorts_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

  QStringList rates;
  for (const int rate : kBaudRates)
    rates << QString::number(rate);
  const RadioGroup baud = MakeRadioGroup(this, "rgBaudRate", ctx_.Tr("rgBaudRate_15"), rates);
  rgBaudRate_ = baud.box;
  baudButtons_ = baud.group;

  const OkCancel okCancel = MakeOkCancel(ctx_, this);
  btnOK_ = okCancel.ok;
  btnCancel_ = okCancel.cancel;

  auto* groups = new QHBoxLayout;
  groups->addWidget(rgComPort_, 1);
  groups->addWidget(rgBaudRate_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK_);
  buttons->addWidget(btnCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  layout->addLayout(buttons);
  lstPorts_->setMinimumWidth(360);
  edtDevice_->setMinimumWidth(360);
  ApplyDialogLook(this);

  LoadChoice();
  if (apply_) apply_(ctx_.Port);

  setWindowTitle(ctx_.Tr("frmCOMPort_35"));
  rgComPort_->setTitle(QStringLiteral(" ") + ctx_.Tr("rgComPort_10") + QStringLiteral(" "));
  // The rate is fixed by the instrument; the stored value or the default applies.
  rgBaudRate_->setEnabled(false);
}

void TfrmCOM_Port::LoadChoice() {
  const ReadResult r = LoadPortChoice(ctx_.Settings, ctx_.Port);
  if (r.status == ReadStatus::WrongType) {
    prompter_.Message(this, QString::fromStdString(r.error), QMessageBox::Warning);
  }
  ShowChoice(ctx_.Port);
}

void TfrmCOM_Port::ShowChoice(const PortChoice& choice) {
  const QString device = QString::fromStdString(choice.Device());
  edtDevice_->setText(device);
  lstPorts_->blockSignals(true);
  lstPorts_->setCurrentRow(-1);
  for (size_t i = 0; i < ports_.size(); ++i) {
    const PortInfo& p = ports_[i];
    if (device == QString::fromStdString(p.SystemLocation) ||
        device == QString::fromStdString(p.StablePath)) {
      lstPorts_->setCurrentRow(static_cast<int>(i));
    }
  }
  lstPorts_->blockSignals(false);
  if (choice.BaudRate >= 0 && choice.BaudRate < static_cast<int>(kBaudRates.size())) {
    baudButtons_->button(choice.BaudRate)->setChecked(true);
  }
}

void TfrmCOM_Port::SetDetectedPorts(std::vector<PortInfo> ports) {
  ports_ = std::move(ports);
  FillList(lstPorts_, ports_);
  ShowChoice(ctx_.Port);
}

PortChoice TfrmCOM_Port::ControlChoice() const {
  PortChoice choice = ctx_.Port;
  const QString typed = edtDevice_->text().trimmed();
  if (!typed.isEmpty()) choice.ChooseDevice(typed.toStdString());
  if (baudButtons_->checkedId() >= 0) choice.BaudRate = baudButtons_->checkedId();
  return choice;
}

void TfrmCOM_Port::showEvent(QShowEvent* event) {
  if (detect_) {
    ports_ = detect_();
    FillList(lstPorts_, ports_);
  }
  LoadChoice();
  btnOK_->setFocus();
  QDialog::showEvent(event);
}

void TfrmCOM_Port::mmConfigPortClick() {
  if (exec() != QDialog::Accepted) return;
  ctx_.Port = ControlChoice();
  if (apply_) apply_(ctx_.Port);
  SavePortChoice(ctx_.Settings, ctx_.Port);
}

}  // namespace qv
