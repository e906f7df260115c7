#include "link/TransferDialog.h"

#include "common/WindowLook.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {

TfrmTransfering::TfrmTransfering(const AppContext& ctx, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmTransfering"));
  setWindowTitle(ctx.Tr("frmTransfering_35"));
  gauge_ = new QProgressBar(this);
  gauge_->setObjectName(QStringLiteral("Gauge"));
  gauge_->setRange(0, 100);
  gauge_->setValue(0);
  lbDownLoading_ = new QLabel(this);
  lbDownLoading_->setObjectName(QStringLiteral("lbDownLoading"));
  btnCancel_ = new QPushButton(ctx.Tr("btnCancel_8"), this);
  btnCancel_->setObjectName(QStringLiteral("btnCancel"));
  connect(btnCancel_, &QPushButton::clicked, this, &TfrmTransfering::btnCancelClick);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnCancel_);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lbDownLoading_);
  layout->addWidget(gauge_);
  layout->addLayout(buttons);
  gauge_->setMinimumWidth(320);
  // A tool window of the main window: above it while a transfer runs, yet below every
  // message box and dialog opened meanwhile, which staying on top of everything was not.
  // No close box: only the transfer or Cancel ends it.
  ApplyDialogLook(this, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::MSWindowsFixedSizeDialogHint);
}

void TfrmTransfering::SetProgress(int percent) {
  gauge_->setValue(std::clamp(percent, 0, 100));
}

int TfrmTransfering::Progress() const {
  return gauge_->value();
}

void TfrmTransfering::SetActivity(const QString& text) {
  lbDownLoading_->setText(text);
}

void TfrmTransfering::SetCancelEnabled(bool enabled) {
  btnCancel_->setEnabled(enabled);
}

void TfrmTransfering::btnCancelClick() {
  // The transfer on its worker stops at its next poll or page; the box goes at once.
  if (cancel_) cancel_();
  hide();
}

void TfrmTransfering::reject() {
  if (btnCancel_->isEnabled()) btnCancelClick();
}

void TfrmTransfering::closeEvent(QCloseEvent* event) {
  // Only the transfer itself hides this window.
  event->ignore();
}

}  // namespace qv
