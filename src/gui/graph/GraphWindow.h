// A graph window (frmGraphChild): one quantity of the current logging block over time, its four
// statistics as series, boxes that show and hide them, drag-to-zoom above the value floor,
// right-click un-zoom, and the read-out of the values under the mouse with a cursor line on a
// layer of its own.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"
#include "graph/GraphData.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QCPTextElement;
class QGridLayout;
class QCPGraph;
class QCPItemStraightLine;
class QCPLayer;
class QCustomPlot;
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

  int Quantity() const { return q_; }
  QCustomPlot* Plot() const { return plot_; }
  // The chart never shrinks below this, however many windows share the area.
  void SetMinimumChartSize(const QSize& size);
  QCheckBox* StatisticBox(int statistic) const { return boxes_[static_cast<size_t>(statistic)]; }
  // The five status panels: the four statistics, then the date and time.
  QString StatusText(int panel) const;
  // The read-out for a mouse at time `x` (date-time, days): as a mouse move over the plot.
  void ShowReadout(double x);
  // The status texts at rest, no cursor line.
  void ResetReadout();
  const AxisBounds& Bounds() const { return bounds_; }
  // The chart on `printer`, landscape, scaled into the whole page, without the cursor line.
  bool Print(QPrinter& printer);
  // The chart as a picture file; the kind follows the name's suffix (.png, .svg, .pdf).
  // False, with the reason in `error`, when it could not be written.
  bool SaveImage(const QString& path, QString* error);
  bool CursorShown() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void StatisticToggled(int statistic);
  void ShowContextMenu(const QPoint& globalPos);
  void Unzoom();
  // Small windows (many tiled): smaller title and axis title, the status panels in two rows.
  void FitToSize();

  AppContext& ctx_;
  Prompter& prompter_;
  int q_;
  AxisBounds bounds_;
  GraphSeriesData data_;
  std::array<bool, kStatistics> checked_{};
  QCustomPlot* plot_;
  std::array<QCPGraph*, kStatistics> graphs_{};
  std::array<QCheckBox*, kStatistics> boxes_{};
  std::array<QLabel*, 5> status_{};
  QGridLayout* statusGrid_ = nullptr;
  bool statusInTwoRows_ = false;
  QCPTextElement* title_ = nullptr;
  QString valueTitle_;
  QCPLayer* cursorLayer_ = nullptr;
  QCPItemStraightLine* cursor_ = nullptr;
  Bytes suffix_;
};

}  // namespace qv
