#include "view/InstrumentSettingsDialog.h"

#include "common/LocaleNumbers.h"
#include "common/WindowLook.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace qv {
namespace {

const QPen kPlainPen(QColor(128, 128, 128), 1);
const QPen kHighlightPen(Qt::black, 2);
// The value labels keep this width, so the dialog does not change size with the values.
constexpr const char* kWidestValue = "00000.00 m";

}  // namespace

// ---- The duct outline ----

TDuctShape::TDuctShape(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind), pen_(kPlainPen) {
  setObjectName(kind == Kind::Rectangle ? QStringLiteral("shRectangle")
                                        : QStringLiteral("shCircle"));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TDuctShape::SetHighlighted(bool on) {
  pen_ = on ? kHighlightPen : kPlainPen;
  update();
}

QSize TDuctShape::sizeHint() const {
  return kind_ == Kind::Rectangle ? QSize(81, 57) : QSize(65, 65);
}

void TDuctShape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(pen_);
  painter.setBrush(palette().color(QPalette::Button));
  // The whole outline inside the widget, however thick the pen.
  const int inset = pen_.width();
  const QRect r = rect().adjusted(inset, inset, -inset, -inset);
  if (kind_ == Kind::Rectangle) {
    painter.drawRect(r);
  } else {
    const int side = std::min(r.width(), r.height());
    painter.drawEllipse(
        QRect(0, 0, side, side).translated(r.center() - QPoint(side / 2, side / 2)));
  }
}

// ---- The dialog ----

TfrmInstrumentSettings::TfrmInstrumentSettings(AppContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("frmInstrumentSettings"));
  setWindowTitle(ctx_.Tr("frmInstrumentSettings_25"));
  auto* column = new QVBoxLayout(this);

  QGroupBox* gbAirVelocity = AddGroup("gbAirVelocity", "gbAirVelocity_15");
  auto* altitude = new QGridLayout(gbAirVelocity);
  altitude->addWidget(AddLabel(gbAirVelocity, "lbAltitude1", "lbAltitude1_15"), 0, 0);
  lbAltitude_ = AddLabel(gbAirVelocity, "lbAltitude");
  altitude->addWidget(lbAltitude_, 0, 1);
  altitude->setColumnStretch(1, 1);

  QGroupBox* gbAirFlow = AddGroup("gbAirFlow", "gbAirFlow_15");
  auto* duct = new QGridLayout(gbAirFlow);
  shRectangle_ = new TDuctShape(TDuctShape::Kind::Rectangle, gbAirFlow);
  shCircle_ = new TDuctShape(TDuctShape::Kind::Circle, gbAirFlow);
  duct->addWidget(shRectangle_, 0, 0, 1, 2, Qt::AlignCenter);
  duct->addWidget(shCircle_, 0, 3, 1, 2, Qt::AlignCenter);
  lbSide_a1_ = AddLabel(gbAirFlow, "lbSide_a1", "lbSide_a1_15");
  lbSide_a_ = AddLabel(gbAirFlow, "lbSide_a");
  lbSide_b1_ = AddLabel(gbAirFlow, "lbSide_b1", "lbSide_b1_15");
  lbSide_b_ = AddLabel(gbAirFlow, "lbSide_b");
  lbRadius_r1_ = AddLabel(gbAirFlow, "lbRadius_r1", "lbRadius_r1_15");
  lbRadius_r_ = AddLabel(gbAirFlow, "lbRadius_r");
  duct->addWidget(lbSide_a1_, 1, 0);
  duct->addWidget(lbSide_a_, 1, 1);
  duct->addWidget(lbSide_b1_, 2, 0);
  duct->addWidget(lbSide_b_, 2, 1);
  duct->addWidget(lbRadius_r1_, 1, 3);
  duct->addWidget(lbRadius_r_, 1, 4);
  // A gap between the rectangle's column and the circle's.
  duct->setColumnMinimumWidth(2, 16);
  duct->setRowMinimumHeight(0, 70);

  QGroupBox* gbWBGT_PPD = AddGroup("gbWBGT_PPD", "gbWBGT_PPD_15");
  auto* comfort = new QGridLayout(gbWBGT_PPD);
  comfort->addWidget(AddLabel(gbWBGT_PPD, "lbMetabolic1", "lbMetabolic1_15"), 0, 0);
  lbMetabolic_ = AddLabel(gbWBGT_PPD, "lbMetabolic");
  comfort->addWidget(lbMetabolic_, 0, 1);
  comfort->addWidget(AddLabel(gbWBGT_PPD, "lbClothing1", "lbClothing1_15"), 1, 0);
  lbClothing_ = AddLabel(gbWBGT_PPD, "lbClothing");
  comfort->addWidget(lbClothing_, 1, 1);
  comfort->setColumnStretch(1, 1);

  for (QGroupBox* group : {gbAirVelocity, gbAirFlow, gbWBGT_PPD})
    column->addWidget(group);
  btnOK_ = new QPushButton(ctx_.Tr("btnOK_8"), this);
  btnOK_->setObjectName(QStringLiteral("btnOK"));
  btnOK_->setDefault(true);
  btnOK_->setMinimumWidth(96);
  connect(btnOK_, &QPushButton::clicked, this, &QDialog::accept);
  column->addWidget(btnOK_, 0, Qt::AlignHCenter);
  ApplyDialogLook(this);
}

QGroupBox* TfrmInstrumentSettings::AddGroup(const char* name, const char* key) {
  auto* group = new QGroupBox(QStringLiteral(" ") + ctx_.Tr(key) + QStringLiteral(" "), this);
  group->setObjectName(QString::fromLatin1(name));
  return group;
}

QLabel* TfrmInstrumentSettings::AddLabel(QWidget* parent, const char* name, const char* key) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  if (key) {
    label->setText(ctx_.Tr(key));
  } else {
    label->setMinimumWidth(
        label->fontMetrics().horizontalAdvance(QString::fromLatin1(kWidestValue)));
  }
  return label;
}

void TfrmInstrumentSettings::Fill(const Document& doc, int selectedRecordIndex) {
  const ParameterTexts p =
      DescribeSelectedParameters(doc, selectedRecordIndex, LocaleDecimalSeparator());
  const std::pair<QLabel*, const Bytes*> values[] = {
      {lbAltitude_, &p.Altitude},
      {lbSide_a_, &p.SideA},
      {lbSide_b_, &p.SideB},
      {lbRadius_r_, &p.Radius},
      {lbMetabolic_, &p.MetabolicRate},
      {lbClothing_, &p.Clothing},
  };
  for (const auto& [label, text] : values)
    label->setText(ctx_.Decode(*text));
  lbSide_a1_->setEnabled(p.SidesEnabled);
  lbSide_b1_->setEnabled(p.SidesEnabled);
  lbRadius_r1_->setEnabled(p.RadiusEnabled);
  shRectangle_->SetHighlighted(p.Highlight == DuctHighlight::Rectangle);
  shCircle_->SetHighlighted(p.Highlight == DuctHighlight::Circle);
}

void TfrmInstrumentSettings::ppInstrumentSettingsClick(int selectedRecordIndex) {
  Fill(ctx_.Doc, selectedRecordIndex);
  btnOK_->setFocus();
  exec();
}

}  // namespace qv
