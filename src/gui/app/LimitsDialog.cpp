#include "app/LimitsDialog.h"

#include "common/LocaleNumbers.h"
#include "common/WindowLook.h"
#include "format/NumberText.h"
#include "graph/GraphData.h"
#include "survey/LimitSettings.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

constexpr int kLimitColumnWidth = 110;

std::optional<double>& Side(QuantityLimits& limits, int column) {
  return column == TfrmLimits::kUpperColumn ? limits.Upper : limits.Lower;
}

}  // namespace

TfrmLimits::TfrmLimits(AppContext& ctx, Prompter& prompter, std::function<void()> applied,
                       QWidget* parent)
    : QDialog(parent), ctx_(ctx), prompter_(prompter), applied_(std::move(applied)) {
  setObjectName(QStringLiteral("frmLimits"));
  setWindowTitle(ctx_.Tr("frmLimits_25"));

  hint_ = new QLabel(this);
  hint_->setObjectName(QStringLiteral("lbLimitsHint"));
  hint_->setWordWrap(true);

  table_ = new QTableWidget(kQuantityCount, 4, this);
  table_->setObjectName(QStringLiteral("sgLimits"));
  table_->setHorizontalHeaderLabels({ctx_.Tr("qrlSurveyQuantity_20"), ctx_.Tr("colUnit_10"),
                                     ctx_.Tr("qrlUpperLimit_20"), ctx_.Tr("qrlLowerLimit_20")});
  table_->verticalHeader()->hide();
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  // Typing into a cell edits it, as does a double click; moving to a cell alone does not.
  table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const int rowHeight = table_->fontMetrics().height() + 8;
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(rowHeight);
  for (int q = 1; q <= kQuantityCount; ++q) {
    for (int column = 0; column < 4; ++column) {
      auto* item = new QTableWidgetItem;
      if (column < kUpperColumn) {
        item->setFlags(Qt::ItemIsEnabled);
      } else {
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      }
      table_->setItem(q - 1, column, item);
    }
    table_->item(q - 1, kQuantityColumn)->setText(ctx_.Tr(GraphQuantityOf(q)->CaptionKey));
  }
  Fill();
  // Every row and column in view, none cut: the widest text of each column, the limits wide
  // enough to type in.
  table_->resizeColumnsToContents();
  for (const int column : {kUpperColumn, kLowerColumn})
    table_->setColumnWidth(column, std::max(kLimitColumnWidth, table_->columnWidth(column)));
  int width = 2 * table_->frameWidth();
  for (int column = 0; column < 4; ++column) {
    table_->setColumnWidth(column, table_->columnWidth(column) + 12);
    width += table_->columnWidth(column);
  }
  table_->horizontalHeader()->setFixedHeight(table_->horizontalHeader()->sizeHint().height());
  table_->setFixedSize(width, 2 * table_->frameWidth() +
                                  table_->horizontalHeader()->sizeHint().height() +
                                  kQuantityCount * rowHeight);
  hint_->setFixedWidth(width);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hint_);
  layout->addWidget(table_);
  layout->addWidget(OkCancelButtons(ctx_, this));
  ApplyDialogLook(this);
}

QString TfrmLimits::CellName(int q, int column) const {
  return table_->item(q - 1, kQuantityColumn)->text() + QStringLiteral(", ") +
         table_->horizontalHeaderItem(column)->text();
}

void TfrmLimits::Fill(bool report) {
  const std::string_view units = ctx_.DisplayUnits();
  hint_->setText(ctx_.Tr("lbLimitsHint_70") + QStringLiteral(" (") +
                 QString::fromLatin1(units.data(), static_cast<qsizetype>(units.size())) +
                 QLatin1Char(')'));
  const LoadedLimits loaded = LoadLimits(ctx_.Settings);
  stored_ = loaded.Limits;
  for (int q = 1; q <= kQuantityCount; ++q) {
    const GraphQuantity* g = GraphQuantityOf(q);
    const char* unit = units == "US" ? g->UnitKeyUS : g->UnitKeySI;
    table_->item(q - 1, kUnitColumn)->setText(unit == nullptr ? QString() : ctx_.Tr(unit));
    for (const int column : {kUpperColumn, kLowerColumn}) {
      const std::optional<double>& si = Side(stored_[static_cast<size_t>(q - 1)], column);
      QString text;
      if (si) {
        text = ctx_.Decode(
            FormatGeneral(ToDisplayUnits(q, *si, "SI", units), LocaleDecimalSeparator()));
      }
      shown_[static_cast<size_t>(q - 1)][column - kUpperColumn] = text;
      table_->item(q - 1, column)->setText(text);
    }
  }
  if (report && !loaded.Problems.empty()) {
    QStringList problems;
    for (const std::string& p : loaded.Problems)
      problems << QString::fromStdString(p);
    prompter_.Message(this, problems.join(QLatin1Char('\n')), QMessageBox::Warning);
  }
}

void TfrmLimits::showEvent(QShowEvent* event) {
  // Always the stored limits, in the units on show now.
  if (!event->spontaneous()) Fill(true);
  table_->setCurrentCell(0, kUpperColumn);
  table_->setFocus();
  QDialog::showEvent(event);
}

std::optional<LimitTable> TfrmLimits::Read() {
  const std::string_view units = ctx_.DisplayUnits();
  LimitTable limits = stored_;
  for (int q = 1; q <= kQuantityCount; ++q) {
    QuantityLimits& l = limits[static_cast<size_t>(q - 1)];
    for (const int column : {kUpperColumn, kLowerColumn}) {
      const QString text = table_->item(q - 1, column)->text().trimmed();
      if (text == shown_[static_cast<size_t>(q - 1)][column - kUpperColumn]) continue;
      std::optional<double>& limit = Side(l, column);
      if (text.isEmpty()) {
        limit.reset();
        continue;
      }
      const std::optional<double> typed = TextToNumber(ctx_.Codec.Encode(text));
      if (!typed || !std::isfinite(*typed)) {
        table_->setCurrentCell(q - 1, column);
        prompter_.Message(this,
                          CellName(q, column) + QStringLiteral(": \"") + text +
                              QStringLiteral("\"\n") + ctx_.Tr("msgLimitNotNumber_60"),
                          QMessageBox::Warning);
        return std::nullopt;
      }
      limit = ToDisplayUnits(q, *typed, units, "SI");
    }
    // Every conversion keeps the order of values.
    if (l.Upper && l.Lower && *l.Lower > *l.Upper) {
      table_->setCurrentCell(q - 1, kLowerColumn);
      prompter_.Message(this,
                        table_->item(q - 1, kQuantityColumn)->text() + QStringLiteral(": ") +
                            ctx_.Tr("msgLimitsCrossed_60"),
                        QMessageBox::Warning);
      return std::nullopt;
    }
  }
  return limits;
}

void TfrmLimits::accept() {
  const std::optional<LimitTable> limits = Read();
  if (!limits) return;
  if (!SaveLimits(ctx_.Settings, *limits)) {
    prompter_.Message(this,
                      ctx_.Tr("msgLimitsNotSaved_50") + QLatin1Char('\n') +
                          QString::fromStdString(ctx_.Settings.Location()),
                      QMessageBox::Warning);
    return;
  }
  QDialog::accept();
}

void TfrmLimits::mmConfigLimitsClick() {
  if (exec() == QDialog::Accepted && applied_) applied_();
}

}  // namespace qv
