#include "chart/GraphChart.h"

#include "app/TextCatalog.h"
#include "app/TextCodec.h"
#include "graph/TimeTicks.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <limits>

namespace qv {

namespace {

const char* const kSeriesKeys[kStatistics] = {"LogSerTit1_8", "LogSerTit2_8", "LogSerTit3_8",
                                              "LogSerTit4_8"};
const QColor kSeriesColors[kStatistics] = {{128, 0, 64}, {0, 128, 0}, {0, 0, 160}, {255, 0, 0}};
const QCPScatterStyle::ScatterShape kMarkers[kStatistics] = {
    QCPScatterStyle::ssCircle, QCPScatterStyle::ssSquare, QCPScatterStyle::ssStar,
    QCPScatterStyle::ssTriangleInverted};
const QColor kBackground(255, 255, 161);
const QColor kAxisTitleColour(128, 0, 0);
constexpr double kUnixDay0 = 25569;  // 1970-01-01 as a day number
constexpr double kScreenDpi = 96;
constexpr double kHalfMillisecond = 0.5 / 86400000.0;  // in days: a time's day rounded right
// The widest label the time axis can show, in its label format.
const QString kWidestTimeLabel = QStringLiteral("00.00.00   00:00:00");

// The title in its red frame.
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

}  // namespace

// Date-time labels at a round step wide enough for the labels measured in the axis' font: a
// fixed count of ticks crowds them in a narrow window ("8:20:0008.03.24").
class TimeAxisTicker : public QCPAxisTickerDateTime {
 public:
  explicit TimeAxisTicker(QCustomPlot* plot) : plot_(plot) {
    setDateTimeFormat(kOneLine);
    setDateTimeSpec(Qt::UTC);
  }
  // What the axis rectangle leaves of the chart's width, from the last layout; the ticks are
  // chosen before the next layout places the axis.
  void SetMargin(int margin) { margin_ = margin; }
  // Labels of the date alone where the step is a day or more.
  void SetDatesAlone(bool on) { datesAlone_ = on; }

 protected:
  double getTickStep(const QCPRange& range) override {
    mDateStrategy = dsNone;
    const QFontMetricsF metrics(plot_->xAxis->tickLabelFont());
    const double axis = plot_->viewport().width() - margin_;
    if (datesAlone_) {
      // A trend over months: whole days carry no time of day worth a label.
      const double daily =
          TimeTickStep(range.size(), axis, metrics.horizontalAdvance(QStringLiteral("00.00.00")));
      if (daily >= 86400) {
        setDateTimeFormat(kDate);
        return daily;
      }
    }
    const double step =
        TimeTickStep(range.size(), axis, metrics.horizontalAdvance(kWidestTimeLabel));
    // A narrow chart that would show fewer than three labels puts the time under the date.
    const double stacked =
        TimeTickStep(range.size(), axis, metrics.horizontalAdvance(QStringLiteral("00.00.00")));
    const bool twoLines = range.size() / step < 3 && stacked < step;
    setDateTimeFormat(twoLines ? kTwoLines : kOneLine);
    return twoLines ? stacked : step;
  }

 private:
  static inline const QString kOneLine = QStringLiteral("dd.MM.yy   h:mm:ss");
  static inline const QString kTwoLines = QStringLiteral("dd.MM.yy\nh:mm:ss");
  static inline const QString kDate = QStringLiteral("dd.MM.yy");
  QCustomPlot* plot_;
  int margin_ = 0;
  bool datesAlone_ = false;
};

GraphChartTexts ChartTextsFor(int q, std::string_view displayUnits, const TextCatalog& texts,
                              const TextCodec& codec) {
  GraphChartTexts t;
  const GraphQuantity* g = GraphQuantityOf(q);
  if (g == nullptr) return t;
  t.Title = codec.Decode(texts.Translate(g->TitleKey));
  t.TimeAxis = codec.Decode(texts.Translate("LogButtonAx_40"));
  t.ValueAxis = codec.Decode(ValueAxisTitle(q, displayUnits, texts));
  for (size_t i = 0; i < kStatistics; ++i)
    t.Series[i] = codec.Decode(texts.Translate(kSeriesKeys[i]));
  return t;
}

double TGraphChart::ToAxis(double days) {
  return (days - kUnixDay0) * 86400.0;
}

double TGraphChart::FromAxis(double seconds) {
  return seconds / 86400.0 + kUnixDay0;
}

ChartContent LoggedChartContent(const GraphChartTexts& texts, const TLoggerRecord& block, int q,
                                std::string_view displayUnits) {
  ChartContent c;
  c.Texts = texts;
  c.Boxes = InitStatisticBoxes(block, q);
  c.Bounds = ComputeAxisBounds(block, q, displayUnits);
  std::array<bool, kStatistics> checked{};
  for (size_t i = 0; i < kStatistics; ++i)
    checked[i] = c.Boxes[i].Checked;
  c.Data = FillGraphSeries(block, q, displayUnits, checked, 1.05 * c.Bounds.Upper);
  return c;
}

ChartContent TrendChartContent(const GraphChartTexts& texts, int q, const GraphSeriesData& points,
                               std::string_view displayUnits) {
  ChartContent c;
  c.Texts = texts;
  c.Data = points;
  c.Bounds = PointAxisBounds(q, c.Data, displayUnits);
  for (size_t i = 0; i < kStatistics; ++i) {
    if (!c.Data.Series[i].empty()) c.Boxes[i] = {true, true, false, true};
  }
  c.SeparateDays = true;
  return c;
}

TGraphChart::TGraphChart(const GraphChartTexts& texts, const TLoggerRecord& block, int q,
                         std::string_view displayUnits, QWidget* parent)
    : TGraphChart(LoggedChartContent(texts, block, q, displayUnits), q, parent) {}

TGraphChart::TGraphChart(const ChartContent& content, int q, QWidget* parent)
    : QCustomPlot(parent), q_(q) {
  const GraphChartTexts& texts = content.Texts;
  setObjectName(QStringLiteral("chLoger"));
  setPlottingHint(QCP::phFastPolylines, true);
  setBackground(kBackground);
  setSelectionRectMode(QCP::srmZoom);
  setInteraction(QCP::iRangeZoom, false);

  // Rows: the title, the legend, the plot.
  plotLayout()->insertRow(0);
  plotLayout()->insertRow(0);
  QFont titleFont = font();
  titleFont.setBold(true);
  titleFont.setPixelSize(17);
  title_ = new FramedTitle(this, texts.Title, titleFont);
  title_->setTextColor(Qt::blue);
  plotLayout()->addElement(0, 0, title_);
  legend->setVisible(true);
  legend->setFillOrder(QCPLegend::foColumnsFirst);
  legend->setBrush(Qt::white);
  legend->setBorderPen(QPen(Qt::gray));
  QFont legendFont = font();
  legendFont.setPixelSize(13);
  legend->setFont(legendFont);
  legend->setIconSize(35, 12);
  legend->setMargins(QMargins(6, 2, 6, 2));
  // The legend in the middle of its row, as wide as its entries.
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

  ticker_ = QSharedPointer<TimeAxisTicker>::create(this);
  xAxis->setTicker(ticker_);
  connect(this, &QCustomPlot::afterLayout, this,
          [this] { ticker_->SetMargin(viewport().width() - axisRect()->width()); });
  QFont axisFont = font();
  axisFont.setBold(true);
  axisFont.setPixelSize(12);
  // Every text in pixels: a chart painted onto paper is scaled as a whole, and a font in points
  // would be sized again for the printer's resolution.
  QFont tickFont = font();
  tickFont.setPixelSize(12);
  for (QCPAxis* axis : {xAxis, yAxis}) {
    axis->setLabelFont(axisFont);
    axis->setLabelColor(kAxisTitleColour);
    axis->setTickLabelFont(tickFont);
    axis->grid()->setPen(QPen(QColor(200, 200, 200), 0, Qt::SolidLine));
  }
  xAxis->setLabel(texts.TimeAxis);
  valueTitle_ = texts.ValueAxis;
  yAxis->setLabel(valueTitle_);
  yAxis->setNumberFormat(QStringLiteral("g"));

  boxes_ = content.Boxes;
  bounds_ = content.Bounds;
  const double upper = 1.05 * bounds_.Upper;
  const double lower = 1.05 * bounds_.Lower;
  data_ = content.Data;
  separateDays_ = content.SeparateDays;
  ticker_->SetDatesAlone(content.SeparateDays);

  for (size_t i = 0; i < kStatistics; ++i) {
    QCPGraph* graph = addGraph();
    graph->setName(texts.Series[i]);
    QPen pen(kSeriesColors[i]);
    if (i == 3) pen.setStyle(Qt::DotLine);
    graph->setPen(pen);
    graph->setScatterStyle(QCPScatterStyle(kMarkers[i], kSeriesColors[i], 4));
    QVector<double> xs, ys;
    xs.reserve(static_cast<qsizetype>(data_.Series[i].size()));
    ys.reserve(xs.capacity());
    const GraphPoint* previous = nullptr;
    for (const GraphPoint& p : data_.Series[i]) {
      // Points of different days are not joined: a line over the weeks between two visits
      // would show values nobody measured.
      if (separateDays_ && previous != nullptr &&
          std::floor(previous->X + kHalfMillisecond) != std::floor(p.X + kHalfMillisecond)) {
        xs.push_back(ToAxis((previous->X + p.X) / 2));
        ys.push_back(std::numeric_limits<double>::quiet_NaN());
      }
      xs.push_back(ToAxis(p.X));
      ys.push_back(p.Y);
      previous = &p;
    }
    graph->setData(xs, ys, true);
    graphs_[i] = graph;
    shown_[i] = boxes_[i].Checked;
    graph->setVisible(shown_[i]);
  }
  RebuildLegend();
  legendFullWidth_ = legend->minimumOuterSizeHint().width();

  xAxis->setRange(ToAxis(data_.TimeMin), ToAxis(data_.TimeMax));
  yAxis->setRange(lower, upper);
  // The value floor: a zoom never goes below the window's own minimum.
  floor_ = lower;
  connect(yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
          [this](const QCPRange& range) {
            if (range.lower < floor_) yAxis->setRangeLower(floor_);
          });

  addLayer(QStringLiteral("cursor"), nullptr, QCustomPlot::limAbove);
  cursorLayer_ = layer(QStringLiteral("cursor"));
  cursorLayer_->setMode(QCPLayer::lmBuffered);
  cursor_ = new QCPItemStraightLine(this);
  cursor_->setLayer(cursorLayer_);
  cursor_->setPen(QPen(Qt::red, 1));
  cursor_->setAntialiased(false);  // one crisp pixel wide
  cursor_->setVisible(false);
  resize(640, 420);
  FitTexts(size());
}

void TGraphChart::RebuildLegend() {
  legend->clearItems();
  for (size_t i = 0; i < kStatistics; ++i) {
    if (shown_[i]) graphs_[i]->addToLegend();
  }
  for (size_t i = 0; i < limitGraphs_.size(); ++i) {
    if (limits_[i]) limitGraphs_[i]->addToLegend();
  }
  if (FitCurveShown()) fit_->addToLegend();
}

void TGraphChart::MeasureLegend() {
  const int wrap = legend->wrap();
  legend->setWrap(0);
  RebuildLegend();
  legendFullWidth_ = legend->minimumOuterSizeHint().width();
  legend->setWrap(wrap);
  RebuildLegend();
  FitTexts(size());
}

QCPRange TGraphChart::ValueRange() const {
  const QCPRange window(1.05 * bounds_.Lower, 1.05 * bounds_.Upper);
  QCPRange range = window;
  // A limit line stands a twentieth of the range clear of the frame; the range goes below zero
  // only for a limit below it.
  for (const std::optional<double>& limit : limits_) {
    if (!limit) continue;
    const double margin = std::max(window.size(), std::fabs(*limit)) / 20;
    range.upper = std::max(range.upper, *limit + margin);
    double lower = std::min(range.lower, *limit - margin);
    if (window.lower >= 0 && *limit >= 0) lower = std::max(lower, std::min(window.lower, 0.0));
    range.lower = lower;
  }
  return range;
}

QColor TGraphChart::LimitLineColour(LimitSide side) {
  return side == LimitSide::Upper ? QColor(230, 110, 0) : QColor(0, 140, 180);
}

void TGraphChart::SetLimitLine(LimitSide side, std::optional<double> value,
                               const QString& legendName) {
  const size_t i = side == LimitSide::Upper ? 0 : 1;
  if (value && !std::isfinite(*value)) value.reset();
  const QCPRange before = ValueRange();
  const bool wholeShown = yAxis->range() == before;
  limits_[i] = value;
  if (value) {
    if (limitGraphs_[i] == nullptr) {
      limitGraphs_[i] = addGraph();
      QPen pen(LimitLineColour(side), 2, Qt::DashLine);
      limitGraphs_[i]->setPen(pen);
    }
    limitGraphs_[i]->setName(legendName);
    limitGraphs_[i]->setData(QVector<double>{ToAxis(data_.TimeMin), ToAxis(data_.TimeMax)},
                             QVector<double>{*value, *value}, true);
  }
  if (limitGraphs_[i] != nullptr) limitGraphs_[i]->setVisible(value.has_value());
  const QCPRange after = ValueRange();
  floor_ = std::min(1.05 * bounds_.Lower, after.lower);
  if (wholeShown) yAxis->setRange(after);
  MeasureLegend();
}

QColor TGraphChart::FitCurveColour() {
  return {140, 40, 200};
}

void TGraphChart::SetFitCurve(const std::vector<GraphPoint>& points, const QString& legendName) {
  if (!points.empty() && fit_ == nullptr) {
    fit_ = addGraph();
    fit_->setPen(QPen(FitCurveColour(), 2));
  }
  if (fit_ == nullptr) return;
  QVector<double> xs, ys;
  xs.reserve(static_cast<qsizetype>(points.size()));
  ys.reserve(xs.capacity());
  for (const GraphPoint& p : points) {
    xs.push_back(ToAxis(p.X));
    ys.push_back(p.Y);
  }
  fit_->setData(xs, ys, true);
  fit_->setName(legendName);
  fit_->setVisible(!points.empty());
  MeasureLegend();
}

bool TGraphChart::FitCurveShown() const {
  return fit_ != nullptr && fit_->visible();
}

void TGraphChart::SetMarkersShown(bool shown) {
  for (size_t i = 0; i < kStatistics; ++i) {
    graphs_[i]->setScatterStyle(shown ? QCPScatterStyle(kMarkers[i], kSeriesColors[i], 4)
                                      : QCPScatterStyle(QCPScatterStyle::ssNone));
  }
}

std::optional<double> TGraphChart::LimitLine(LimitSide side) const {
  return limits_[side == LimitSide::Upper ? 0 : 1];
}

void TGraphChart::SetStatisticShown(int statistic, bool shown) {
  const size_t i = static_cast<size_t>(statistic);
  if (i >= kStatistics) return;
  shown_[i] = shown;
  graphs_[i]->setVisible(shown);
  RebuildLegend();
}

bool TGraphChart::StatisticShown(int statistic) const {
  return static_cast<size_t>(statistic) < kStatistics && shown_[static_cast<size_t>(statistic)];
}

QStringList TGraphChart::LegendNames() const {
  QStringList names;
  for (int i = 0; i < legend->itemCount(); ++i) {
    if (auto* item = qobject_cast<QCPPlottableLegendItem*>(legend->item(i)))
      names.push_back(item->plottable()->name());
  }
  return names;
}

void TGraphChart::Unzoom() {
  xAxis->setRange(ToAxis(data_.TimeMin), ToAxis(data_.TimeMax));
  yAxis->setRange(ValueRange());
  replot();
}

void TGraphChart::ShowCursor(std::optional<double> time) {
  const bool was = cursor_->visible();
  if (time) {
    cursor_->point1->setCoords(ToAxis(*time), 0);
    cursor_->point2->setCoords(ToAxis(*time), 1);
  }
  cursor_->setVisible(time.has_value());
  if ((was || time) && isVisible()) cursorLayer_->replot();
}

bool TGraphChart::CursorShown() const {
  return cursor_->visible();
}

void TGraphChart::SetPaperLook(bool paper) {
  setBackground(paper ? QColor(Qt::white) : kBackground);
}

std::vector<TGraphChart::TickLabel> TGraphChart::TimeLabels() {
  std::vector<TickLabel> labels;
  const QVector<double> ticks = xAxis->tickVector();
  const QVector<QString> texts = xAxis->tickVectorLabels();
  const QFontMetricsF metrics(xAxis->tickLabelFont());
  for (qsizetype i = 0; i < ticks.size() && i < texts.size(); ++i) {
    if (!xAxis->range().contains(ticks[i])) continue;
    const double centre = xAxis->coordToPixel(ticks[i]);
    const double half = metrics.size(0, texts[i]).width() / 2;
    labels.push_back({texts[i], centre - half, centre + half});
  }
  return labels;
}

void TGraphChart::resizeEvent(QResizeEvent* event) {
  FitTexts(event->size());
  QCustomPlot::resizeEvent(event);
}

void TGraphChart::FitTexts(QSize size) {
  // The title and the value axis' title shrink with the chart, down to a readable size; a value
  // title still longer than the axis gives way to its unit (the window's title names the
  // quantity), and only then is cut short.
  QFont titleFont = title_->font();
  titleFont.setPixelSize(size.height() < 300 ? 13 : 17);
  title_->setFont(titleFont);
  // The legend takes two rows where one is wider than the chart.
  const int wrap = legendFullWidth_ > size.width() - 20 ? 2 : 0;
  if (wrap != legend->wrap()) {
    legend->setWrap(wrap);
    RebuildLegend();
  }
  // The value axis' title runs along the plot: the chart's height less the title, the legend
  // and the time axis with labels of up to two lines and its own title.
  const int timeAxis = 2 * QFontMetrics(xAxis->tickLabelFont()).height() +
                       QFontMetrics(xAxis->labelFont()).height() + 32;
  const int room = std::max(
      40, size.height() - static_cast<QCPLayoutElement*>(title_)->minimumOuterSizeHint().height() -
              legend->minimumOuterSizeHint().height() - timeAxis);
  QFont axisFont = yAxis->labelFont();
  int px = 12;
  axisFont.setPixelSize(px);
  while (px > 9 && QFontMetrics(axisFont).horizontalAdvance(valueTitle_) > room)
    axisFont.setPixelSize(--px);
  yAxis->setLabelFont(axisFont);
  const QFontMetrics metrics(axisFont);
  QString shown = valueTitle_;
  const qsizetype unitAt = valueTitle_.lastIndexOf(QStringLiteral("  "));
  if (metrics.horizontalAdvance(shown) > room && unitAt > 0) shown = valueTitle_.mid(unitAt + 2);
  yAxis->setLabel(metrics.elidedText(shown, Qt::ElideRight, room));
}

void PaintChart(TGraphChart& chart, QCPPainter& painter, const QRect& target, double deviceDpi) {
  const double scale = std::max(deviceDpi, 1.0) / kScreenDpi;
  const int width = std::max(1, qRound(target.width() / scale));
  const int height = std::max(1, qRound(target.height() / scale));
  chart.ShowCursor(std::nullopt);
  chart.SetPaperLook(true);
  painter.save();
  painter.setMode(QCPPainter::pmVectorized);
  painter.setMode(QCPPainter::pmNoCaching);
  painter.setViewport(target);
  painter.setWindow(0, 0, width, height);
  chart.FitTexts(QSize(width, height));
  chart.toPainter(&painter, width, height);
  painter.restore();
  chart.FitTexts(chart.size());
  chart.SetPaperLook(false);
  // The layout was made for the page: back to the window's own (the read-out starts again).
  chart.replot();
}

bool PrintCharts(const std::vector<TGraphChart*>& charts, QPagedPaintDevice& device) {
  QCPPainter painter;
  if (!painter.begin(&device)) return false;
  bool first = true;
  for (TGraphChart* chart : charts) {
    if (!first && !device.newPage()) {
      painter.end();
      return false;
    }
    first = false;
    PaintChart(*chart, painter, QRect(0, 0, device.width(), device.height()), device.logicalDpiX());
  }
  return painter.end();
}

bool SaveChartImage(TGraphChart& chart, const QString& path, QSize size, QString* error) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (size.isEmpty()) size = chart.size();
  chart.ShowCursor(std::nullopt);
  chart.FitTexts(size);
  // Written beside the old file and put in its place only when complete.
  QSaveFile file(path);
  bool ok = file.open(QIODevice::WriteOnly);
  if (ok && suffix == QLatin1String("svg")) {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(chart.objectName());
    QCPPainter painter;
    ok = painter.begin(&svg);
    if (ok) {
      painter.setMode(QCPPainter::pmVectorized);
      chart.toPainter(&painter, size.width(), size.height());
      ok = painter.end();
    }
  } else if (ok && suffix == QLatin1String("pdf")) {
    QPdfWriter pdf(&file);
    pdf.setResolution(static_cast<int>(kScreenDpi));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setPageSize(
        QPageSize(QSizeF(size.width() * 72.0 / kScreenDpi, size.height() * 72.0 / kScreenDpi),
                  QPageSize::Point, QString(), QPageSize::ExactMatch));
    ok = PrintCharts({&chart}, pdf);
  } else if (ok) {
    const QPixmap picture = chart.toPixmap(size.width(), size.height());
    ok = !picture.isNull() && picture.save(&file, "PNG");
  }
  ok = ok && file.commit();
  if (!ok) {
    file.cancelWriting();
    if (error != nullptr) {
      *error = file.error() != QFileDevice::NoError && !file.errorString().isEmpty()
                   ? QStringLiteral("%1 could not be written: %2").arg(path, file.errorString())
                   : QStringLiteral("%1 could not be written.").arg(path);
    }
  }
  chart.FitTexts(chart.size());
  chart.replot();
  return ok;
}

}  // namespace qv
