#include "download/DLSelectDialog.h"

#include "common/ChoiceLoading.h"
#include "common/WindowLook.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qv {

TfrmDLSelect::TfrmDLSelect(AppContext& ctx, Prompter& prompter, QWidget* parent)
    : QDialog(parent), ctx_(ctx), prompter_(prompter) {
  setObjectName(QStringLiteral("frmDLSelect"));
  // Exactly two choices, whatever position is stored.
  const RadioGroup choice = MakeRadioGroup(this, "gbTypesDL", ctx_.Tr("gbTypesDL_15"),
                                           {QStringLiteral("  ") + ctx_.Tr("rbTestMem_15"),
                                            QStringLiteral("  ") + ctx_.Tr("rbLogMem_15")});
  gbTypesDL_ = choice.box;
  buttons_ = choice.group;
  const OkCancel okCancel = MakeOkCancel(ctx_, this, "btnDownLoad_12", "btnDownLoad");
  btnDownLoad_ = okCancel.ok;
  btnCancel_ = okCancel.cancel;

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnDownLoad_);
  buttons->addWidget(btnCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(gbTypesDL_);
  layout->addLayout(buttons);
  gbTypesDL_->setMinimumWidth(260);
  ApplyDialogLook(this);

  setWindowTitle(ctx_.Tr("frmDLSelect_35"));
  ShowPosition(0);
}

void TfrmDLSelect::ShowPosition(int position) {
  if (position < 0 || position >= buttons_->buttons().size()) {
    buttons_->setExclusive(false);
    for (QAbstractButton* b : buttons_->buttons())
      b->setChecked(false);
    buttons_->setExclusive(true);
    return;
  }
  buttons_->button(position)->setChecked(true);
}

int TfrmDLSelect::ControlPosition() const {
  return buttons_->checkedId();
}

void TfrmDLSelect::showEvent(QShowEvent* event) {
  LoadChoicesReporting(ctx_, prompter_, this);
  ShowPosition(ctx_.Choices.DLSelect);
  if (QAbstractButton* choice = FirstChoice(buttons_)) choice->setFocus();
  QDialog::showEvent(event);
}

void TfrmDLSelect::done(int result) {
  ctx_.Choices.DLSelect = ControlPosition();
  SaveInterfaceChoices(ctx_.Settings, ctx_.Choices);
  QDialog::done(result);
}

int TfrmDLSelect::Choose() {
  if (exec() != QDialog::Accepted) return -1;
  return ControlPosition();
}

}  // namespace qv
