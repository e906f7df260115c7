#include "view/UnitsDialog.h"

#include "common/ChoiceLoading.h"
#include "common/WindowLook.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace qv {

TfrmUnits::TfrmUnits(AppContext& ctx, Prompter& prompter, std::function<void()> repaint,
                     QWidget* parent)
    : QDialog(parent), ctx_(ctx), prompter_(prompter), repaint_(std::move(repaint)) {
  setObjectName(QStringLiteral("frmUnits"));
  setFixedSize(kClientWidth, kClientHeight);

  // The item texts are the unit systems' own names, the same in every language.
  const RadioGroup radio =
      MakeRadioGroup(this, "rgUnits", ctx_.Tr("rgUnits_15"),
                     {QStringLiteral("SI"), QStringLiteral("US")}, Qt::Horizontal);
  rgUnits_ = radio.box;
  buttons_ = radio.group;
  rgUnits_->setGeometry(12, 10, kClientWidth - 24, 82);

  constexpr int kButtonWidth = 96;
  constexpr int kButtonHeight = 30;
  constexpr int kButtonTop = kClientHeight - kButtonHeight - 14;
  const OkCancel okCancel = MakeOkCancel(ctx_, this);
  btnOK_ = okCancel.ok;
  btnCancel_ = okCancel.cancel;

  setWindowTitle(ctx_.Tr("frmUnits_25"));
  // The design size, or wider where a translated caption needs it: nothing is cut.
  const int button =
      std::max({kButtonWidth, btnOK_->sizeHint().width(), btnCancel_->sizeHint().width()});
  const int width =
      std::max({kClientWidth, 2 * button + 12 + 24,
                rgUnits_->fontMetrics().horizontalAdvance(rgUnits_->title()) + 24 + 24});
  setFixedSize(width, kClientHeight);
  rgUnits_->setGeometry(12, 10, width - 24, 82);
  btnOK_->setGeometry(width / 2 - button - 6, kButtonTop, button, kButtonHeight);
  btnCancel_->setGeometry(width / 2 + 6, kButtonTop, button, kButtonHeight);
  LoadChoicesReporting(ctx_, prompter_, this);
  ShowPosition(ctx_.Choices.UnitSel);
  ApplyDialogLook(this);
}

void TfrmUnits::ShowPosition(int position) {
  if (position < 0 || position >= buttons_->buttons().size()) {
    buttons_->setExclusive(false);
    for (QAbstractButton* b : buttons_->buttons())
      b->setChecked(false);
    buttons_->setExclusive(true);
    return;
  }
  buttons_->button(position)->setChecked(true);
}

int TfrmUnits::ControlPosition() const {
  return buttons_->checkedId();
}

void TfrmUnits::showEvent(QShowEvent* event) {
  // The dialog always opens on the stored unit system.
  LoadChoicesReporting(ctx_, prompter_, this);
  ShowPosition(ctx_.Choices.UnitSel);
  btnOK_->setFocus();
  QDialog::showEvent(event);
}

void TfrmUnits::ppUnitsClick() {
  if (exec() != QDialog::Accepted) {
    ShowPosition(ctx_.Choices.UnitSel);
    return;
  }
  ctx_.Choices.UnitSel = ControlPosition();
  if (repaint_) repaint_();
  SaveInterfaceChoices(ctx_.Settings, ctx_.Choices);
}

}  // namespace qv
