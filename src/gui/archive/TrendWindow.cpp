#include "archive/TrendWindow.h"

#include "chart/GraphChart.h"
#include "format/DateTimeText.h"
#include "graph/GraphData.h"
#include "graph/TimeTicks.h"
#include "store/SignalCatalog.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>

namespace qv {
namespace {

const QColor kBackground(255, 255, 161);
const QColor kAxisTitleColour(128, 0, 0);
const QColor kTestColour(0, 0, 160);
const QColor kLoggedColour(128, 0, 64);
// Logged lines get markers only while they stay few enough to tell apart.
constexpr int kMarkedSamples = 200;

// The graph quantity whose units a code's values are in: 1..16, the multipoint velocity and
// flow as velocity and flow, 0 for values without a unit system.
int UnitQuantity(int code) {
  if (code == 65) return 4;
  if (code == 66) return 5;
  return code >= 1 && code <= 64 ? QuantityOf(code) : 0;
}

// The title in its red frame, as the graph windows have it.
class FramedTitle : public QCPTextElement {
 public:
  using QCPTextElement::QCPTextElement;

 protected:
  void draw(QCPPainter* painter) override {
    QCPTextElement::draw(painter);
    painter->setPen(QPen(Qt::red, 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(mTextBoundingRect.adjusted(-6, -1, 6, 1));
  }
  QSize minimumOuterSizeHint() const override {
    return QCPTextElement::minimumOuterSizeHint() + QSize(14, 4);
  }
};

// Dates at a round step wide enough for the labels measured in the axis' font; a trend within
// one day gets the time under the date.
class DateTicker : public QCPAxisTickerDateTime {
 public:
  explicit DateTicker(QCustomPlot* plot) : plot_(plot) {
    setDateTimeFormat(kDate);
    setDateTimeSpec(Qt::UTC);
  }

 protected:
  double getTickStep(const QCPRange& range) override {
    mDateStrategy = dsNone;
    const QFontMetricsF metrics(plot_->xAxis->tickLabelFont());
    const double axis = plot_->axisRect()->width() > 0 ? plot_->axisRect()->width()
                                                       : plot_->viewport().width() - 80;
    const double step =
        TimeTickStep(range.size(), axis, metrics.horizontalAdvance(QStringLiteral("00.00.00")));
    setDateTimeFormat(step >= 86400 ? kDate : kDateAndTime);
    return step;
  }

 private:
  static inline const QString kDate = QStringLiteral("dd.MM.yy");
  static inline const QString kDateAndTime = QStringLiteral("dd.MM.yy\nh:mm");
  QCustomPlot* plot_;
};

QString DateText(double day) {
  const DateTimeParts d = DecodeDateTime(day + 0.5 / 86400000.0);
  return QStringLiteral("%1.%2.%3")
      .arg(d.day, 2, 10, QLatin1Char('0'))
      .arg(d.month, 2, 10, QLatin1Char('0'))
      .arg(d.year % 100, 2, 10, QLatin1Char('0'));
}

}  // namespace

Outcome LoadTrend(Archive& archive, const Bytes& building, const Bytes& room, int code,
                  std::string_view displayUnits, TrendData& out) {
  out = TrendData{};
  ArchiveFilter filter;
  filter.building = building;
  filter.room = room;
  filter.code = code;
  const int q = UnitQuantity(code);
  std::map<DateTime, std::vector<std::pair<double, double>>> blocks;
  std::set<int> days;
  const Outcome outcome = archive.Query(filter, [&](const ArchiveRow& row) {
    const double value = ToDisplayUnits(q, row.value, row.units, displayUnits);
    (row.logged ? blocks[row.begin] : out.tests).emplace_back(row.time, value);
    days.insert(static_cast<int>(std::floor(row.begin + 0.5 / 86400000.0)));
    ++out.values;
    return true;
  });
  if (!outcome.ok()) {
    out = TrendData{};
    return outcome;
  }
  for (auto& [begin, samples] : blocks)
    out.blocks.push_back(std::move(samples));
  out.visits = static_cast<int>(days.size());
  return outcome;
}

QString TrendCaption(const AppContext& ctx, int code) {
  const TextCatalog& texts = ctx.Texts;
  if (code >= 1 && code <= 64) {
    const GraphQuantity* g = GraphQuantityOf(QuantityOf(code));
    static const char* const kSeries[] = {"LogSerTit1_8", "LogSerTit2_8", "LogSerTit3_8",
                                          "LogSerTit4_8"};
    return ctx.Decode(texts.Translate(g->TitleKey)) + QStringLiteral(" - ") +
           ctx.Decode(texts.Translate(kSeries[StatisticOf(code) - 1]));
  }
  Bytes quantity, statistic;
  GetSignalCaption(code, ctx.DisplayUnits()[0], texts, quantity, statistic);
  if (code == 67) return ctx.Decode(quantity + " " + statistic);
  return ctx.Decode(quantity) + QLatin1Char(' ') + ctx.Decode(texts.Translate("Avg_5"));
}

TTrendChart::TTrendChart(const AppContext& ctx, int code, const TrendData& data, QWidget* parent)
    : QCustomPlot(parent) {
  setObjectName(QStringLiteral("chTrend"));
  setPlottingHint(QCP::phFastPolylines, true);
  setBackground(kBackground);
  setSelectionRectMode(QCP::srmZoom);

  plotLayout()->insertRow(0);
  plotLayout()->insertRow(0);
  QFont titleFont = font();
  titleFont.setBold(true);
  titleFont.setPixelSize(17);
  auto* title = new FramedTitle(this, TrendCaption(ctx, code), titleFont);
  title->setTextColor(Qt::blue);
  plotLayout()->addElement(0, 0, title);
  legend->setVisible(true);
  legend->setFillOrder(QCPLegend::foColumnsFirst);
  legend->setBrush(Qt::white);
  legend->setBorderPen(QPen(Qt::gray));
  QFont legendFont = font();
  legendFont.setPixelSize(13);
  legend->setFont(legendFont);
  legend->setIconSize(35, 12);
  legend->setMargins(QMargins(6, 2, 6, 2));
  auto* legendRow = new QCPLayoutGrid;
  plotLayout()->addElement(1, 0, legendRow);
  legendRow->setMargins(QMargins(0, 0, 0, 0));
  legendRow->addElement(0, 0, new QCPLayoutElement(this));
  legendRow->addElement(0, 1, legend);
  legendRow->addElement(0, 2, new QCPLayoutElement(this));
  legendRow->setColumnStretchFactors({1, 0.001, 1});
  for (int row = 0; row < 2; ++row)
    plotLayout()->setRowStretchFactor(row, 0.001);
  plotLayout()->setRowSpacing(2);

  xAxis->setTicker(QSharedPointer<DateTicker>::create(this));
  QFont axisFont = font();
  axisFont.setBold(true);
  axisFont.setPixelSize(12);
  QFont tickFont = font();
  tickFont.setPixelSize(12);
  for (QCPAxis* axis : {xAxis, yAxis}) {
    axis->setLabelFont(axisFont);
    axis->setLabelColor(kAxisTitleColour);
    axis->setTickLabelFont(tickFont);
    axis->grid()->setPen(QPen(QColor(200, 200, 200), 0, Qt::SolidLine));
  }
  yAxis->setNumberFormat(QStringLiteral("g"));
  xAxis->setLabel(ctx.Tr("LogButtonAx_40"));
  const int q = UnitQuantity(code);
  QString valueTitle;
  if (code >= 1 && code <= 64) {
    valueTitle = ctx.Decode(ValueAxisTitle(q, ctx.DisplayUnits(), ctx.Texts));
  } else {
    Bytes quantity, statistic;
    GetSignalCaption(code, ctx.DisplayUnits()[0], ctx.Texts, quantity, statistic);
    valueTitle = ctx.Decode(quantity) + QStringLiteral("  ") + ctx.Decode(statistic);
  }
  yAxis->setLabel(valueTitle);

  double lowTime = std::numeric_limits<double>::infinity(), highTime = -lowTime;
  double lowValue = lowTime, highValue = highTime;
  const auto take = [&](double t, double v) {
    lowTime = std::min(lowTime, t);
    highTime = std::max(highTime, t);
    lowValue = std::min(lowValue, v);
    highValue = std::max(highValue, v);
  };

  // A graph per block: blocks of two instruments in one room may overlap in time.
  int samples = 0;
  for (const auto& block : data.blocks)
    samples += static_cast<int>(block.size());
  QCPGraph* firstBlock = nullptr;
  QVector<double> xs, ys;
  for (const auto& block : data.blocks) {
    QCPGraph* logged = addGraph();
    if (firstBlock == nullptr) firstBlock = logged;
    logged->setName(ctx.Tr("ArchiveLoggedValues_30"));
    logged->setPen(QPen(kLoggedColour, 1.5));
    logged->setScatterStyle(samples <= kMarkedSamples
                                ? QCPScatterStyle(QCPScatterStyle::ssCircle, kLoggedColour, 4)
                                : QCPScatterStyle(QCPScatterStyle::ssNone));
    xs.clear();
    ys.clear();
    for (const auto& [t, v] : block) {
      xs.push_back(TGraphChart::ToAxis(t));
      ys.push_back(v);
      take(t, v);
    }
    logged->setData(xs, ys, true);
  }

  QCPGraph* tests = addGraph();
  tests->setName(ctx.Tr("ArchiveTestValues_30"));
  tests->setLineStyle(QCPGraph::lsNone);
  tests->setScatterStyle(
      QCPScatterStyle(QCPScatterStyle::ssDisc, kTestColour, kTestColour.lighter(150), 7));
  xs.clear();
  ys.clear();
  for (const auto& [t, v] : data.tests) {
    xs.push_back(TGraphChart::ToAxis(t));
    ys.push_back(v);
    take(t, v);
  }
  tests->setData(xs, ys, true);

  legend->clearItems();
  if (!data.tests.empty()) tests->addToLegend();
  if (firstBlock != nullptr) firstBlock->addToLegend();

  if (lowTime > highTime) {
    lowTime = highTime = Now();
    lowValue = 0;
    highValue = 1;
  }
  // A margin around the points, so that none sits on the frame; a single time or value gets a
  // day or a unit either side.
  const double timeMargin = highTime > lowTime ? (highTime - lowTime) / 25 : 0.5;
  const double valueMargin =
      highValue > lowValue ? (highValue - lowValue) / 12 : std::max(1.0, std::fabs(highValue) / 10);
  timeRange_ = QCPRange(TGraphChart::ToAxis(lowTime - timeMargin),
                        TGraphChart::ToAxis(highTime + timeMargin));
  valueRange_ = QCPRange(lowValue - valueMargin, highValue + valueMargin);
  xAxis->setRange(timeRange_);
  yAxis->setRange(valueRange_);
  resize(640, 420);
}

int TTrendChart::PointCount() const {
  int points = 0;
  for (int i = 0; i < graphCount(); ++i) {
    const QSharedPointer<QCPGraphDataContainer> data = graph(i)->data();
    for (auto it = data->constBegin(); it != data->constEnd(); ++it) {
      if (std::isfinite(it->value)) ++points;
    }
  }
  return points;
}

QStringList TTrendChart::LegendNames() const {
  QStringList names;
  for (int i = 0; i < legend->itemCount(); ++i) {
    if (auto* item = qobject_cast<QCPPlottableLegendItem*>(legend->item(i)))
      names.push_back(item->plottable()->name());
  }
  return names;
}

QStringList TTrendChart::TimeLabels() const {
  QStringList labels;
  const QVector<double> ticks = xAxis->tickVector();
  const QVector<QString> texts = xAxis->tickVectorLabels();
  for (qsizetype i = 0; i < ticks.size() && i < texts.size(); ++i) {
    if (xAxis->range().contains(ticks[i])) labels.push_back(texts[i]);
  }
  return labels;
}

void TTrendChart::Unzoom() {
  xAxis->setRange(timeRange_);
  yAxis->setRange(valueRange_);
  replot();
}

void TTrendChart::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    Unzoom();
    return;
  }
  QCustomPlot::mousePressEvent(event);
}

TfrmArchiveTrend::TfrmArchiveTrend(AppContext& ctx, const Bytes& building, const Bytes& room,
                                   int code, const TrendData& data, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmArchiveTrend"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(ctx.Tr("frmArchiveTrend_20") + QStringLiteral(": ") + ctx.Decode(building) +
                 QStringLiteral(" / ") + ctx.Decode(room));
  chart_ = new TTrendChart(ctx, code, data, this);
  chart_->setMinimumSize(400, 260);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("lblTrendStatus"));
  status_->setFrameShape(QFrame::StyledPanel);
  QString text = ctx.Tr("ArchiveValues_20") + QStringLiteral(": ") + QString::number(data.values) +
                 QStringLiteral("    ") + ctx.Tr("ArchiveVisits_20") + QStringLiteral(": ") +
                 QString::number(data.visits);
  double first = std::numeric_limits<double>::infinity(), last = -first;
  for (const auto& [t, v] : data.tests) {
    first = std::min(first, t);
    last = std::max(last, t);
  }
  for (const auto& block : data.blocks) {
    if (block.empty()) continue;
    first = std::min(first, block.front().first);
    last = std::max(last, block.back().first);
  }
  if (first <= last) {
    text += QStringLiteral("    ") + DateText(first) + QStringLiteral(" - ") + DateText(last);
  }
  status_->setText(text);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  layout->addWidget(chart_, 1);
  layout->addWidget(status_);
  resize(820, 560);
}

QString TfrmArchiveTrend::StatusText() const {
  return status_->text();
}

}  // namespace qv
