#include "app/ExportDialog.h"

#include "common/WindowLook.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <initializer_list>

namespace qv {
namespace {

// A titled column of radio buttons, the first checked.
QButtonGroup* TranslatedRadioGroup(AppContext& ctx, QWidget* parent, QLayout* into,
                                   const char* name, const char* caption,
                                   std::initializer_list<const char*> items) {
  QStringList texts;
  for (const char* key : items)
    texts << ctx.Tr(key);
  const qv::RadioGroup radio = MakeRadioGroup(parent, name, ctx.Tr(caption), texts);
  radio.group->button(0)->setChecked(true);
  into->addWidget(radio.box);
  return radio.group;
}

}  // namespace

TfrmExport::TfrmExport(AppContext& ctx, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmExport"));
  setWindowTitle(ctx.Tr("frmExport_25"));
  auto* layout = new QVBoxLayout(this);
  auto* groups = new QHBoxLayout;
  layout->addLayout(groups);
  rgDelimiter_ = TranslatedRadioGroup(ctx, this, groups, "rgDelimiter", "rgDelim_15",
                                      {"DelimTAB_10", "DelimSem_15", "DelimCSV_30"});
  rgEOLSign_ = TranslatedRadioGroup(ctx, this, groups, "rgEOLSign", "rgEOLSign_15",
                                    {"EOLSignCRLF_10", "EOLSignCR_5", "EOLSignLF_5"});
  // CSV ends its lines as RFC 4180 says: the line-end choice has nothing to do then.
  connect(rgDelimiter_, &QButtonGroup::idToggled, this, [this](int, bool) {
    for (QAbstractButton* b : rgEOLSign_->buttons())
      b->setEnabled(!Csv());
  });
  QDialogButtonBox* buttons = OkCancelButtons(ctx, this);
  layout->addWidget(buttons);
  ApplyDialogLook(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

ExportDelimiter TfrmExport::Delimiter() const {
  return rgDelimiter_->checkedId() == 1 ? ExportDelimiter::Semicolon : ExportDelimiter::Tab;
}

bool TfrmExport::Csv() const {
  return rgDelimiter_->checkedId() == 2;
}

ExportLineEnd TfrmExport::LineEnd() const {
  switch (rgEOLSign_->checkedId()) {
    case 1:
      return ExportLineEnd::Cr;
    case 2:
      return ExportLineEnd::Lf;
    default:
      return ExportLineEnd::CrLf;
  }
}

}  // namespace qv
