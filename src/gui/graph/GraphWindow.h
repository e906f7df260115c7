// A graph window (frmGraphChild): the chart of one quantity of the current logging block, boxes
// that show and hide its four statistics, drag-to-zoom above the value floor, right-click
// un-zoom, and in the active window the read-out of the values under the mouse with a cursor
// line.
#pragma once

#include "chart/GraphChart.h"
#include "common/AppContext.h"
#include "common/Prompter.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QGridLayout;
class QLabel;
class QPrinter;

namespace qv {

class TfrmGraphChild : public QWidget {
  Q_OBJECT
 public:
  // Builds the window of quantity `q` for `block` in the display unit system.
  // `prompter` answers the picture's save dialog.
  TfrmGraphChild(AppContext& ctx, Prompter& prompter, int q, const TLoggerRecord& block,
                 QWidget* parent = nullptr);
  // A window of points gathered elsewhere (a room's values across visits, display units).
  TfrmGraphChild(AppContext& ctx, Prompter& prompter, int q, const GraphSeriesData& points,
                 QWidget* parent = nullptr);

  int Quantity() const { return q_; }
  TGraphChart* Plot() const { return plot_; }
  // The chart never shrinks below this, however many windows share the area.
  void SetMinimumChartSize(const QSize& size);
  QCheckBox* StatisticBox(int statistic) const { return boxes_[static_cast<size_t>(statistic)]; }
  // The five status panels: the four statistics, then the date and time.
  QString StatusText(int panel) const;
  QLabel* StatusPanel(int panel) const { return status_[static_cast<size_t>(panel)]; }
  // The read-out for a mouse at time `x` (date-time, days): as a mouse move over the plot.
  void ShowReadout(double x);
  // The status texts at rest, no cursor line.
  void ResetReadout();
  const AxisBounds& Bounds() const { return plot_->Bounds(); }
  // The chart on `printer`, scaled into the whole page, without the cursor line.
  bool Print(QPrinter& printer);
  // The chart as a picture file; the kind follows the name's suffix (.png, .svg, .pdf).
  // False, with the reason in `error`, when it could not be written.
  bool SaveImage(const QString& path, QString* error);
  // Graph > Save Graph as Image: asks for the file (PNG, SVG or PDF) and writes it.
  void SaveImageAs();
  bool CursorShown() const;
  // Whether this window is the active graph window: only that one follows the mouse.
  bool IsActiveGraph() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  TfrmGraphChild(AppContext& ctx, Prompter& prompter, int q, TGraphChart* plot, QWidget* parent);
  void StatisticToggled(int statistic);
  void ShowContextMenu(const QPoint& globalPos);
  // Narrow windows: the status panels in two rows.
  void FitStatusPanels();

  AppContext& ctx_;
  Prompter& prompter_;
  int q_;
  TGraphChart* plot_;
  std::array<QCheckBox*, kStatistics> boxes_{};
  std::array<QLabel*, 5> status_{};
  QGridLayout* statusGrid_ = nullptr;
  bool statusInTwoRows_ = false;
  Bytes suffix_;
};

}  // namespace qv
