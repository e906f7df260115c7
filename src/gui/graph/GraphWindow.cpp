#include "graph/GraphWindow.h"

#include "format/DateTimeText.h"

#include <qcustomplot.h>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QSvgGenerator>
#include <QVBoxLayout>

namespace qv {
namespace {

const char* const kStatisticKeys[kStatistics] = {"Curr_5", "Min_5", "Avg_5", "Max_5"};
const char* const kSeriesKeys[kStatistics] = {"LogSerTit1_8", "LogSerTit2_8", "LogSerTit3_8",
                                              "LogSerTit4_8"};
const QColor kSeriesColors[kStatistics] = {{128, 0, 64}, {0, 128, 0}, {0, 0, 160}, {255, 0, 0}};
const QCPScatterStyle::ScatterShape kMarkers[kStatistics] = {
    QCPScatterStyle::ssCircle, QCPScatterStyle::ssSquare, QCPScatterStyle::ssStar,
    QCPScatterStyle::ssTriangleInverted};
const QColor kBackground(255, 255, 161);
constexpr double kUnixDay0 = 25569;  // 1970-01-01 as a day number

// The chart's time axis counts seconds since 1970; the store counts days since 1899.
double ToAxis(double days) {
  return (days - kUnixDay0) * 86400.0;
}
double FromAxis(double seconds) {
  return seconds / 86400.0 + kUnixDay0;
}

}  // namespace

TfrmGraphChild::TfrmGraphChild(AppContext& ctx, Prompter& prompter, int q,
                               const TLoggerRecord& block, QWidget* parent)
    : QWidget(parent), ctx_(ctx), prompter_(prompter), q_(q) {
  setObjectName(QStringLiteral("frmGraphChild"));
  const GraphQuantity* g = GraphQuantityOf(q);
  const std::string_view units = ctx_.DisplayUnits();
  setWindowTitle(ctx_.Tr(g->CaptionKey));
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kBackground);
  setPalette(palette);

  plot_ = new QCustomPlot(this);
  plot_->setObjectName(QStringLiteral("chLoger"));
  plot_->setPlottingHint(QCP::phFastPolylines, true);
  plot_->setBackground(kBackground);
  plot_->setSelectionRectMode(QCP::srmZoom);
  plot_->setInteraction(QCP::iRangeZoom, false);
  plot_->plotLayout()->insertRow(0);
  QFont titleFont = font();
  titleFont.setBold(true);
  titleFont.setPixelSize(17);
  title_ = new QCPTextElement(plot_, ctx_.Tr(g->TitleKey), titleFont);
  title_->setTextColor(Qt::blue);
  plot_->plotLayout()->addElement(0, 0, title_);

  auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
  ticker->setDateTimeFormat(QStringLiteral("dd.MM.yy   h:mm:ss"));
  ticker->setDateTimeSpec(Qt::UTC);
  plot_->xAxis->setTicker(ticker);
  QFont axisFont = font();
  axisFont.setBold(true);
  axisFont.setPixelSize(12);
  for (QCPAxis* axis : {plot_->xAxis, plot_->yAxis}) {
    axis->setLabelFont(axisFont);
    axis->setLabelColor(QColor(128, 0, 0));
  }
  plot_->xAxis->setLabel(ctx_.Tr("LogButtonAx_40"));
  valueTitle_ = ctx_.Decode(ValueAxisTitle(q, units, ctx_.Texts));
  plot_->yAxis->setLabel(valueTitle_);
  plot_->yAxis->setNumberFormat(QStringLiteral("g"));

  const std::array<qv::StatisticBox, kStatistics> boxes = InitStatisticBoxes(block, q);
  bounds_ = ComputeAxisBounds(block, q, units);
  const double upper = 1.05 * bounds_.Upper;
  const double lower = 1.05 * bounds_.Lower;
  for (size_t i = 0; i < kStatistics; ++i)
    checked_[i] = boxes[i].Checked;
  data_ = FillGraphSeries(block, q, units, checked_, upper);

  plot_->legend->setVisible(true);
  plot_->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
  // The statistic boxes sit at the chart's top right, clear of the value axis.
  auto* bar = new QHBoxLayout;
  bar->addStretch(1);
  for (size_t i = 0; i < kStatistics; ++i) {
    QCPGraph* graph = plot_->addGraph();
    graph->setName(ctx_.Tr(kSeriesKeys[i]));
    QPen pen(kSeriesColors[i]);
    if (i == 3) pen.setStyle(Qt::DotLine);
    graph->setPen(pen);
    graph->setScatterStyle(QCPScatterStyle(kMarkers[i], kSeriesColors[i], 4));
    QVector<double> xs, ys;
    xs.reserve(static_cast<qsizetype>(data_.Series[i].size()));
    ys.reserve(xs.capacity());
    for (const GraphPoint& p : data_.Series[i]) {
      xs.push_back(ToAxis(p.X));
      ys.push_back(p.Y);
    }
    graph->setData(xs, ys, true);
    graph->setVisible(boxes[i].Checked);
    if (!boxes[i].InLegend) graph->removeFromLegend();
    graphs_[i] = graph;

    auto* box = new QCheckBox(ctx_.Tr(kStatisticKeys[i]), this);
    box->setObjectName(QString::fromLatin1(i == 0   ? "cbCurrent"
                                           : i == 1 ? "cbMinimum"
                                           : i == 2 ? "cbAverage"
                                                    : "cbMaximum"));
    QPalette boxPalette = box->palette();
    boxPalette.setColor(QPalette::WindowText, kSeriesColors[i]);
    box->setPalette(boxPalette);
    box->setEnabled(boxes[i].Enabled);
    box->setChecked(boxes[i].Checked);
    connect(box, &QCheckBox::clicked, this, [this, i] { StatisticToggled(static_cast<int>(i)); });
    boxes_[i] = box;
    bar->addWidget(box);
  }
  bar->addSpacing(10);

  plot_->xAxis->setRange(ToAxis(data_.TimeMin), ToAxis(data_.TimeMax));
  plot_->yAxis->setRange(lower, upper);
  // The value floor: a zoom never goes below the window's own minimum.
  connect(plot_->yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
          [this, lower](const QCPRange& range) {
            if (range.lower < lower) plot_->yAxis->setRangeLower(lower);
          });

  plot_->addLayer(QStringLiteral("cursor"), nullptr, QCustomPlot::limAbove);
  cursorLayer_ = plot_->layer(QStringLiteral("cursor"));
  cursorLayer_->setMode(QCPLayer::lmBuffered);
  cursor_ = new QCPItemStraightLine(plot_);
  cursor_->setLayer(cursorLayer_);
  cursor_->setPen(QPen(Qt::red, 1));
  cursor_->setVisible(false);

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
  suffix_ = StatusUnitSuffix(q, units, ctx_.Texts);
  ResetReadout();
  resize(657, 539);
  FitToSize();
}

void TfrmGraphChild::FitToSize() {
  // One row of panels of their design widths where they fit; else the four statistics share a
  // row and the date and time take the next, so that no text is cut.
  const bool twoRows = width() < 4 * 150 + 100 + 20;
  if (statusGrid_->count() == 0 || twoRows != statusInTwoRows_) {
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

  // The title and the value axis' title shrink with the chart, down to a readable size; a value
  // title still longer than the axis gives way to its unit (the window's title names the
  // quantity), and only then is cut short.
  QFont titleFont = title_->font();
  titleFont.setPixelSize(plot_->height() < 300 ? 13 : 17);
  title_->setFont(titleFont);
  QFont axisFont = plot_->yAxis->labelFont();
  const int room = std::max(40, plot_->height() - 90);
  int px = 12;
  axisFont.setPixelSize(px);
  while (px > 9 && QFontMetrics(axisFont).horizontalAdvance(valueTitle_) > room)
    axisFont.setPixelSize(--px);
  plot_->yAxis->setLabelFont(axisFont);
  const QFontMetrics metrics(axisFont);
  QString shown = valueTitle_;
  const qsizetype unitAt = valueTitle_.lastIndexOf(QStringLiteral("  "));
  if (metrics.horizontalAdvance(shown) > room && unitAt > 0) shown = valueTitle_.mid(unitAt + 2);
  plot_->yAxis->setLabel(metrics.elidedText(shown, Qt::ElideRight, room));
}

void TfrmGraphChild::SetMinimumChartSize(const QSize& size) {
  plot_->setMinimumSize(size.expandedTo(QSize(1, 1)));
}

QString TfrmGraphChild::StatusText(int panel) const {
  return status_[static_cast<size_t>(panel)]->text();
}

bool TfrmGraphChild::CursorShown() const {
  return cursor_->visible();
}

void TfrmGraphChild::ResetReadout() {
  for (size_t i = 0; i < kStatistics; ++i)
    status_[i]->setText(ctx_.Decode(ctx_.Texts.Translate(kStatisticKeys[i]) + suffix_));
  status_[4]->setText(ctx_.Tr("LogButtonAx_40") + QStringLiteral(": "));
  if (cursor_->visible()) {
    cursor_->setVisible(false);
    if (plot_->isVisible()) cursorLayer_->replot();
  }
}

void TfrmGraphChild::ShowReadout(double x) {
  std::array<bool, kStatistics> on{};
  for (size_t i = 0; i < kStatistics; ++i)
    on[i] = boxes_[i]->isChecked();
  const std::optional<CursorReadout> r = ReadCursor(data_.Series, on, x);
  if (!r) return;
  for (size_t i = 0; i < kStatistics; ++i) {
    QString text = ctx_.Decode(ctx_.Texts.Translate(kStatisticKeys[i]) + suffix_);
    if (r->Values[i]) text += QString::number(*r->Values[i], 'g', 10);
    status_[i]->setText(text);
  }
  QString time = ctx_.Tr("LogButtonAx_40") + QStringLiteral(": ");
  if (r->Series >= 0) {
    time += QString::fromStdString(FormatDayTime(r->Time, 3));
    cursor_->point1->setCoords(ToAxis(r->Time), 0);
    cursor_->point2->setCoords(ToAxis(r->Time), 1);
    cursor_->setVisible(true);
  } else {
    cursor_->setVisible(false);
  }
  status_[4]->setText(time);
  // Only the cursor's own layer is drawn again: a whole replot per mouse move is too slow.
  if (plot_->isVisible()) cursorLayer_->replot();
}

bool TfrmGraphChild::eventFilter(QObject* watched, QEvent* event) {
  if (watched == plot_ && event->type() == QEvent::Resize) {
    // Small charts: fewer time labels, so that they do not run into each other, and the
    // legend only where it leaves the curves room.
    plot_->xAxis->ticker()->setTickCount(std::max(2, plot_->width() / 230));
    plot_->legend->setVisible(plot_->height() >= 300);
    FitToSize();
  }
  if (watched == plot_) {
    if (event->type() == QEvent::MouseMove) {
      const auto* move = static_cast<QMouseEvent*>(event);
      const double x = plot_->xAxis->pixelToCoord(move->position().x());
      const double y = plot_->yAxis->pixelToCoord(move->position().y());
      if (!plot_->xAxis->range().contains(x) || !plot_->yAxis->range().contains(y)) {
        ResetReadout();
      } else {
        ShowReadout(FromAxis(x));
      }
    } else if (event->type() == QEvent::MouseButtonPress &&
               static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
      // The right button un-zooms; with Ctrl it opens the window's menu instead, so that a
      // zoomed view can be saved as it is.
      const auto* press = static_cast<QMouseEvent*>(event);
      if (press->modifiers() & Qt::ControlModifier) {
        ShowContextMenu(press->globalPosition().toPoint());
      } else {
        Unzoom();
      }
      return true;
    } else if (event->type() == QEvent::Leave) {
      ResetReadout();
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool TfrmGraphChild::Print(QPrinter& printer) {
  printer.setPageOrientation(QPageLayout::Landscape);
  const bool cursor = cursor_->visible();
  cursor_->setVisible(false);
  // Recorded at screen resolution and scaled onto the page: drawn straight onto a 1200 dpi
  // printer the chart's texts would come out giant.
  QPicture picture;
  QCPPainter recorder(&picture);
  plot_->toPainter(&recorder, plot_->width(), plot_->height());
  recorder.end();
  QPainter painter;
  bool ok = painter.begin(&printer);
  if (ok) {
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    painter.scale(page.width() / std::max(1, plot_->width()),
                  page.height() / std::max(1, plot_->height()));
    painter.drawPicture(0, 0, picture);
    ok = painter.end();
  }
  cursor_->setVisible(cursor);
  plot_->replot();
  return ok;
}

bool TfrmGraphChild::SaveImage(const QString& path, QString* error) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  bool ok = false;
  if (suffix == QLatin1String("svg")) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(plot_->size());
    svg.setViewBox(QRect(QPoint(0, 0), plot_->size()));
    svg.setTitle(windowTitle());
    QCPPainter painter;
    ok = painter.begin(&svg);
    if (ok) {
      plot_->toPainter(&painter, plot_->width(), plot_->height());
      ok = painter.end();
    }
  } else if (suffix == QLatin1String("pdf")) {
    ok = plot_->savePdf(path);
  } else {
    ok = plot_->savePng(path);
  }
  if (!ok && error != nullptr) *error = QStringLiteral("%1 could not be written.").arg(path);
  return ok && QFileInfo(path).size() > 0;
}

void TfrmGraphChild::ShowContextMenu(const QPoint& globalPos) {
  QMenu menu(this);
  for (const auto& [label, suffix] :
       {std::pair{"Save as PNG...", "png"}, {"Save as SVG...", "svg"}, {"Save as PDF...", "pdf"}}) {
    const QString kind = QString::fromLatin1(suffix);
    menu.addAction(QString::fromLatin1(label), this, [this, kind] {
      QFileDialog dialog(this, windowTitle(), TestResultsFolder(),
                         kind.toUpper() + QStringLiteral(" (*.") + kind + QStringLiteral(")"));
      dialog.setObjectName(QStringLiteral("sdImageDialog"));
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setDefaultSuffix(kind);
      dialog.selectFile(windowTitle() + QStringLiteral(".") + kind);
      const QString path = prompter_.ChooseFile(dialog);
      if (path.isEmpty()) return;
      QString error;
      if (!SaveImage(path, &error)) prompter_.Message(this, error, QMessageBox::Warning);
    });
  }
  menu.exec(globalPos);
}

void TfrmGraphChild::Unzoom() {
  plot_->xAxis->setRange(ToAxis(data_.TimeMin), ToAxis(data_.TimeMax));
  plot_->yAxis->setRange(1.05 * bounds_.Lower, 1.05 * bounds_.Upper);
  plot_->replot();
}

void TfrmGraphChild::StatisticToggled(int statistic) {
  const size_t i = static_cast<size_t>(statistic);
  const bool any =
      std::any_of(boxes_.begin(), boxes_.end(), [](const QCheckBox* b) { return b->isChecked(); });
  // At least one statistic stays shown.
  if (!any) boxes_[i]->setChecked(true);
  const bool on = boxes_[i]->isChecked();
  graphs_[i]->setVisible(on);
  if (on) {
    graphs_[i]->addToLegend();
  } else {
    graphs_[i]->removeFromLegend();
  }
  plot_->replot();
}

}  // namespace qv
