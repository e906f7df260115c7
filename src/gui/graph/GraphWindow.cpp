#include "graph/GraphWindow.h"

#include "common/LocaleNumbers.h"
#include "format/DateTimeText.h"
#include "format/NumberText.h"
#include "store/SignalCatalog.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPrinter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

const char* const kStatisticKeys[kStatistics] = {"Curr_5", "Min_5", "Avg_5", "Max_5"};
const QColor kSeriesColors[kStatistics] = {{128, 0, 64}, {0, 128, 0}, {0, 0, 160}, {255, 0, 0}};
const QColor kBackground(255, 255, 161);
constexpr const char* kSaveImageKey = "mmGraphSaveImage_25";
const QColor kRefusalColour(160, 0, 0);
// The most points of a fitted curve: it is smooth, a few hundred draw it as well as thousands.
constexpr int kFitCurvePoints = 200;
const QString kPerHour = QStringLiteral(" h\u207B\u00B9");
const QChar kFixedBlank(0x00A0);

// The block's times and quantity q's current values, nothing else: what the statistics and the
// fit of one window read, without a copy of every logged signal per window.
TLoggerRecord QuantityOnly(const TLoggerRecord& block, int q) {
  TLoggerRecord b;
  b.IntervalSec = block.IntervalSec;
  b.UnitSystem = block.UnitSystem;
  b.BeginTime = block.BeginTime;
  b.SampleCount = block.SampleCount;
  const int code = FirstCodeOf(q);
  if (q >= 1 && q <= kQuantityCount && block.SignalPresent[static_cast<size_t>(code)] == 1) {
    b.SignalCodes[0] = code;
    b.SignalCount = 1;
    b.SignalPresent[static_cast<size_t>(code)] = 1;
    const auto pos = static_cast<size_t>(StoragePos(code));
    b.Samples[pos] = block.Samples[pos];
  }
  return b;
}

bool HasValue(double v) {
  return v < NoValueThreshold && std::isfinite(v);
}

}  // namespace

TfrmGraphChild::TfrmGraphChild(AppContext& ctx, Prompter& prompter, int q,
                               const TLoggerRecord& block, QWidget* parent)
    : TfrmGraphChild(ctx, prompter, q, ctx.Tr(GraphQuantityOf(q)->CaptionKey),
                     LoggedChartContent(ChartTextsFor(q, ctx.DisplayUnits(), ctx.Texts, ctx.Codec),
                                        block, q, ctx.DisplayUnits()),
                     StatusUnitSuffix(q, ctx.DisplayUnits(), ctx.Texts), parent) {
  // A logged quantity's window surveys the stretch shown below its status panels; a computed
  // series has no limits and no survey.
  auto* layout = static_cast<QVBoxLayout*>(this->layout());
  const std::string_view units = ctx_.DisplayUnits();
  block_ = QuantityOnly(block, q);
  units_ = std::string(units);
  // The survey of the stretch shown: its items stay whole where the panel wraps.
  rangePanel_ = new QLabel(this);
  rangePanel_->setObjectName(QStringLiteral("lbShownStatistics"));
  rangePanel_->setFrameShape(QFrame::StyledPanel);
  rangePanel_->setWordWrap(true);
  rangePanel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(rangePanel_);
  connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
          [this] { ShowShownStatistics(); });
  if (q == kCo2Quantity) {
    auto* row = new QHBoxLayout;
    airChangePanel_ = new QLabel(this);
    airChangePanel_->setObjectName(QStringLiteral("lbAirChange"));
    airChangePanel_->setFrameShape(QFrame::StyledPanel);
    airChangePanel_->setWordWrap(true);
    airChangePanel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* outdoorLabel = new QLabel(ctx_.Tr("qrlOutdoorCo2_30") + QLatin1Char(':'), this);
    outdoorLabel->setObjectName(QStringLiteral("lbOutdoorCo2"));
    outdoor_ = new QDoubleSpinBox(this);
    outdoor_->setObjectName(QStringLiteral("seOutdoorCo2"));
    outdoor_->setDecimals(0);
    outdoor_->setRange(0, 5000);
    outdoor_->setSingleStep(10);
    outdoor_->setValue(kOutdoorCo2);
    outdoor_->setSuffix(QLatin1Char(' ') + ctx_.Tr("Unit-Ppm_10"));
    outdoorLabel->setBuddy(outdoor_);
    // A new outdoor concentration fits the last stretch again.
    connect(outdoor_, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this] {
      if (airChange_) {
        const AirChangeOutcome last = *airChange_;
        FitAirChange(last.From, last.To);
      }
    });
    row->addWidget(airChangePanel_, 1);
    row->addWidget(outdoorLabel);
    row->addWidget(outdoor_);
    layout->addLayout(row);
    QCPSelectionRect* band = plot_->selectionRect();
    connect(band, &QCPSelectionRect::accepted, this, [this](const QRect& rect, QMouseEvent*) {
      if (!fitDrag_) return;
      EndFitDrag();
      const double a = plot_->xAxis->pixelToCoord(rect.left());
      const double b = plot_->xAxis->pixelToCoord(rect.right());
      FitAirChange(TGraphChart::FromAxis(std::min(a, b)), TGraphChart::FromAxis(std::max(a, b)));
    });
    connect(band, &QCPSelectionRect::canceled, this, [this] {
      if (fitDrag_) EndFitDrag();
    });
    ShowAirChange();
  }
  ShowShownStatistics();
  FitStatusPanels();
}

TfrmGraphChild::TfrmGraphChild(AppContext& ctx, Prompter& prompter, int q,
                               const GraphSeriesData& points, QWidget* parent)
    : TfrmGraphChild(ctx, prompter, q, ctx.Tr(GraphQuantityOf(q)->CaptionKey),
                     TrendChartContent(ChartTextsFor(q, ctx.DisplayUnits(), ctx.Texts, ctx.Codec),
                                       q, points, ctx.DisplayUnits()),
                     StatusUnitSuffix(q, ctx.DisplayUnits(), ctx.Texts), parent) {}

TfrmGraphChild::TfrmGraphChild(AppContext& ctx, Prompter& prompter, int id, const QString& caption,
                               const ChartContent& content, const Bytes& statusSuffix,
                               QWidget* parent)
    : QWidget(parent), ctx_(ctx), prompter_(prompter), q_(id) {
  setObjectName(QStringLiteral("frmGraphChild"));
  setWindowTitle(caption);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kBackground);
  setPalette(palette);

  plot_ = new TGraphChart(content, id, this);
  // The statistic boxes sit at the chart's top right, clear of the value axis.
  auto* bar = new QHBoxLayout;
  bar->addStretch(1);
  const std::array<qv::StatisticBox, kStatistics>& initial = plot_->InitialBoxes();
  for (size_t i = 0; i < kStatistics; ++i) {
    auto* box = new QCheckBox(ctx_.Tr(kStatisticKeys[i]), this);
    box->setObjectName(QString::fromLatin1(i == 0   ? "cbCurrent"
                                           : i == 1 ? "cbMinimum"
                                           : i == 2 ? "cbAverage"
                                                    : "cbMaximum"));
    QPalette boxPalette = box->palette();
    boxPalette.setColor(QPalette::WindowText, kSeriesColors[i]);
    box->setPalette(boxPalette);
    box->setEnabled(initial[i].Enabled);
    box->setChecked(initial[i].Checked);
    connect(box, &QCheckBox::clicked, this, [this, i] { StatisticToggled(static_cast<int>(i)); });
    boxes_[i] = box;
    bar->addWidget(box);
  }
  bar->addSpacing(10);

  plot_->setMouseTracking(true);
  plot_->installEventFilter(this);
  // Any full redraw takes the cursor line away; the read-out starts again at the next move.
  connect(plot_, &QCustomPlot::afterReplot, this, [this] { ResetReadout(); });
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowContextMenu(mapToGlobal(pos)); });

  statusGrid_ = new QGridLayout;
  statusGrid_->setSpacing(2);
  QFont statusFont = font();
  statusFont.setBold(true);
  for (size_t p = 0; p < status_.size(); ++p) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("sbPanel%1").arg(p));
    label->setFont(statusFont);
    label->setFrameShape(QFrame::StyledPanel);
    status_[p] = label;
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addLayout(bar);
  layout->addWidget(plot_, 1);
  layout->addLayout(statusGrid_);
  suffix_ = statusSuffix;
  ResetReadout();
  resize(657, 539);
  FitStatusPanels();
}

void TfrmGraphChild::EndFitDrag() {
  fitDrag_ = false;
  // The next plain drag zooms again (the signal being delivered no longer reaches the zoom) in
  // the zoom's own look.
  plot_->setSelectionRectMode(QCP::srmZoom);
  plot_->selectionRect()->setPen(QPen(Qt::gray, 0, Qt::DashLine));
  plot_->selectionRect()->setBrush(Qt::NoBrush);
}

QString TfrmGraphChild::Number(double v, int decimals) const {
  return ctx_.Decode(FormatFixed(v, decimals, LocaleDecimalSeparator()));
}

QString TfrmGraphChild::UnitText() const {
  const GraphQuantity* g = GraphQuantityOf(q_);
  const char* key = g == nullptr ? nullptr : units_ == "US" ? g->UnitKeyUS : g->UnitKeySI;
  return key == nullptr ? QString() : ctx_.Tr(key);
}

void TfrmGraphChild::SetLimits(const QuantityLimits& limits) {
  limits_ = limits;
  const QString unit = UnitText();
  const auto name = [&](const char* key, double v) {
    QString text =
        ctx_.Tr(key) + QLatin1Char(' ') + ctx_.Decode(FormatGeneral(v, LocaleDecimalSeparator()));
    if (!unit.isEmpty()) text += QLatin1Char(' ') + unit;
    return text;
  };
  using Side = TGraphChart::LimitSide;
  plot_->SetLimitLine(Side::Upper, limits.Upper,
                      limits.Upper ? name("qrlUpperLimit_20", *limits.Upper) : QString());
  plot_->SetLimitLine(Side::Lower, limits.Lower,
                      limits.Lower ? name("qrlLowerLimit_20", *limits.Lower) : QString());
  plot_->replot();
  ShowShownStatistics();
}

SampleRange TfrmGraphChild::ShownSamples() const {
  const QCPRange shown = plot_->xAxis->range();
  return SamplesWithin(block_, TGraphChart::FromAxis(shown.lower),
                       TGraphChart::FromAxis(shown.upper));
}

QuantityStatistics TfrmGraphChild::ShownStatistics() const {
  return ComputeQuantityStatistics(block_, q_, ShownSamples(), units_, limits_);
}

void TfrmGraphChild::ShowShownStatistics() {
  if (rangePanel_ == nullptr) return;
  const QuantityStatistics s = ShownStatistics();
  const int decimals = SurveyDecimals(q_, units_);
  const QString unit = UnitText();
  const QString withUnit = unit.isEmpty() ? QString() : kFixedBlank + unit;
  // Each item whole on its line: blanks inside it do not break.
  const auto item = [&](const QString& caption, const QString& value) {
    return QString(caption + QLatin1Char(' ') + value).replace(QLatin1Char(' '), kFixedBlank);
  };
  QStringList items;
  items << item(ctx_.Tr("qrlSurveySamples_20"), QString::number(s.Count));
  if (s.Min && s.Mean && s.Max) {
    items << item(ctx_.Tr("LogSerTit2_8"), Number(*s.Min, decimals) + withUnit)
          << item(ctx_.Tr("LogSerTit3_8"), Number(*s.Mean, decimals + 1) + withUnit)
          << item(ctx_.Tr("LogSerTit4_8"), Number(*s.Max, decimals) + withUnit);
  }
  if (s.Limit && s.Count > 0) {
    const LimitResult& l = *s.Limit;
    const auto beyond = [&](const char* key, double limit, double hours,
                            const std::optional<double>& share) {
      QString value = ctx_.Decode(FormatGeneral(limit, LocaleDecimalSeparator())) + withUnit +
                      QStringLiteral(": ") + Number(hours, 2) + QStringLiteral(" h");
      if (share) value += QStringLiteral(" (") + Number(*share, 1) + QStringLiteral(" %)");
      return item(ctx_.Tr(key), value);
    };
    if (l.Upper) items << beyond("lbTimeAbove_25", *l.Upper, l.HoursAbove, l.ShareAbove);
    if (l.Lower) items << beyond("lbTimeBelow_25", *l.Lower, l.HoursBelow, l.ShareBelow);
  }
  rangePanel_->setText(QString(ctx_.Tr("lbShownRange_30") + QLatin1Char(':'))
                           .replace(QLatin1Char(' '), kFixedBlank) +
                       QLatin1Char(' ') + items.join(QStringLiteral("   ")));
  FitSurveyPanels();
}

void TfrmGraphChild::FitAirChange(double from, double to) {
  if (airChangePanel_ == nullptr) return;
  AirChangeOutcome out;
  out.Request.Range = SamplesWithin(block_, from, to);
  out.Request.OutdoorPpm = outdoor_->value();
  const SampleRange& range = out.Request.Range;
  out.From = TimeOfSample(block_, range.First);
  out.To = TimeOfSample(block_, range.First + std::max(range.Count - 1, 0));
  out.Fit = AirChangeOfBlock(block_, range, out.Request.OutdoorPpm);
  airChange_ = out;

  std::vector<GraphPoint> curve;
  if (out.Fit.Problem == AirChangeProblem::None) {
    // The fitted decay over the stretch, from the first sample with a value (where C0 holds).
    const std::vector<double>& co2 =
        block_.Samples[static_cast<size_t>(StoragePos(FirstCodeOf(kCo2Quantity)))];
    int first = range.First;
    while (first < range.First + range.Count && !HasValue(co2[static_cast<size_t>(first)]))
      ++first;
    const int last = range.First + range.Count - 1;
    const int steps = std::min(kFitCurvePoints, std::max(last - first, 1));
    for (int k = 0; k <= steps; ++k) {
      const double i = first + (last - first) * static_cast<double>(k) / steps;
      const double hours = (i - first) * block_.IntervalSec / 3600.0;
      const DateTime t = AddSeconds(block_.BeginTime, i * block_.IntervalSec);
      curve.push_back({t, out.Request.OutdoorPpm + (out.Fit.C0 - out.Request.OutdoorPpm) *
                                                       std::exp(-out.Fit.PerHour * hours)});
    }
  }
  plot_->SetFitCurve(
      curve, ctx_.Tr("lbAirChange_30") + QLatin1Char(' ') + Number(out.Fit.PerHour, 2) + kPerHour);
  plot_->replot();
  ShowAirChange();
  if (out.Fit.Problem == AirChangeProblem::None && airChangeHandler_)
    airChangeHandler_(out.Request);
}

void TfrmGraphChild::ShowAirChange() {
  if (airChangePanel_ == nullptr) return;
  QPalette palette = airChangePanel_->palette();
  palette.setColor(QPalette::WindowText, palette.color(QPalette::Active, QPalette::WindowText));
  if (!airChange_) {
    airChangePanel_->setText(ctx_.Tr("lbAchHint_70"));
    airChangePanel_->setPalette(palette);
    FitSurveyPanels();
    return;
  }
  const AirChangeOutcome& a = *airChange_;
  QString text = ctx_.Tr("lbAirChange_30") + QLatin1Char(' ') +
                 ctx_.Decode(FormatDayTime(a.From, 2)) + QStringLiteral(" \u2013 ") +
                 ctx_.Decode(FormatDayTime(a.To, 2)) + QStringLiteral(": ");
  switch (a.Fit.Problem) {
    case AirChangeProblem::None:
      text += QStringLiteral("n = ") + Number(a.Fit.PerHour, 2) + kPerHour +
              QStringLiteral(",  R\u00B2 = ") + Number(a.Fit.R2, 3);
      break;
    case AirChangeProblem::TooFewSamples:
      text += ctx_.Tr("qrlAchTooFew_50");
      break;
    case AirChangeProblem::NotFalling:
      text += ctx_.Tr("qrlAchRising_50");
      break;
    case AirChangeProblem::AtOrBelowOutdoor:
      text += ctx_.Tr("qrlAchOutdoor_60");
      break;
  }
  if (a.Fit.Problem != AirChangeProblem::None)
    palette.setColor(QPalette::WindowText, kRefusalColour);
  airChangePanel_->setPalette(palette);
  airChangePanel_->setText(text);
  FitSurveyPanels();
}

void TfrmGraphChild::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitStatusPanels();
  FitSurveyPanels();
}

namespace {

// The height a framed label needs for its text wrapped at `width`, as the label lays it out
// (its own heightForWidth never returns less than its minimum height, which this sets).
int WrappedHeight(const QLabel* label, int width) {
  const QFontMetrics metrics = label->fontMetrics();
  const int indent = label->frameWidth() > 0 ? metrics.horizontalAdvance(QLatin1Char('x')) / 2 : 0;
  const QMargins m = label->contentsMargins();
  const int extraWidth = m.left() + m.right() + 2 * label->margin() + indent;
  const int extraHeight = m.top() + m.bottom() + 2 * label->margin();
  const QRect text = metrics.boundingRect(QRect(0, 0, std::max(width - extraWidth, 1), 1 << 20),
                                          Qt::AlignLeft | Qt::TextWordWrap, label->text());
  return text.height() + extraHeight;
}

}  // namespace

int TfrmGraphChild::PanelWidth(const QLabel* panel, int contentWidth) const {
  // The air change panel shares its row with the outdoor concentration.
  int others = 0;
  if (panel == airChangePanel_) {
    const auto* caption = findChild<QLabel*>(QStringLiteral("lbOutdoorCo2"));
    others = outdoor_->sizeHint().width() + (caption ? caption->sizeHint().width() : 0) + 12;
  }
  return std::max(contentWidth - others, 1);
}

int TfrmGraphChild::SurveyPanelsGrowth(int width) const {
  int growth = 0;
  for (const QLabel* panel : {rangePanel_, airChangePanel_}) {
    if (panel == nullptr) continue;
    growth += std::max(0, WrappedHeight(panel, PanelWidth(panel, width)) - panel->minimumHeight());
  }
  return growth;
}

void TfrmGraphChild::FitSurveyPanels() {
  const int width = contentsRect().width() - 4;
  for (QLabel* panel : {rangePanel_, airChangePanel_}) {
    if (panel == nullptr) continue;
    const int height = WrappedHeight(panel, PanelWidth(panel, width));
    if (height > 0 && height != panel->minimumHeight()) panel->setMinimumHeight(height);
  }
}

QSize TfrmGraphChild::minimumSizeHint() const {
  QSize hint = QWidget::minimumSizeHint();
  // The narrowest content width: the chart's minimum, within the layout's margins.
  const int narrowest = std::max(plot_->minimumWidth(), hint.width() - 4);
  hint.setHeight(hint.height() + SurveyPanelsGrowth(narrowest));
  return hint;
}

void TfrmGraphChild::FitStatusPanels() {
  // One row of panels of their design widths where they fit; else the four statistics share a
  // row and the date and time take the next, so that no text is cut.
  const bool twoRows = width() < 4 * 150 + 100 + 20;
  if (statusGrid_->count() != 0 && twoRows == statusInTwoRows_) return;
  statusInTwoRows_ = twoRows;
  for (QLabel* label : status_)
    statusGrid_->removeWidget(label);
  for (int p = 0; p < 5; ++p) {
    QLabel* label = status_[static_cast<size_t>(p)];
    label->setMinimumWidth(twoRows ? 0 : (p < 4 ? 150 : 100));
    if (twoRows) {
      statusGrid_->addWidget(label, p < 4 ? 0 : 1, p < 4 ? p : 0, 1, p < 4 ? 1 : 4);
    } else {
      statusGrid_->addWidget(label, 0, p);
    }
  }
  for (int c = 0; c < 5; ++c)
    statusGrid_->setColumnStretch(c, (c == 4) != twoRows ? 1 : 0);
  QFont statusFont = status_[0]->font();
  statusFont.setPixelSize(twoRows ? 11 : QFontInfo(font()).pixelSize());
  for (QLabel* label : status_)
    label->setFont(statusFont);
}

void TfrmGraphChild::SetMinimumChartSize(const QSize& size) {
  plot_->setMinimumSize(size.expandedTo(QSize(1, 1)));
}

QString TfrmGraphChild::StatusText(int panel) const {
  return status_[static_cast<size_t>(panel)]->text();
}

bool TfrmGraphChild::CursorShown() const {
  return plot_->CursorShown();
}

bool TfrmGraphChild::IsActiveGraph() const {
  const auto* window = qobject_cast<const QMdiSubWindow*>(parentWidget());
  if (window == nullptr || window->mdiArea() == nullptr) return true;
  return window->mdiArea()->activeSubWindow() == window;
}

void TfrmGraphChild::ResetReadout() {
  for (size_t i = 0; i < kStatistics; ++i)
    status_[i]->setText(ctx_.Decode(ctx_.Texts.Translate(kStatisticKeys[i]) + suffix_));
  status_[4]->setText(ctx_.Tr("LogButtonAx_40") + QStringLiteral(": "));
  if (plot_->CursorShown()) plot_->ShowCursor(std::nullopt);
}

void TfrmGraphChild::ShowReadout(double x) {
  std::array<bool, kStatistics> on{};
  for (size_t i = 0; i < kStatistics; ++i)
    on[i] = boxes_[i]->isChecked();
  const std::optional<CursorReadout> r = ReadCursor(plot_->Data().Series, on, x);
  if (!r) return;
  for (size_t i = 0; i < kStatistics; ++i) {
    QString text = ctx_.Decode(ctx_.Texts.Translate(kStatisticKeys[i]) + suffix_);
    if (r->Values[i]) text += QString::number(*r->Values[i], 'g', 10);
    status_[i]->setText(text);
  }
  QString time = ctx_.Tr("LogButtonAx_40") + QStringLiteral(": ");
  if (r->Series >= 0) {
    time += QString::fromStdString(FormatDayTime(r->Time, 3));
    plot_->ShowCursor(r->Time);
  } else {
    plot_->ShowCursor(std::nullopt);
  }
  status_[4]->setText(time);
}

bool TfrmGraphChild::eventFilter(QObject* watched, QEvent* event) {
  if (watched == plot_) {
    if (event->type() == QEvent::MouseMove) {
      // Only the active graph window reads out; the others keep their panels at rest.
      if (IsActiveGraph()) {
        const auto* move = static_cast<QMouseEvent*>(event);
        const double x = plot_->xAxis->pixelToCoord(move->position().x());
        const double y = plot_->yAxis->pixelToCoord(move->position().y());
        if (!plot_->xAxis->range().contains(x) || !plot_->yAxis->range().contains(y)) {
          ResetReadout();
        } else {
          ShowReadout(TGraphChart::FromAxis(x));
        }
      }
    } else if (event->type() == QEvent::MouseButtonPress && airChangePanel_ != nullptr &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
               (static_cast<QMouseEvent*>(event)->modifiers() & Qt::ShiftModifier)) {
      // With Shift held the rectangle chooses the stretch of a fit instead of zooming; the
      // chart itself starts it.
      fitDrag_ = true;
      plot_->setSelectionRectMode(QCP::srmCustom);
      QColor tint = TGraphChart::FitCurveColour();
      plot_->selectionRect()->setPen(QPen(tint, 0, Qt::DashLine));
      tint.setAlpha(40);
      plot_->selectionRect()->setBrush(tint);
    } else if (event->type() == QEvent::MouseButtonPress &&
               static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
      // The right button un-zooms; with Ctrl it opens the window's menu instead, so that a
      // zoomed view can be saved as it is.
      const auto* press = static_cast<QMouseEvent*>(event);
      if (press->modifiers() & Qt::ControlModifier) {
        ShowContextMenu(press->globalPosition().toPoint());
      } else {
        plot_->Unzoom();
      }
      return true;
    } else if (event->type() == QEvent::Leave) {
      ResetReadout();
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool TfrmGraphChild::Print(QPrinter& printer) {
  const bool ok = PrintCharts({plot_}, printer);
  ResetReadout();
  return ok;
}

bool TfrmGraphChild::SaveImage(const QString& path, QString* error) {
  const bool ok = SaveChartImage(*plot_, path, QSize(), error);
  ResetReadout();
  return ok;
}

void TfrmGraphChild::SaveImageAs() {
  QString title = ctx_.Tr(kSaveImageKey);
  title.remove(QLatin1Char('&'));
  title.remove(QStringLiteral("..."));
  QFileDialog dialog(this, title.trimmed() + QStringLiteral(" - ") + windowTitle(),
                     TestResultsFolder());
  dialog.setObjectName(QStringLiteral("sdImageDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  const QStringList filters = {QStringLiteral("PNG (*.png)"), QStringLiteral("SVG (*.svg)"),
                               QStringLiteral("PDF (*.pdf)")};
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(QStringLiteral("png"));
  // The suffix follows the chosen kind.
  connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
    const QString suffix = f.mid(f.indexOf(QStringLiteral("*.")) + 2).chopped(1);
    dialog.setDefaultSuffix(suffix);
  });
  dialog.selectFile(windowTitle() + QStringLiteral(".png"));
  const QString path = prompter_.ChooseFile(dialog);
  if (path.isEmpty()) return;
  QString error;
  if (!SaveImage(path, &error)) prompter_.Message(this, error, QMessageBox::Warning);
}

void TfrmGraphChild::ShowContextMenu(const QPoint& globalPos) {
  QMenu menu(this);
  menu.addAction(ctx_.Tr(kSaveImageKey), this, [this] { SaveImageAs(); });
  menu.exec(globalPos);
}

void TfrmGraphChild::StatisticToggled(int statistic) {
  const size_t i = static_cast<size_t>(statistic);
  const bool any =
      std::any_of(boxes_.begin(), boxes_.end(), [](const QCheckBox* b) { return b->isChecked(); });
  // At least one statistic stays shown.
  if (!any) boxes_[i]->setChecked(true);
  plot_->SetStatisticShown(statistic, boxes_[i]->isChecked());
  plot_->replot();
}

}  // namespace qv
