#include "graph/GraphWindow.h"

#include "format/DateTimeText.h"

#include <QCheckBox>
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

namespace qv {
namespace {

const char* const kStatisticKeys[kStatistics] = {"Curr_5", "Min_5", "Avg_5", "Max_5"};
const QColor kSeriesColors[kStatistics] = {{128, 0, 64}, {0, 128, 0}, {0, 0, 160}, {255, 0, 0}};
const QColor kBackground(255, 255, 161);
constexpr const char* kSaveImageKey = "mmGraphSaveImage_25";

}  // namespace

TfrmGraphChild::TfrmGraphChild(AppContext& ctx, Prompter& prompter, int q,
                               const TLoggerRecord& block, QWidget* parent)
    : TfrmGraphChild(ctx, prompter, q,
                     new TGraphChart(ChartTextsFor(q, ctx.DisplayUnits(), ctx.Texts, ctx.Codec),
                                     block, q, ctx.DisplayUnits()),
                     parent) {}

TfrmGraphChild::TfrmGraphChild(AppContext& ctx, Prompter& prompter, int q,
                               const GraphSeriesData& points, QWidget* parent)
    : TfrmGraphChild(ctx, prompter, q,
                     new TGraphChart(ChartTextsFor(q, ctx.DisplayUnits(), ctx.Texts, ctx.Codec), q,
                                     points, ctx.DisplayUnits()),
                     parent) {}

TfrmGraphChild::TfrmGraphChild(AppContext& ctx, Prompter& prompter, int q, TGraphChart* plot,
                               QWidget* parent)
    : QWidget(parent), ctx_(ctx), prompter_(prompter), q_(q), plot_(plot) {
  setObjectName(QStringLiteral("frmGraphChild"));
  const GraphQuantity* g = GraphQuantityOf(q);
  const std::string_view units = ctx_.DisplayUnits();
  setWindowTitle(ctx_.Tr(g->CaptionKey));
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kBackground);
  setPalette(palette);

  plot_->setParent(this);
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
  suffix_ = StatusUnitSuffix(q, units, ctx_.Texts);
  ResetReadout();
  resize(657, 539);
  FitStatusPanels();
}

void TfrmGraphChild::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitStatusPanels();
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
  const std::optional<CursorReadout> r =
      ReadCursor(plot_->Data().Series, on, x);
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
